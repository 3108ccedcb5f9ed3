// Named kernel events of other programs (the companion product's), only looked at.
#pragma once

#include <string_view>

namespace quellora {

class NamedEvents {
public:
    virtual ~NamedEvents() = default;

    // Opens the event with SYNCHRONIZE only (never creates it) and waits for it
    // with a time-out of 0: true when it exists and is signalled.
    virtual bool IsSignalled(std::u16string_view name) = 0;
};

}  // namespace quellora
