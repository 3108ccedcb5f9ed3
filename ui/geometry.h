// Points, sizes and rectangles in pixels as the windows' presenters compute
// them, and the scaling of a distance given at 96 dpi to a window's dpi.
#pragma once

#include <cstdint>

namespace quellora {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// Left and top inside, right and bottom outside, as RECT.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

inline Rect RectAt(int x, int y, int width, int height) { return Rect{x, y, x + width, y + height}; }

// MulDiv(value, dpi, 96): rounded half away from zero.
inline int ScaleForDpi(int value, int dpi) {
    const int64_t product = static_cast<int64_t>(value) * dpi;
    const int64_t half = 48;
    return static_cast<int>(product >= 0 ? (product + half) / 96 : -((-product + half) / 96));
}

}  // namespace quellora
