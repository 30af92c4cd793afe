// OPEN and CLOSE: the port row of the main dialog.

#include <cstdio>

#include "platform/gui/event_pump.h"
#include "platform/message_box.h"
#include "platform/open_failure.h"
#include "platform/tone.h"
#include "port/port_settings_map.h"
#include "ui/mirovan_dlg.h"

void CMirovanDlg::ReadListSelections() {
    m_nPortIndex = m_comboPort.GetCurSel();
    m_strPortName = port::PortNameForIndex(m_nPortIndex);
    m_nBaudIndex = m_comboBaud.GetCurSel();
    m_nBaudRate = port::BaudRateForIndex(m_nBaudIndex);
    m_nDataBitsIndex = m_comboDataBits.GetCurSel();
    m_nDataBits = port::DataBitsForIndex(m_nDataBitsIndex);
    m_nParityIndex = m_comboParity.GetCurSel();
    m_nParity = port::ParityForIndex(m_nParityIndex);
    m_nStopBitsIndex = m_comboStopBits.GetCurSel();
    m_nStopBits = port::StopBitsForIndex(m_nStopBitsIndex).value_or(m_nStopBits);
}

void CMirovanDlg::EnableLists(bool enable) {
    m_comboPort.EnableWindow(enable);
    m_comboBaud.EnableWindow(enable);
    m_comboDataBits.EnableWindow(enable);
    m_comboStopBits.EnableWindow(enable);
    m_comboParity.EnableWindow(enable);
}

void CMirovanDlg::AppendStatus(const std::string& text) {
    m_editStatus.SetSel(-1, 0);
    m_editStatus.ScrollCaret();
    m_editStatus.ReplaceSel(text);
}

// On a machine without sound the tone says nothing, and the status box is hidden: the box is what
// tells the operator. Standard error gets the OS's own words too, for whoever helps them.
void CMirovanDlg::ReportOpenFailure() {
    const std::string reason = platform::DescribeOpenFailure(m_strPortName, m_comm.m_openError);
    std::fprintf(stderr, "Velmora: OPEN %s failed: %s\n    (%s)\n", m_strPortName.c_str(),
                 reason.c_str(), m_comm.m_openError.text.c_str());
    platform::ShowMessage(reason);
}

void CMirovanDlg::OnBnClickedOpen() {
    UpdateData(true);
    ReadListSelections();
    if (m_comm.m_bConnected != 0) {
        AppendStatus("Port Open Fail - " + m_strPortName + " !!");
        return;
    }

    const PortSettings settings{m_strPortName, static_cast<std::uint32_t>(m_nBaudRate),
                                static_cast<std::uint8_t>(m_nDataBits),
                                static_cast<std::uint8_t>(m_nStopBits),
                                static_cast<std::uint8_t>(m_nParity)};
    if (m_comm.Open(settings) != 1) {
        platform::Beep(550, 500);
        AppendStatus("Port Open Error - " + m_strPortName + " !!");
        ReportOpenFailure();
        return;
    }

    m_editStatus.SetSel(-1, 0);
    m_editStatus.ScrollCaret();
    m_editStatus.ReplaceSel(m_strPortName + "," + std::to_string(m_nBaudRate) + "," +
                            std::to_string(m_nDataBits) + "," + std::to_string(m_nStopBits) + "," +
                            std::to_string(m_nParity));
    m_editStatus.ReplaceSel(" Connect");
    EnableLists(false);
    platform::Beep(400, 100);
    platform::Beep(500, 100);
    platform::Beep(550, 100);
    platform::Beep(800, 100);
    WritePortInfo(m_strPortName, m_nBaudIndex, m_nDataBitsIndex, m_nStopBitsIndex, m_nParityIndex);
    // Inside a tag operation's wait the group stays as the operation set it; the operation
    // makes it follow the port when it ends.
    if (!m_bTagOperationRunning) {
        SetTagControlsEnabled(true);
    }
}

void CMirovanDlg::OnBnClickedClose() {
    UpdateData(true);
    if (m_comm.m_bConnected != 1) {
        AppendStatus("Port not yet opened !!");
        return;
    }
    ClosePort();
}

void CMirovanDlg::ClosePort() {
    m_comm.Close();
    AppendStatus("Close Port " + m_strPortName + " !!");
    EnableLists(true);
    SetTagControlsEnabled(false);
}

// An operation waiting for an answer ends first, as a failed exchange, so that it does not find
// its port closed under it; then the port closes as CLOSE closes it, and OPEN can have the device
// again once it is back.
std::intptr_t CMirovanDlg::OnDeviceGone(std::uintptr_t, std::intptr_t) {
    if (m_bTagOperationRunning) {
        m_bDeviceGoneInOperation = true;
        platform::WakePump();  // no answer is coming: the wait ends now
        return 0;
    }
    // The notice may come from a port that was closed since, or closed and opened again.
    if (m_comm.m_bConnected == 0 || !m_comm.m_hComm.DeviceGone()) {
        return 0;
    }
    ClosePort();
    platform::ShowMessage(DescribeDeviceGone(m_strPortName) +
                          "\nThe port is closed; press OPEN once the device is back.");
    return 1;
}

// The program is told to quit from outside (logout, Ctrl+C, a stop request): the port goes first,
// so that its exclusivity ends with us and the next copy of the program can have it.
void CMirovanDlg::OnEndSession(bool bEnding) {
    if (!bEnding) {
        return;
    }
    // An operation under way ends at its next step, as when the window is closed.
    m_bCloseRequested = true;
    platform::WakePump();
    if (m_comm.m_bConnected != 0) {
        ClosePort();
    }
}
