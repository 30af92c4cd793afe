#pragma once
// The ground of every velmora-tag test: a device map of the test's own with the simulated reader
// on COM7, a working folder for the program, and the frames the reader received.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_run.h"
#include "simreader/sim_tag_reader.h"
#include "support/temp_config_home.h"

namespace clitest {

constexpr char kPort[] = "COM7";

class VelmoraTag : public ::testing::Test {
  protected:
    VelmoraTag() { std::filesystem::create_directories(m_folder); }

    RunResult Run(const std::vector<std::string>& args, std::string_view input = {}) {
        return RunToEnd(args, m_folder, input);
    }

    // A run whose questions are answered in turn, a fresh blank tag on the reader before each, as
    // an operator places one for every row; input ends behind the last answer.
    RunResult RunAnswering(const std::vector<std::string>& args,
                           const std::vector<std::string>& answers) {
        CliRun run(args, m_folder);
        AnswerEach(run, answers);
        const std::optional<CliRun::Ending> ending = run.Wait();
        return {ending.value_or(CliRun::Ending{}), run.Output(), run.Errors()};
    }
    void AnswerEach(CliRun& run, const std::vector<std::string>& answers) {
        for (const std::string& answer : answers) {
            if (!run.AwaitQuestion({})) {
                return;
            }
            m_reader.SetTag({});
            run.Input(answer);
        }
    }

    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(m_folder / name, std::ios::binary) << text;
    }

    std::string ReadFile(const std::string& name) const {
        std::ifstream file(m_folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // The payloads of the frames `reader` has received from the `from`th on.
    static std::vector<std::string> PayloadsOf(const sim::SimTagReader& reader,
                                               std::size_t from = 0) {
        std::vector<std::string> payloads;
        const auto frames = reader.Frames();
        for (std::size_t i = from; i < frames.size(); ++i) {
            payloads.push_back(frames[i].bytes.substr(1, frames[i].bytes.size() - 2));
        }
        return payloads;
    }
    std::vector<std::string> Payloads(std::size_t from = 0) const {
        return PayloadsOf(m_reader, from);
    }

    testsupport::TempConfigHome m_config;
    std::filesystem::path m_folder = m_config.Path() / "work";
    sim::SimTagReader m_reader{{.portName = kPort, .tag = {}, .log = {}}};
};

}  // namespace clitest
