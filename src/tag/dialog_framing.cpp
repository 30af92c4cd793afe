// Frames out, answer in: the lowest layer of the conversation with the tag device.

#include <algorithm>

#include "platform/event_pump.h"
#include "tag/hex_text.h"
#include "tag/received_text.h"
#include "ui/mirovan_dlg.h"

namespace {
constexpr std::size_t kHexPiece = 8;
}

void CMirovanDlg::SendHexBytes(const std::string& text) {
    const std::vector<std::uint8_t> bytes = tag::HexTextToBytes(text);
    for (std::size_t offset = 0; offset < bytes.size(); offset += kHexPiece) {
        const std::size_t piece = std::min(kHexPiece, bytes.size() - offset);
        m_comm.WriteComm(bytes.data() + offset, static_cast<std::int32_t>(piece));
    }
}

void CMirovanDlg::SendFrame(const std::string& payload) {
    SendHexBytes("01");
    m_comm.WriteComm(payload.data(), static_cast<std::int32_t>(payload.size()));
    SendHexBytes("04");
}

void CMirovanDlg::WaitPumping(std::uint32_t ms) {
    const std::uint32_t start = platform::TickCount();
    platform::PumpEventsUntil(start, ms);
}

std::intptr_t CMirovanDlg::OnRxNotify(std::uintptr_t, std::intptr_t) {
    // Only the count seen on entry: bytes that arrive meanwhile come with the next notification.
    const std::int32_t count = m_comm.m_rxQueue.GetCount();
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t byte = 0;
        m_comm.m_rxQueue.GetByte(&byte);
        g_strReceived.push_back(static_cast<char>(byte));
    }
    return 1;
}
