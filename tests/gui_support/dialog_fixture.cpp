#include "dialog_fixture.h"

#include <QApplication>
#include <QTimer>

#include <array>
#include <fstream>
#include <sstream>

#include "res/resource.h"
#include "tag/received_text.h"

namespace testsupport {
namespace {
constexpr std::array<int, 7> kTagGroup{IDC_EDIT_HOMEPAGE, IDC_EDIT_TABLE_INFO, IDC_BTN_READ,
                                       IDC_BTN_START_TAG, IDC_BTN_CANCEL_TAG,  IDC_BTN_WRITE,
                                       IDC_CHK_LOCK};
}

void DialogTest::SetUp() {
    m_config = std::make_unique<TempConfigHome>();
    m_previousDir = std::filesystem::current_path();
    m_workDir = m_config->Path() / "work";
    std::filesystem::create_directories(m_workDir);
    std::filesystem::current_path(m_workDir);
    m_boxes = std::make_unique<RecordingMessageBox>();
    m_tones = std::make_unique<RecordingTones>();
    // The answer text outlives every dialog. A capacity that an earlier test's flood left behind
    // would make the first operation here give the text up at its end, as after a flood of its own.
    std::string().swap(g_strReceived);
    m_dlg = std::make_unique<CMirovanDlg>();
    m_dlg->Create();
    QApplication::processEvents();
}

void DialogTest::TearDown() {
    m_dlg.reset();
    m_reader.reset();
    m_tones.reset();
    m_boxes.reset();
    std::filesystem::current_path(m_previousDir);
    m_config.reset();
}

sim::SimTagReader& DialogTest::StartReader(const std::string& portName) {
    m_reader.reset();
    sim::SimTagReader::Options options;
    options.portName = portName;
    m_reader = std::make_unique<sim::SimTagReader>(std::move(options));
    return *m_reader;
}

QWidget* DialogTest::Item(int id) const {
    return platform::qt::DlgItem(*m_dlg, id);
}

void DialogTest::Click(int id) {
    ButtonItem(id)->click();
}

void DialogTest::OpenPort(int portIndex) {
    Combo(IDC_COMBO_PORT)->setCurrentIndex(portIndex);
    Click(IDC_BTN_OPEN);
}

std::string DialogTest::StatusText() const {
    return Edit(IDC_EDIT_STATUS)->text().toStdString();
}

bool DialogTest::TagControlsEnabled() const {
    for (int id : kTagGroup) {
        if (!Item(id)->isEnabled()) {
            return false;
        }
    }
    return true;
}

bool DialogTest::TagControlsDisabled() const {
    for (int id : kTagGroup) {
        if (Item(id)->isEnabled()) {
            return false;
        }
    }
    return true;
}

void DialogTest::SetFields(const std::string& homepage, const std::string& tableInfo, bool lock) {
    Edit(IDC_EDIT_HOMEPAGE)->setText(QString::fromStdString(homepage));
    Edit(IDC_EDIT_TABLE_INFO)->setText(QString::fromStdString(tableInfo));
    qobject_cast<QCheckBox*>(Item(IDC_CHK_LOCK))->setChecked(lock);
}

std::vector<std::string> DialogTest::FrameBytes() const {
    std::vector<std::string> frames;
    for (const auto& frame : m_reader->Frames()) {
        frames.push_back(frame.bytes);
    }
    return frames;
}

std::string DialogTest::PortInfo() const {
    std::ifstream in(m_workDir / "port_info.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void OpenPortDialogTest::SetUp() {
    DialogTest::SetUp();
    StartReader("COM1");
    OpenPort(0);
    ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1);
    g_strReceived.clear();
}

void OpenPortDialogTest::During(std::chrono::milliseconds delay, std::function<void()> action) {
    QTimer::singleShot(delay, &Window(), std::move(action));
}

}  // namespace testsupport
