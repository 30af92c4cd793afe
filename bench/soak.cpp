// Soak: the real window through a long working day with a misbehaving device. An operator opens
// and closes the port, reads, writes either item or both, uses the presets and answers every box
// (the real ones, read for a moment first); the simulated reader floods, goes deaf, babbles,
// hangs up and comes back, answers late or in pieces, drawn from a seeded generator. Resident
// memory and heap in use are sampled every 30 s; after the first 2 minutes both must lie flat.
//
// velmora_bench soak [minutes [seed]]: 30 minutes unless told. With
// QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on a display platform with an accessibility bus
// (scripts/soak.sh --accessibility) the bridge makes accessible objects of every widget and box, as
// a screen reader's use does.
//
// The hidden status box keeps every text up to its line edit's limit (some 3 MiB of heap with
// its layout and undo steps): growth the dialog means to have, bounded by that limit. It starts
// full, as after a long day, so that the trend shows what grows beyond it; its length is sampled.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>

#include <array>
#include <map>
#include <stdexcept>

#include "gui_support/recording_tones.h"
#include "memory_trend.h"
#include "operator_hand.h"
#include "platform/gui/qt/native.h"
#include "res/resource.h"
#include "soak_device.h"
#include "tag/received_text.h"
#include "ui/mirovan_dlg.h"

namespace bench {
namespace {

using namespace std::chrono_literals;

constexpr double kDefaultMinutes = 30;
constexpr std::uint32_t kDefaultSeed = 20;
constexpr auto kSampleEvery = 30s;
constexpr double kWarmUpMinutes = 2;
// Short runs show the figures but do not judge them: a few samples make no trend.
constexpr double kJudgedFromMinutes = 10;
constexpr double kHeapTarget = 0.25;     // MiB per 10 minutes
constexpr double kResidentTarget = 1.0;  // MiB per 10 minutes

enum class Step { Open, Close, Read, WriteHomepage, WriteTableInfo, WriteBoth, Preset, Idle };
constexpr std::array<const char*, 8> kStepNames{
    "OPEN",       "CLOSE",        "READ", "WRITE homepage", "WRITE table info",
    "WRITE both", "preset+WRITE", "idle"};

bool Framed(Step step) {
    return step != Step::Open && step != Step::Close && step != Step::Idle;
}

// The offscreen platform says at every box that it cannot pass size hints on; that says nothing
// about the run and would bury its samples.
QtMessageHandler g_nextMessageHandler = nullptr;
void QuietSizeHints(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(u"propagateSizeHints")) {
        g_nextMessageHandler(type, context, message);
    }
}

// The window's events for `duration`, sleeping in the dispatcher as the program does.
void PumpFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename Enum, std::size_t N>
Enum Draw(std::mt19937& random, const std::array<int, N>& weights) {
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    return static_cast<Enum>(pick(random));
}

class SoakRun {
  public:
    SoakRun(double minutes, std::uint32_t seed)
        : m_minutes(minutes),
          m_seed(seed),
          m_random(seed),
          m_device(m_random),
          m_hand([this] { return Between(100, 700); }),
          m_trend(kWarmUpMinutes) {
        m_dlg.Create();
        QLineEdit* status = Edit(IDC_EDIT_STATUS);
        status->setText(QString(status->maxLength(), u'.'));
        platform::qt::DlgItem<QComboBox>(m_dlg, IDC_COMBO_PORT)->setCurrentIndex(0);
    }

    void Run(Table& table);

  private:
    QLineEdit* Edit(int id) { return platform::qt::DlgItem<QLineEdit>(m_dlg, id); }
    void Click(int id) { platform::qt::DlgItem<QAbstractButton>(m_dlg, id)->click(); }
    std::chrono::milliseconds Between(int fromMs, int toMs) {
        return std::chrono::milliseconds(
            std::uniform_int_distribution<int>(fromMs, toMs)(m_random));
    }
    bool Connected() const { return m_dlg.m_comm.m_bConnected.load() == 1; }
    Step DrawStep();
    void Take(Step step);
    void TypeFields(bool homepage, bool tableInfo);
    void Report(Table& table) const;

