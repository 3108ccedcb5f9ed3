#include "ui/control_surface.h"

namespace quellora {

namespace {

// Blanks, an optional minus (when allowed), digits; false for anything else.
bool ParseField(std::u16string_view text, bool allowMinus, int64_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (allowMinus && i < text.size() && text[i] == u'-') {
        negative = true;
        ++i;
    }
    if (i == text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        v = v * 10 + (text[i] - u'0');
        if (v > 0xFFFFFFFFll) return false;
    }
    value = negative ? -v : v;
    return true;
}

}  // namespace

uint32_t FieldUnsigned(std::u16string_view text, bool* isNumber) {
    int64_t v = 0;
    const bool ok = ParseField(text, false, v);
    if (isNumber) *isNumber = ok;
    return ok ? static_cast<uint32_t>(v) : 0;
}

int32_t FieldSigned(std::u16string_view text, bool* isNumber) {
    int64_t v = 0;
    const bool ok = ParseField(text, true, v) && v >= INT32_MIN && v <= INT32_MAX;
    if (isNumber) *isNumber = ok;
    return ok ? static_cast<int32_t>(v) : 0;
}

}  // namespace quellora
