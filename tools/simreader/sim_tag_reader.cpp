#include "simreader/sim_tag_reader.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

namespace sim {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {
// A write reaches the slave's input queue a moment after it returns; until then the queue looks
// empty although the program has read nothing.
constexpr auto kHangUpSettle = 10ms;
// How long a scripted hang-up waits for a program that does not read.
constexpr auto kHangUpPatience = 500ms;
constexpr auto kHangUpRecheck = 5ms;
}  // namespace

SimTagReader::SimTagReader(Options options)
    : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_timer(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)),
      m_log(std::move(options.log)),
      m_tag(std::move(options.tag)),
      m_tagPresent(options.tagPresent) {
    if (m_wake.get() < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    if (m_timer.get() < 0) {
        throw std::system_error(errno, std::generic_category(), "timerfd_create");
    }
    if (!options.portName.empty()) {
        m_terminal.LinkAs(options.portName);
    }
    m_thread = std::thread([this] { Serve(); });
}

SimTagReader::SimTagReader() : SimTagReader(Options{}) {}

SimTagReader::~SimTagReader() {
    m_stop.store(true, std::memory_order_release);
    Signal();
    m_thread.join();
}

void SimTagReader::Script(Reply reply) {
    std::lock_guard lock(m_mutex);
    m_scripts.push_back(std::move(reply));
}

void SimTagReader::Send(std::string bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_unsolicited.push_back({{}, std::move(bytes)});
    }
    Signal();
}

void SimTagReader::Flood(std::size_t count) {
    {
        std::lock_guard lock(m_mutex);
        m_unsolicited.push_back({.due = {}, .bytes = {}, .hangUpAfter = false, .flood = count});
    }
    Signal();
}

TagState SimTagReader::Tag() const {
    std::lock_guard lock(m_mutex);
    return m_tag;
}

void SimTagReader::SetTag(TagState tag) {
    std::lock_guard lock(m_mutex);
    m_tag = std::move(tag);
    m_tagPresent = true;
}

void SimTagReader::RemoveTag() {
    std::lock_guard lock(m_mutex);
    m_tagPresent = false;
}

std::vector<SimTagReader::Frame> SimTagReader::Frames() const {
    std::lock_guard lock(m_mutex);
    return m_frames;
}

std::string SimTagReader::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

bool SimTagReader::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_frames.size() >= count; });
}

void SimTagReader::ForgetRecords() {
    std::lock_guard lock(m_mutex);
    m_frames = {};
    m_received = {};
}

void SimTagReader::HangUp() {
    m_hangUpRequested.store(true, std::memory_order_release);
    Signal();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_hungUp; });
}

bool SimTagReader::IsHungUp() const {
    std::lock_guard lock(m_mutex);
    return m_hungUp;
}

void SimTagReader::SetDeaf(bool deaf) {
    m_deaf.store(deaf, std::memory_order_release);
    Signal();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_lineFull == deaf || m_hungUp; });
}

void SimTagReader::Signal() {
    const std::uint64_t one = 1;
    // Cannot fail short of 2^64 - 1 pending signals.
    [[maybe_unused]] const ssize_t n = ::write(m_wake.get(), &one, sizeof one);
}

void SimTagReader::Serve() {
    for (;;) {
        // After a hang-up the master is -1, which poll skips: the thread then sleeps on m_wake
        // alone instead of spinning on a dead descriptor.
        const int master = m_terminal.MasterFd();
        const short listen = m_deaf.load(std::memory_order_acquire) ? 0 : POLLIN;
        const short masterEvents = m_waitingForRoom ? listen | POLLOUT : listen;
        std::array<pollfd, 3> fds{
            {{m_wake.get(), POLLIN, 0}, {m_timer.get(), POLLIN, 0}, {master, masterEvents, 0}}};
        // Due times go to a timer descriptor, not to poll's time-out: the kernel lets a poll
        // time-out run 0.1 % late, and a late answer scripted for 990 ms must not land at 991.
        ArmTimer();
        const int ready = ::poll(fds.data(), fds.size(), -1);
        m_wakeups.fetch_add(1, std::memory_order_relaxed);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            DoHangUp();  // cannot wait any more; end as an unplugged device would
            return;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wake.get(), &count, sizeof count);
            if (m_stop.load(std::memory_order_acquire)) {
                return;
            }
            if (m_hangUpRequested.exchange(false, std::memory_order_acq_rel)) {
                DoHangUp();
            }
            TakeUnsolicited();
        }
        if (m_terminal.IsHungUp()) {
            continue;
        }
        FollowDeafness();
        if (fds[2].revents & POLLOUT) {
            m_waitingForRoom = false;
        }
        if ((fds[2].revents & POLLIN) && !m_lineFull) {
            ReadAvailable();
        }
        if ((fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) && !m_terminal.IsHungUp()) {
            // The keep-alive slave rules these out while the terminal lives; should one come
            // anyway, it would be reported again at once, for ever.
            DoHangUp();
        }
        if (!m_terminal.IsHungUp()) {
            WriteDue();
            HangUpOnceRead();
        }
    }
}

