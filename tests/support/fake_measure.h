// Text measured the way a window would, with a fixed advance per character:
// 7 pixels wide and 16 high at scale 1 (surrogate pairs count once), word
// wrapped at blanks.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "ui/text_fit.h"

namespace quellora::testing {

inline int CharactersOf(std::u16string_view text) {
    int n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xDC00 && text[i] <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF) continue;
        ++n;
    }
    return n;
}

inline TextExtent FakeMeasure(std::u16string_view text, double scale, int wrapWidth) {
    const double advance = 7.0 * scale;
    const int lineHeight = static_cast<int>(std::lround(16.0 * scale));
    const auto widthOf = [&](std::u16string_view t) { return static_cast<int>(std::lround(CharactersOf(t) * advance)); };
    if (wrapWidth <= 0) return TextExtent{widthOf(text), lineHeight};
    // Greedy word wrap; a word longer than the line stands alone and overflows.
    int lines = 1, widest = 0;
    std::u16string line;
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find(u' ', i);
        if (end == std::u16string_view::npos) end = text.size();
        const std::u16string_view word = text.substr(i, end - i);
        std::u16string candidate = line.empty() ? std::u16string(word) : line + u" " + std::u16string(word);
        if (!line.empty() && widthOf(candidate) > wrapWidth) {
            widest = std::max(widest, widthOf(line));
            ++lines;
            line = std::u16string(word);
        } else {
            line = std::move(candidate);
        }
        i = end + 1;
    }
    widest = std::max(widest, widthOf(line));
    return TextExtent{widest, lines * lineHeight};
}

}  // namespace quellora::testing
