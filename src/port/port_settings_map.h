#pragma once
// What the selections of the five settings lists mean on the line.
//
// Only the port list is visible; the other four keep the selections the dialog starts with, so
// every port opens at 57600 baud, 8 data bits, two stop bits and no parity. The reader depends
// on those settings, which is why baud index 2 ("9600" in the list) gives 57600.

#include <cstdint>
#include <optional>
#include <string>

namespace port {

inline constexpr int kPortCount = 50;

// The selections the four hidden lists start with and, being hidden, keep.
inline constexpr int kDefaultBaudIndex = 2;
inline constexpr int kDefaultDataBitsIndex = 3;
inline constexpr int kDefaultStopBitsIndex = 0;
inline constexpr int kDefaultParityIndex = 2;

// "COM1" … "COM50" for the list's entries; "COM1" for no selection.
inline std::string PortNameForIndex(int index) {
    return "COM" + std::to_string(index >= 0 && index < kPortCount ? index + 1 : 1);
}

inline constexpr std::int32_t BaudRateForIndex(int index) {
    switch (index) {
        case 0:
            return 2400;
        case 1:
            return 4800;
        case 3:
            return 14400;
        case 4:
            return 19200;
        case 5:
            return 38400;
        case 7:
            return 115200;
        default:
            return 57600;
    }
}

inline constexpr std::int32_t DataBitsForIndex(int index) {
    return index >= 0 && index <= 3 ? 5 + index : 8;
}

// The stop-bits code as the line takes it; nothing for an index the list does not have.
inline constexpr std::optional<std::int32_t> StopBitsForIndex(int index) {
    switch (index) {
        case 0:
            return 2;
        case 1:
            return 0;
        default:
            return std::nullopt;
    }
}

inline constexpr std::int32_t ParityForIndex(int index) {
    switch (index) {
        case 0:
            return 2;
        case 1:
            return 1;
        default:
            return 0;
    }
}

}  // namespace port
