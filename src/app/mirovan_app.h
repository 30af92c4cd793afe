#pragma once

#include "platform/gui/app.h"

class CMirovanApp : public platform::App {
  public:
    CMirovanApp();
    bool InitInstance() override;
};

extern CMirovanApp theApp;
