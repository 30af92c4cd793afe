#include "cli/batch_progress.h"

#include <iostream>

namespace cli {
namespace {
// Back to the start of the line and clear it: the progress line is redrawn in place.
constexpr const char* kRedraw = "\r\x1b[K";
}  // namespace

BatchProgress::BatchProgress(std::size_t total, bool terminal)
    : m_total(total), m_terminal(terminal) {}

void BatchProgress::Show(const std::string& text, bool finished) {
    if (m_terminal) {
        std::cout << kRedraw << "[row " << m_position << " of " << m_total << " | " << m_ok
                  << " ok, " << m_failed << " failed] " << text;
    } else {
        std::cout << text;
    }
    if (finished) {
        std::cout << "\n";
    }
    std::cout.flush();
}

void BatchProgress::Ask(std::size_t position, const std::string& question) {
    m_position = position;
    // On a terminal the operator's Enter ends the line; in a pipe nobody does.
    Show(question + (m_terminal ? " " : ""), !m_terminal);
}

void BatchProgress::Working(const std::string& what) {
    if (m_terminal) {
        // The Enter typed after the question moved the cursor down: draw on the line above.
        std::cout << "\x1b[A";
        Show(what, false);
    }
}

void BatchProgress::Succeeded(const std::string& what) {
    ++m_ok;
    Show(what, true);
}

void BatchProgress::Failed(const std::string& what) {
    ++m_failed;
    Show(what, true);
}

void BatchProgress::Skipped(const std::string& what) {
    ++m_skipped;
    Show(what, true);
}

void BatchProgress::Unfinished(const std::string& what) {
    Show(what, true);
}

void BatchProgress::Say(const std::string& text) {
    if (m_terminal) {
        std::cout << kRedraw;
    }
    std::cout << text << std::endl;
}

void BatchProgress::Summary(std::size_t settledBefore) {
    m_notDone = m_total - settledBefore - m_ok - m_failed - m_skipped;
    Say(std::to_string(m_ok) + " written, " + std::to_string(m_failed) + " failed, " +
        std::to_string(m_skipped) + " skipped, " + std::to_string(m_notDone) + " not done");
}

}  // namespace cli
