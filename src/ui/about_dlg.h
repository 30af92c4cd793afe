#pragma once

#include "platform/gui/dialog.h"

// The About box: product, version and copyright line, and OK.
class CAboutDlg : public platform::Dialog {
  public:
    CAboutDlg();
};
