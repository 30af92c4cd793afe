// The real main dialog of the Windows build, in-process under Wine, against the simulated tag
// reader that serial-channel.sh serves on COM7 and whose log of frames it compares afterwards with
// dialog.frames, and against the reader on COM9 that the suite unplugs and plugs in again. The test
// is the operator: it picks a list entry, clicks with BM_CLICK and reads the boxes with
// GetDlgItemTextW, while a second thread reads and closes the real message boxes.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "gui_support/recording_tones.h"
#include "platform/gui/event_pump.h"
#include "platform/gui/win32/native.h"
#include "platform/gui/window_services.h"
#include "platform/serial_device.h"
#include "platform/windows/wire_text.h"
#include "res/resource.h"
#include "support/wait_until.h"
#include "ui/mirovan_dlg.h"

// After our own headers: its macros would rewrite their names.
#include "platform/windows/unique_handle.h"
#include "platform/windows/win32_api.h"

namespace {

using namespace std::chrono_literals;

std::wstring Text(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A message box as the operator saw it.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
    HWND owner;
    bool exclamation;
};

// Answers every message box of the window's thread with OK, after noting what it showed.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(DWORD windowThread)
        : m_thread([this, windowThread](std::stop_token stop) { Run(stop, windowThread); }) {}

    std::vector<SeenBox> Seen() {
        std::lock_guard guard(m_lock);
        return m_seen;
    }

  private:
    void Run(const std::stop_token& stop, DWORD windowThread) {
        while (!stop.stop_requested()) {
            EnumThreadWindows(windowThread, &BoxAnswerer::Visit, reinterpret_cast<LPARAM>(this));
            std::this_thread::sleep_for(5ms);
        }
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        auto& answerer = *reinterpret_cast<BoxAnswerer*>(self);
        // A box's text is its static 0xFFFF; the program's own dialogs have none.
        HWND text = GetDlgItem(window, 0xFFFF);
        if (!IsWindowVisible(window) || text == nullptr) {
            return TRUE;
        }
        bool exclamation = false;
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            exclamation = exclamation ||
                          icon == LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_EXCLAMATION));
        }
        {
            std::lock_guard guard(answerer.m_lock);
            answerer.m_seen.push_back(
                {Text(window), Text(text), GetWindow(window, GW_OWNER), exclamation});
        }
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        // Gone before the next look, so that no box is counted twice.
        for (int i = 0; i < 1000 && IsWindow(window) && IsWindowVisible(window); ++i) {
            std::this_thread::sleep_for(1ms);
        }
        return TRUE;
    }

    std::mutex m_lock;
    std::vector<SeenBox> m_seen;
    std::jthread m_thread;
};

// The reader on COM9, told what to do through the FIFOs that serial-channel.sh names in
// VELMORA_REPLUG_CONTROL (the commands are in host/replug_reader.cpp).
class ReplugReader {
  public:
    ReplugReader()
        : m_commands(Open("commands", GENERIC_WRITE)), m_answers(Open("answers", GENERIC_READ)) {}

    // True once the reader has carried the command out.
    bool Run(std::string_view command) {
        const std::string line = std::string(command) + "\n";
        DWORD n = 0;
        if (!WriteFile(m_commands.get(), line.data(), static_cast<DWORD>(line.size()), &n,
                       nullptr)) {
            return false;
        }
        std::string answer;
        char c = 0;
        while (ReadFile(m_answers.get(), &c, 1, &n, nullptr) && n == 1 && c != '\n') {
            answer += c;
        }
        return answer == "done";
    }

