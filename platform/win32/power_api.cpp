// The power management API of powrprof.dll, bound at run time: nothing is
// imported statically, because several of these functions are missing on
// older systems and under Wine, and a static import of a missing one stops
// the process at its first call.
#include "platform/win32/wide.h"
//
#include <array>
#include <cstring>

#include "platform/errors.h"
#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

namespace {

using Fn = PowerApi::Fn;
constexpr size_t kFunctionCount = static_cast<size_t>(Fn::kCount);


// The platform's own signatures (the root power key is always passed as null).
using SetActiveSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*);
using GetActiveSchemeFn = DWORD(WINAPI*)(HKEY, GUID**);
using EnumerateFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, ULONG, ULONG, UCHAR*, DWORD*);
using ReadTextFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD*);
using WriteTextFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD);
using DuplicateSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*, GUID**);
using DeleteSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*);
using ReadValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);
using WriteValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD);
using ReadPossibleValueFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, ULONG*, ULONG, UCHAR*, DWORD*);
using ReadPossibleFriendlyNameFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, ULONG, UCHAR*, DWORD*);
using ReadSettingAttributesFn = DWORD(WINAPI*)(const GUID*, const GUID*);
using WriteSettingAttributesFn = DWORD(WINAPI*)(const GUID*, const GUID*, DWORD);
using ReadRangeFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, DWORD*);
using ReadUnitsFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, UCHAR*, DWORD*);
using GetOverlayFn = DWORD(WINAPI*)(GUID*);
using SetOverlayFn = DWORD(WINAPI*)(GUID);
using PlatformRoleFn = int(WINAPI*)(ULONG);
using CallNtPowerInformationFn = LONG(WINAPI*)(int, void*, ULONG, void*, ULONG);

constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);

// Binds every function once per process; the library stays loaded.
const void* const* BoundTable() {
    static const std::array<const void*, kFunctionCount> table = [] {
        std::array<const void*, kFunctionCount> t{};
        HMODULE module = SystemLibrary(L"powrprof.dll");
        if (!module) return t;
        for (size_t i = 0; i < kFunctionCount; ++i) {
            const char* name = PowerApi::ExportName(static_cast<Fn>(i));
            t[i] = reinterpret_cast<const void*>(GetProcAddress(module, name));
        }
        return t;
    }();
    return table.data();
}

template <typename F>
F Function(const void* const* table, Fn fn) {
    return reinterpret_cast<F>(const_cast<void*>(table[static_cast<size_t>(fn)]));
}

GUID ToGuid(const Guid& g) {
    GUID out;
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    std::memcpy(out.Data4, g.data4.data(), sizeof out.Data4);
    return out;
}

Guid FromGuid(const GUID& g) {
    Guid out;
    out.data1 = g.Data1;
    out.data2 = g.Data2;
    out.data3 = g.Data3;
    std::memcpy(out.data4.data(), g.Data4, sizeof g.Data4);
    return out;
}

// An optional GUID argument: null stays null.
class GuidArg {
public:
    explicit GuidArg(const Guid* g) : set_(g != nullptr) {
        if (g) value_ = ToGuid(*g);
    }
    const GUID* get() const { return set_ ? &value_ : nullptr; }

private:
    GUID value_{};
    bool set_;
};

}  // namespace

Win32PowerApi::Win32PowerApi() : table_(BoundTable()) {}

bool Win32PowerApi::Has(Fn fn) const {
    size_t i = static_cast<size_t>(fn);
    return i < kFunctionCount && table_[i] != nullptr;
}

uint32_t Win32PowerApi::SetActiveScheme(const Guid& scheme) {
    auto f = Function<SetActiveSchemeFn>(table_, Fn::SetActiveScheme);
    if (!f) return err::kCallNotImplemented;
    GUID g = ToGuid(scheme);
    return f(nullptr, &g);
}

uint32_t Win32PowerApi::GetActiveScheme(Guid& scheme) {
    auto f = Function<GetActiveSchemeFn>(table_, Fn::GetActiveScheme);
    if (!f) return err::kCallNotImplemented;
    GUID* active = nullptr;
    DWORD e = f(nullptr, &active);
    if (active) {
        if (e == ERROR_SUCCESS) scheme = FromGuid(*active);
        LocalFree(active);
    }
    return e;
}

uint32_t Win32PowerApi::Enumerate(const Guid* scheme, const Guid* subgroup, uint32_t accessFlags, uint32_t index,
                                  uint8_t* buffer, uint32_t* size) {
    auto f = Function<EnumerateFn>(table_, Fn::Enumerate);
    if (!f) return err::kCallNotImplemented;
    GuidArg s(scheme), g(subgroup);
    DWORD length = size ? *size : 0;
    DWORD e = f(nullptr, s.get(), g.get(), accessFlags, index, buffer, size ? &length : nullptr);
    if (size) *size = length;
    return e;
}

