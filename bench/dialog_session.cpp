#include "dialog_session.h"

#include <QAbstractButton>
#include <QComboBox>

#include <stdexcept>

#include "platform/gui/qt/native.h"
#include "res/resource.h"

namespace bench {

DialogSession::DialogSession() {
    m_dlg = std::make_unique<CMirovanDlg>();
    m_dlg->Create();
    m_deadlineTick.start(std::chrono::milliseconds(100));
    QCoreApplication::processEvents();
}

DialogSession::~DialogSession() {
    m_dlg.reset();
}

void DialogSession::OpenComOne() {
    platform::qt::DlgItem<QComboBox>(*m_dlg, IDC_COMBO_PORT)->setCurrentIndex(0);
    Click(IDC_BTN_OPEN);
    if (m_dlg->m_comm.m_bConnected.load() != 1) {
        throw std::runtime_error("OPEN failed: " + m_dlg->m_comm.m_openError.text);
    }
}

void DialogSession::Click(int id) {
    platform::qt::DlgItem<QAbstractButton>(*m_dlg, id)->click();
}

}  // namespace bench