  private:
    static HANDLE Open(const char* name, DWORD access) {
        const char* folder = std::getenv("VELMORA_REPLUG_CONTROL");
        const std::string path = std::string(folder != nullptr ? folder : ".") + "/" + name;
        return CreateFileA(path.c_str(), access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    platform::win32::UniqueHandle m_commands;
    platform::win32::UniqueHandle m_answers;
};

class Win32MainDialog : public ::testing::Test {
  protected:
    Win32MainDialog() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        m_dlg.Create();
    }

    HWND Item(int id) const { return GetDlgItem(platform::win32::Window(m_dlg), id); }
    std::wstring ItemText(int id) const {
        wchar_t buffer[256] = {};
        GetDlgItemTextW(platform::win32::Window(m_dlg), id, buffer, 256);
        return buffer;
    }
    void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
    bool TagControlsEnabled() const {
        for (int id : {IDC_EDIT_HOMEPAGE, IDC_EDIT_TABLE_INFO, IDC_BTN_READ, IDC_BTN_START_TAG,
                       IDC_BTN_CANCEL_TAG, IDC_BTN_WRITE, IDC_CHK_LOCK}) {
            if (!IsWindowEnabled(Item(id))) {
                return false;
            }
        }
        return true;
    }
    void OpenCom(int number) {
        SendMessageW(Item(IDC_COMBO_PORT), CB_SETCURSEL, number - 1, 0);
        Click(IDC_BTN_OPEN);
        ASSERT_EQ(m_dlg.m_comm.m_bConnected.load(), 1) << m_dlg.m_comm.m_openError.text;
    }
    void OpenCom7() { OpenCom(7); }

    platform::WindowServices m_services;
    testsupport::RecordingTones m_tones;
    CMirovanDlg m_dlg;
};

TEST_F(Win32MainDialog, OpensReadsWritesAndReadsBackOnCom7) {
    BoxAnswerer boxes(GetCurrentThreadId());
    EXPECT_FALSE(TagControlsEnabled());

    OpenCom7();
    EXPECT_EQ(ItemText(IDC_EDIT_STATUS), L"COM7,57600,8,2,0 Connect");
    EXPECT_TRUE(TagControlsEnabled());
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_COMBO_PORT)));
    using Tone = testsupport::RecordingTones::Tone;
    EXPECT_EQ(m_tones.Take(), (std::vector<Tone>{{400, 100}, {500, 100}, {550, 100}, {800, 100}}));

    Click(IDC_BTN_READ);
    EXPECT_EQ(ItemText(IDC_EDIT_HOMEPAGE), L"start.example");
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"DELETE");

    // START TAG fills TABLE INFO and empties HOMEPAGE; the operator then types the address.
    Click(IDC_BTN_START_TAG);
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"START");
    EXPECT_EQ(ItemText(IDC_EDIT_HOMEPAGE), L"");
    SetDlgItemTextW(platform::win32::Window(m_dlg), IDC_EDIT_HOMEPAGE, L"http://example.org/tag");
    Click(IDC_BTN_WRITE);
    const std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"HOMEPAGE WRITE SUCCESS.");
    EXPECT_EQ(seen[1].text, L"TABLE INFO WRITE SUCCESS.");
    for (const SeenBox& box : seen) {
        EXPECT_EQ(box.caption, L"dialog_tests");
        EXPECT_EQ(box.owner, platform::win32::Window(m_dlg));
        EXPECT_TRUE(box.exclamation);
    }

    Click(IDC_BTN_READ);
    EXPECT_EQ(ItemText(IDC_EDIT_HOMEPAGE), L"example.org/tag");
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"START");

    Click(IDC_BTN_CLOSE);
    EXPECT_EQ(m_dlg.m_comm.m_bConnected.load(), 0);
    EXPECT_EQ(ItemText(IDC_EDIT_STATUS), L"COM7,57600,8,2,0 ConnectClose Port COM7 !!");
    EXPECT_FALSE(TagControlsEnabled());
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_COMBO_PORT)));
}