    double m_minutes;
    std::uint32_t m_seed;
    std::mt19937 m_random;
    testsupport::RecordingTones m_tones;
    CMirovanDlg m_dlg;
    SoakDevice m_device;
    OperatorHand m_hand;
    MemoryTrend m_trend;
    std::array<int, kStepNames.size()> m_steps{};
    std::array<int, kBehaviours> m_behaviours{};
    int m_comebacks = 0;
    int m_failedOpens = 0;
};

Step SoakRun::DrawStep() {
    if (!Connected()) {
        // Now and then a CLOSE on a closed port, which only says so in the status box.
        return m_random() % 20 == 0 ? Step::Close : Step::Open;
    }
    //                                  OPEN CLOSE READ  HP  TI BOTH PRESET IDLE
    static constexpr std::array<int, 8> kWeights{2, 6, 30, 14, 14, 10, 6, 8};
    return Draw<Step>(m_random, kWeights);
}

void SoakRun::TypeFields(bool homepage, bool tableInfo) {
    static constexpr std::array<const char*, 4> kHomepages{
        "www.example.com", "http://shop.example.kr/menu,2", "가게.kr/주문", "m.example.org/t/"};
    Edit(IDC_EDIT_HOMEPAGE)
        ->setText(homepage ? QString::fromUtf8(kHomepages[m_random() % kHomepages.size()]) +
                                 QString::number(m_random() % 1000)
                           : QString());
    Edit(IDC_EDIT_TABLE_INFO)
        ->setText(tableInfo ? "T" + QString::number(m_random() % 100000) : QString());
}

void SoakRun::Take(Step step) {
    switch (step) {
        case Step::Open:
            if (m_device.ComeBack()) {
                ++m_comebacks;
            }
            Click(IDC_BTN_OPEN);
            m_failedOpens += Connected() ? 0 : 1;
            break;
        case Step::Close:
            Click(IDC_BTN_CLOSE);
            break;
        case Step::Read:
            Click(IDC_BTN_READ);
            break;
        case Step::WriteHomepage:
            TypeFields(true, false);
            Click(IDC_BTN_WRITE);
            break;
        case Step::WriteTableInfo:
            TypeFields(false, true);
            Click(IDC_BTN_WRITE);
            break;
        case Step::WriteBoth:
            TypeFields(true, true);
            Click(IDC_BTN_WRITE);
            break;
        case Step::Preset:
            Click(m_random() % 2 == 0 ? IDC_BTN_START_TAG : IDC_BTN_CANCEL_TAG);
            Click(IDC_BTN_WRITE);
            break;
        case Step::Idle:
            PumpFor(Between(1000, 3000));
            break;
    }
}

void SoakRun::Run(Table& table) {
    const Clock::time_point start = Clock::now();
    const auto length = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::ratio<60>>(m_minutes));
    Clock::time_point nextSample = start;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= nextSample) {
            const double minutes =
                std::chrono::duration<double, std::ratio<60>>(now - start).count();
            m_trend.Sample(minutes, static_cast<std::size_t>(Edit(IDC_EDIT_STATUS)->text().size()),
                           g_strReceived.capacity(), stderr);
            nextSample += kSampleEvery;
            if (now - start >= length) {
                break;
            }
        }
        const Step step = DrawStep();
        static constexpr std::array<int, kBehaviours> kFramed{30, 7, 7, 6, 12, 10, 3, 10, 15};
        static constexpr std::array<int, kBehaviours> kUnframed{60, 0, 15, 0, 0, 20, 5, 0, 0};
        const Behaviour behaviour = Draw<Behaviour>(m_random, Framed(step) ? kFramed : kUnframed);
        ++m_steps[static_cast<std::size_t>(step)];
        ++m_behaviours[static_cast<std::size_t>(behaviour)];
        m_device.Before(behaviour, Framed(step));
        Take(step);
        m_device.After(behaviour);
        m_tones.Take();
        PumpFor(Between(100, 800));  // the operator looks at the result
    }
    m_hand.AnswerAll();
    if (Connected()) {
        Click(IDC_BTN_CLOSE);
    }
    Report(table);
}

