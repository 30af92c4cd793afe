#pragma once

#include "platform/app.h"

class CMirovanApp : public platform::App {
  public:
    bool InitInstance() override;
};

extern CMirovanApp theApp;