namespace {
uint32_t ReadText(ReadTextFn f, const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                  uint32_t* size) {
    if (!f) return err::kCallNotImplemented;
    GuidArg s(scheme), g(subgroup), t(setting);
    DWORD length = size ? *size : 0;
    DWORD e = f(nullptr, s.get(), g.get(), t.get(), buffer, size ? &length : nullptr);
    if (size) *size = length;
    return e;
}

uint32_t WriteText(WriteTextFn f, const Guid& scheme, const Guid* subgroup, const Guid* setting,
                   const uint8_t* buffer, uint32_t size) {
    if (!f) return err::kCallNotImplemented;
    GUID s = ToGuid(scheme);
    GuidArg g(subgroup), t(setting);
    return f(nullptr, &s, g.get(), t.get(), const_cast<UCHAR*>(buffer), size);
}
}  // namespace

uint32_t Win32PowerApi::ReadFriendlyName(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                         uint8_t* buffer, uint32_t* size) {
    return ReadText(Function<ReadTextFn>(table_, Fn::ReadFriendlyName), scheme, subgroup, setting, buffer, size);
}

uint32_t Win32PowerApi::ReadDescription(const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                        uint8_t* buffer, uint32_t* size) {
    return ReadText(Function<ReadTextFn>(table_, Fn::ReadDescription), scheme, subgroup, setting, buffer, size);
}

uint32_t Win32PowerApi::WriteFriendlyName(const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                          const uint8_t* buffer, uint32_t size) {
    return WriteText(Function<WriteTextFn>(table_, Fn::WriteFriendlyName), scheme, subgroup, setting, buffer, size);
}

uint32_t Win32PowerApi::WriteDescription(const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                         const uint8_t* buffer, uint32_t size) {
    return WriteText(Function<WriteTextFn>(table_, Fn::WriteDescription), scheme, subgroup, setting, buffer, size);
}

uint32_t Win32PowerApi::DuplicateScheme(const Guid& source, Guid& created) {
    auto f = Function<DuplicateSchemeFn>(table_, Fn::DuplicateScheme);
    if (!f) return err::kCallNotImplemented;
    GUID s = ToGuid(source);
    GUID* copy = nullptr;  // null: the function allocates the new GUID
    DWORD e = f(nullptr, &s, &copy);
    if (copy) {
        if (e == ERROR_SUCCESS) created = FromGuid(*copy);
        LocalFree(copy);
    }
    return e;
}

uint32_t Win32PowerApi::DeleteScheme(const Guid& scheme) {
    auto f = Function<DeleteSchemeFn>(table_, Fn::DeleteScheme);
    if (!f) return err::kCallNotImplemented;
    GUID s = ToGuid(scheme);
    return f(nullptr, &s);
}

uint32_t Win32PowerApi::ReadValueIndex(bool ac, const Guid* scheme, const Guid* subgroup, const Guid* setting,
                                       uint32_t& value) {
    auto f = Function<ReadValueIndexFn>(table_, ac ? Fn::ReadACValueIndex : Fn::ReadDCValueIndex);
    if (!f) return err::kCallNotImplemented;
    GuidArg s(scheme), g(subgroup), t(setting);
    DWORD v = 0;
    DWORD e = f(nullptr, s.get(), g.get(), t.get(), &v);
    if (e == ERROR_SUCCESS) value = v;
    return e;
}

uint32_t Win32PowerApi::WriteValueIndex(bool ac, const Guid& scheme, const Guid* subgroup, const Guid* setting,
                                        uint32_t value) {
    auto f = Function<WriteValueIndexFn>(table_, ac ? Fn::WriteACValueIndex : Fn::WriteDCValueIndex);
    if (!f) return err::kCallNotImplemented;
    GUID s = ToGuid(scheme);
    GuidArg g(subgroup), t(setting);
    return f(nullptr, &s, g.get(), t.get(), value);
}

uint32_t Win32PowerApi::ReadPossibleValue(const Guid* subgroup, const Guid* setting, uint32_t* type, uint32_t index,
                                          uint8_t* buffer, uint32_t* size) {
    auto f = Function<ReadPossibleValueFn>(table_, Fn::ReadPossibleValue);
    if (!f) return err::kCallNotImplemented;
    GuidArg g(subgroup), t(setting);
    ULONG valueType = type ? *type : 0;
    DWORD length = size ? *size : 0;
    DWORD e = f(nullptr, g.get(), t.get(), type ? &valueType : nullptr, index, buffer, size ? &length : nullptr);
    if (type) *type = valueType;
    if (size) *size = length;
    return e;
}

