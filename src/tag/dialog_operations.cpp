// READ, WRITE and the two presets: the tag buttons of the main dialog.

#include "platform/message_box.h"
#include "tag/answers.h"
#include "tag/commands.h"
#include "tag/exchange.h"
#include "tag/received_text.h"
#include "tag/write_sequence.h"
#include "ui/mirovan_dlg.h"

bool CMirovanDlg::Exchange(std::string_view payload) {
    return tag::Exchange([this](std::string_view frame) { return SendFrame(frame); }, payload,
                         m_comm.m_bConnected != 0, [this](std::uint32_t ms) { WaitPumping(ms); });
}

bool CMirovanDlg::WriteItem(std::string_view payload) {
    g_strReceived.clear();
    return Exchange(payload) && tag::IsWriteSuccess(g_strReceived);
}

void CMirovanDlg::FollowPortState() {
    SetTagControlsEnabled(m_comm.m_bConnected != 0);
}

void CMirovanDlg::BeginOperation() {
    m_bTagOperationRunning = true;
    SetTagControlsEnabled(false);
}

void CMirovanDlg::EndOperation() {
    m_bTagOperationRunning = false;
    // A flood during the operation grows the answer text to megabytes, and emptying a string
    // keeps its capacity: the next operation would empty it again, so give the memory back now
    // rather than hold it for the rest of the session.
    if (g_strReceived.capacity() > tag::kAnswerCapacityKept) {
        std::string().swap(g_strReceived);
    }
    if (m_bCloseRequested) {
        if (m_comm.m_bConnected != 0) {
            m_comm.Close();
        }
        EndDialog(platform::kIdCancel);
        return;
    }
    FollowPortState();
}

void CMirovanDlg::OnBnClickedRead() {
    if (m_bTagOperationRunning) {
        return;
    }
    BeginOperation();
    UpdateData(true);
    const bool lock = m_bLock != 0;
    g_strReceived.clear();
    m_strHomepage.clear();
    m_strTableInfo.clear();
    UpdateData(false);

    // A frame cut short gets no answer, and READ shows what the answer text holds either way.
    (void)Exchange(tag::kReadPayload);

    if (!m_bCloseRequested) {
        tag::ReadAnswer answer = tag::SplitReadAnswer(g_strReceived);
        m_strHomepage = std::move(answer.homepage);
        m_strTableInfo = std::move(answer.tableInfo);
        // LOCK ends as it was when READ began, whatever a handler inside the wait read into it.
        m_bLock = lock ? 1 : 0;
        UpdateData(false);
    }
    EndOperation();
}

void CMirovanDlg::OnBnClickedWrite() {
    if (m_bTagOperationRunning) {
        return;
    }
    // A failed exchange leaves the members partly stale (a LOCK state the operator does not see
    // could lock a tag for good): send nothing the operator has not been shown.
    if (!UpdateData(true)) {
        return;
    }
    const std::vector<tag::WriteStep> steps =
        tag::WriteSequence(m_strHomepage, m_strTableInfo, m_bLock != 0);
    BeginOperation();

    if (steps.empty()) {
        platform::ShowMessage("INPUT DATA FAIL.");
    }
    for (const tag::WriteStep& step : steps) {
        if (m_bCloseRequested) {
            break;
        }
        const bool homepage = step.item == tag::TagItem::Homepage;
        if (homepage) {
            m_strHomepage = step.stored;
        }
        const bool ok = WriteItem(step.payload);
        if (!m_bCloseRequested) {
            platform::ShowMessage(
                homepage ? (ok ? "HOMEPAGE WRITE SUCCESS." : "HOMEPAGE WRITE FAIL.")
                         : (ok ? "TABLE INFO WRITE SUCCESS." : "TABLE INFO WRITE FAIL."));
        }
        g_strReceived.clear();
    }
    EndOperation();
}

void CMirovanDlg::PresetTableInfo(const char* tableInfo) {
    if (m_bTagOperationRunning) {
        return;
    }
    m_strTableInfo = tableInfo;
    m_strHomepage.clear();
    UpdateData(false);
}

void CMirovanDlg::OnBnClickedStartTag() {
    PresetTableInfo("START");
}

void CMirovanDlg::OnBnClickedCancelTag() {
    PresetTableInfo("DELETE");
}
