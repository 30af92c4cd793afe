// What every backend's journal shares: ownership of the one handle. Open, Append and Close are
// the backends' own.

#include <utility>

#include "platform/journal_file.h"

namespace platform {

JournalFile::JournalFile(JournalFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle)) {}

JournalFile& JournalFile::operator=(JournalFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, kNoHandle);
    }
    return *this;
}

JournalFile::~JournalFile() {
    Close();
}

}  // namespace platform
