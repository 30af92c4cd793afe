#pragma once
// Bytes of standard input as they arrive, handed out as whole lines. Both console backends read
// in blocks, so a block may end inside a line or hold several.

#include <cstddef>
#include <string>

namespace platform {

class InputLines {
  public:
    void Append(const char* bytes, std::size_t count) { m_pending.append(bytes, count); }
    // The next whole line without its line end (LF or CR LF); once input has ended, also a
    // partial last line. False when there is none yet.
    [[nodiscard]] bool Take(std::string& line, bool inputEnded);

  private:
    std::string m_pending;
};

}  // namespace platform
