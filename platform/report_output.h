// The output of the diagnostic switches (/driftcheck, /armprobe, /selftest):
// every line goes to the console (or the redirected output) and to a report
// file that is created anew, UTF-8 with a byte order mark, lines ended by CR LF.
#pragma once

#include <string>
#include <string_view>

namespace quellora {

class ReportOutput {
public:
    // Attaches to the parent's console or opens one of its own; creates the file
    // (an empty path: no file).
    explicit ReportOutput(std::u16string filePath);
    ~ReportOutput();
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    void Line(std::u16string_view text);
    // Whether the console is one the process opened itself (nobody started it from a console).
    bool ownConsole() const { return ownConsole_; }
    const std::u16string& filePath() const { return filePath_; }

private:
    std::u16string filePath_;
    bool attached_ = false;
    bool ownConsole_ = false;
};

// The executable's folder followed by `fileName`; the bare name when the
// executable's path has no folder.
std::u16string BesideExecutable(std::u16string_view fileName);

}  // namespace quellora
