#include "ui/mirovan_dlg.h"

#include "platform/gui/data_exchange.h"
#include "platform/gui/event_pump.h"
#include "port/port_settings_map.h"
#include "res/dialog_templates.h"
#include "res/resource.h"
#include "ui/about_dlg.h"

using platform::DataExchange;

namespace {

// Each button's image, in the order of the bitmap slots.
struct ButtonImage {
    int bitmapId;
    int buttonId;
    platform::Button CMirovanDlg::*button;
};
constexpr std::array<ButtonImage, 6> kButtonImages{{
    {IDB_OPEN, IDC_BTN_OPEN, &CMirovanDlg::m_btnOpen},
    {IDB_CLOSE, IDC_BTN_CLOSE, &CMirovanDlg::m_btnClose},
    {IDB_TAG_READ, IDC_BTN_READ, &CMirovanDlg::m_btnRead},
    {IDB_START_TAG, IDC_BTN_START_TAG, &CMirovanDlg::m_btnStartTag},
    {IDB_CANCEL_TAG, IDC_BTN_CANCEL_TAG, &CMirovanDlg::m_btnCancelTag},
    {IDB_TAG_WRITE, IDC_BTN_WRITE, &CMirovanDlg::m_btnWrite},
}};

constexpr std::array<int, 7> kTagControls{IDC_EDIT_HOMEPAGE, IDC_EDIT_TABLE_INFO, IDC_BTN_READ,
                                          IDC_BTN_START_TAG, IDC_BTN_CANCEL_TAG,  IDC_BTN_WRITE,
                                          IDC_CHK_LOCK};

struct CommandRoute {
    int id;
    void (CMirovanDlg::*handler)();
};
constexpr std::array<CommandRoute, 6> kCommandMap{{
    {IDC_BTN_OPEN, &CMirovanDlg::OnBnClickedOpen},
    {IDC_BTN_CLOSE, &CMirovanDlg::OnBnClickedClose},
    {IDC_BTN_READ, &CMirovanDlg::OnBnClickedRead},
    {IDC_BTN_START_TAG, &CMirovanDlg::OnBnClickedStartTag},
    {IDC_BTN_CANCEL_TAG, &CMirovanDlg::OnBnClickedCancelTag},
    {IDC_BTN_WRITE, &CMirovanDlg::OnBnClickedWrite},
}};

constexpr int kIconSize = 32;

}  // namespace

CMirovanDlg::CMirovanDlg(platform::ParentWindow pParent)
    : platform::Dialog(IDD_MAIN, pParent),
      m_nBaudIndex(port::kDefaultBaudIndex),
      m_nDataBitsIndex(port::kDefaultDataBitsIndex),
      m_nPortIndex(0),
      m_nParityIndex(port::kDefaultParityIndex),
      m_nStopBitsIndex(port::kDefaultStopBitsIndex),
      m_hIcon(platform::LoadAppIcon()),
      m_bLock(0) {
    // A device that stops taking bytes must not freeze the window while a write waits for it.
    m_comm.m_onWriteWait = [] { platform::PumpPendingEvents(); };
}

// Leaving with the port open: the channel closes it and ends its thread as it goes.
CMirovanDlg::~CMirovanDlg() = default;

void CMirovanDlg::DoDataExchange(DataExchange& dx) {
    platform::DDX_Control(dx, IDC_EDIT_STATUS, m_editStatus);
    platform::DDX_Control(dx, IDC_EDIT_SPARE2, m_editSpare2);
    platform::DDX_Control(dx, IDC_EDIT_SPARE1, m_editSpare1);
    platform::DDX_Control(dx, IDC_COMBO_STOPBITS, m_comboStopBits);
    platform::DDX_Control(dx, IDC_COMBO_PARITY, m_comboParity);
    platform::DDX_Control(dx, IDC_COMBO_PORT, m_comboPort);
    platform::DDX_Control(dx, IDC_COMBO_DATABITS, m_comboDataBits);
    platform::DDX_Control(dx, IDC_COMBO_BAUD, m_comboBaud);
    platform::DDX_CBIndex(dx, IDC_COMBO_BAUD, m_nBaudIndex);
    platform::DDX_CBIndex(dx, IDC_COMBO_DATABITS, m_nDataBitsIndex);
    platform::DDX_CBIndex(dx, IDC_COMBO_PORT, m_nPortIndex);
    platform::DDX_CBIndex(dx, IDC_COMBO_PARITY, m_nParityIndex);
    platform::DDX_CBIndex(dx, IDC_COMBO_STOPBITS, m_nStopBitsIndex);
    platform::DDX_Text(dx, IDC_EDIT_SPARE2, m_strSpare2);
    platform::DDX_Text(dx, IDC_EDIT_SPARE1, m_strSpare1);
    platform::DDX_Text(dx, IDC_EDIT_STATUS, m_strStatus);
    platform::DDX_Control(dx, IDC_STATIC_LAMP, m_staticLamp);
    platform::DDX_Control(dx, IDC_BTN_OPEN, m_btnOpen);
    platform::DDX_Control(dx, IDC_BTN_CLOSE, m_btnClose);
    platform::DDX_Control(dx, IDOK, m_btnExit);
    platform::DDX_Text(dx, IDC_EDIT_HOMEPAGE, m_strHomepage);
    platform::DDV_MaxChars(dx, m_strHomepage, 60);
    platform::DDX_Text(dx, IDC_EDIT_TABLE_INFO, m_strTableInfo);
    platform::DDV_MaxChars(dx, m_strTableInfo, 12);
    platform::DDX_Control(dx, IDC_BTN_READ, m_btnRead);
    platform::DDX_Control(dx, IDC_BTN_START_TAG, m_btnStartTag);
    platform::DDX_Control(dx, IDC_BTN_CANCEL_TAG, m_btnCancelTag);
    platform::DDX_Control(dx, IDC_BTN_WRITE, m_btnWrite);
    platform::DDX_Check(dx, IDC_CHK_LOCK, m_bLock);
}

