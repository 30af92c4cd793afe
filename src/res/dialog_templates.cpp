#include "res/dialog_templates.h"

#include <algorithm>

#include "platform/gui/window_styles.h"
#include "res/resource.h"

namespace res {
namespace {

// The framework's types and style bits, written as the Windows resource set writes them.
using namespace platform;
using enum ControlClass;

constexpr std::uint32_t kHidden = WS_CHILD;
constexpr std::uint32_t kShown = WS_CHILD | WS_VISIBLE;
constexpr std::uint32_t kDropList = CBS_DROPDOWNLIST | WS_VSCROLL;

// clang-format off
constexpr ControlTemplate kMainControls[] = {
    {IDC_BTN_OPEN,        Button,   "OPEN",       kShown | BS_PUSHBUTTON | BS_BITMAP,                   209, 47, 36, 14, 0},
    {IDC_COMBO_PORT,      ComboBox, "",           kShown | kDropList,                                   146, 48, 59, 119, 0},
    {IDC_BTN_CLOSE,       Button,   "CLOSE",      kShown | BS_PUSHBUTTON | BS_BITMAP,                   248, 47, 36, 14, 0},
    {IDC_EDIT_HOMEPAGE,   Edit,     "",           kShown | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,     100, 79, 144, 12, 0},
    {IDC_CHK_LOCK,        Button,   "LOCK",       kShown | BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_TABSTOP,  253, 80, 29, 10, 0},
    {IDC_EDIT_TABLE_INFO, Edit,     "",           kShown | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,     100, 99, 184, 12, 0},
    {IDC_BTN_READ,        Button,   "READ",       kShown | BS_PUSHBUTTON | BS_BITMAP,                   27, 133, 56, 22, 0},
    {IDC_BTN_START_TAG,   Button,   "START TAG",  kShown | BS_PUSHBUTTON | BS_BITMAP,                   88, 133, 56, 22, 0},
    {IDC_BTN_CANCEL_TAG,  Button,   "CANCEL TAG", kShown | BS_PUSHBUTTON | BS_BITMAP,                   150, 133, 56, 22, 0},
    {IDC_BTN_WRITE,       Button,   "WRITE",      kShown | BS_PUSHBUTTON | BS_BITMAP,                   211, 133, 56, 22, 0},
    {IDOK,                Button,   "Exit",       kHidden | BS_PUSHBUTTON | WS_TABSTOP,                 87, 45, 6, 16, 0},
    {IDC_COMBO_BAUD,      ComboBox, "",           kHidden | kDropList,                                  82, 47, 16, 110, 0},
    {IDC_COMBO_DATABITS,  ComboBox, "",           kHidden | kDropList,                                  82, 47, 16, 112, 0},
    {IDC_COMBO_STOPBITS,  ComboBox, "",           kHidden | kDropList,                                  82, 48, 16, 96, 0},
    {IDC_COMBO_PARITY,    ComboBox, "",           kHidden | kDropList,                                  82, 47, 16, 103, 0},
    {IDC_EDIT_SPARE1,     Edit,     "",           kHidden | ES_READONLY,                                84, 48, 6, 12, 0},
    {IDC_STATIC,          Static,   "COM PORT",   kShown | SS_LEFT | WS_GROUP,                          105, 51, 39, 8, 0},
    {IDC_EDIT_SPARE2,     Edit,     "",           kHidden | WS_BORDER | ES_AUTOHSCROLL,                 85, 48, 6, 12, 0},
    {IDC_EDIT_STATUS,     Edit,     "",           kHidden | ES_READONLY | ES_AUTOHSCROLL,               84, 49, 6, 12, 0},
    {IDC_STATIC_LAMP,     Static,   "",           kHidden | SS_BITMAP,                                  84, 49, 10, 7, IDB_LAMP_OFF},
    {IDC_STATIC,          Static,   "",           kShown | SS_BITMAP,                                   6, 6, 283, 33, IDB_BANNER},
    {IDC_STATIC,          Static,   "",           kShown | SS_BITMAP,                                   9, 69, 277, 1, IDB_SEPARATOR},
    {IDC_STATIC,          Static,   kHomepageLabel, kShown | SS_LEFT | WS_GROUP,                        13, 80, 84, 8, 0},
    {IDC_STATIC,          Static,   kTableInfoLabel, kShown | SS_LEFT | WS_GROUP,                       54, 101, 39, 8, 0},
    {IDC_STATIC,          Static,   "",           kShown | SS_BITMAP,                                   9, 120, 277, 1, IDB_SEPARATOR},
};

constexpr std::string_view kPortEntries[] = {
    "COM1",  "COM2",  "COM3",  "COM4",  "COM5",  "COM6",  "COM7",  "COM8",  "COM9",  "COM10",
    "COM11", "COM12", "COM13", "COM14", "COM15", "COM16", "COM17", "COM18", "COM19", "COM20",
    "COM21", "COM22", "COM23", "COM24", "COM25", "COM26", "COM27", "COM28", "COM29", "COM30",
    "COM31", "COM32", "COM33", "COM34", "COM35", "COM36", "COM37", "COM38", "COM39", "COM40",
    "COM41", "COM42", "COM43", "COM44", "COM45", "COM46", "COM47", "COM48", "COM49", "COM50",
};
// clang-format on
constexpr std::string_view kBaudEntries[] = {"2400",  "4800",  "9600",  "14400",
                                             "19200", "38400", "57600", "115200"};
constexpr std::string_view kDataBitsEntries[] = {"5 bit", "6 bit", "7 bit", "8 bit"};
constexpr std::string_view kStopBitsEntries[] = {"2", "1"};
constexpr std::string_view kParityEntries[] = {"even", "odd", "none"};

constexpr ListData kMainLists[] = {
    {IDC_COMBO_PORT, kPortEntries},         {IDC_COMBO_BAUD, kBaudEntries},
    {IDC_COMBO_DATABITS, kDataBitsEntries}, {IDC_COMBO_STOPBITS, kStopBitsEntries},
    {IDC_COMBO_PARITY, kParityEntries},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, Static, "Velmora " VELMORA_VERSION " (C) Brelix",
     kShown | SS_LEFT | SS_NOPREFIX | WS_GROUP, 23, 24, 121, 8, 0},
    {IDOK, Button, "OK", kShown | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 162, 18, 50, 19, 0},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_MAIN,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
     WS_EX_APPWINDOW, 0, 0, 295, 166, "MS Shell Dlg", 9, 400,
     "::: Brelix - Velmora 2.0  :::", kMainControls, kMainLists},
    {IDD_ABOUTBOX,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     0,
     0,
     0,
     235,
     55,
     "\xEA\xB5\xB4\xEB\xA6\xBC" /* Gulim */,
     9,
     0,
     "  Velmora INFO.",
     kAboutControls,
     {}},
};

struct StringEntry {
    int id;
    std::string_view text;
};
constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, "Velmora Info(&A)..."},
};

}  // namespace

const platform::DialogTemplate* FindDialogTemplate(int id) {
    const auto* found = std::ranges::find(kDialogs, id, &DialogTemplate::id);
    return found == std::end(kDialogs) ? nullptr : found;
}

std::string_view LoadString(int id) {
    const auto* found = std::ranges::find(kStrings, id, &StringEntry::id);
    return found == std::end(kStrings) ? std::string_view{} : found->text;
}

}  // namespace res
