// A Velmora.exe that is already running, driven from outside as the operator would: the installed
// program, not one linked into the test. It finds the window by its caption, picks COM7 (where
// serial-channel.sh serves the simulated reader, whose frames it compares with dialog.frames),
// clicks OPEN, READ, START TAG, WRITE and READ again, answers the two message boxes, and closes
// the window. Everything crosses the process boundary as messages: the text of another process's
// controls only through WM_GETTEXT and WM_SETTEXT, which the system copies across.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/gui/window_messages.h"
#include "res/resource.h"
#include "support/wait_until.h"

// After our own headers: its macros would rewrite their names.
#include "platform/windows/win32_api.h"

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kCaption[] = L"::: Brelix - Velmora 2.0  :::";

std::wstring TextOf(HWND window) {
    wchar_t buffer[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 5000,
                        &copied);
    return buffer;
}

// A message box the window's thread shows, as the operator saw it.
struct Box {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    // A box's text is its static 0xFFFF; the program's own dialogs have none.
    HWND text = GetDlgItem(window, 0xFFFF);
    if (!IsWindowVisible(window) || text == nullptr) {
        return TRUE;
    }
    *reinterpret_cast<Box*>(found) = {window, TextOf(window), TextOf(text),
                                      GetWindow(window, GW_OWNER)};
    return FALSE;
}

class RunningWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testsupport::WaitUntil(
            [this] {
                m_dialog = FindWindowW(nullptr, kCaption);
                return m_dialog != nullptr && IsWindowVisible(m_dialog);
            },
            60s))
            << "no window captioned " << testing::PrintToString(std::wstring(kCaption));
        m_thread = GetWindowThreadProcessId(m_dialog, nullptr);
    }

    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }
    std::wstring ItemText(int id) const { return TextOf(Item(id)); }
    void Click(int id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }

    // The next message box, closed with OK once read.
    Box AnswerBox() const {
        Box box;
        testsupport::WaitUntil(
            [&] {
                EnumThreadWindows(m_thread, &FindBox, reinterpret_cast<LPARAM>(&box));
                return box.window != nullptr;
            },
            10s);
        if (box.window != nullptr) {
            PostMessageW(box.window, WM_COMMAND, IDOK, 0);
            testsupport::WaitUntil([&] { return !IsWindowVisible(box.window); }, 10s);
        }
        return box;
    }

    HWND m_dialog = nullptr;
    DWORD m_thread = 0;
};

TEST_F(RunningWindow, OpensReadsWritesReadsBackAndCloses) {
    SendMessageW(Item(IDC_COMBO_PORT), CB_SETCURSEL, 6, 0);
    Click(IDC_BTN_OPEN);
    ASSERT_EQ(ItemText(IDC_EDIT_STATUS), L"COM7,57600,8,2,0 Connect");

    Click(IDC_BTN_READ);
    EXPECT_EQ(ItemText(IDC_EDIT_HOMEPAGE), L"start.example");
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"DELETE");

    Click(IDC_BTN_START_TAG);
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"START");
    SendMessageW(Item(IDC_EDIT_HOMEPAGE), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"http://example.org/tag"));
    // Posted: the click returns only once its boxes are answered, and this thread answers them.
    PostMessageW(Item(IDC_BTN_WRITE), BM_CLICK, 0, 0);
    for (const wchar_t* said : {L"HOMEPAGE WRITE SUCCESS.", L"TABLE INFO WRITE SUCCESS."}) {
        const Box box = AnswerBox();
        ASSERT_NE(box.window, nullptr) << "no box saying " << testing::PrintToString(said);
        EXPECT_EQ(box.text, said);
        EXPECT_EQ(box.caption, L"Velmora");
        EXPECT_EQ(box.owner, m_dialog);
    }

    Click(IDC_BTN_READ);
    EXPECT_EQ(ItemText(IDC_EDIT_HOMEPAGE), L"example.org/tag");
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"START");

    Click(IDC_BTN_CLOSE);
    EXPECT_EQ(ItemText(IDC_EDIT_STATUS), L"COM7,57600,8,2,0 ConnectClose Port COM7 !!");

    // The close box; the program then ends (its caller checks how).
    PostMessageW(m_dialog, WM_SYSCOMMAND, platform::SC_CLOSE, 0);
    EXPECT_TRUE(testsupport::WaitUntil([this] { return !IsWindow(m_dialog); }, 10s));
}

}  // namespace
