#pragma once
// Identifiers of the program's resources: dialogs, controls, images, strings and commands.
//
// The numbers are those of the Windows resource set, so a Windows build can keep sharing them with
// its resource script (resource_rc.h repeats the ones the script needs as macros; a test keeps the
// two in step).

#include <string_view>

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

inline constexpr int IDM_ABOUTBOX = 0x0010;

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDR_MAINFRAME = 142;

inline constexpr int IDB_LAMP_OFF = 146;
inline constexpr int IDB_CLOSE = 149;
inline constexpr int IDB_OPEN = 152;
inline constexpr int IDB_BANNER = 157;
inline constexpr int IDB_SEPARATOR = 158;
inline constexpr int IDB_CANCEL_TAG = 159;
inline constexpr int IDB_START_TAG = 160;
inline constexpr int IDB_TAG_READ = 161;
inline constexpr int IDB_TAG_WRITE = 162;

inline constexpr int IDC_EDIT_SPARE1 = 1001;
inline constexpr int IDC_COMBO_PORT = 1002;
inline constexpr int IDC_COMBO_BAUD = 1003;
inline constexpr int IDC_COMBO_DATABITS = 1004;
inline constexpr int IDC_COMBO_STOPBITS = 1005;
inline constexpr int IDC_COMBO_PARITY = 1006;
inline constexpr int IDC_BTN_OPEN = 1007;
inline constexpr int IDC_EDIT_STATUS = 1008;
inline constexpr int IDC_BTN_CLOSE = 1009;
inline constexpr int IDC_EDIT_SPARE2 = 1010;
inline constexpr int IDC_BTN_START_TAG = 1011;
inline constexpr int IDC_BTN_CANCEL_TAG = 1012;
inline constexpr int IDC_BTN_READ = 1013;
inline constexpr int IDC_EDIT_HOMEPAGE = 1014;
inline constexpr int IDC_EDIT_TABLE_INFO = 1015;
inline constexpr int IDC_BTN_WRITE = 1016;
inline constexpr int IDC_STATIC_LAMP = 1028;
inline constexpr int IDC_CHK_LOCK = 1046;

namespace res {

// Symbolic names by value, so that widgets and diagnostics can be named as the resources are.
// Every value above is listed once; no two entries share a value.
struct ResourceSymbol {
    int value;
    std::string_view name;
};

#define VELMORA_SYMBOL(id) \
    ResourceSymbol {       \
        id, #id            \
    }
inline constexpr ResourceSymbol kResourceSymbols[] = {
    VELMORA_SYMBOL(IDOK),
    VELMORA_SYMBOL(IDCANCEL),
    VELMORA_SYMBOL(IDC_STATIC),
    VELMORA_SYMBOL(IDM_ABOUTBOX),
    VELMORA_SYMBOL(IDD_ABOUTBOX),
    VELMORA_SYMBOL(IDS_ABOUTBOX),
    VELMORA_SYMBOL(IDD_MAIN),
    VELMORA_SYMBOL(IDR_MAINFRAME),
    VELMORA_SYMBOL(IDB_LAMP_OFF),
    VELMORA_SYMBOL(IDB_CLOSE),
    VELMORA_SYMBOL(IDB_OPEN),
    VELMORA_SYMBOL(IDB_BANNER),
    VELMORA_SYMBOL(IDB_SEPARATOR),
    VELMORA_SYMBOL(IDB_CANCEL_TAG),
    VELMORA_SYMBOL(IDB_START_TAG),
    VELMORA_SYMBOL(IDB_TAG_READ),
    VELMORA_SYMBOL(IDB_TAG_WRITE),
    VELMORA_SYMBOL(IDC_EDIT_SPARE1),
    VELMORA_SYMBOL(IDC_COMBO_PORT),
    VELMORA_SYMBOL(IDC_COMBO_BAUD),
    VELMORA_SYMBOL(IDC_COMBO_DATABITS),
    VELMORA_SYMBOL(IDC_COMBO_STOPBITS),
    VELMORA_SYMBOL(IDC_COMBO_PARITY),
    VELMORA_SYMBOL(IDC_BTN_OPEN),
    VELMORA_SYMBOL(IDC_EDIT_STATUS),
    VELMORA_SYMBOL(IDC_BTN_CLOSE),
    VELMORA_SYMBOL(IDC_EDIT_SPARE2),
    VELMORA_SYMBOL(IDC_BTN_START_TAG),
    VELMORA_SYMBOL(IDC_BTN_CANCEL_TAG),
    VELMORA_SYMBOL(IDC_BTN_READ),
    VELMORA_SYMBOL(IDC_EDIT_HOMEPAGE),
    VELMORA_SYMBOL(IDC_EDIT_TABLE_INFO),
    VELMORA_SYMBOL(IDC_BTN_WRITE),
    VELMORA_SYMBOL(IDC_STATIC_LAMP),
    VELMORA_SYMBOL(IDC_CHK_LOCK),
};
#undef VELMORA_SYMBOL

// The name of an identifier ("IDC_BTN_OPEN"), empty for a value that has none.
constexpr std::string_view ResourceSymbolName(int value) {
    for (const ResourceSymbol& symbol : kResourceSymbols) {
        if (symbol.value == value) {
            return symbol.name;
        }
    }
    return {};
}

}  // namespace res
