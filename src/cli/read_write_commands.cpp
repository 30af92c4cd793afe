// read and write: one tag, the window's READ and WRITE from a script.

#include <iostream>

#include "cli/command_runs.h"
#include "cli/tag_actions.h"
#include "cli/text_out.h"

namespace cli {

int RunRead(const Arguments& args) {
    int status = kSuccess;
    {
        PortSession session;
        if (const auto opened = OpenChosenPort(session, args); !opened) {
            return opened.error();
        }
        const std::optional<tag::ReadAnswer> answer = ReadTag(session);
        if (!answer && session.DeviceGone()) {
            Complain(DescribeDeviceGone(session.PortName()));
            status = kDeviceSaidNo;
        } else if (!answer) {
            Complain("no answer from the device on " + session.PortName() +
                     " (no tag on the reader?)");
            status = kDeviceSaidNo;
        } else if (args.json) {
            std::cout << "{" << JsonItem("homepage", answer->homepage) << ", "
                      << JsonItem("table_info", answer->tableInfo) << "}\n";
        } else {
            std::cout << "homepage: " << answer->homepage << "\ntable info: " << answer->tableInfo
                      << "\n";
        }
    }
    return Finish(status);
}

int RunWrite(const Arguments& args) {
    const TagWrite items{args.homepage.value_or(""), args.tableInfo.value_or(""), args.lock};
    if (const platform::Result<void> checked = CheckTagWrite(items, "--lock"); !checked) {
        Complain(checked.error());
        return kBadInput;
    }
    int status = kSuccess;
    {
        PortSession session;
        if (const auto opened = OpenChosenPort(session, args); !opened) {
            return opened.error();
        }
        const WriteReport report = WriteTag(session, items, {.verify = args.verify});
        if (!report.homepagePayload.empty()) {
            std::cout << "sent " << Quoted(report.homepagePayload) << ", answer "
                      << Quoted(report.homepageAnswer) << "\n";
        }
        if (!report.tableInfoPayload.empty()) {
            std::cout << "sent " << Quoted(report.tableInfoPayload) << ", answer "
                      << Quoted(report.tableInfoAnswer) << "\n";
        }
        if (!report.Succeeded()) {
            Complain(report.outcome.error());
            status = kDeviceSaidNo;
        } else {
            std::cout << (report.verified ? "written and verified" : "written") << "\n";
        }
    }
    return Finish(status);
}

}  // namespace cli