uint32_t Win32PowerApi::ReadPossibleFriendlyName(const Guid* subgroup, const Guid* setting, uint32_t index,
                                                 uint8_t* buffer, uint32_t* size) {
    auto f = Function<ReadPossibleFriendlyNameFn>(table_, Fn::ReadPossibleFriendlyName);
    if (!f) return err::kCallNotImplemented;
    GuidArg g(subgroup), t(setting);
    DWORD length = size ? *size : 0;
    DWORD e = f(nullptr, g.get(), t.get(), index, buffer, size ? &length : nullptr);
    if (size) *size = length;
    return e;
}

uint32_t Win32PowerApi::ReadSettingAttributes(const Guid* subgroup, const Guid* setting) {
    // The answer is the attributes themselves, so a missing function answers
    // "no attributes known" rather than an error code.
    auto f = Function<ReadSettingAttributesFn>(table_, Fn::ReadSettingAttributes);
    if (!f) return 0;
    GuidArg g(subgroup), t(setting);
    return f(g.get(), t.get());
}

uint32_t Win32PowerApi::WriteSettingAttributes(const Guid* subgroup, const Guid* setting, uint32_t attributes) {
    auto f = Function<WriteSettingAttributesFn>(table_, Fn::WriteSettingAttributes);
    if (!f) return err::kCallNotImplemented;
    GuidArg g(subgroup), t(setting);
    return f(g.get(), t.get(), attributes);
}

namespace {
uint32_t ReadRange(ReadRangeFn f, const Guid* subgroup, const Guid* setting, uint32_t& value) {
    if (!f) return err::kCallNotImplemented;
    GuidArg g(subgroup), t(setting);
    DWORD v = 0;
    DWORD e = f(nullptr, g.get(), t.get(), &v);
    if (e == ERROR_SUCCESS) value = v;
    return e;
}
}  // namespace

uint32_t Win32PowerApi::ReadValueMin(const Guid* subgroup, const Guid* setting, uint32_t& value) {
    return ReadRange(Function<ReadRangeFn>(table_, Fn::ReadValueMin), subgroup, setting, value);
}

uint32_t Win32PowerApi::ReadValueMax(const Guid* subgroup, const Guid* setting, uint32_t& value) {
    return ReadRange(Function<ReadRangeFn>(table_, Fn::ReadValueMax), subgroup, setting, value);
}

uint32_t Win32PowerApi::ReadValueIncrement(const Guid* subgroup, const Guid* setting, uint32_t& value) {
    return ReadRange(Function<ReadRangeFn>(table_, Fn::ReadValueIncrement), subgroup, setting, value);
}

uint32_t Win32PowerApi::ReadValueUnitsSpecifier(const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                                uint32_t* size) {
    auto f = Function<ReadUnitsFn>(table_, Fn::ReadValueUnitsSpecifier);
    if (!f) return err::kCallNotImplemented;
    GuidArg g(subgroup), t(setting);
    DWORD length = size ? *size : 0;
    DWORD e = f(nullptr, g.get(), t.get(), buffer, size ? &length : nullptr);
    if (size) *size = length;
    return e;
}

uint32_t Win32PowerApi::GetActualOverlayScheme(Guid& overlay) {
    auto f = Function<GetOverlayFn>(table_, Fn::GetActualOverlayScheme);
    if (!f) return err::kCallNotImplemented;
    GUID g{};
    DWORD e = f(&g);
    if (e == ERROR_SUCCESS) overlay = FromGuid(g);
    return e;
}

uint32_t Win32PowerApi::GetEffectiveOverlayScheme(Guid& overlay) {
    auto f = Function<GetOverlayFn>(table_, Fn::GetEffectiveOverlayScheme);
    if (!f) return err::kCallNotImplemented;
    GUID g{};
    DWORD e = f(&g);
    if (e == ERROR_SUCCESS) overlay = FromGuid(g);
    return e;
}

uint32_t Win32PowerApi::SetActiveOverlayScheme(const Guid& overlay) {
    auto f = Function<SetOverlayFn>(table_, Fn::SetActiveOverlayScheme);
    if (!f) return err::kCallNotImplemented;
    return f(ToGuid(overlay));  // this one takes the GUID by value
}

uint32_t Win32PowerApi::DeterminePlatformRoleEx(uint32_t version) {
    auto f = Function<PlatformRoleFn>(table_, Fn::DeterminePlatformRoleEx);
    if (!f) return 0;  // PlatformRoleUnspecified
    int role = f(version);
    return role < 0 ? 0 : static_cast<uint32_t>(role);
}

int32_t Win32PowerApi::CallNtPowerInformation(uint32_t level, const void* input, uint32_t inputSize, void* output,
                                              uint32_t outputSize) {
    auto f = Function<CallNtPowerInformationFn>(table_, Fn::CallNtPowerInformation);
    if (!f) return kStatusNotImplemented;
    return f(static_cast<int>(level), const_cast<void*>(input), inputSize, output, outputSize);
}

}  // namespace quellora::win32
