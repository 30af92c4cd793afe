#include "app/mirovan_app.h"

#include "res/program_resources.h"
#include "ui/mirovan_dlg.h"

CMirovanApp theApp;

CMirovanApp::CMirovanApp() : platform::App(res::kProgramResources) {}

bool CMirovanApp::InitInstance() {
    CMirovanDlg dlg;
    dlg.DoModal();
    return false;
}
