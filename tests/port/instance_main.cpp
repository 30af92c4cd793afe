// A copy of the program in a process of its own, for tests of what happens between copies: the
// real entry point and main window, with OPEN pressed on COM1 as soon as the window runs. Prints
// "open" once the port is open.

#include <QAbstractButton>
#include <QTimer>

#include <cstdio>

#include "platform/gui/app.h"
#include "platform/gui/qt/native.h"
#include "res/program_resources.h"
#include "res/resource.h"
#include "ui/mirovan_dlg.h"

namespace {

class InstanceApp : public platform::App {
  public:
    InstanceApp() : platform::App(res::kProgramResources) {}
    bool InitInstance() override {
        CMirovanDlg dlg;
        QTimer::singleShot(0, [&dlg] {
            platform::qt::DlgItem<QAbstractButton>(dlg, IDC_BTN_OPEN)->click();
            if (dlg.m_comm.m_bConnected != 0) {
                std::puts("open");
                std::fflush(stdout);
            }
        });
        dlg.DoModal();
        return false;
    }
};

InstanceApp theInstance;

}  // namespace

int main(int argc, char** argv) {
    return platform::AppMain(argc, argv);
}
