// The fixed file version of a program's version resource.
#include "platform/win32/wide.h"
//
#include <vector>

#include "platform/win32/win32_platform.h"

namespace quellora::win32 {

bool Win32FileVersions::FixedFileVersion(std::u16string_view path, FileVersion& version) {
    std::wstring p = Wide(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(p.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(p.c_str(), 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    version = FileVersion::FromFixed(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    return true;
}

}  // namespace quellora::win32