void SimTagReader::FollowDeafness() {
    const bool deaf = m_deaf.load(std::memory_order_acquire);
    if (deaf == m_lineFull) {
        return;
    }
    if (deaf) {
        m_terminal.FillLine();  // this thread alone reads the master: nothing takes the filler
    }
    {
        std::lock_guard lock(m_mutex);
        m_lineFull = deaf;
    }
    m_changed.notify_all();
}

void SimTagReader::ReadAvailable() {
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t n = ::read(m_terminal.MasterFd(), buffer.data(), buffer.size());
        if (n > 0) {
            const Clock::time_point arrived = Clock::now();
            const std::string_view bytes(buffer.data(), static_cast<std::size_t>(n));
            {
                std::lock_guard lock(m_mutex);
                m_received.append(bytes);
            }
            for (const std::string& frame : m_splitter.Feed(bytes)) {
                Answer(frame, arrived);
            }
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            return;
        } else {
            // The master only reads EOF or EIO once the terminal itself is gone; polling it again
            // would report the same at once, for ever.
            DoHangUp();
            return;
        }
    }
}

void SimTagReader::TakeUnsolicited() {
    std::vector<Piece> sends;
    {
        std::lock_guard lock(m_mutex);
        sends.swap(m_unsolicited);
    }
    if (m_terminal.IsHungUp()) {
        return;
    }
    const Clock::time_point now = Clock::now();
    for (Piece& piece : sends) {
        piece.due = now;
        m_output.push_back(std::move(piece));
    }
}

void SimTagReader::Answer(const std::string& frame, Clock::time_point arrived) {
    const std::string_view payload = std::string_view(frame).substr(1, frame.size() - 2);
    Reply reply;
    std::string deviceAnswer;
    {
        std::lock_guard lock(m_mutex);
        if (!m_tagPresent) {
            reply = Silence();  // no tag in its field: nothing to answer for
        } else if (!m_scripts.empty()) {
            reply = std::move(m_scripts.front());
            m_scripts.pop_front();
        }
        if (m_tagPresent) {
            deviceAnswer = reply.stores && !payload.empty()
                               ? Execute(m_tag, std::string(payload.substr(0, 1)) + *reply.stores)
                               : Execute(m_tag, payload);
        }
        m_frames.push_back({frame, arrived});
    }
    m_changed.notify_all();
    std::vector<Piece> pieces = PlanPieces(reply, std::move(deviceAnswer), arrived);
    if (m_log) {
        std::string planned;
        for (const Piece& piece : pieces) {
            planned += piece.bytes;
        }
        m_log(frame, planned);
    }
    for (Piece& piece : pieces) {
        m_output.push_back(std::move(piece));
    }
}

void SimTagReader::WriteDue() {
    const Clock::time_point now = Clock::now();
    while (!m_hangUpFrom && !m_waitingForRoom && !m_output.empty() && m_output.front().due <= now) {
        const Piece& piece = m_output.front();
        while (m_written < piece.Size()) {
            const std::string_view next = piece.At(m_written, piece.Size() - m_written);
            const ssize_t n = ::write(m_terminal.MasterFd(), next.data(), next.size());
            if (n > 0) {
                m_written += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                m_waitingForRoom = true;  // the program is not reading: wait for POLLOUT
                return;
            } else {
                DoHangUp();
                return;
            }
        }
        const bool hangUp = piece.hangUpAfter;
        m_output.pop_front();
        m_written = 0;
        if (hangUp) {
            m_hangUpFrom = Clock::now() + kHangUpSettle;
        }
    }
}

void SimTagReader::HangUpOnceRead() {
    if (!m_hangUpFrom) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now >= *m_hangUpFrom &&
        (m_terminal.UnreadInput() == 0 || now >= *m_hangUpFrom + kHangUpPatience)) {
        DoHangUp();
    }
}

void SimTagReader::DoHangUp() {
    m_terminal.HangUp();
    m_output.clear();
    m_written = 0;
    m_waitingForRoom = false;
    m_hangUpFrom.reset();
    {
        std::lock_guard lock(m_mutex);
        m_hungUp = true;
    }
    m_changed.notify_all();
}

void SimTagReader::ArmTimer() {
    Clock::time_point wake{};  // the epoch: disarmed
    if (m_hangUpFrom) {
        wake = Clock::now() + kHangUpRecheck;
    } else if (!m_output.empty() && !m_waitingForRoom) {
        wake = m_output.front().due;
    }
    // steady_clock is CLOCK_MONOTONIC; a due time already past fires at once. Setting the timer
    // also clears an expiry that was not read.
    const auto since = wake.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    itimerspec when{};
    when.it_value = {static_cast<time_t>(seconds.count()),
                     static_cast<long>(std::chrono::nanoseconds(since - seconds).count())};
    ::timerfd_settime(m_timer.get(), TFD_TIMER_ABSTIME, &when, nullptr);
}

}  // namespace sim
