// Four-part program versions ("1.2.0.4"), compared number by number, and the
// fixed file version that Windows keeps in a program's version resource.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

struct FileVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t revision = 0;

    // Compared as a tuple of four numbers: 1.2.0.300 is above 1.2.0.5, and a
    // part of 256 or more never spills into the next one.
    auto operator<=>(const FileVersion&) const = default;

    // The parts as a version resource holds them: dwFileVersionMS and LS,
    // 16 bits each.
    static FileVersion FromFixed(uint32_t mostSignificant, uint32_t leastSignificant);
};

// Up to four decimal parts separated by dots, as "%u.%u.%u.%u" reads them:
// leading white space is skipped, parts that are missing are 0, reading stops
// at the first part that does not begin with a digit. False when not even the
// first part has a digit.
bool ParseVersion(std::u16string_view text, FileVersion& version);
std::u16string VersionText(const FileVersion& version);

class FileVersions {
public:
    virtual ~FileVersions() = default;

    // The fixed file version of a program's version resource
    // (GetFileVersionInfoW, VerQueryValueW "\"); false when the file or its
    // version resource is missing.
    virtual bool FixedFileVersion(std::u16string_view path, FileVersion& version) = 0;
};

}  // namespace quellora
