#include "app/mirovan_app.h"

#include "ui/mirovan_dlg.h"

CMirovanApp theApp;

bool CMirovanApp::InitInstance() {
    CMirovanDlg dlg;
    dlg.DoModal();
    return false;
}
