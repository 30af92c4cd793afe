// Frames out, answer in: the lowest layer of the conversation with the tag device.

#include "platform/gui/event_pump.h"
#include "tag/commands.h"
#include "tag/received_text.h"
#include "ui/mirovan_dlg.h"

bool CMirovanDlg::SendFrame(std::string_view payload) {
    return tag::SendFrame(
        [this](const void* data, std::int32_t count) { return m_comm.WriteComm(data, count); },
        payload);
}

void CMirovanDlg::WaitPumping(std::uint32_t ms) {
    const std::uint32_t start = platform::TickCount();
    ++m_nAnswerWaits;
    platform::PumpEventsUntil(start, ms,
                              [this] { return m_bCloseRequested || m_bDeviceGoneInOperation; });
    --m_nAnswerWaits;
}

std::intptr_t CMirovanDlg::OnRxNotify(std::uintptr_t, std::intptr_t) {
    // Bytes that come while no operation runs belong to no exchange, and every exchange empties
    // the text before it sends: keeping them would only let a device that never stops talking
    // grow it without end.
    if (m_bTagOperationRunning || m_nAnswerWaits > 0) {
        AppendWaitingBytes(m_comm.m_rxQueue, g_strReceived);
    } else {
        std::string dropped;
        AppendWaitingBytes(m_comm.m_rxQueue, dropped);
    }
    return 1;
}
