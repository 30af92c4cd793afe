// The framework's default answers of a dialog, the same on every window backend: they join
// velmora_gui beside the chosen backend's implementation of the dialog.

#include "platform/gui/data_exchange.h"
#include "platform/gui/dialog.h"

namespace platform {

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (UpdateData(true)) {
        EndDialog(kIdOk);
    }
}

void Dialog::OnCancel() {
    EndDialog(kIdCancel);
}

bool Dialog::OnCommand(int id) {
    switch (id) {
        case kIdOk:
            OnOK();
            return true;
        case kIdCancel:
            OnCancel();
            return true;
        default:
            return false;
    }
}

}  // namespace platform
