#include "platform/processes.h"

#include "platform/text.h"

namespace quellora {

bool SameImageName(std::u16string_view a, std::u16string_view b) { return EqualsIgnoreAsciiCase(a, b); }

}  // namespace quellora
