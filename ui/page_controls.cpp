#include "ui/page_controls.h"

namespace quellora {

bool FieldNumber(std::u16string_view text, uint32_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    if (i == text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        v = v * 10 + static_cast<uint64_t>(text[i] - u'0');
        if (v > 0xFFFFFFFFull) return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace quellora
