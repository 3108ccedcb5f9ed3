#include "ui/main_window_layout.h"

#include <algorithm>
#include <cstring>

namespace quellora {

using namespace main_layout;

Size MainClientSize(Size largestPage, int dpi) {
    const int m = ScaleForDpi(kMargin, dpi);
    const int w = ScaleForDpi(kNavigationWidth, dpi);
    return Size{largestPage.width + w + 3 * m, largestPage.height + 2 * m};
}

MainWindowLayout LayOutMainWindow(Size client, Size largestPage, int dpi) {
    const int m = ScaleForDpi(kMargin, dpi);
    const int w = ScaleForDpi(kNavigationWidth, dpi);
    MainWindowLayout l;
    l.navigation = RectAt(m, m, w, std::max(0, client.height - 2 * m));
    l.navigationColumn = w - ScaleForDpi(kColumnInset, dpi);
    const int pageWidth = std::max(largestPage.width, client.width - (w + 2 * m) - m);
    const int pageHeight = std::max(largestPage.height, client.height - 2 * m);
    l.page = RectAt(w + 2 * m, m, pageWidth, pageHeight);
    return l;
}

Rect PlaceWindow(Size size, const std::optional<Point>& corner, const Rect& work) {
    int x = 0, y = 0;
    if (corner) {
        x = corner->x;
        y = corner->y;
    } else {
        x = work.left + std::max(0, (work.width() - size.width) / 2);
        y = work.top + std::max(0, (work.height() - size.height) / 2);
    }
    x = std::max(std::min(x, work.right - size.width), work.left);
    y = std::max(std::min(y, work.bottom - size.height), work.top);
    return RectAt(x, y, size.width, size.height);
}

namespace {

// WINDOWPLACEMENT: length, flags, showCmd, ptMinPosition, ptMaxPosition, rcNormalPosition.
constexpr size_t kNormalAt = 28;

int32_t Int32At(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return static_cast<int32_t>(v);
}

void PutInt32(std::vector<uint8_t>& b, size_t at, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::optional<Rect> ParsePlacement(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != kPlacementBytes || Int32At(bytes, 0) != static_cast<int32_t>(kPlacementBytes)) {
        return std::nullopt;
    }
    return Rect{Int32At(bytes, kNormalAt), Int32At(bytes, kNormalAt + 4), Int32At(bytes, kNormalAt + 8),
                Int32At(bytes, kNormalAt + 12)};
}

std::vector<uint8_t> MakePlacement(const Rect& normal, uint32_t showCommand, uint32_t flags) {
    std::vector<uint8_t> b(kPlacementBytes, 0);
    PutInt32(b, 0, static_cast<int32_t>(kPlacementBytes));
    PutInt32(b, 4, static_cast<int32_t>(flags));
    PutInt32(b, 8, static_cast<int32_t>(showCommand));
    PutInt32(b, 12, -1);  // no minimised or maximised position of its own
    PutInt32(b, 16, -1);
    PutInt32(b, 20, -1);
    PutInt32(b, 24, -1);
    PutInt32(b, kNormalAt, normal.left);
    PutInt32(b, kNormalAt + 4, normal.top);
    PutInt32(b, kNormalAt + 8, normal.right);
    PutInt32(b, kNormalAt + 12, normal.bottom);
    return b;
}

}  // namespace quellora
