// The language module that holds a resource: the module of the current
// language, else the English one (a translation may lack a resource).
#pragma once

#include <windows.h>

#include "platform/startup_state.h"

namespace quellora::win32 {

inline HINSTANCE ResourceModuleFor(LPCWSTR type, int id) {
    for (ModuleHandle m : {State().resourceModule, State().englishModule}) {
        HMODULE module = reinterpret_cast<HMODULE>(m);
        if (module && FindResourceW(module, MAKEINTRESOURCEW(id), type)) return module;
    }
    return nullptr;
}

}  // namespace quellora::win32
