#pragma once

#include "platform/gui/app.h"

class CMirovanApp : public platform::App {
  public:
    bool InitInstance() override;
};

extern CMirovanApp theApp;
