// The velmora-simreader program as an operator runs it: started, used through its port, stopped.

#include <signal.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <regex>

#include "platform/serial_device.h"
#include "sim_test_support.h"
#include "support/child_program.h"

namespace simtest {
namespace {

// The simulated reader's program with these options.
class Program : public testsupport::ChildProgram {
  public:
    explicit Program(std::vector<std::string> options)
        : ChildProgram(WithPath(std::move(options))) {}

  private:
    static std::vector<std::string> WithPath(std::vector<std::string> options) {
        options.insert(options.begin(), SIMREADER_PROGRAM);
        return options;
    }
};

// Reads "Simulated tag reader serving COMn (/dev/pts/N)" and returns COMn and the device.
std::pair<std::string, std::string> ServingLine(Program& program) {
    const std::optional<std::string> line = program.ReadLine(5s);
    std::smatch m;
    if (!line ||
        !std::regex_match(
            *line, m, std::regex(R"(Simulated tag reader serving (COM\d+) \((/dev/pts/\d+)\))"))) {
        ADD_FAILURE() << "first line: " << line.value_or("(none)");
        return {};
    }
    return {m[1], m[2]};
}

class SimReaderProgram : public SimReaderTest {};

void MakeEntry(const std::filesystem::path& entry, const std::filesystem::path& target) {
    std::filesystem::create_directories(entry.parent_path());
    std::filesystem::create_symlink(target, entry);
}

TEST_F(SimReaderProgram, ServesItsPortUntilStopped) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        Program program(
            {"--port", "COM4", "--homepage", "abc", "--table-info", "START", "--verbose"});
        const auto [port, device] = ServingLine(program);
        ASSERT_EQ(port, "COM4");
        const std::filesystem::path link = MapFolder() / "COM4";
        EXPECT_EQ(std::filesystem::read_symlink(link), device);

        FarSide far(link.string());
        far.Send("\x01R\x04");
        EXPECT_EQ(far.Read(9, 2s), "abc,START");
        EXPECT_EQ(program.ReadLine(2s), R"(frame "\x01R\x04" -> "abc,START")");

        program.Signal(signal);
        EXPECT_EQ(program.Exit(2s), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
}

// Tags are placed and taken off at the reader's terminal; without one it answers nothing.
TEST_F(SimReaderProgram, AnswersOnlyWhileATagIsPlacedAtItsTerminal) {
    Program program({"--port", "COM4", "--no-tag"});
    ServingLine(program);
    FarSide far((MapFolder() / "COM4").string());
    far.Send("\x01R\x04");
    EXPECT_EQ(far.ReadFor(200ms), "");
    program.Input("p\n");
    EXPECT_EQ(program.ReadLine(2s), "a blank tag is on the reader");
    far.Send("\x01WT\x04\x01R\x04");
    EXPECT_EQ(far.Read(9, 2s), "Success,T");
    program.Input("r\nx\n");
    EXPECT_EQ(program.ReadLine(2s), "no tag on the reader");
    EXPECT_EQ(program.ReadLine(2s), "'x'? p places a blank tag, r takes it off");
    far.Send("\x01WU\x04");
    EXPECT_EQ(far.ReadFor(200ms), "");
}

// The program keeps the terminal's far end open to see each hang-up; that does not make it a
// rival that holds the port.
TEST_F(SimReaderProgram, ItsPortOpensExclusively) {
    Program program({"--port", "COM2"});
    ASSERT_EQ(ServingLine(program).first, "COM2");
    platform::SerialPort port;
    EXPECT_FALSE(port.Open("COM2").Failed()) << port.Open("COM2").text;
    platform::SerialPort second;
    EXPECT_EQ(second.Open("COM2").kind, platform::SerialErrorKind::Busy);
    port.Close();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Exit(2s), 0);
}

// A link to a vanished terminal is what a killed reader leaves; the number may be handed to
// somebody's shell next, so it goes. A link to a vanished adapter is the operator's and stays.
TEST_F(SimReaderProgram, TakesTheFirstFreePortAfterClearingDeadTerminalLinks) {
    MakeEntry(MapFolder() / "COM1", "/dev/null");
    MakeEntry(MapFolder() / "COM2", "/dev/pts/999999");
    MakeEntry(MapFolder() / "COM3", "/dev/ttyUSB99");
    Program program({});
    EXPECT_EQ(ServingLine(program).first, "COM2");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Exit(2s), 0);
    EXPECT_NE(program.Errors().find("removed COM2 -> /dev/pts/999999"), std::string::npos);
    EXPECT_EQ(std::filesystem::read_symlink(MapFolder() / "COM1"), "/dev/null");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(MapFolder() / "COM2")));
    EXPECT_EQ(std::filesystem::read_symlink(MapFolder() / "COM3"), "/dev/ttyUSB99");
}

TEST_F(SimReaderProgram, ReplacesAnotherMappingOnlyWhenForced) {
    const std::filesystem::path entry = MapFolder() / "COM1";
    MakeEntry(entry, "/dev/ttyUSB0");
    {
        Program refused({"--port", "COM1"});
        EXPECT_EQ(refused.Exit(2s), 1);
        EXPECT_NE(refused.Errors().find("COM1"), std::string::npos);
        EXPECT_EQ(std::filesystem::read_symlink(entry), "/dev/ttyUSB0");
    }
    Program forced({"--port", "COM1", "--force"});
    const auto [port, device] = ServingLine(forced);
    EXPECT_EQ(port, "COM1");
    EXPECT_EQ(std::filesystem::read_symlink(entry), device);
    forced.Signal(SIGTERM);
    EXPECT_EQ(forced.Exit(2s), 0);
}

TEST_F(SimReaderProgram, RejectsBadOptions) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},        {"--port"},  {"--port", "COM0"}, {"--port", "ttyS0"},
        {"--port", "com1"}, {"--force"}, {"--homepage"},
    };
    for (const std::vector<std::string>& options : cases) {
        SCOPED_TRACE(testing::PrintToString(options));
        Program program(options);
        EXPECT_EQ(program.Exit(2s), 2);
        EXPECT_NE(program.Errors(), "");
        EXPECT_FALSE(std::filesystem::exists(MapFolder()));
    }
}

}  // namespace
}  // namespace simtest
