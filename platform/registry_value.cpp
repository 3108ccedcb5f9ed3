#include "platform/registry.h"

#include "platform/text.h"

namespace quellora {

uint32_t LittleEndian32(const uint8_t* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

bool RegValue::AsDword(uint32_t& value) const {
    if (type != regtype::kDword || data.size() != 4) return false;
    value = LittleEndian32(data.data());
    return true;
}

RegValue RegValue::Dword(uint32_t v) {
    RegValue r;
    r.type = regtype::kDword;
    r.data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
              static_cast<uint8_t>(v >> 24)};
    return r;
}

RegValue RegValue::Qword(uint64_t v) {
    RegValue r;
    r.type = regtype::kQword;
    for (int i = 0; i < 8; ++i) r.data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return r;
}

RegValue RegValue::String(std::u16string_view text, uint32_t type) {
    RegValue r;
    r.type = type;
    r.data = Utf16Bytes(text);
    return r;
}

RegValue RegValue::Binary(const void* bytes, size_t length) {
    RegValue r;
    r.type = regtype::kBinary;
    const auto* p = static_cast<const uint8_t*>(bytes);
    r.data.assign(p, p + length);
    return r;
}

}  // namespace quellora
