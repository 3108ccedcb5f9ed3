#include "platform/sim/sim_programs.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_powercfg.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;

std::u16string ProgramsKey() { return JoinKey(paths::kFacts, u"Programs"); }
std::u16string LogKey() { return JoinKey(paths::kFacts, u"ProgramLog"); }
std::u16string ProcessesKey() { return JoinKey(paths::kFacts, u"Processes"); }

constexpr std::u16string_view kThreadmark = u"threadmark";
constexpr std::u16string_view kUninstaller = u"threadmark-uninstaller";

struct ProgramRecord {
    std::u16string path;
    std::u16string kind;
    std::u16string version;
};

std::vector<ProgramRecord> Records(SimMachine& m) {
    std::vector<ProgramRecord> records;
    std::vector<std::u16string> names;
    m.registry().EnumKeys(kLm, ProgramsKey(), names);
    for (const auto& name : names) {
        const std::u16string key = JoinKey(ProgramsKey(), name);
        records.push_back({TextOr(m.registry(), kLm, key, u"Path", u""), TextOr(m.registry(), kLm, key, u"Kind", u""),
                           TextOr(m.registry(), kLm, key, u"Version", u"")});
    }
    return records;
}

void AddRecord(SimMachine& m, const ProgramRecord& record) {
    const std::u16string key = JoinKey(ProgramsKey(), record.kind);
    WriteText(m.registry(), kLm, key, u"Path", record.path);
    WriteText(m.registry(), kLm, key, u"Kind", record.kind);
    WriteText(m.registry(), kLm, key, u"Version", record.version);
}

const ProgramRecord* FindRecord(const std::vector<ProgramRecord>& records, std::u16string_view path) {
    for (const auto& r : records) {
        if (EqualsIgnoreCase(r.path, path)) return &r;
    }
    return nullptr;
}

bool HasArgument(const std::vector<std::u16string>& args, std::u16string_view wanted) {
    for (size_t i = 1; i < args.size(); ++i) {
        if (EqualsIgnoreAsciiCase(args[i], wanted)) return true;
    }
    return false;
}

// The file name of a program path in either form (the counter tools are
// named by Windows paths even on the host).
std::u16string ProgramFileName(std::u16string_view path) {
    const size_t cut = path.find_last_of(u"\\/");
    return std::u16string(cut == std::u16string_view::npos ? path : path.substr(cut + 1));
}

std::u16string ThreadmarkFolder(std::u16string_view programFiles) { return JoinPath(programFiles, u"Threadmark"); }

}  // namespace

bool InstallThreadmark(SimMachine& m, std::u16string_view programFiles, const FileVersion& version) {
    const std::u16string folder = ThreadmarkFolder(programFiles);
    if (programFiles.empty() || !CreateDirectories(folder)) return false;
    const std::u16string program = JoinPath(folder, u"Threadmark.exe");
    const std::u16string uninstaller = JoinPath(folder, u"uninstall.exe");
    if (!WriteFileAtomic(program, "simulated Threadmark\r\n") ||
        !WriteFileAtomic(uninstaller, "simulated Threadmark uninstaller\r\n")) {
        return false;
    }
    const std::u16string text = VersionText(version);
    AddRecord(m, {program, std::u16string(kThreadmark), text});
    AddRecord(m, {uninstaller, std::u16string(kUninstaller), text});
    return true;
}

void UninstallThreadmark(SimMachine& m, std::u16string_view programFiles) {
    for (const auto& r : Records(m)) {
        if (r.kind == kThreadmark || r.kind == kUninstaller) DeleteFileAt(r.path);
    }
    if (!programFiles.empty()) RemoveEmptyDirectory(ThreadmarkFolder(programFiles));
    m.registry().DeleteTree(kLm, JoinKey(ProgramsKey(), kThreadmark));
    m.registry().DeleteTree(kLm, JoinKey(ProgramsKey(), kUninstaller));
}

bool InstalledThreadmark(SimMachine& m, FileVersion& version) {
    for (const auto& r : Records(m)) {
        if (r.kind == kUninstaller) return ParseVersion(r.version, version);
    }
    return false;
}

bool RunSimulatedProgram(SimMachine& m, std::u16string_view application, std::u16string_view commandLine,
                         ProcessRun& run) {
    const std::vector<std::u16string> args = SplitCommandLine(commandLine);
    const std::u16string program = !application.empty() ? std::u16string(application) : args.empty() ? u"" : args[0];
    if (program.empty()) return false;
    const std::vector<ProgramRecord> records = Records(m);
    const ProgramRecord* record = FindRecord(records, program);
    const std::u16string fileName = ProgramFileName(program);
    const bool counterTool = EqualsIgnoreAsciiCase(fileName, u"lodctr.exe") ||
                             EqualsIgnoreAsciiCase(fileName, u"winmgmt.exe") ||
                             EqualsIgnoreAsciiCase(fileName, u"lodctr") || EqualsIgnoreAsciiCase(fileName, u"winmgmt");
    if (!record && !counterTool) return false;
    LogProgram(m, commandLine);
    run = ProcessRun{};
    if (record && !FileExists(record->path)) {
        run.error = err::kFileNotFound;
        return true;
    }
    run.started = true;
    run.finished = true;
    run.exitCode = 0;
    if (record && record->kind == kUninstaller && HasArgument(args, u"/S")) {
        // The silent uninstall removes the installation it belongs to.
        UninstallThreadmark(m, FolderPart(FolderPart(record->path)));
    }
    return true;
}

std::vector<std::u16string> ProgramLog(SimMachine& m) { return ReadLines(m.registry(), kLm, LogKey()); }

void LogProgram(SimMachine& m, std::u16string_view commandLine) { AppendLine(m.registry(), kLm, LogKey(), commandLine); }

std::vector<SimProcess> SimProcessList(SimMachine& m) {
    std::vector<SimProcess> list;
    std::vector<RegEntry> entries;
    m.registry().EnumValues(kLm, ProcessesKey(), entries);
    for (const auto& e : entries) {
        list.push_back({static_cast<uint32_t>(ParseLeadingInt(e.name)), Utf16FromBytes(e.value.data.data(), e.value.data.size())});
    }
    return list;
}

uint32_t AddSimProcess(SimMachine& m, std::u16string_view imageName, uint32_t id) {
    if (id == 0) {
        id = 4000;
        for (const auto& p : SimProcessList(m)) id = std::max(id, p.id + 4);
    }
    WriteText(m.registry(), kLm, ProcessesKey(), ToDecimal(id), imageName);
    return id;
}

bool RemoveSimProcess(SimMachine& m, uint32_t id) {
    return m.registry().DeleteValue(kLm, ProcessesKey(), ToDecimal(id)) == err::kSuccess;
}

bool SimFileVersions::FixedFileVersion(std::u16string_view path, FileVersion& version) {
    const std::vector<ProgramRecord> records = Records(machine_);
    if (const ProgramRecord* record = FindRecord(records, path)) {
        return record->kind == kUninstaller && FileExists(record->path) && ParseVersion(record->version, version);
    }
    return fallback_ != nullptr && fallback_->FixedFileVersion(path, version);
}

}  // namespace quellora::sim
