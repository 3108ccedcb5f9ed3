#include "platform/pe_imports.h"

#include <cstring>

namespace quellora {

namespace {

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kDelayImportDirectory = 13;
constexpr uint32_t kDelayAttributeRva = 1;

class Image {
public:
    Image(const uint8_t* base, size_t size) : base_(base), size_(size) {}

    bool Has(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

    bool U16(uint64_t offset, uint16_t& out) const {
        if (!Has(offset, 2)) return false;
        out = static_cast<uint16_t>(base_[offset] | base_[offset + 1] << 8);
        return true;
    }
    bool U32(uint64_t offset, uint32_t& out) const {
        if (!Has(offset, 4)) return false;
        out = 0;
        for (int i = 3; i >= 0; --i) out = out << 8 | base_[offset + static_cast<uint64_t>(i)];
        return true;
    }
    bool U64(uint64_t offset, uint64_t& out) const {
        uint32_t low = 0, high = 0;
        if (!U32(offset, low) || !U32(offset + 4, high)) return false;
        out = uint64_t(high) << 32 | low;
        return true;
    }
    // A NUL-terminated name at `offset` equals `text`, ignoring ASCII case.
    bool NameIs(uint64_t offset, std::string_view text) const {
        if (!Has(offset, text.size() + 1)) return false;
        for (size_t i = 0; i < text.size(); ++i) {
            auto lower = [](uint8_t c) { return static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
            if (lower(base_[offset + i]) != lower(static_cast<uint8_t>(text[i]))) return false;
        }
        return base_[offset + text.size()] == 0;
    }

private:
    const uint8_t* base_;
    size_t size_;
};

struct Layout {
    bool wide = false;  // PE32+: 8-byte thunks
    uint32_t directories = 0;
    uint32_t directoryCount = 0;
};

bool ReadLayout(const Image& image, Layout& out) {
    uint16_t mz = 0;
    uint32_t peOffset = 0, signature = 0;
    if (!image.U16(0, mz) || mz != 0x5A4D || !image.U32(0x3C, peOffset)) return false;
    if (!image.U32(peOffset, signature) || signature != 0x00004550) return false;
    const uint64_t optional = uint64_t(peOffset) + 4 + 20;
    uint16_t magic = 0;
    if (!image.U16(optional, magic)) return false;
    if (magic == kMagicPe32Plus) {
        out.wide = true;
        if (!image.U32(optional + 108, out.directoryCount)) return false;
        out.directories = static_cast<uint32_t>(optional + 112);
    } else if (magic == kMagicPe32) {
        if (!image.U32(optional + 92, out.directoryCount)) return false;
        out.directories = static_cast<uint32_t>(optional + 96);
    } else {
        return false;
    }
    return true;
}

bool Directory(const Image& image, const Layout& layout, uint32_t index, uint32_t& rva) {
    if (index >= layout.directoryCount) return false;
    return image.U32(uint64_t(layout.directories) + uint64_t(index) * 8, rva) && rva != 0;
}

// Walks a name table (by-ordinal or by-name entries, zero-terminated) beside
// its address table; the address slot of the entry importing `ordinal`.
uint32_t SlotInTables(const Image& image, const Layout& layout, uint32_t names, uint32_t addresses, uint16_t ordinal) {
    const uint32_t step = layout.wide ? 8 : 4;
    for (uint64_t i = 0;; ++i) {
        const uint64_t entry = uint64_t(names) + i * step;
        uint64_t value = 0;
        bool byOrdinal = false;
        if (layout.wide) {
            if (!image.U64(entry, value)) return 0;
            byOrdinal = (value >> 63) != 0;
        } else {
            uint32_t v = 0;
            if (!image.U32(entry, v)) return 0;
            value = v;
            byOrdinal = (v >> 31) != 0;
        }
        if (value == 0) return 0;
        if (byOrdinal && static_cast<uint16_t>(value & 0xFFFF) == ordinal) {
            const uint64_t slot = uint64_t(addresses) + i * step;
            return image.Has(slot, step) ? static_cast<uint32_t>(slot) : 0;
        }
    }
}

}  // namespace

uint32_t FindOrdinalImportSlot(const uint8_t* base, size_t size, std::string_view dll, uint16_t ordinal) {
    if (base == nullptr) return 0;
    const Image image(base, size);
    Layout layout;
    if (!ReadLayout(image, layout)) return 0;

    uint32_t imports = 0;
    if (Directory(image, layout, kImportDirectory, imports)) {
        for (uint64_t d = imports;; d += 20) {
            uint32_t names = 0, name = 0, addresses = 0;
            if (!image.U32(d, names) || !image.U32(d + 12, name) || !image.U32(d + 16, addresses)) break;
            if (names == 0 && name == 0 && addresses == 0) break;
            // Without a name table the address table no longer says what it imports.
            if (names != 0 && image.NameIs(name, dll)) {
                if (uint32_t slot = SlotInTables(image, layout, names, addresses, ordinal)) return slot;
            }
        }
    }

    uint32_t delayed = 0;
    if (Directory(image, layout, kDelayImportDirectory, delayed)) {
        for (uint64_t d = delayed;; d += 32) {
            uint32_t attributes = 0, name = 0, addresses = 0, names = 0;
            if (!image.U32(d, attributes) || !image.U32(d + 4, name) || !image.U32(d + 12, addresses) ||
                !image.U32(d + 16, names))
                break;
            if (name == 0 && addresses == 0 && names == 0) break;
            if ((attributes & kDelayAttributeRva) == 0) continue;  // the old form of addresses, not offsets
            if (names != 0 && image.NameIs(name, dll)) {
                if (uint32_t slot = SlotInTables(image, layout, names, addresses, ordinal)) return slot;
            }
        }
    }
    return 0;
}

}  // namespace quellora
