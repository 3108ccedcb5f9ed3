#include "tray/threadmark.h"

#include <string>

#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/string_ids.h"
#include "ui/message_box.h"

namespace quellora {

namespace {

constexpr uint32_t kCloseWaitMs = 5000;

void Start(const std::u16string& program, std::u16string_view argument, const std::u16string& folder, uint32_t waitMs) {
    ProcessLaunch launch;
    launch.commandLine = u"\"" + program + u"\" " + std::u16string(argument);
    launch.directory = folder;
    launch.waitMs = waitMs;
    Sys().processes->Launch(launch);  // a program that cannot be started changes nothing here
}

}  // namespace

bool IsOldThreadmark(const FileVersion& version) { return version <= kLastOldThreadmark; }

bool RunThreadmarkMaintenance() {
    if (!Sys().folders || !Sys().fileVersions || !Sys().processes) return false;
    const std::u16string programFiles = Sys().folders->ProgramFiles();
    if (programFiles.empty()) return false;
    const std::u16string folder = JoinPath(programFiles, u"Threadmark");
    if (!DirectoryExists(folder)) return false;
    const std::u16string uninstaller = JoinPath(folder, u"uninstall.exe");
    FileVersion version;
    if (!FileExists(uninstaller) || !Sys().fileVersions->FixedFileVersion(uninstaller, version)) return false;
    if (!IsOldThreadmark(version)) return false;

    Start(JoinPath(folder, u"Threadmark.exe"), u"-close", folder, kCloseWaitMs);
    Start(uninstaller, u"/S", folder, 0);
    if (ShowMessage(nullptr, LoadText(ids::kThreadmarkOutdated), u"Threadmark", mb::kYesNo | mb::kIconExclamation) ==
        mb::kIdYes) {
        if (Sys().interaction) Sys().interaction->OpenWithShell(kThreadmarkPage);
    }
    return true;
}

}  // namespace quellora
