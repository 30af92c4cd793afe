#include "harness.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <exception>
#include <filesystem>

#include "support/temp_config_home.h"

namespace bench {
namespace {

struct Entry {
    int order;
    const char* name;
    Benchmark run;
};

std::vector<Entry>& Registry() {
    static std::vector<Entry> entries;
    return entries;
}

std::vector<std::string> g_arguments;

}  // namespace

double Quantile(std::vector<double> samples, double q) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

double Slope(const std::vector<double>& xs, const std::vector<double>& ys) {
    const auto n = static_cast<double>(xs.size());
    double meanX = 0;
    double meanY = 0;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        meanX += xs[i] / n;
        meanY += ys[i] / n;
    }
    double covariance = 0;
    double variance = 0;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        covariance += (xs[i] - meanX) * (ys[i] - meanY);
        variance += (xs[i] - meanX) * (xs[i] - meanX);
    }
    return variance > 0 ? covariance / variance : 0.0;
}

double ProcessCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string Text(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

void Table::Print(std::FILE* out) const {
    const auto fields = [](const Row& r) {
        return std::array{&r.figure, &r.program, &r.baseline, &r.ratio, &r.target, &r.verdict};
    };
    std::vector<Row> rows{{"figure", "program", "baseline", "ratio", "target", "verdict"}};
    rows.insert(rows.end(), m_rows.begin(), m_rows.end());
    std::array<std::size_t, 6> widths{};
    for (const Row& row : rows) {
        const auto f = fields(row);
        for (std::size_t i = 0; i < f.size(); ++i) {
            widths[i] = std::max(widths[i], f[i]->size());
        }
    }
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const auto f = fields(rows[n]);
        for (std::size_t i = 0; i < f.size(); ++i) {
            std::fprintf(out, "%-*s  ", static_cast<int>(widths[i]), f[i]->c_str());
        }
        std::fputc('\n', out);
        if (n == 0) {
            std::size_t total = 0;
            for (std::size_t w : widths) {
                total += w + 2;
            }
            std::fprintf(out, "%s\n", std::string(total, '-').c_str());
        }
    }
    for (const std::string& note : m_notes) {
        std::fprintf(out, "  %s\n", note.c_str());
    }
}

bool Table::AllTargetsMet() const {
    return std::ranges::none_of(m_rows, [](const Row& r) { return r.verdict == "MISSED"; });
}

Registration::Registration(int order, const char* name, Benchmark run) {
    Registry().push_back(Entry{order, name, run});
}

const std::vector<std::string>& Arguments() {
    return g_arguments;
}

int RunAll(std::string_view only, std::vector<std::string> arguments) {
    g_arguments = std::move(arguments);
    // Every port a benchmark names lives in a device map of its own, and the files the program
    // writes (port_info.txt) land beside it: the machine's own map is never touched.
    testsupport::TempConfigHome config;
    const std::filesystem::path previousDir = std::filesystem::current_path();
    std::filesystem::current_path(config.Path());
    std::vector<Entry> entries = Registry();
    std::ranges::sort(entries, {}, &Entry::order);
    Table table;
    int failures = 0;
    for (const Entry& e : entries) {
        if (std::string_view(e.name).find(only) == std::string_view::npos) {
            continue;
        }
        std::fprintf(stderr, "running %s ...\n", e.name);
        try {
            e.run(table);
        } catch (const std::exception& error) {
            table.Note(Text("%s did not run: %s", e.name, error.what()));
            ++failures;
        }
    }
    std::filesystem::current_path(previousDir);
    table.Print(stdout);
    if (failures != 0) {
        std::printf("%d benchmark(s) did not run\n", failures);
        return 1;
    }
    std::printf("%s\n", table.AllTargetsMet() ? "every target met" : "some targets MISSED");
    return 0;
}

}  // namespace bench
