#include "platform/file_version.h"

#include "platform/text.h"

namespace quellora {

FileVersion FileVersion::FromFixed(uint32_t mostSignificant, uint32_t leastSignificant) {
    return FileVersion{mostSignificant >> 16, mostSignificant & 0xFFFF, leastSignificant >> 16,
                       leastSignificant & 0xFFFF};
}

bool ParseVersion(std::u16string_view text, FileVersion& version) {
    uint32_t parts[4] = {};
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n')) ++i;
    int read = 0;
    for (; read < 4; ++read) {
        if (read > 0) {
            if (i >= text.size() || text[i] != u'.') break;
            ++i;
        }
        if (i >= text.size() || text[i] < u'0' || text[i] > u'9') break;
        uint64_t value = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            value = value * 10 + static_cast<uint64_t>(text[i] - u'0');
            if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;  // saturates, as an oversized number should not wrap
        }
        parts[read] = static_cast<uint32_t>(value);
    }
    if (read == 0) return false;
    version = FileVersion{parts[0], parts[1], parts[2], parts[3]};
    return true;
}

std::u16string VersionText(const FileVersion& v) {
    return Format(u"%u.%u.%u.%u", v.major, v.minor, v.build, v.revision);
}

}  // namespace quellora
