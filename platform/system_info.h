// Facts about the machine and the operating system.
#pragma once

#include <cstdint>
#include <string>

namespace quellora {

struct OsVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
};

// IMAGE_FILE_MACHINE_* values.
namespace machine {
inline constexpr uint16_t kUnknown = 0;
inline constexpr uint16_t kX86 = 0x014C;
inline constexpr uint16_t kX64 = 0x8664;
inline constexpr uint16_t kArm64 = 0xAA64;
}  // namespace machine

class SystemInfo {
public:
    static constexpr uint16_t kAllProcessorGroups = 0xFFFF;
    static constexpr uint32_t kRelationAll = 0xFFFF;

    virtual ~SystemInfo() = default;

    // RtlGetVersion of ntdll; false when it is missing or fails.
    virtual bool GetOsVersion(OsVersion& out) = 0;
    // GetLogicalProcessorInformationEx: the records in the platform's own binary
    // layout. A null buffer (or one too small) answers ERROR_INSUFFICIENT_BUFFER
    // with the size needed.
    virtual uint32_t LogicalProcessorInformationEx(uint32_t relation, uint8_t* buffer, uint32_t* size) = 0;
    // GetActiveProcessorCount; kAllProcessorGroups counts every group.
    virtual uint32_t ActiveProcessorCount(uint16_t group) = 0;
    virtual uint16_t ActiveProcessorGroupCount() = 0;
    // GetNumaHighestNodeNumber.
    virtual bool NumaHighestNodeNumber(uint32_t& node) = 0;
    // GetSystemCpuSetInformation for the current process; false with
    // ERROR_CALL_NOT_IMPLEMENTED when the function is missing. A buffer too
    // small answers false, ERROR_INSUFFICIENT_BUFFER and the length needed.
    virtual bool SystemCpuSetInformation(uint8_t* buffer, uint32_t length, uint32_t* returned, uint32_t& error) = 0;
    // GetSystemInfo's dwNumberOfProcessors.
    virtual uint32_t SystemInfoProcessorCount() = 0;
    // GetComputerNameW; empty when it fails.
    virtual std::u16string ComputerName() = 0;
    // The host processor (IsWow64Process2, else GetNativeSystemInfo).
    virtual uint16_t NativeMachine() = 0;
    // GetSystemDirectoryW, without a trailing separator.
    virtual std::u16string SystemDirectory() = 0;
    // GetSystemWow64DirectoryW, without a trailing separator; empty on a
    // system without 32-bit programs.
    virtual std::u16string SystemWow64Directory() { return {}; }
    // GetUserDefaultUILanguage.
    virtual uint16_t UserDefaultUILanguage() = 0;
};

}  // namespace quellora
