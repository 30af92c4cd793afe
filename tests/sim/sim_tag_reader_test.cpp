#include "simreader/sim_tag_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>
#include <utility>

#include "sim_test_support.h"

namespace simtest {
namespace {

using sim::Reply;
using sim::SimTagReader;
using sim::TagState;

std::string Frame(std::string_view payload) {
    return "\x01" + std::string(payload) + "\x04";
}

SimTagReader::Options WithTag(TagState tag) {
    return {.portName = {}, .tag = std::move(tag), .log = {}};
}

struct Exchange {
    std::string payload;
    std::string answer;  // empty: the device stays silent
};

struct CommandCase {
    const char* name;
    TagState start;
    std::vector<Exchange> exchanges;
    TagState end;
};

TEST_F(SimReaderTest, CommandsAnswerAndChangeTheTag) {
    const std::string binaryText("\x01h\0i", 4);
    const std::vector<CommandCase> cases = {
        {"read", {"abc", "START", false}, {{"R", "abc,START"}}, {"abc", "START", false}},
        {"read of an empty tag", {}, {{"R", ","}}, {}},
        {"unlocked write",
         {"old", "T", false},
         {{"Ux.y", "Success"}, {"R", "x.y,T"}, {"Unext", "Success"}},
         {"next", "T", false}},
        {"locked write refuses later homepage writes",
         {},
         {{"Lfirst", "Success"}, {"Usecond", "Locked"}, {"Lthird", "Locked"}, {"R", "first,"}},
         {"first", "", true}},
        {"table info is writable under the lock",
         {"h", "", true},
         {{"WDELETE", "Success"}, {"R", "h,DELETE"}},
         {"h", "DELETE", true}},
        {"bare letters", {"h", "t", false}, {{"U", "Success"}, {"W", "Success"}}, {}},
        {"text with control bytes", {}, {{"W" + binaryText, "Success"}}, {"", binaryText, false}},
        {"unknown and empty commands are not answered",
         {"h", "t", false},
         {{"Zx", ""}, {"", ""}, {"r", ""}, {"R", "h,t"}},
         {"h", "t", false}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimTagReader reader(WithTag(c.start));
        FarSide far(reader.DevicePath());
        for (const Exchange& e : c.exchanges) {
            far.Send(Frame(e.payload));
            if (!e.answer.empty()) {
                EXPECT_EQ(far.Read(e.answer.size(), 2s), e.answer) << "payload " << e.payload;
            }
        }
        ASSERT_TRUE(reader.WaitForFrames(c.exchanges.size(), 2s));
        EXPECT_EQ(far.ReadFor(50ms), "");
        const TagState tag = reader.Tag();
        EXPECT_EQ(tag.homepage, c.end.homepage);
        EXPECT_EQ(tag.tableInfo, c.end.tableInfo);
        EXPECT_EQ(tag.locked, c.end.locked);
    }
}

TEST_F(SimReaderTest, RecordsFramesAndNoiseByteExact) {
    SimTagReader reader;
    FarSide far(reader.DevicePath());
    const std::string spread = "\x01W\x01" + std::string(1, '\0') + "z\x04";
    far.Send("ab\x04");
    far.Send(Frame("R"));
    far.Send("x\x04y");
    for (const char byte : spread) {  // one write per byte: a frame across many reads
        far.Send(std::string_view(&byte, 1));
    }
    far.Send("\x01U");  // begun, never ended
    const std::string all = "ab\x04" + Frame("R") + "x\x04y" + spread + "\x01U";

    ASSERT_TRUE(WaitUntil([&] { return reader.Received().size() == all.size(); }, 2s));
    EXPECT_EQ(reader.Received(), all);
    const std::vector<SimTagReader::Frame> frames = reader.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, Frame("R"));
    EXPECT_EQ(frames[1].bytes, spread);
    EXPECT_LE(frames[0].arrived, frames[1].arrived);
    EXPECT_EQ(reader.Tag().tableInfo, std::string("\x01\0z", 3));
}

TEST_F(SimReaderTest, ScriptsApplyToTheNextFramesInOrder) {
    SimTagReader reader(WithTag({"h", "t", false}));
    FarSide far(reader.DevicePath());
    const std::string withNuls("Suc\0cess\0\0", 10);
    reader.Script(sim::Silence());
    reader.Script(Reply().Answer(withNuls));
    reader.Script(Reply().WithGarbage(std::string("\xff\0junk", 6)));

    far.Send(Frame("Unew"));
    ASSERT_TRUE(reader.WaitForFrames(1, 2s));
    EXPECT_EQ(far.ReadFor(150ms), "");
    EXPECT_EQ(reader.Tag().homepage, "new");  // a silent device still did the work

    far.Send(Frame("R"));
    EXPECT_EQ(far.Read(withNuls.size(), 2s), withNuls);
    far.Send(Frame("Wx"));
    EXPECT_EQ(far.Read(13, 2s), std::string("\xff\0junkSuccess", 13));
    far.Send(Frame("R"));
    EXPECT_EQ(far.Read(5, 2s), "new,x");
    EXPECT_EQ(far.ReadFor(50ms), "");
}

TEST_F(SimReaderTest, StoringKeepsAnotherTextThanWasSent) {
    SimTagReader reader(WithTag({"h", "t", false}));
    FarSide far(reader.DevicePath());
    reader.Script(Reply().Storing("bent"));
    reader.Script(Reply().Storing("worn").Answer("Fail"));
    reader.Script(Reply().Storing("ignored"));

    far.Send(Frame("Ustraight"));
    EXPECT_EQ(far.Read(7, 2s), "Success");  // the device does not know it stored something else
    far.Send(Frame("Wnew"));
    EXPECT_EQ(far.Read(4, 2s), "Fail");
    far.Send(Frame("R"));  // a read stores nothing
    EXPECT_EQ(far.Read(9, 2s), "bent,worn");
    EXPECT_EQ(far.ReadFor(50ms), "");
}

TEST_F(SimReaderTest, DelayCountsFromTheEndOfTheFrame) {
    SimTagReader reader(WithTag({"h", "t", false}));
    FarSide far(reader.DevicePath());
    reader.Script(Reply().After(300ms));
    far.Send("\x01R");
    std::this_thread::sleep_for(200ms);  // the frame's end comes late; the clock starts there
    const auto frameEnd = Clock::now();
    far.Send("\x04");
    const std::vector<FarSide::Chunk> chunks = far.ReadChunks(3, 2s);
    ASSERT_EQ(Join(chunks), "h,t");
    EXPECT_GE(chunks.front().at - frameEnd, 300ms);
    EXPECT_LT(chunks.front().at - frameEnd, 600ms);
}

TEST_F(SimReaderTest, AnswerInPiecesArrivesSpreadOut) {
    SimTagReader reader(WithTag({"abcdef", "XY", false}));
    FarSide far(reader.DevicePath());
    reader.Script(Reply().InPieces(1, 20ms));
    far.Send(Frame("R"));
    const std::vector<FarSide::Chunk> chunks = far.ReadChunks(9, 3s);
    ASSERT_EQ(Join(chunks), "abcdef,XY");
    EXPECT_GE(chunks.size(), 5u);  // a slow reader may see two pieces at once, not all
    EXPECT_GE(chunks.back().at - chunks.front().at, 8 * 20ms - 10ms);
}

TEST_F(SimReaderTest, FloodArrivesWholeAndInOrder) {
    constexpr std::size_t kSize = 200'000;
    SimTagReader reader;
    FarSide far(reader.DevicePath());
    reader.Script(Reply().Answer(sim::FloodBytes(kSize)));
    far.Send(Frame("R"));
    const std::string flood = far.Read(kSize, 5s);
    ASSERT_EQ(flood.size(), kSize);
    for (std::size_t i = 0; i < kSize; ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(flood[i]), sim::FloodByte(i)) << "at " << i;
    }
}

// Bytes of the reader's own accord: sent at once while it is idle, behind an answer it is still
// sending, never after a hang-up; and the records can be forgotten in between.
TEST_F(SimReaderTest, SendsOfItsOwnAccordBehindWhatIsUnderWay) {
    SimTagReader reader(WithTag({"abc", "XY", false}));
    FarSide far(reader.DevicePath());
    reader.Send("hello");
    EXPECT_EQ(far.Read(5, 2s), "hello");

    reader.Script(Reply().After(200ms));
    far.Send(Frame("R"));
    ASSERT_TRUE(reader.WaitForFrames(1, 2s));
    reader.Send("#");
    EXPECT_EQ(far.Read(7, 2s), "abc,XY#");
    constexpr std::size_t kFlood =
        300'000;  // several writes, each from its own place in the period
    reader.Flood(kFlood);
    EXPECT_EQ(far.Read(kFlood, 5s), sim::FloodBytes(kFlood));

    reader.ForgetRecords();
    EXPECT_TRUE(reader.Frames().empty());
    EXPECT_TRUE(reader.Received().empty());
    far.Send(Frame("R"));
    EXPECT_EQ(far.Read(6, 2s), "abc,XY");
    EXPECT_EQ(reader.Received(), Frame("R"));

    reader.HangUp();
    reader.Send("late");
    EXPECT_EQ(far.Read(SIZE_MAX, 1s), "");
    EXPECT_TRUE(far.HungUp());
}

TEST_F(SimReaderTest, HangUpAfterPartOfTheAnswer) {
    struct Case {
        const char* name;
        Reply reply;
        std::string seen;
    };
    const std::vector<Case> cases = {
        {"before any byte", Reply().HangingUpAfter(0), ""},
        {"inside the answer", Reply().HangingUpAfter(3), "abc"},
        {"inside the garbage", Reply().WithGarbage("##").HangingUpAfter(1), "#"},
        {"in pieces, after a delay", Reply().After(50ms).InPieces(2, 10ms).HangingUpAfter(5),
         "abc,X"},
        {"after the whole answer", Reply().HangingUpAfter(100), "abc,XY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimTagReader reader(WithTag({"abc", "XY", false}));
        FarSide far(reader.DevicePath());
        reader.Script(c.reply);
        far.Send(Frame("R"));
        EXPECT_EQ(far.Read(SIZE_MAX, 2s), c.seen);
        EXPECT_TRUE(far.HungUp());
        EXPECT_TRUE(WaitUntil([&] { return reader.IsHungUp(); }, 1s));
    }
}

TEST_F(SimReaderTest, HangUpOnDemandWhileIdle) {
    SimTagReader reader;
    FarSide far(reader.DevicePath());
    reader.HangUp();
    EXPECT_TRUE(reader.IsHungUp());
    EXPECT_EQ(far.Read(SIZE_MAX, 2s), "");
    EXPECT_TRUE(far.HungUp());
}

// Samples the serving thread's wake-ups until they stop rising, then counts those of `window`.
std::uint64_t WakeupsWhileIdle(const SimTagReader& reader, std::chrono::milliseconds window) {
    std::uint64_t last = reader.Wakeups();
    WaitUntil(
        [&] {
            std::this_thread::sleep_for(30ms);
            return std::exchange(last, reader.Wakeups()) == last;
        },
        2s);
    const std::uint64_t before = reader.Wakeups();
    std::this_thread::sleep_for(window);
    return reader.Wakeups() - before;
}

TEST_F(SimReaderTest, ServingThreadSleepsWhenNothingHappens) {
    SimTagReader reader;
    EXPECT_LE(WakeupsWhileIdle(reader, 200ms), 1u) << "nobody has the port open";
    {
        FarSide far(reader.DevicePath());
        far.Send(Frame("R"));
        ASSERT_TRUE(reader.WaitForFrames(1, 2s));
    }  // the program closes its end, the answer still unread
    EXPECT_LE(WakeupsWhileIdle(reader, 200ms), 1u) << "after the program closed the port";

    FarSide stalled(reader.DevicePath());
    reader.Script(Reply().Answer(sim::FloodBytes(1 << 20)));
    stalled.Send(Frame("R"));
    ASSERT_TRUE(reader.WaitForFrames(2, 2s));
    EXPECT_LE(WakeupsWhileIdle(reader, 200ms), 1u) << "flood stuck on a program that does not read";

    reader.HangUp();
    EXPECT_LE(WakeupsWhileIdle(reader, 200ms), 1u) << "after a hang-up";
}

TEST_F(SimReaderTest, StopsPromptlyWhateverItIsDoing) {
    struct Case {
        const char* name;
        Reply reply;
    };
    const std::vector<Case> cases = {
        {"waiting to answer late", Reply().After(10s)},
        {"between pieces", Reply().InPieces(1, 5s)},
        {"flooding a program that does not read", Reply().Answer(sim::FloodBytes(1 << 20))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<SimTagReader> reader(std::in_place);
        FarSide far(reader->DevicePath());
        reader->Script(c.reply);
        far.Send(Frame("R"));
        ASSERT_TRUE(reader->WaitForFrames(1, 2s));
        std::this_thread::sleep_for(20ms);  // let it get into the delay or the full buffer
        const auto start = Clock::now();
        reader.reset();
        EXPECT_LT(Clock::now() - start, 200ms);
    }
}

TEST_F(SimReaderTest, LinksItselfAsThePortAndRemovesOnlyItsOwnLink) {
    std::filesystem::path link;
    {
        SimTagReader reader({.portName = "COM3", .tag = {}, .log = {}});
        link = MapFolder() / "COM3";
        EXPECT_EQ(reader.Link(), link);
        EXPECT_EQ(std::filesystem::read_symlink(link), reader.DevicePath());
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));

    // A reader that hung up frees its /dev/pts number, which the next one may get again: the
    // successor's link must survive the first reader's end.
    std::optional<SimTagReader> first(
        SimTagReader::Options{.portName = "COM3", .tag = {}, .log = {}});
    first->HangUp();
    SimTagReader second({.portName = "COM3", .tag = {"h", "t", false}, .log = {}});
    first.reset();
    EXPECT_EQ(std::filesystem::read_symlink(link), second.DevicePath());
    FarSide far(link.string());
    far.Send(Frame("R"));
    EXPECT_EQ(far.Read(3, 2s), "h,t");
}

TEST_F(SimReaderTest, LogsEachFrameWithItsReply) {
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> lines;
    SimTagReader reader({.portName = {},
                         .tag = {"h", "t", false},
                         .log = [&](std::string_view frame, std::string_view reply) {
                             std::lock_guard lock(mutex);
                             lines.emplace_back(frame, reply);
                         }});
    reader.Script(sim::Silence());
    FarSide far(reader.DevicePath());
    far.Send(Frame("Wx") + Frame("R"));
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::lock_guard lock(mutex);
            return lines.size() >= 2;
        },
        2s));
    std::lock_guard lock(mutex);
    const std::vector<std::pair<std::string, std::string>> expected = {{Frame("Wx"), ""},
                                                                       {Frame("R"), "h,x"}};
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace simtest
