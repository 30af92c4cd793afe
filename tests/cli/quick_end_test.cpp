// The quick end: each exchange ends once its answer is whole. What it must never do is take a
// failure for a success, or one exchange's answer for another's; each row is one write (with its
// read-back) against a reader scripted to answer in a way that tests one decision.

#include <gtest/gtest.h>

#include "tag_fixture.h"

namespace clitest {
namespace {

using namespace std::chrono_literals;
using sim::Reply;

TEST_F(VelmoraTag, QuickEndWaitsForWholeAnswersAndNeverBorrowsOne) {
    struct Row {
        const char* name;
        std::vector<Reply> replies;  // for the homepage write, the table info write, the read-backs
        // The closing silence; each row leaves some 50 ms either side of what it tells apart, for
        // a loaded machine.
        const char* gap;
        int status;
        std::string said;  // in the output (answers) or on standard error
        std::vector<std::string> frames;
    };
    const std::vector<std::string> readBackTwice = {"Ua", "WT", "R", "R"};
    const std::vector<std::string> once = {"Ua", "WT", "R"};
    const Row rows[] = {
        {"complete", {}, "50", 0, "written and verified", once},
        {"a prefix of Success waits for the rest",
         {Reply().InPieces(4, 300ms)},
         "50",
         0,
         "sent \"Ua\", answer \"Success\"",
         once},
        {"text that cannot become Success fails",
         {Reply().Answer("Locked")},
         "50",
         1,
         "homepage write failed: the device answered \"Locked\"",
         {"Ua"}},
        {"Success followed by more within the gap is not Success",
         {Reply().Answer("SuccessX").InPieces(7, 20ms)},
         "200",
         1,
         "the device answered \"SuccessX\"",
         {"Ua"}},
        {"silence keeps the whole second",
         {sim::Silence()},
         "50",
         1,
         "no answer from the device",
         {"Ua"}},
        {"a read-back split by a pause is read again before it fails",
         {Reply(), Reply(), Reply().InPieces(2, 60ms)},
         "10",
         0,
         "written and verified",
         readBackTwice},
        {"an answer past its second is dropped, not taken for the next",
         {Reply().After(1050ms)},
         "50",
         1,
         "sent \"WT\", answer \"Success\"",
         {"Ua"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_reader.SetTag({});
        m_reader.ForgetRecords();
        for (const Reply& reply : row.replies) {
            m_reader.Script(reply);
        }
        const RunResult run = Run({"--port", kPort, "write", "--homepage", "a", "--table-info", "T",
                                   "--verify", "--quick", "--gap", row.gap});
        EXPECT_EQ(run.ending.status, row.status) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(row.said), std::string::npos) << run.out << run.err;
        EXPECT_EQ(run.out.find("SuccessSuccess"), std::string::npos) << run.out;
        if (row.status == 0) {
            EXPECT_EQ(Payloads(), row.frames);
        }
    }
}

}  // namespace
}  // namespace clitest
