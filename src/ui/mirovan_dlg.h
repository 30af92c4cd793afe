#pragma once
// The program's one window: the port row, the two tag fields and the tag buttons.
//
// Every handler runs on the window's thread. The watch thread reaches this dialog only through
// the messages it posts (WM_RX_NOTIFY, WM_DEVICE_GONE) and the channel's receive queue.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "comm/comm_channel.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialog.h"
#include "platform/gui/graphics.h"

class CMirovanDlg : public platform::Dialog {
  public:
    explicit CMirovanDlg(platform::ParentWindow pParent = nullptr);
    ~CMirovanDlg() override;

    // Window shell.
    void SetTagControlsEnabled(bool bEnable);
    void OnSysCommand(unsigned nID, std::intptr_t lParam) override;
    void OnPaint() override;
    platform::Icon OnQueryDragIcon() const override { return m_hIcon; }
    // Where the icon goes in a minimised window's client area.
    static platform::Point IconicIconOrigin(platform::Size client, platform::Size icon);

    // Port connection.
    void OnBnClickedOpen();
    void OnBnClickedClose();
    void WritePortInfo(const std::string& portName, std::int32_t baudIndex,
                       std::int32_t dataBitsIndex, std::int32_t stopBitsIndex,
                       std::int32_t parityIndex);
    void AppendStatus(const std::string& text);
    std::intptr_t OnDeviceGone(std::uintptr_t wParam, std::intptr_t lParam);
    void OnEndSession(bool bEnding);

    // Tag protocol. Every exchange's frame goes out here; true when every byte of it did.
    [[nodiscard]] bool SendFrame(std::string_view payload);
    void WaitPumping(std::uint32_t ms);
    std::intptr_t OnRxNotify(std::uintptr_t wParam, std::intptr_t lParam);
    void OnBnClickedRead();
    void OnBnClickedWrite();
    void OnBnClickedStartTag();
    void OnBnClickedCancelTag();

    CCommChannel m_comm;
    // The line settings OPEN passes to the channel; these start at what the fixed lists give.
    std::int32_t m_nStopBits = 2;
    std::int32_t m_nParity = 0;
    std::int32_t m_nDataBits = 8;
    std::int32_t m_nBaudRate = 57600;
    std::string m_strPortName;
    platform::Edit m_editStatus;
    platform::Edit m_editSpare2;
    platform::Edit m_editSpare1;
    platform::ComboBox m_comboStopBits;
    platform::ComboBox m_comboParity;
    platform::ComboBox m_comboPort;
    platform::ComboBox m_comboDataBits;
    platform::ComboBox m_comboBaud;
    std::int32_t m_nBaudIndex;
    std::int32_t m_nDataBitsIndex;
    std::int32_t m_nPortIndex;
    std::int32_t m_nParityIndex;
    std::int32_t m_nStopBitsIndex;
    std::string m_strSpare2;
    std::string m_strSpare1;
    std::string m_strStatus;
    platform::Icon m_hIcon;
    platform::Static m_staticLamp;
    platform::Button m_btnOpen;
    std::array<platform::Bitmap, 8> m_bmpButtons;
    platform::Button m_btnClose;
    platform::Button m_btnExit;
    std::string m_strHomepage;
    std::string m_strTableInfo;
    platform::Button m_btnRead;
    platform::Button m_btnStartTag;
    platform::Button m_btnCancelTag;
    platform::Button m_btnWrite;
    std::int32_t m_bLock;

  protected:
    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnInitDialog() override;
    bool PreTranslateMessage(const platform::Msg& msg) override;
    bool OnCommand(int id) override;
    bool OnWindowMessage(std::uint32_t message) override;
    void OnCancel() override;

  private:
    void ReadListSelections();
    void EnableLists(bool enable);
    void ReportOpenFailure();
    // What CLOSE does to an open port: close it, say so, free the lists, lock the tag controls.
    void ClosePort();
    // The tag controls as the port leaves them: usable exactly while it is open.
    void FollowPortState();
    // START TAG and CANCEL TAG: they only fill the fields for a following WRITE.
    void PresetTableInfo(const char* tableInfo);
    // One command and its answer in g_strReceived; false when the frame did not go out whole.
    [[nodiscard]] bool Exchange(std::string_view payload);
    // One write command; true when the device answered "Success".
    [[nodiscard]] bool WriteItem(std::string_view payload);
    void BeginOperation();
    void EndOperation();

    // Set while READ or WRITE runs: the handlers that a wait dispatches must not start a second
    // tag operation, which would empty and consume the first one's answer.
    bool m_bTagOperationRunning = false;
    // The operator closed the window while an operation ran: it ends at its next step, sends
    // nothing more and shows no result, then the window ends.
    bool m_bCloseRequested = false;
    // How many answer waits run (they nest when a handler inside one starts another).
    int m_nAnswerWaits = 0;
    // The device vanished while a tag operation waited; handled once the operation has ended.
    bool m_bDeviceGoneInOperation = false;
};