TEST_F(Win32MainDialog, OpenOfAMissingPortSaysWhyInABox) {
    BoxAnswerer boxes(GetCurrentThreadId());
    SendMessageW(Item(IDC_COMBO_PORT), CB_SETCURSEL, 49, 0);
    Click(IDC_BTN_OPEN);
    EXPECT_EQ(m_dlg.m_comm.m_bConnected.load(), 0);
    EXPECT_EQ(ItemText(IDC_EDIT_STATUS), L"Port Open Error - COM50 !!");
    using Tone = testsupport::RecordingTones::Tone;
    EXPECT_EQ(m_tones.Take(), (std::vector<Tone>{{550, 500}}));
    const std::vector<SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].text.find(L"COM50"), std::wstring::npos);
    EXPECT_NE(seen[0].text.find(L"is not connected to a device"), std::wstring::npos);
    EXPECT_FALSE(TagControlsEnabled());
}

// The device hangs up inside a READ's wait or between operations: as on Linux, the READ ends at
// once, the port closes as CLOSE closes it and one box says why; the watch thread sleeps until the
// close instead of spinning, and OPEN works again once the device is back.
TEST_F(Win32MainDialog, AVanishedDeviceClosesThePortSaysSoAndOpenRecovers) {
    BoxAnswerer boxes(GetCurrentThreadId());
    ReplugReader reader;
    for (const bool duringRead : {true, false}) {
        SCOPED_TRACE(duringRead ? "during a READ's wait" : "while idle");
        OpenCom(9);
        const std::wstring status = ItemText(IDC_EDIT_STATUS);
        const std::size_t seen = boxes.Seen().size();
        const std::uint64_t wakeups = platform::SerialCalls().waitWakeups;
        if (duringRead) {
            ASSERT_TRUE(reader.Run("hang-up-at-next-frame"));
            const auto start = std::chrono::steady_clock::now();
            Click(IDC_BTN_READ);
            // Well inside the second that a silent device is waited for.
            EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
            EXPECT_EQ(ItemText(IDC_EDIT_HOMEPAGE), L"");
            EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"");
        } else {
            ASSERT_TRUE(reader.Run("hang-up"));
            EXPECT_TRUE(testsupport::WaitUntil([&] {
                platform::PumpPendingEvents();
                return m_dlg.m_comm.m_bConnected.load() == 0;
            }));
        }
        EXPECT_FALSE(m_dlg.m_comm.m_hComm.IsOpen());
        EXPECT_EQ(ItemText(IDC_EDIT_STATUS), status + L"Close Port COM9 !!");
        const std::vector<SeenBox> shown = boxes.Seen();
        ASSERT_EQ(shown.size(), seen + 1);
        EXPECT_EQ(shown.back().text,
                  L"The device on COM9 is gone (unplugged or hung up).\nThe port is closed; "
                  L"press OPEN once the device is back.");
        EXPECT_EQ(shown.back().owner, platform::win32::Window(m_dlg));
        EXPECT_TRUE(IsWindowEnabled(Item(IDC_COMBO_PORT)));
        EXPECT_FALSE(IsWindowEnabled(Item(IDC_BTN_READ)));
        EXPECT_FALSE(TagControlsEnabled());
        // Woken for the hang-up and for the close; a spinning thread would count thousands.
        EXPECT_LE(platform::SerialCalls().waitWakeups - wakeups, 8u);
        EXPECT_EQ(m_dlg.m_comm.m_nWatchExitCode.load(), 1);
        // A late notice changes nothing more.
        platform::PumpPendingEvents();
        EXPECT_EQ(boxes.Seen().size(), seen + 1);

        ASSERT_TRUE(reader.Run("plug-in back.example T3"));
        OpenCom(9);
        Click(IDC_BTN_READ);
        EXPECT_EQ(ItemText(IDC_EDIT_HOMEPAGE), L"back.example");
        EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"T3");
        Click(IDC_BTN_CLOSE);
    }
}

