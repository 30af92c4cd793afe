// velmora-tag end to end: the real program against the simulated reader, as a script runs it.
// Every exchange costs the device's one-second answer wait, so cases share runs where they can.

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <map>

#include "platform/linux/device_map.h"
#include "tag_fixture.h"

namespace clitest {
namespace {

using sim::Reply;
using sim::TagState;

TEST_F(VelmoraTag, ReadsTheTagOnTheWindowsLastPort) {
    WriteFile("port_info.txt", std::string(kPort) + "\n2\n3\n0\n2\n");
    m_reader.SetTag({"ex\"am\\ple", "caf\xE9", false});

    RunResult plain = Run({"read"});
    EXPECT_EQ(plain.ending.status, 0) << plain.err;
    // The second's wait blocks until the answer comes or the time is up: a loop that polls
    // would burn most of it.
    EXPECT_LT(plain.ending.cpu, 300ms);
    EXPECT_EQ(plain.out, "homepage: ex\"am\\ple\ntable info: caf\xE9\n");

    RunResult json = Run({"read", "--json"});
    EXPECT_EQ(json.ending.status, 0) << json.err;
    // JSON text holds characters only: the byte that is none shows as U+FFFD, and every byte
    // comes along in hex.
    EXPECT_EQ(json.out, R"({"homepage": "ex\"am\\ple", "table_info": "caf)"
                        "\xEF\xBF\xBD"
                        R"(", "table_info_hex": "636166e9"})"
                        "\n");

    m_reader.Script(sim::Silence());
    RunResult silent = Run({"--port", kPort, "read"});
    EXPECT_EQ(silent.ending.status, 1);
    EXPECT_NE(silent.err.find("no answer"), std::string::npos) << silent.err;
    EXPECT_EQ(silent.out, "");

    EXPECT_EQ(Payloads(), (std::vector<std::string>{"R", "R", "R"}));
}

struct WriteCase {
    const char* name;
    TagState start;
    std::vector<Reply> scripts;
    std::vector<std::string> args;
    std::vector<std::string> payloads;
    int status;
    TagState end;
    const char* complaint;  // part of standard error; empty when there must be none
};

TEST_F(VelmoraTag, WritesWhatTheWindowWouldAndChecksIt) {
    const std::vector<WriteCase> cases = {
        {"unlocked, both items, http:// and commas removed",
         {},
         {},
         {"--homepage", "http://ex,ample.com", "--table-info", " T 1"},
         {"Uexample.com", "W T 1"},
         0,
         {"example.com", " T 1", false},
         ""},
        {"locked", {}, {}, {"--homepage", "x", "--lock"}, {"Lx"}, 0, {"x", "", true}, ""},
        {"an item of spaces only is not written",
         {"h", "t", false},
         {},
         {"--homepage", "a", "--table-info", "   "},
         {"Ua"},
         0,
         {"a", "t", false},
         ""},
        {"verified",
         {},
         {},
         {"--verify", "--homepage", "a", "--table-info", "b"},
         {"Ua", "Wb", "R"},
         0,
         {"a", "b", false},
         ""},
        {"verify catches a tag that keeps something else",
         {},
         {Reply(), Reply().Storing("worn")},
         {"--verify", "--homepage", "a", "--table-info", "b"},
         {"Ua", "Wb", "R"},
         1,
         {"a", "worn", false},
         "verify failed: table info sent \"b\", the tag holds \"worn\""},
        {"a refusal is a failure and skips the read-back",
         {"old", "", true},
         {},
         {"--homepage", "new", "--verify"},
         {"Unew"},
         1,
         {"old", "", true},
         "homepage write failed: the device answered \"Locked\""},
        {"an answer other than Success",
         {},
         {Reply().Answer("Success\r\n")},
         {"--table-info", "x"},
         {"Wx"},
         1,
         {"", "x", false},
         "the device answered \"Success\\x0d\\x0a\""},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_reader.SetTag(c.start);
        for (const Reply& reply : c.scripts) {
            m_reader.Script(reply);
        }
        const std::size_t before = m_reader.Frames().size();
        std::vector<std::string> args{"--port", kPort, "write"};
        args.insert(args.end(), c.args.begin(), c.args.end());

        const RunResult run = Run(args);
        EXPECT_EQ(run.ending.status, c.status) << run.err;
        EXPECT_EQ(Payloads(before), c.payloads);
        const TagState tag = m_reader.Tag();
        EXPECT_EQ(tag.homepage, c.end.homepage);
        EXPECT_EQ(tag.tableInfo, c.end.tableInfo);
        EXPECT_EQ(tag.locked, c.end.locked);
        if (*c.complaint == '\0') {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.complaint), std::string::npos) << run.err;
        }
    }
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> args;
    const char* reason;  // part of standard error
};

