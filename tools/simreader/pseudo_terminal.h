#pragma once
// The far side of a simulated serial port: a pseudo-terminal whose slave end stands in for the
// device node that the program opens.
//
// The master keeps a descriptor of its own slave end open for its whole life. Without it, every
// time the program closes the port the master would read EIO and poll would report POLLHUP
// without end, and a loop waiting on the master would spin until the port is opened again.
//
// After a hang-up the kernel hands the same /dev/pts number to the next terminal, so a link that
// points at our path may already be another reader's. The link is therefore recognised by the
// identity of the link file itself, not only by where it points.

#include <sys/stat.h>
#include <termios.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace sim {

class PseudoTerminal {
  public:
    // Throws std::system_error when no pseudo-terminal can be had.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int MasterFd() const { return m_master; }
    const std::string& DevicePath() const { return m_devicePath; }

    // Makes COMn (portName) in the device map a symbolic link to this terminal, replacing what
    // was there; the link goes away with this object or with the next call.
    void LinkAs(std::string_view portName);
    const std::filesystem::path& Link() const { return m_link; }

    // The line settings that the program has put on the port.
    termios SlaveSettings() const;

    // Writes every byte, waiting for room when the terminal's buffer is full. False when the far
    // side is gone.
    bool WriteAll(std::span<const std::uint8_t> bytes);
    bool WriteAll(std::string_view text);

    // Bytes written to the master that the program has not read yet. The kernel passes writes on
    // to the slave a moment later, so a count of 0 right after a write means little.
    std::size_t UnreadInput() const;

    // Fills the line towards the far side, as a device that takes no more bytes leaves it: writes
    // from our own slave end until the terminal takes no more. The master reads them as noise
    // once it reads again.
    void FillLine();

    // Closes both ends, as a pulled USB plug does: the program sees a hang-up. The kernel then
    // discards what the program has not read yet.
    void HangUp();
    bool IsHungUp() const { return m_master < 0; }

  private:
    void RemoveLink();

    int m_master = -1;
    int m_keepAlive = -1;
    std::string m_devicePath;
    std::filesystem::path m_link;
    struct stat m_linkStat {};  // lstat of m_link right after we made it
};

}  // namespace sim
