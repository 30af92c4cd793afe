#include "support/temp_config_home.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testsupport {

TempConfigHome::TempConfigHome() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
        m_previous = old;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
    ::setenv("XDG_CONFIG_HOME", m_path.c_str(), 1);
}

TempConfigHome::~TempConfigHome() {
    if (m_previous) {
        ::setenv("XDG_CONFIG_HOME", m_previous->c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace testsupport
