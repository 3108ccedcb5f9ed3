// Fitting texts into fixed controls: the font scale at which every candidate
// text fits, and a plan name shown as large as its control allows — on one
// line, word-wrapped, or cut with an ellipsis. The window measures; these
// searches decide, so the host tests measure with a fixed advance per character.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

struct TextExtent {
    int width = 0;
    int height = 0;
};

// The extent of `text` in the control's bold font scaled by `scale`: on one
// line when `wrapWidth` is 0, else word-wrapped at that width.
using MeasureText = std::function<TextExtent(std::u16string_view text, double scale, int wrapWidth)>;

// `from`, `from - step`, ... down to `to` (both included), without the drift
// of adding up binary fractions.
std::vector<double> ScaleSteps(double from, double to, double step);

// The first scale at which every candidate, on one line, fits `width` ×
// `height`; `fallback` when none does.
double FitFontScale(const std::vector<std::u16string>& candidates, const std::vector<double>& scales, double fallback,
                    int width, int height, const MeasureText& measure);

// The text of a link without its "<a ...>" and "</a>" tags.
std::u16string StripLinkTags(std::u16string_view text);

// The longest prefix of `text` that `fits` with "…" (U+2026) appended, found
// by halving: a cut never separates a surrogate pair, and white space before
// the ellipsis is dropped. Just "…" when no prefix fits.
std::u16string CutWithEllipsis(std::u16string_view text, const std::function<bool(std::u16string_view)>& fits);

// How the plan's name is shown.
struct PlanNameFit {
    double scale = 1.0;
    bool wrapped = false;
    std::u16string text;  // the name, or its cut form
    bool cut = false;     // the name was cut: a tooltip shows the whole of it
};
inline constexpr double kPlanNameLargest = 2.0;
inline constexpr double kPlanNameSmallest = 0.8;
// Sizes 2.0 down to 0.9 on one line within the width and the height less 4
// pixels; at 0.8 word-wrapped, and when that is still too tall, cut with an ellipsis.
PlanNameFit FitPlanName(std::u16string_view name, int width, int height, const MeasureText& measure);

}  // namespace quellora
