#pragma once
// The least any program can do with a serial line: a thread that polls a raw terminal and reads
// what it holds. The receive benchmarks set the program's path next to it.
//
// Threads: the owner constructs and destroys; the reading thread calls `onBytes` after every read
// and nothing else. The stop signal is an eventfd written by the destructor, so the reader never
// polls with a time-out and a stop never waits for one.

#include <cstdint>
#include <functional>
#include <span>
#include <thread>

#include "platform/linux/unique_fd.h"
#include "simreader/pseudo_terminal.h"

namespace bench {

class BareReader {
  public:
    using OnBytes = std::function<void(std::span<const std::uint8_t>)>;

    // Opens the terminal's device raw and starts reading `chunk` bytes at a time. Throws
    // std::system_error when the device cannot be opened.
    BareReader(const sim::PseudoTerminal& pty, std::size_t chunk, OnBytes onBytes);
    ~BareReader();
    BareReader(const BareReader&) = delete;
    BareReader& operator=(const BareReader&) = delete;

  private:
    void Run(std::size_t chunk);

    platform::UniqueFd m_fd;
    platform::UniqueFd m_stop;
    OnBytes m_onBytes;
    std::thread m_thread;  // last: starts after everything it uses exists
};

}  // namespace bench