void SoakRun::Report(Table& table) const {
    const std::vector<MemorySample> settled = m_trend.Settled();
    const MemorySample& first = settled.front();
    const MemorySample& last = settled.back();
    const bool judged = m_minutes >= kJudgedFromMinutes;
    const double heap = m_trend.HeapSlope();
    const double resident = m_trend.ResidentSlope();
    table.Add({Text("soak heap in use slope, %.0f min after the first %.0f",
                    m_minutes - kWarmUpMinutes, kWarmUpMinutes),
               Text("%+.3f MiB/10 min", heap),
               Text("%.2f -> %.2f MiB", first.heapMiB, last.heapMiB), "",
               Text("< %.2f MiB/10 min", kHeapTarget), judged ? Verdict(heap < kHeapTarget) : ""});
    table.Add({"soak resident memory slope", Text("%+.3f MiB/10 min", resident),
               Text("%.2f -> %.2f MiB", first.residentMiB, last.residentMiB), "",
               Text("< %.2f MiB/10 min", kResidentTarget),
               judged ? Verdict(resident < kResidentTarget) : ""});
    std::string steps;
    for (std::size_t i = 0; i < m_steps.size(); ++i) {
        steps += Text("%s%s %d", i == 0 ? "" : ", ", kStepNames[i], m_steps[i]);
    }
    std::string behaviours;
    for (std::size_t i = 0; i < m_behaviours.size(); ++i) {
        behaviours +=
            Text("%s%s %d", i == 0 ? "" : ", ",
                 std::string(BehaviourName(static_cast<Behaviour>(i))).c_str(), m_behaviours[i]);
    }
    std::string boxes;
    for (const auto& [text, count] : m_hand.Answered()) {
        boxes += Text("%s\"%.40s\" %d", boxes.empty() ? "" : ", ", text.c_str(), count);
    }
    table.Note(Text("soak: %.1f min, seed %u, accessibility bridge %s%s", m_minutes,
                    static_cast<unsigned>(m_seed), QAccessible::isActive() ? "on" : "off",
                    judged ? "" : Text(" (judged from %.0f min on)", kJudgedFromMinutes).c_str()));
    table.Note("soak steps: " + steps + Text("; %d OPENs failed", m_failedOpens));
    table.Note("soak device: " + behaviours +
               Text("; came back after a hang-up %d times", m_comebacks));
    table.Note(Text("soak boxes answered: %d: ", m_hand.Total()) + boxes);
    table.Note(
        Text("soak descriptors %zu -> %zu, threads %zu -> %zu, status box %zu -> %zu "
             "characters, answer text capacity %zu -> %zu bytes (from %.1f min on)",
             first.descriptors, last.descriptors, first.threads, last.threads, first.statusBox,
             last.statusBox, first.answerCapacity, last.answerCapacity, first.minutes));
}

double ArgumentOr(std::size_t index, double fallback) {
    const std::vector<std::string>& args = Arguments();
    return index < args.size() ? std::stod(args[index]) : fallback;
}

void Soak(Table& table) {
    const double minutes = ArgumentOr(0, kDefaultMinutes);
    if (minutes <= kWarmUpMinutes) {
        throw std::invalid_argument(Text("a soak takes more than %.0f minutes", kWarmUpMinutes));
    }
    g_nextMessageHandler = qInstallMessageHandler(QuietSizeHints);
    SoakRun run(minutes, static_cast<std::uint32_t>(ArgumentOr(1, kDefaultSeed)));
    run.Run(table);
    qInstallMessageHandler(g_nextMessageHandler);
}

const Registration kRegistration(7, "soak", Soak);

}  // namespace
}  // namespace bench