TEST_F(VelmoraTag, RefusesBadInputBeforeSendingAnything) {
    const std::string port = kPort;
    const std::vector<RefusalCase> cases = {
        {"homepage over 60 bytes",
         {"--port", port, "write", "--homepage", std::string(61, 'h')},
         "61 bytes long; the tag takes at most 60"},
        {"table info over 12 bytes",
         {"--port", port, "write", "--table-info", "ABCDEFGHIJKLM"},
         "13 bytes long; the tag takes at most 12"},
        {"six Korean characters are 18 bytes",
         {"--port", port, "write", "--table-info", "\uD55C\uAD6D\uC5B4\uD55C\uAD6D\uC5B4"},
         "18 bytes long"},
        {"frame byte in the homepage",
         {"--port", port, "write", "--homepage", "a\x04Lb"},
         "control character"},
        {"line end in the table info",
         {"--port", port, "write", "--table-info", "x\n"},
         "holds a line end"},
        {"nothing to write", {"--port", port, "write"}, "nothing to write"},
        {"spaces only",
         {"--port", port, "write", "--homepage", "  ", "--table-info", " "},
         "nothing to write"},
        {"lock without a homepage",
         {"--port", port, "write", "--lock", "--table-info", "x"},
         "no homepage to write"},
        {"unknown option", {"--port", port, "read", "--force"}, "unknown option"},
        {"option of another command", {"--port", port, "write", "--json"}, "does not go with"},
        {"option without its value", {"write", "--homepage"}, "needs a value"},
        {"option twice", {"write", "--homepage", "a", "--homepage", "b"}, "given twice"},
        {"no port name", {"--port", "ttyS0", "read"}, "no port name"},
        {"no command", {"--port", port}, "no command"},
        {"unknown command", {"erase"}, "unknown command"},
        {"a port for ports", {"--port", port, "ports"}, "does not go with"},
        {"a gap without the quick end", {"--port", port, "read", "--gap", "20"}, "needs --quick"},
        {"a gap of nothing", {"--port", port, "read", "--quick", "--gap", "0"}, "from 1 to 1000"},
        {"a poll wait for keyed rows",
         {"--port", port, "batch", "x.csv", "--poll-wait", "100"},
         "for the polls of --hands-free"},
        {"no port and no port_info.txt", {"read"}, "no port"},
        {"batch without its file", {"--port", port, "batch"}, "needs the CSV file"},
        {"batch file missing", {"--port", port, "batch", "absent.csv"}, "cannot read absent.csv"},
        {"resume without a log", {"--port", port, "batch", "a.csv", "--resume"}, "needs the --log"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult run = Run(c.args);
        EXPECT_EQ(run.ending.status, 2);
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
    const std::vector<std::pair<std::string, std::string>> files = {
        {"", "empty.csv is empty"},
        {"homepage,lock\n", "line 1: the header must be homepage,table_info,lock"},
        {"homepage,table_info,lock\n", "has no rows"},
        {"homepage,table_info,lock\na,b,0\na,b\n", "line 3: 2 fields"},
        {"homepage,table_info,lock\r\na,b,yes\r\n", "line 2: lock is 'yes'"},
        {"homepage,table_info,lock\n\"a,b\n", "line 2: a quote that is never closed"},
        {"homepage,table_info,lock\na\"b\",c,0\n", "line 2: a quote inside an unquoted"},
        {"homepage,table_info,lock\n\"a\"b,c,0\n", "line 2: text after a closing quote"},
        {"homepage,table_info,lock\na,b,0\n\n , ,0\n", "line 4: nothing to write"},
        {"homepage,table_info,lock\na,0123456789ABC,0\n", "line 2: the table info is 13 bytes"},
        {"homepage,table_info,lock\na\tb,,0\n", "line 2: the homepage holds a control"},
        {"homepage,table_info,lock\n,START,1\n", "line 2: lock 1 locks the homepage"},
    };
    for (const auto& [text, reason] : files) {
        SCOPED_TRACE(text);
        WriteFile("empty.csv", text);
        const RunResult run = Run({"--port", port, "batch", "empty.csv"}, "\n\n\n");
        EXPECT_EQ(run.ending.status, 2);
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    }
    WriteFile("port_info.txt", "COM7\nfast\n");
    const RunResult run = Run({"read"});
    EXPECT_EQ(run.ending.status, 2);
    EXPECT_NE(run.err.find("port_info.txt is not as the window writes it"), std::string::npos);

    EXPECT_EQ(m_reader.Received(), "");
}

TEST_F(VelmoraTag, APortThatCannotBeOpenedIsStatusThree) {
    std::filesystem::create_symlink(m_config.Path() / "unplugged",
                                    platform::DeviceMapFolder() / "COM9");
    const RunResult run = Run({"--port", "COM9", "write", "--homepage", "a"});
    EXPECT_EQ(run.ending.status, 3);
    EXPECT_NE(run.err.find("cannot open COM9"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("COM9 is not connected to a device."), std::string::npos)
        << "the window's reason, in the operator's words: " << run.err;
}

TEST_F(VelmoraTag, BatchWritesEachTagTheOperatorPlaces) {
    // A spreadsheet's file: byte order mark, CR LF, quoted fields.
    WriteFile("tags.csv",
              "\xEF\xBB\xBFhomepage,table_info,lock\r\n"
              "http://a.example,T1,0\r\n"
              "\"b,c\",,\r\n"
              "\r\n"
              "d,\"x\"\"y\",1\r\n"
              "e,,\r\n");
    CliRun run({"--port", kPort, "batch", "tags.csv"}, m_folder);
    AnswerEach(run, {"\n", "s\n", "what?\n", "\n", "yes\n"});
    ASSERT_TRUE(run.Await("line 6: homepage \"e\". Place the tag"));
    const std::size_t sent = m_reader.Frames().size();
    run.Input("q\n");
    const std::optional<CliRun::Ending> ending = run.Wait();
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->status, 1) << "a row is left undone: " << run.Errors();
    EXPECT_EQ(Payloads(),
              (std::vector<std::string>{"R", "Ua.example", "WT1", "R", "R", "Ld", "Wx\"y", "R"}));
    EXPECT_EQ(m_reader.Frames().size(), sent);  // q sent nothing
    EXPECT_EQ(run.Output(),
              "line 2: homepage \"http://a.example\" table info \"T1\". Place the tag: Enter "
              "writes, s skips, q stops.\n"
              "line 2: written and verified\n"
              "line 3: homepage \"b,c\". Place the tag: Enter writes, s skips, q stops.\n"
              "line 3: skipped\n"
              "line 5: homepage \"d\" LOCKED table info \"x\\x22y\". Place the tag: Enter "
              "writes, s skips, q stops.\n"
              "'what?'? Enter writes line 5, s skips it, q stops.\n"
              "line 5 locks its tag's homepage for good. Type yes to lock the tags of this batch:\n"
              "line 5: written and verified\n"
              "line 6: homepage \"e\". Place the tag: Enter writes, s skips, q stops.\n"
              "2 written, 0 failed, 1 skipped, 1 not done\n");

    // Without a yes, nothing of a LOCK row goes out.
    const RunResult unconfirmed = Run({"--port", kPort, "batch", "tags.csv"}, "s\ns\n\ny\n");
    EXPECT_EQ(unconfirmed.ending.status, 1);
    EXPECT_NE(unconfirmed.out.find("locking not confirmed: stopped before line 5"),
              std::string::npos)
        << unconfirmed.out;
    EXPECT_EQ(m_reader.Frames().size(), sent);
}

// Fifty rows, of which four are written: every exchange costs its second, and a skip costs nothing,
// so the rest are skipped. The run is interrupted by Ctrl+C during a write, then at a prompt,
// stopped with q, and resumed to the end; the log must list every row once.
TEST_F(VelmoraTag, InterruptedBatchResumesFromItsLog) {
    std::string csv = "homepage,table_info,lock\n";
    for (int line = 2; line <= 51; ++line) {
        csv += "tag-" + std::to_string(line) + ",,0\n";
    }
    WriteFile("tags.csv", csv);
    const std::vector<std::string> batch{"--port",   kPort,   "batch",
                                         "tags.csv", "--log", "results.csv"};
    std::vector<std::string> resume = batch;
    resume.push_back("--resume");

    {
        CliRun first(batch, m_folder);
        AnswerEach(first, {"\n", "s\n", "\n"});
        ASSERT_TRUE(m_reader.WaitForFrames(5, 10s));  // line 4's write is out
        first.Signal(SIGINT);
        const std::optional<CliRun::Ending> ending = first.Wait();
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->signal, SIGINT) << first.Errors();
        EXPECT_NE(first.Output().find("line 4: written and verified\ninterrupted"),
                  std::string::npos)
            << first.Output();
    }
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"R", "Utag-2", "R", "R", "Utag-4", "R"}));
    {
        CliRun atPrompt(resume, m_folder);
        ASSERT_TRUE(atPrompt.Await("line 5: homepage \"tag-5\". Place the tag"));
        atPrompt.Signal(SIGINT);
        const std::optional<CliRun::Ending> ending = atPrompt.Wait(2s);
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->signal, SIGINT);
    }
    const RunResult stopped = Run(resume, "q\n");
    EXPECT_EQ(stopped.ending.status, 1) << "rows are left: " << stopped.err;
    EXPECT_NE(stopped.out.find("47 of 50 rows left, 0 of them retries"), std::string::npos)
        << stopped.out;
    EXPECT_EQ(m_reader.Frames().size(), 6u);

    std::vector<std::string> rest = {"\n", "\n"};
    for (int line = 7; line <= 51; ++line) {
        rest.push_back("s\n");
    }
    const RunResult last = RunAnswering(resume, rest);
    EXPECT_EQ(last.ending.status, 0) << last.err;
    EXPECT_NE(last.out.find("2 written, 0 failed, 45 skipped, 0 not done"), std::string::npos)
        << last.out;
    EXPECT_EQ(Payloads(6), (std::vector<std::string>{"R", "Utag-5", "R", "R", "Utag-6", "R"}));

    std::ifstream logFile(m_folder / "results.csv");
    std::string header;
    std::getline(logFile, header);
    EXPECT_EQ(header,
              "time,row,homepage,table_info,lock,port,homepage_sent,table_info_sent,"
              "homepage_answer,table_info_answer,read_back,result,record");
    std::map<int, int> seen;
    for (std::string line; std::getline(logFile, line);) {
        const std::string untimed = line.substr(line.find(',') + 1);  // the time differs
        const int row = std::stoi(untimed);
        const std::string n = std::to_string(row);
        const std::string asked = n + ",tag-" + n + ",,0,COM7,";
        if (untimed == asked + ",,,,,,started") {
            continue;  // a written row's intent, before its first write
        }
        ++seen[row];
        const bool written = row == 2 || row == 4 || row == 5 || row == 6;
        EXPECT_EQ(untimed,
                  written ? asked + "Utag-" + n + ",,Success,,\"tag-" + n + ",\",verified,result"
                          : asked + ",,,,,skipped,result");
    }
    EXPECT_EQ(seen.size(), 50u);
    EXPECT_EQ(seen.begin()->first, 2);
    EXPECT_EQ(seen.rbegin()->first, 51);
    for (const auto& [row, count] : seen) {
        EXPECT_EQ(count, 1) << "row " << row;
    }

    // A log that holds rows is not run into again without --resume, nor resumed for other rows.
    const RunResult again = Run(batch, "\n");
    EXPECT_EQ(again.ending.status, 2);
    EXPECT_NE(again.err.find("already holds a batch's results"), std::string::npos) << again.err;
    WriteFile("other.csv", "homepage,table_info,lock\nx,,0\n");
    const RunResult other =
        Run({"--port", kPort, "batch", "other.csv", "--log", "results.csv", "--resume"}, "\n");
    EXPECT_EQ(other.ending.status, 2);
    EXPECT_NE(other.err.find("the log belongs to another file"), std::string::npos) << other.err;
    EXPECT_EQ(m_reader.Frames().size(), 12u);
}

TEST_F(VelmoraTag, ListsThePortsThatStandForADevice) {
    const std::filesystem::path map = platform::DeviceMapFolder();
    std::filesystem::create_symlink("/dev/null", map / "COM2");
    std::filesystem::create_symlink(m_config.Path() / "unplugged", map / "COM3");
    std::filesystem::create_symlink(m_folder, map / "COM4");  // no device at all

    const RunResult run = Run({"ports"});
    EXPECT_EQ(run.ending.status, 0);
    const std::string simulated = m_reader.Link().string() + " -> " + m_reader.DevicePath() + "\n";
    EXPECT_NE(run.out.find("COM7  " + simulated), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("COM2  " + (map / "COM2").string() + " -> /dev/null\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("COM3 "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("COM4 "), std::string::npos) << run.out;
}

}  // namespace
}  // namespace clitest
