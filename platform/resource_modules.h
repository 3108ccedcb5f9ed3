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

    // LoadLibraryW with the bare file name (the normal search order).
    virtual ModuleHandle LoadByName(std::u16string_view fileName) = 0;
    // LoadLibraryW with a full path.
    virtual ModuleHandle LoadByPath(std::u16string_view path) = 0;
    // GetModuleHandleW: a module of that name already loaded.
    virtual ModuleHandle Loaded(std::u16string_view fileName) = 0;
    virtual void Unload(ModuleHandle module) = 0;
    // LoadStringW into a buffer of `maxChars` characters; empty when the string is missing.
    virtual std::u16string LoadString(ModuleHandle module, uint32_t id, size_t maxChars) = 0;
};

}  // namespace quellora
