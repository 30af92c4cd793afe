#include "soak_device.h"

namespace bench {
namespace {

constexpr std::array<std::string_view, kBehaviours> kNames{
    "good",    "flood during", "flood between", "deaf", "garbage",
    "chatter", "hang-up",      "late",          "split"};

std::unique_ptr<sim::SimTagReader> MakeReader() {
    sim::SimTagReader::Options options;
    options.portName = "COM1";
    options.tag = sim::TagState{"www.example.com", "START", false};
    return std::make_unique<sim::SimTagReader>(std::move(options));
}

}  // namespace

std::string_view BehaviourName(Behaviour behaviour) {
    return kNames[static_cast<std::size_t>(behaviour)];
}

SoakDevice::SoakDevice(std::mt19937& random) : m_random(random), m_reader(MakeReader()) {
    m_chatter.callOnTimeout([this] {
        static constexpr std::array<std::string_view, 4> kLines{"\r\nREADY\r\n", "OK\r\n",
                                                                "\x05\x05", "AT\r"};
        m_reader->Send(std::string(kLines[m_random() % kLines.size()]));
        m_chatter.setInterval(Between(30, 300));
    });
}

SoakDevice::~SoakDevice() = default;

std::size_t SoakDevice::FloodSize() {
    return std::uniform_int_distribution<std::size_t>(512u << 10, 5u << 20)(m_random);
}

std::chrono::milliseconds SoakDevice::Between(int fromMs, int toMs) {
    return std::chrono::milliseconds(std::uniform_int_distribution<int>(fromMs, toMs)(m_random));
}

void SoakDevice::Flood() {
    m_reader->Flood(FloodSize());
}

void SoakDevice::Before(Behaviour behaviour, bool framed) {
    m_chatter.stop();
    m_reader->ForgetRecords();  // a day's frames would be a record of their own that grows
    const bool half = (m_random() & 1) != 0;
    switch (behaviour) {
        case Behaviour::FloodDuring:
            // At once, so that it runs into the operation ahead of the answer; or some time into
            // the operation's wait.
            if (half) {
                Flood();
            } else {
                QTimer::singleShot(Between(0, 600), &m_timers, [this] { Flood(); });
            }
            break;
        case Behaviour::Deaf:
            m_reader->SetDeaf(true);
            break;
        case Behaviour::Garbage:
            if (framed) {
                std::string garbage(Between(1, 400).count(), '\0');
                for (char& c : garbage) {
                    c = static_cast<char>(m_random());
                }
                m_reader->Script(sim::Reply().WithGarbage(std::move(garbage)));
            }
            break;
        case Behaviour::Chatter:
            m_chatter.start(Between(30, 300));
            break;
        case Behaviour::HangUp:
            if (framed && half) {
                m_reader->Script(sim::Reply().HangingUpAfter(Between(0, 8).count()));
            } else {
                QTimer::singleShot(Between(50, 900), &m_timers, [this] { m_reader->HangUp(); });
            }
            break;
        case Behaviour::Late:
            if (framed) {
                m_reader->Script(sim::Reply().After(Between(1000, 1800)));
            }
            break;
        case Behaviour::Split:
            if (framed) {
                m_reader->Script(sim::Reply().InPieces(Between(1, 6).count(), Between(20, 150)));
            }
            break;
        case Behaviour::Good:
        case Behaviour::FloodBetween:
            break;
    }
}

void SoakDevice::After(Behaviour behaviour) {
    if (behaviour == Behaviour::Deaf) {
        m_reader->SetDeaf(false);
    } else if (behaviour == Behaviour::FloodBetween) {
        Flood();
    }
}

bool SoakDevice::ComeBack() {
    if (!m_reader->IsHungUp()) {
        return false;
    }
    m_reader.reset();  // its link goes first, so that the new one can take COM1
    m_reader = MakeReader();
    return true;
}

}  // namespace bench
