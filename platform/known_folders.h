// Folders the program reads and writes, and path arithmetic.
#pragma once

#include <string>
#include <string_view>

namespace quellora {

class KnownFolders {
public:
    virtual ~KnownFolders() = default;

    // SHGetFolderPathW with CSIDL_LOCAL_APPDATA; empty when unknown.
    virtual std::u16string LocalAppData() = 0;
    // SHGetFolderPathW with CSIDL_COMMON_APPDATA (%ProgramData%); empty when unknown.
    virtual std::u16string CommonAppData() = 0;
    // SHGetKnownFolderPath(FOLDERID_ProgramFiles); empty when unknown.
    virtual std::u16string ProgramFiles() { return {}; }
    // GetTempPathW, as the platform gives it (with its trailing separator); empty when it fails.
    virtual std::u16string TempPath() = 0;
    // The full path of the running executable.
    virtual std::u16string ExecutablePath() = 0;
    virtual std::u16string CurrentDirectory() = 0;
    // GetFullPathNameW; false when the call fails.
    virtual bool FullPath(std::u16string_view path, std::u16string& out) = 0;
};

}  // namespace quellora
