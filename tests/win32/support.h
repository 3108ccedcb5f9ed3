// Helpers of the Win32 tests: a scratch folder per test, this test program's
// own path, and runs of this program as a child in one of its helper roles
// (see main.cpp) with its standard handles pointed at files.
#pragma once

#include "platform/win32/wide.h"
//
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quellora::wintest {

// The full path of the running test program.
std::u16string SelfPath();
// Its file name ("quellora_win32_tests.exe").
std::u16string SelfName();

// A fresh folder under the temporary folder, deleted with everything in it
// when the object goes out of scope.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::u16string& path() const { return path_; }
    std::u16string operator/(std::u16string_view name) const;

private:
    std::u16string path_;
};

// The command line that runs this program in a helper role:
// "<self>" --child=<role> <arguments...> (arguments are quoted when they hold blanks).
std::u16string ChildCommandLine(std::u16string_view role, const std::vector<std::u16string>& arguments = {});

struct ChildResult {
    bool started = false;
    uint32_t exitCode = 0;
};

// Runs the command line with standard output and standard error sent to the
// given files (empty: no handle at all) and waits for it.
ChildResult RunWithFiles(std::u16string_view commandLine, std::u16string_view outputFile,
                         std::u16string_view errorFile, uint32_t timeoutMs = 30000);

// Bytes of a file, empty when it cannot be read.
std::string FileBytes(std::u16string_view path);

// Wine answers where Windows differs in ways the tests must allow for.
bool RunningUnderWine();

// The helper roles; answers the exit code.
int RunChildRole(std::u16string_view role, const std::vector<std::u16string>& arguments);

}  // namespace quellora::wintest
