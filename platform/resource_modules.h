// The language resource modules: resource-only libraries holding every text,
// dialog, menu and icon of the program, addressed by number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

using ModuleHandle = uintptr_t;  // 0: none

class ResourceModules {
public:
    virtual ~ResourceModules() = default;

    // Loads the module at a full path as an image resource and data file
    // (LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE): its
    // resources can be used, no code of it runs. Modules are never looked for
    // by bare name: the program runs elevated, and a library of that name
    // elsewhere on the search path must not take a missing module's place.
    virtual ModuleHandle LoadByPath(std::u16string_view path) = 0;
    virtual void Unload(ModuleHandle module) = 0;
    // LoadStringW into a buffer of `maxChars` characters; empty when the string is missing.
    virtual std::u16string LoadString(ModuleHandle module, uint32_t id, size_t maxChars) = 0;
};

}  // namespace quellora
