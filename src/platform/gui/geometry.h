#pragma once
// Points and sizes in a window's client pixels, the same on every window backend.

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    bool operator==(const Size&) const = default;
};

}  // namespace platform