TEST_F(Win32MainDialog, WindowShellIsTheRealOne) {
    // The images came from the executable's resources.
    for (int id : {IDC_BTN_OPEN, IDC_BTN_CLOSE, IDC_BTN_READ, IDC_BTN_START_TAG, IDC_BTN_CANCEL_TAG,
                   IDC_BTN_WRITE}) {
        EXPECT_NE(SendMessageW(Item(id), BM_GETIMAGE, IMAGE_BITMAP, 0), 0) << id;
        EXPECT_FALSE(Text(Item(id)).empty()) << "a screen reader's name for " << id;
    }
    HMENU menu = GetSystemMenu(platform::win32::Window(m_dlg), FALSE);
    const int last = GetMenuItemCount(menu) - 1;
    wchar_t item[64] = {};
    GetMenuStringW(menu, last, item, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(item), L"Velmora Info(&A)...");
    EXPECT_EQ(GetMenuItemID(menu, last), static_cast<UINT>(IDM_ABOUTBOX));

    const auto dragIcon = SendMessageW(platform::win32::Window(m_dlg), WM_QUERYDRAGICON, 0, 0);
    EXPECT_NE(dragIcon, 0);
    EXPECT_EQ(dragIcon, SendMessageW(platform::win32::Window(m_dlg), WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(Text(platform::win32::Window(m_dlg)), L"::: Brelix - Velmora 2.0  :::");
    EXPECT_EQ(SendMessageW(Item(IDC_COMBO_PORT), CB_GETCOUNT, 0, 0), 50);

    // Escape and Enter go nowhere; the close box ends the dialog with Cancel.
    SetFocus(Item(IDC_EDIT_HOMEPAGE));
    for (WPARAM key : {platform::VK_ESCAPE, platform::VK_RETURN}) {
        MSG message{Item(IDC_EDIT_HOMEPAGE), platform::WM_KEYDOWN, key, 0, 0, {}};
        platform::win32::RouteMessage(message);
        EXPECT_FALSE(m_dlg.Ended());
    }
    SendMessageW(platform::win32::Window(m_dlg), WM_SYSCOMMAND, platform::SC_CLOSE, 0);
    EXPECT_TRUE(m_dlg.Ended());
    EXPECT_EQ(m_dlg.Result(), IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(platform::win32::Window(m_dlg)));
}

// Typing one character at a time, as the keyboard would.
void Type(HWND edit, std::wstring_view text) {
    for (wchar_t unit : text) {
        SendMessageW(edit, WM_CHAR, unit, 0);
    }
}

TEST_F(Win32MainDialog, EditBoxesTakeWhatTheTagHoldsAndNothingElse) {
    OpenCom7();
    HWND tableInfo = Item(IDC_EDIT_TABLE_INFO);
    Type(tableInfo, L"TABLE\x02\x04-1234567890");
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"TABLE-123456");
    // What an input method hands over obeys the same limit (it may come back as a posted WM_CHAR).
    SendMessageW(tableInfo, WM_IME_CHAR, L'Z', 0);
    platform::PumpPendingEvents();
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"TABLE-123456");
    SendMessageW(tableInfo, WM_CHAR, 0x08, 0);
    SendMessageW(tableInfo, WM_IME_CHAR, L'Z', 0);
    platform::PumpPendingEvents();
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"TABLE-12345Z");

    // A paste inserts what fits, without the frame's bytes; the program's own text goes in whole.
    SetDlgItemTextW(platform::win32::Window(m_dlg), IDC_EDIT_TABLE_INFO, L"");
    const std::wstring pasted =
        L"AB\x04"
        L"CDEFGHIJKLMNOP";
    ASSERT_TRUE(OpenClipboard(platform::win32::Window(m_dlg)));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    std::copy_n(pasted.c_str(), pasted.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    SendMessageW(tableInfo, WM_PASTE, 0, 0);
    EXPECT_EQ(ItemText(IDC_EDIT_TABLE_INFO), L"ABCDEFGHIJKL");

    // Bytes that the code page has no character for survive the round trip through the box.
    std::string bytes;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        bytes += static_cast<char>(byte);
    }
    EXPECT_EQ(platform::win32::ToWire(platform::win32::FromWire(bytes)), bytes);
    m_dlg.m_strHomepage = bytes.substr(0, 60);
    m_dlg.UpdateData(false);
    m_dlg.m_strHomepage.clear();
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_strHomepage, bytes.substr(0, 60));
}

}  // namespace
