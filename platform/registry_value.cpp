#include "platform/registry.h"

#include "platform/text.h"

namespace quellora {

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
