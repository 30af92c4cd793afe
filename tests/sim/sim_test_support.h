#pragma once
// The program's side of the line for the simulated reader's tests, and a device map of their own.

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/unique_fd.h"

namespace simtest {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Polls `done` until it holds or `timeout` has passed; returns its last value.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Every test gets a fresh XDG_CONFIG_HOME, so the machine's device map is never touched.
class SimReaderTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path MapFolder() const;

  private:
    std::filesystem::path m_configHome;
};

// The slave end of the terminal, opened the way a serial program opens its port (raw, no
// controlling terminal).
class FarSide {
  public:
    struct Chunk {
        std::string bytes;
        Clock::time_point at;
    };

    explicit FarSide(const std::string& devicePath);

    void Send(std::string_view bytes);
    // Each read's bytes as it came, until `count` bytes, the timeout or a hang-up.
    std::vector<Chunk> ReadChunks(std::size_t count, std::chrono::milliseconds timeout);
    std::string Read(std::size_t count, std::chrono::milliseconds timeout);
    // Everything that arrives within `period`.
    std::string ReadFor(std::chrono::milliseconds period);
    // True once a read has met the far end's hang-up.
    bool HungUp() const { return m_hungUp; }

  private:
    platform::UniqueFd m_fd;
    bool m_hungUp = false;
};

std::string Join(const std::vector<FarSide::Chunk>& chunks);

}  // namespace simtest
