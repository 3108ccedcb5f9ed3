#include "platform/report_output.h"

#include "platform/files.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/text.h"

namespace quellora {

ReportOutput::ReportOutput(std::u16string filePath) : filePath_(std::move(filePath)) {
    if (Sys().console) attached_ = Sys().console->AttachOrAllocate(ownConsole_);
    if (!filePath_.empty()) WriteFileAtomic(filePath_, "\xEF\xBB\xBF");
}

ReportOutput::~ReportOutput() {
    if (attached_ && Sys().console) Sys().console->Detach();
}

void ReportOutput::Line(std::u16string_view text) {
    std::u16string line(text);
    line += u"\r\n";
    if (Console* console = Sys().console; attached_ && console && !console->WriteConsoleText(line))
        console->WriteBytes(Utf16ToUtf8(line));
    if (!filePath_.empty()) AppendToFile(filePath_, Utf16ToUtf8(line));
}

std::u16string BesideExecutable(std::u16string_view fileName) {
    std::u16string folder = ExecutableFolder();
    return folder.empty() ? std::u16string(fileName) : JoinPath(folder, fileName);
}

}  // namespace quellora
