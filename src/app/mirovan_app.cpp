#include "app/mirovan_app.h"

#include "tag/received_text.h"
#include "ui/mirovan_dlg.h"

// Defined together so that they are constructed in this order and destroyed in the reverse.
CMirovanApp theApp;
std::string g_strReceived;

bool CMirovanApp::InitInstance() {
    CMirovanDlg dlg;
    dlg.DoModal();
    return false;
}
