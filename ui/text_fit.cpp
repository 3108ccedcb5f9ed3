#include "ui/text_fit.h"

#include <cmath>

namespace quellora {

std::vector<double> ScaleSteps(double from, double to, double step) {
    std::vector<double> scales;
    const long count = std::lround((from - to) / step);
    for (long k = 0; k <= count; ++k) scales.push_back(std::round((from - k * step) * 1000.0) / 1000.0);
    return scales;
}

double FitFontScale(const std::vector<std::u16string>& candidates, const std::vector<double>& scales, double fallback,
                    int width, int height, const MeasureText& measure) {
    for (double scale : scales) {
        bool all = true;
        for (const std::u16string& text : candidates) {
            const TextExtent e = measure(text, scale, 0);
            if (e.width > width || e.height > height) {
                all = false;
                break;
            }
        }
        if (all) return scale;
    }
    return fallback;
}

std::u16string StripLinkTags(std::u16string_view text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'<') {
            const std::u16string_view rest = text.substr(i);
            const bool open = rest.size() >= 2 && (rest[1] == u'a' || rest[1] == u'A') &&
                              (rest.size() == 2 || rest[2] == u'>' || rest[2] == u' ');
            const bool close = rest.size() >= 4 && rest[1] == u'/' && (rest[2] == u'a' || rest[2] == u'A') && rest[3] == u'>';
            if (open || close) {
                const size_t end = text.find(u'>', i);
                if (end == std::u16string_view::npos) break;
                i = end + 1;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return out;
}

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsWhite(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x00A0 || c == 0x3000; }

std::u16string WithEllipsis(std::u16string_view text, size_t cut) {
    std::u16string prefix(text.substr(0, cut));
    while (!prefix.empty() && IsWhite(prefix.back())) prefix.pop_back();
    return prefix + u"\u2026";
}

}  // namespace

std::u16string CutWithEllipsis(std::u16string_view text, const std::function<bool(std::u16string_view)>& fits) {
    // The places a cut may fall: never between the halves of a surrogate pair.
    std::vector<size_t> cuts;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i > 0 && i < text.size() && IsHighSurrogate(text[i - 1])) continue;
        cuts.push_back(i);
    }
    // Halving search for the last cut that fits (the empty prefix always stands).
    size_t low = 0, high = cuts.size() - 1;
    while (low < high) {
        const size_t mid = (low + high + 1) / 2;
        if (fits(WithEllipsis(text, cuts[mid]))) low = mid;
        else high = mid - 1;
    }
    return WithEllipsis(text, cuts[low]);
}

PlanNameFit FitPlanName(std::u16string_view name, int width, int height, const MeasureText& measure) {
    PlanNameFit fit;
    fit.text = std::u16string(name);
    const int room = height - 4;
    for (int tenths = 20; tenths >= 9; --tenths) {
        const double scale = tenths / 10.0;
        const TextExtent e = measure(name, scale, 0);
        if (e.width <= width && e.height <= room) {
            fit.scale = scale;
            return fit;
        }
    }
    fit.scale = kPlanNameSmallest;
    fit.wrapped = true;
    auto fits = [&](std::u16string_view text) {
        const TextExtent e = measure(text, kPlanNameSmallest, width);
        return e.width <= width && e.height <= room;
    };
    if (fits(name)) return fit;
    fit.text = CutWithEllipsis(name, fits);
    fit.cut = true;
    return fit;
}

}  // namespace quellora
