#include "profiles/backups.h"

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "power/power_scheme_access.h"

namespace quellora {

namespace {

constexpr uint32_t kReadmeTitle = 9510;
constexpr uint32_t kReadmeActivePlan = 9511;
constexpr uint32_t kDeleteQuestion = 9512;
constexpr uint32_t kExportTimeoutMs = 30000;
constexpr std::u16string_view kReservedCharacters = u"\\/:*?\"<>|";

std::u16string BareUpperGuid(const Guid& plan) {
    std::u16string text = GuidToText(plan);
    return text.substr(1, text.size() - 2);
}

std::u16string Timestamp() {
    CalendarTime t = Sys().clock ? Sys().clock->LocalNow() : CalendarTime{};
    return Format(u"%04u-%02u-%02u_%02u%02u%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::vector<std::u16string> BackupFolders(const std::u16string& root) {
    std::vector<FileInfo> entries;
    std::vector<std::u16string> folders;
    if (!ListDirectory(root, entries)) return folders;
    for (const auto& e : entries) {
        if (e.isDirectory) folders.push_back(e.name);
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

}  // namespace

std::u16string BackupRoot() {
    std::u16string common = Sys().folders ? Sys().folders->CommonAppData() : std::u16string();
    if (common.empty()) return {};
    return JoinPath(JoinPath(common, u"Quellora"), u"PowerPlanBackups");
}

std::u16string BackupFileName(std::u16string_view planName, const Guid& plan) {
    std::u16string name;
    for (char16_t c : planName) {
        name.push_back(c < 0x20 || kReservedCharacters.find(c) != std::u16string_view::npos ? u'_' : c);
    }
    if (name.empty()) name = BareUpperGuid(plan);
    return name + u" " + GuidToText(plan) + u".pow";
}

bool ExportPlan(const Guid& plan, std::u16string_view filePath) {
    Processes* processes = Sys().processes;
    if (!processes) return false;
    std::u16string command =
        u"\"" + PowercfgPath() + u"\" /export \"" + std::u16string(filePath) + u"\" " + BareUpperGuid(plan);
    ProcessRun run = processes->Run(command, kExportTimeoutMs, false);
    return run.started && run.finished && run.exitCode == 0 && FileExists(filePath);
}

int BackupPlans() {
    const std::u16string root = BackupRoot();
    if (root.empty()) return 1;
    const std::u16string folder = JoinPath(root, Timestamp());
    CreateDirectories(folder);

    PowerSchemeAccess power;
    Guid active = power.QueryActivePlanOrNull();
    std::u16string activeName;
    power.ReadPlanName(active, activeName);

    // A name with a line break in it would put lines of its own into the file
    // (a fake restore command, say): control characters are written as blanks.
    std::u16string readme = LoadText(kReadmeTitle) + u"\r\n\r\n" +
                            Format(LoadText(kReadmeActivePlan), ControlCharactersAsBlanks(activeName)) + u"\r\n\r\n";
    int failed = 0;
    for (const auto& entry : power.EnumerateNamedPlans(true)) {
        if (power.IsOverlay(entry.plan)) continue;
        const std::u16string path = JoinPath(folder, BackupFileName(entry.name, entry.plan));
        if (!ExportPlan(entry.plan, path)) {
            ++failed;
            continue;
        }
        const std::u16string shown = entry.name.empty() ? BareUpperGuid(entry.plan) : ControlCharactersAsBlanks(entry.name);
        readme += shown + u"\r\n    powercfg /import \"" + path + u"\"\r\n";
    }
    WriteFileAtomic(JoinPath(folder, u"README.txt"), "\xEF\xBB\xBF" + Utf16ToUtf8(readme));

    std::vector<std::u16string> folders = BackupFolders(root);
    for (size_t i = 0; folders.size() - i > kBackupsKept; ++i) DeleteTree(JoinPath(root, folders[i]));
    return failed;
}

int AskDeletePlanBackups(const AskUser& ask) {
    const std::u16string root = BackupRoot();
    if (root.empty() || BackupFolders(root).empty() || !ask) return 0;
    const int answer =
        ask(Format(LoadText(kDeleteQuestion), root), mb::kYesNo | mb::kIconQuestion | mb::kDefButton2 | mb::kSetForeground);
    if (answer == mb::kIdYes) {
        DeleteTree(root);
        RemoveEmptyDirectory(FolderPart(root));
    }
    return 0;
}

}  // namespace quellora
