#pragma once
// The real main dialog, created and shown on Qt's offscreen platform, with the operator's
// message boxes and tones recorded, a fresh device map and a fresh working folder (for
// port_info.txt), and a simulated tag reader that can be put behind any COMn.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/qt/native.h"
#include "recording_tones.h"
#include "simreader/sim_tag_reader.h"
#include "support/recording_message_box.h"
#include "support/temp_config_home.h"
#include "ui/mirovan_dlg.h"

namespace testsupport {

// A command frame as it must appear on the wire.
inline std::string Frame(const std::string& payload) {
    return "\x01" + payload + "\x04";
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A simulated reader linked as `portName`; replaces the one before.
    sim::SimTagReader& StartReader(const std::string& portName = "COM1");

    QWidget* Item(int id) const;
    // The dialog's window, for what only the window system can do to it.
    QDialog& Window() const { return platform::qt::Window(*m_dlg); }
    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(Item(id)); }
    QComboBox* Combo(int id) const { return qobject_cast<QComboBox*>(Item(id)); }
    QAbstractButton* ButtonItem(int id) const { return qobject_cast<QAbstractButton*>(Item(id)); }

    // Presses a button as the operator does: nothing happens while it is disabled.
    void Click(int id);
    // Picks a port in the list, then presses OPEN.
    void OpenPort(int portIndex = 0);
    std::string StatusText() const;
    bool TagControlsEnabled() const;  // all seven, and false if any differs
    bool TagControlsDisabled() const;
    // Types into the two fields and sets LOCK, as the operator would before WRITE.
    void SetFields(const std::string& homepage, const std::string& tableInfo, bool lock = false);
    // The bytes of every frame the reader has received, in order.
    std::vector<std::string> FrameBytes() const;
    // Reads the working folder's port_info.txt; empty when it is not there.
    std::string PortInfo() const;

    std::unique_ptr<TempConfigHome> m_config;
    std::unique_ptr<RecordingMessageBox> m_boxes;
    std::unique_ptr<RecordingTones> m_tones;
    std::unique_ptr<sim::SimTagReader> m_reader;
    std::unique_ptr<CMirovanDlg> m_dlg;
    std::filesystem::path m_workDir;
    std::filesystem::path m_previousDir;
};

// The dialog with the simulated reader on COM1 and that port open, as the tag operations need it.
class OpenPortDialogTest : public DialogTest {
  protected:
    void SetUp() override;
    // Runs `action` on the window's thread once `delay` of the next operation has passed.
    void During(std::chrono::milliseconds delay, std::function<void()> action);
};

}  // namespace testsupport
