// velmora-simreader: plays the tag reader/writer on a pseudo-terminal linked into the device map
// as a COM port, until SIGINT, SIGTERM or SIGHUP (its terminal closed). On start it clears the
// links that earlier readers, killed before they could remove them, left to vanished terminals.
//
// A tag is placed on it and taken off from its terminal: a line "p" places a fresh blank tag, "r"
// takes the tag off (silent until the next is placed), as one swaps tags on a real reader.
//
// The stop signals are blocked in every thread (the reader's thread inherits the mask from main)
// and taken from a signalfd, so the main thread sleeps in one read and the link is removed by the
// ordinary destructor path instead of inside a signal handler.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/device_map.h"
#include "platform/linux/unique_fd.h"
#include "simreader/sim_tag_reader.h"
#include "simreader/stale_links.h"

namespace {

constexpr int kBadOptions = 2;
constexpr unsigned kHighestListedPort = 50;  // the dialog offers COM1 to COM50

constexpr std::string_view kUsage =
    "usage: velmora-simreader [--port COMn [--force]] [--homepage TEXT] [--table-info TEXT] "
    "[--no-tag] [--verbose]\n"
    "       velmora-simreader --help | --version\n"
    "At its terminal: p places a fresh blank tag, r takes the tag off.\n";

struct CommandLine {
    std::string port;  // empty: the first free COMn
    bool force = false;
    sim::TagState tag;
    bool verbose = false;
    bool noTag = false;
    bool version = false;
    bool help = false;
};

// The command line, or nothing after a message on stderr.
std::optional<CommandLine> Parse(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        std::string* value = nullptr;
        if (option == "--port") {
            value = &line.port;
        } else if (option == "--homepage") {
            value = &line.tag.homepage;
        } else if (option == "--table-info") {
            value = &line.tag.tableInfo;
        } else if (option == "--force") {
            line.force = true;
            continue;
        } else if (option == "--verbose") {
            line.verbose = true;
            continue;
        } else if (option == "--no-tag") {
            line.noTag = true;
            continue;
        } else if (option == "--version") {
            line.version = true;
            continue;
        } else if (option == "--help") {
            line.help = true;
            continue;
        } else {
            std::cerr << "velmora-simreader: unknown option '" << option << "'\n" << kUsage;
            return std::nullopt;
        }
        if (i + 1 == argc) {
            std::cerr << "velmora-simreader: " << option << " needs a value\n" << kUsage;
            return std::nullopt;
        }
        *value = argv[++i];
    }
    if (!line.port.empty() && !platform::ParseComPortName(line.port)) {
        std::cerr << "velmora-simreader: '" << line.port << "' is no port name (COM1, COM2, ...)\n";
        return std::nullopt;
    }
    if (line.force && line.port.empty()) {
        std::cerr << "velmora-simreader: --force needs --port\n" << kUsage;
        return std::nullopt;
    }
    return line;
}

bool HasEntry(const std::filesystem::path& entry) {
    std::error_code ec;
    // symlink_status: a link to a vanished device is still somebody's entry.
    return std::filesystem::symlink_status(entry, ec).type() !=
           std::filesystem::file_type::not_found;
}

// The port to serve, or nothing after a message on stderr.
std::optional<std::string> ChoosePort(const CommandLine& line) {
    const std::filesystem::path folder = platform::DeviceMapFolder();
    if (!line.port.empty()) {
        if (HasEntry(folder / line.port) && !line.force) {
            std::cerr << "velmora-simreader: " << line.port << " is already mapped ("
                      << (folder / line.port).string() << "); --force replaces it\n";
            return std::nullopt;
        }
        return line.port;
    }
    for (unsigned n = 1; n <= kHighestListedPort; ++n) {
        const std::string port = "COM" + std::to_string(n);
        if (!HasEntry(folder / port)) {
            return port;
        }
    }
    std::cerr << "velmora-simreader: COM1 to COM" << kHighestListedPort << " are all mapped in "
              << folder.string() << "\n";
    return std::nullopt;
}

// Bytes as a C string literal: printable ASCII as is, everything else as \xNN.
std::string Printable(std::string_view bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\') {
            text += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            text += escaped;
        }
    }
    return text + "\"";
}

// Carries out the lines typed at the reader's terminal; false once its input has ended.
bool TakeTyped(sim::SimTagReader& reader, std::string& pending, std::mutex& out) {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        return n < 0 && errno == EINTR;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        std::string typed = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!typed.empty() && typed.back() == '\r') {
            typed.pop_back();
        }
        std::string said;
        if (typed == "p") {
            reader.SetTag({});
            said = "a blank tag is on the reader";
        } else if (typed == "r") {
            reader.RemoveTag();
            said = "no tag on the reader";
        } else if (!typed.empty()) {
            said = "'" + typed + "'? p places a blank tag, r takes it off";
        }
        if (!said.empty()) {
            std::lock_guard lock(out);
            std::cout << said << std::endl;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<CommandLine> line = Parse(argc, argv);
    if (!line) {
        return kBadOptions;
    }
    if (line->help) {
        std::cout << kUsage;
        return 0;
    }
    if (line->version) {
        std::cout << "velmora-simreader " VELMORA_VERSION "\n";
        return 0;
    }
    for (const std::string& link : sim::RemoveDeadTerminalLinks(platform::DeviceMapFolder())) {
        std::cerr << "velmora-simreader: removed " << link << ", a terminal that is gone\n";
    }
    const std::optional<std::string> port = ChoosePort(*line);
    if (!port) {
        return 1;
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const platform::UniqueFd signals(::signalfd(-1, &stopSignals, SFD_CLOEXEC));
    if (signals.get() < 0) {
        std::perror("velmora-simreader: signalfd");
        return 1;
    }

    // The reader's thread logs while main prints the first line: one lock keeps lines whole.
    std::mutex out;
    sim::SimTagReader::Options options{
        .portName = *port, .tag = line->tag, .log = {}, .tagPresent = !line->noTag};
    if (line->verbose) {
        options.log = [&out](std::string_view frame, std::string_view reply) {
            std::lock_guard lock(out);
            std::cout << "frame " << Printable(frame) << " -> "
                      << (reply.empty() ? std::string("(no answer)") : Printable(reply))
                      << std::endl;
        };
    }
    try {
        sim::SimTagReader reader(std::move(options));
        {
            std::lock_guard lock(out);
            std::cout << "Simulated tag reader serving " << *port << " (" << reader.DevicePath()
                      << ")" << std::endl;
        }
        std::string pending;
        bool typing = true;
        for (;;) {
            pollfd fds[2] = {{signals.get(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
            if (::poll(fds, typing ? 2 : 1, -1) < 0 && errno != EINTR) {
                break;
            }
            if (fds[0].revents != 0) {
                signalfd_siginfo info{};
                if (::read(signals.get(), &info, sizeof info) > 0) {
                    break;
                }
            }
            if (typing && fds[1].revents != 0) {
                typing = TakeTyped(reader, pending, out);
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "velmora-simreader: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
