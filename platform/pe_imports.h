// Reading a module's import tables as the loader mapped it: where it keeps the
// address of a function it imports from another library by ordinal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quellora {

// The offset from the module's base (its RVA) of the import address table slot
// through which the module calls function `ordinal` of library `dll`
// (compared without regard to ASCII case), looked for in the ordinary and in
// the delay-load import tables; 0 when the module imports no such function
// by ordinal (it may import it by name, or not at all). `image` is the mapped
// module and `size` its SizeOfImage; every read is checked against it.
uint32_t FindOrdinalImportSlot(const uint8_t* image, size_t size, std::string_view dll, uint16_t ordinal);

}  // namespace quellora