bool CMirovanDlg::OnInitDialog() {
    platform::Dialog::OnInitDialog();

    if (platform::SystemMenu* menu = GetSystemMenu(false)) {
        const std::string_view about = res::LoadString(IDS_ABOUTBOX);
        if (!about.empty()) {
            menu->AppendSeparator();
            menu->AppendItem(IDM_ABOUTBOX, std::string(about));
        }
    }

    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    for (std::size_t slot = 0; slot < kButtonImages.size(); ++slot) {
        m_bmpButtons[slot] = platform::LoadBitmap(kButtonImages[slot].bitmapId);
    }
    for (std::size_t slot = 0; slot < kButtonImages.size(); ++slot) {
        (this->*kButtonImages[slot].button).SetBitmap(m_bmpButtons[slot]);
    }

    // The labels are not the fields' buddies in the template, so a screen reader would call
    // both fields just "edit".
    SetDlgItemAccessibleName(IDC_EDIT_HOMEPAGE, res::kHomepageLabel);
    SetDlgItemAccessibleName(IDC_EDIT_TABLE_INFO, res::kTableInfoLabel);

    SetTagControlsEnabled(false);
    g_hMainWnd.store(GetSafeHwnd());
    return true;
}

void CMirovanDlg::SetTagControlsEnabled(bool bEnable) {
    for (int id : kTagControls) {
        EnableDlgItem(id, bEnable);
    }
}

void CMirovanDlg::OnSysCommand(unsigned nID, std::intptr_t lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    platform::Dialog::OnSysCommand(nID, lParam);
}

platform::Point CMirovanDlg::IconicIconOrigin(platform::Size client, platform::Size icon) {
    // Integer division truncates toward zero: a client narrower than the icon puts it at 0.
    return {(client.cx - icon.cx + 1) / 2, (client.cy - icon.cy + 1) / 2};
}

void CMirovanDlg::OnPaint() {
    if (!IsIconic()) {
        platform::Dialog::OnPaint();
        return;
    }
    platform::PaintDC dc(*this);
    dc.EraseIconBackground();
    const platform::Size icon{kIconSize, kIconSize};
    dc.DrawIcon(IconicIconOrigin(GetClientSize(), icon), m_hIcon, icon);
}

bool CMirovanDlg::PreTranslateMessage(const platform::Msg& msg) {
    // Enter and Escape would press the default button or cancel the dialog from any control.
    if (msg.message == platform::WM_KEYDOWN &&
        (msg.wParam == platform::VK_RETURN || msg.wParam == platform::VK_ESCAPE)) {
        return true;
    }
    return platform::Dialog::PreTranslateMessage(msg);
}

bool CMirovanDlg::OnCommand(int id) {
    for (const CommandRoute& route : kCommandMap) {
        if (route.id == id) {
            (this->*route.handler)();
            if (m_bDeviceGoneInOperation && !m_bTagOperationRunning) {
                m_bDeviceGoneInOperation = false;
                OnDeviceGone(0, 0);
            }
            return true;
        }
    }
    return platform::Dialog::OnCommand(id);
}

void CMirovanDlg::OnCancel() {
    if (m_bTagOperationRunning) {
        m_bCloseRequested = true;
        platform::WakePump();
        return;
    }
    platform::Dialog::OnCancel();
}

bool CMirovanDlg::OnWindowMessage(std::uint32_t message) {
    if (message == WM_RX_NOTIFY) {
        OnRxNotify(0, 0);
        return true;
    }
    if (message == WM_DEVICE_GONE) {
        OnDeviceGone(0, 0);
        return true;
    }
    if (message == platform::WM_ENDSESSION) {
        OnEndSession(true);
        return true;
    }
    return false;
}
