#pragma once
// Windows only. Owns one kernel handle. Both "no handle" values of the Win32 calls (null from
// CreateEvent, INVALID_HANDLE_VALUE from CreateFile) count as empty.

#include <utility>

#include "platform/windows/win32_api.h"

namespace platform::win32 {

class UniqueHandle {
  public:
    explicit UniqueHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~UniqueHandle() {
        if (*this) {
            CloseHandle(m_handle);
        }
    }
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&&) = delete;
    HANDLE get() const { return m_handle; }
    explicit operator bool() const {
        return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE m_handle;
};

}  // namespace platform::win32
