// velmora-replug-reader: a simulated tag reader that a Windows suite under Wine unplugs and plugs
// in again. It serves a pseudo-terminal linked at LINK (a COM port in the Wine prefix's device
// folder) and takes commands, one a line, from the FIFO CONTROL/commands, answering each with one
// line on CONTROL/answers once it is carried out:
//   hang-up                the plug is pulled now
//   hang-up-at-next-frame  the next frame is not answered; the plug is pulled instead
//   plug-in HOMEPAGE TABLE a new reader with that tag, on a new terminal that LINK then leads to
// The program under test opens the FIFOs as files; both are held open here for reading and
// writing, so that neither side's open waits for the other. Lives until it is killed; the suite
// removes LINK then.
//
//   velmora-replug-reader LINK CONTROL

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "platform/linux/unique_fd.h"
#include "simreader/sim_tag_reader.h"

namespace {

namespace fs = std::filesystem;

// LINK leads to the reader's terminal; renamed into place, so that an open never misses it.
void LinkTo(const fs::path& link, const std::string& device) {
    const fs::path fresh = link.string() + ".new";
    fs::remove(fresh);
    fs::create_symlink(device, fresh);
    fs::rename(fresh, link);
}

platform::UniqueFd OpenFifo(const fs::path& path) {
    if (::mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) {
        throw std::system_error(errno, std::generic_category(), "mkfifo " + path.string());
    }
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0) {
        throw std::system_error(errno, std::generic_category(), "open " + path.string());
    }
    return fd;
}

// The next line from `fd`, without its line end; nothing when the descriptor fails.
std::optional<std::string> ReadLine(int fd) {
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
}

class Replug {
  public:
    explicit Replug(fs::path link) : m_link(std::move(link)) { PlugIn({"start.example", "START"}); }

    // Carries out one command; the answer line.
    std::string Run(const std::string& command) {
        std::istringstream words(command);
        std::string verb;
        words >> verb;
        if (verb == "hang-up") {
            m_reader->HangUp();
        } else if (verb == "hang-up-at-next-frame") {
            m_reader->Script(sim::Silence().HangingUpAfter(0));
        } else if (verb == "plug-in") {
            sim::TagState tag;
            words >> tag.homepage >> tag.tableInfo;
            PlugIn(std::move(tag));
        } else {
            return "unknown command: " + command;
        }
        return "done";
    }

  private:
    void PlugIn(sim::TagState tag) {
        m_reader.reset();  // pulls the old plug, if it is still in
        m_reader.emplace(
            sim::SimTagReader::Options{.portName = {}, .tag = std::move(tag), .log = {}});
        LinkTo(m_link, m_reader->DevicePath());
        std::cout << "Replug reader serving " << m_reader->DevicePath() << std::endl;
    }

    fs::path m_link;
    std::optional<sim::SimTagReader> m_reader;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: velmora-replug-reader LINK CONTROL\n";
        return 2;
    }
    try {
        const fs::path control = argv[2];
        fs::create_directories(control);
        const platform::UniqueFd commands = OpenFifo(control / "commands");
        const platform::UniqueFd answers = OpenFifo(control / "answers");
        Replug replug(argv[1]);
        while (const std::optional<std::string> command = ReadLine(commands.get())) {
            const std::string answer = replug.Run(*command) + "\n";
            if (::write(answers.get(), answer.data(), answer.size()) < 0) {
                std::perror("velmora-replug-reader: answer");
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "velmora-replug-reader: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
