#pragma once

#include "platform/qt/app.h"

class CMirovanApp : public platform::App {
  public:
    bool InitInstance() override;
};

extern CMirovanApp theApp;
