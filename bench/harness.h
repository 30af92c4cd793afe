#pragma once
// The benchmarks' common ground: one table of figures, the statistics behind them, and a registry
// so that each benchmark lives in a file of its own and joins the run by linking.
//
// Everything here runs on the main thread; benchmarks start and join their own threads.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Nearest-rank quantile of the samples (q in 0..1).
double Quantile(std::vector<double> samples, double q);
inline double Median(std::vector<double> samples) {
    return Quantile(std::move(samples), 0.5);
}

// The least-squares slope of ys over xs (same length, at least two distinct xs), in y per x.
double Slope(const std::vector<double>& xs, const std::vector<double>& ys);

// CPU time of the whole process, every thread included.
double ProcessCpuSeconds();

// printf into a std::string.
std::string Text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One line of the table: the program's figure next to its baseline, measured in the same run.
struct Row {
    std::string figure;
    std::string program;
    std::string baseline;
    std::string ratio;    // program / baseline, or empty
    std::string target;   // empty for a line that only informs
    std::string verdict;  // "met", "MISSED" or empty
};

inline std::string Verdict(bool met) {
    return met ? "met" : "MISSED";
}

class Table {
  public:
    void Add(Row row) { m_rows.push_back(std::move(row)); }
    // A line of its own under the figures, for counts and remarks.
    void Note(std::string text) { m_notes.push_back(std::move(text)); }
    void Print(std::FILE* out) const;
    bool AllTargetsMet() const;

  private:
    std::vector<Row> m_rows;
    std::vector<std::string> m_notes;
};

// A benchmark adds its rows to the table; it reports a failure to run by throwing.
using Benchmark = void (*)(Table&);

// Joins `run` to the run, which goes in ascending `order`.
struct Registration {
    Registration(int order, const char* name, Benchmark run);
};

// Runs the registered benchmarks whose names contain `only` (all when empty) with a fresh device
// map (XDG_CONFIG_HOME) as the working folder, and prints the table; 0 when each one ran.
// `arguments` (what followed the name on the command line) are there for those that take some.
int RunAll(std::string_view only, std::vector<std::string> arguments = {});
const std::vector<std::string>& Arguments();

}  // namespace bench
