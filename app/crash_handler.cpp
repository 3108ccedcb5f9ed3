#include "app/crash_handler.h"

#include "platform/files.h"
#include "platform/startup_state.h"
#include "platform/text.h"

namespace quellora {

namespace {
// MINIDUMP_TYPE bits.
constexpr uint32_t kWithDataSegs = 0x1;
constexpr uint32_t kWithFullMemory = 0x2;
constexpr uint32_t kWithHandleData = 0x4;
constexpr uint32_t kScanMemory = 0x10;
constexpr uint32_t kWithUnloadedModules = 0x20;
constexpr uint32_t kWithIndirectlyReferencedMemory = 0x40;
constexpr uint32_t kWithPrivateReadWriteMemory = 0x200;
constexpr uint32_t kWithFullMemoryInfo = 0x800;
constexpr uint32_t kWithThreadInfo = 0x1000;

constexpr uint32_t kIconError = 0x10;
constexpr uint32_t kYesNo = 0x4;
constexpr uint32_t kSystemModal = 0x1000;
constexpr int kIdYes = 6;

// Texts for a crash before any language module could be loaded.
constexpr std::u16string_view kFallbackDumpFailed =
    u"Quellora stopped because of an unexpected error. A memory dump for its developers could not be written.";
constexpr std::u16string_view kFallbackDumpWritten =
    u"%s stopped because of an unexpected error. A memory dump that shows its developers what went wrong was "
    u"written; please send it to %s.\n\n%s\n\nShow the file in Explorer?";

// A module's file name: its path is Windows' own, whatever the build.
std::u16string_view ModuleName(std::u16string_view path) {
    const size_t cut = path.find_last_of(u"\\/");
    return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

std::u16string TextOr(CrashActions& actions, uint32_t id, std::u16string_view fallback) {
    std::u16string text = actions.Text(id);
    return text.empty() ? std::u16string(fallback) : text;
}
}  // namespace

uint32_t DumpTypeFlags(int level) {
    const uint32_t level1 = kWithDataSegs | kWithHandleData | kWithUnloadedModules | kWithPrivateReadWriteMemory |
                            kWithFullMemoryInfo | kWithThreadInfo;
    switch (level) {
        case 0: return kScanMemory | kWithIndirectlyReferencedMemory;
        case 1: return level1;
        default: return level1 | kWithFullMemory;
    }
}

DumpModuleChoice ChooseDumpModule(int level, std::u16string_view modulePath, std::u16string_view executablePath,
                                  bool referencedByMemory) {
    DumpModuleChoice choice;
    if (level == 0) {
        choice.keepModule = referencedByMemory;
    } else if (level == 1) {
        const std::u16string_view name = ModuleName(modulePath);
        choice.keepDataSegments = EqualsIgnoreCase(name, ModuleName(executablePath)) ||
                                  EqualsIgnoreCase(name, u"kernel32.dll") || EqualsIgnoreCase(name, u"ntdll.dll");
    }
    return choice;
}

CrashGate::Entry CrashGate::Enter(uint32_t threadId) {
    uint32_t expected = 0;
    if (owner_.compare_exchange_strong(expected, threadId)) return Entry::First;
    return expected == threadId ? Entry::Again : Entry::Other;
}

std::u16string CrashDumpPath(std::u16string_view localAppData) {
    return JoinPath(JoinPath(localAppData, kDumpFolder), kDumpFileName);
}

long HandleCrash(CrashActions& actions, CrashGate& gate, uint32_t threadId, int dumpLevel) {
    switch (gate.Enter(threadId)) {
        case CrashGate::Entry::Again:
            return kContinueSearch;
        case CrashGate::Entry::Other:
            actions.WaitForEnd();
            return kContinueSearch;
        case CrashGate::Entry::First:
            break;
    }

    const std::u16string base = actions.LocalAppData();
    std::u16string path;
    if (!base.empty()) {
        actions.CreateFolder(base);
        actions.CreateFolder(JoinPath(base, kDumpFolder));
        path = CrashDumpPath(base);
        actions.RemoveFile(path);
    }
    if (actions.ShutdownSignalled()) {
        actions.EndProcess(0);
        return kContinueSearch;
    }
    actions.Sleep(kCrashDelayMs);
    const bool written = !path.empty() && actions.WriteDump(path, dumpLevel);
    if (written) {
        const std::u16string text =
            Format(TextOr(actions, kTextDumpWritten, kFallbackDumpWritten), State().productName, kDumpSupportLocation, path);
        if (actions.ShowError(text, kIconError | kYesNo | kSystemModal) == kIdYes) actions.ShowInExplorer(path);
    } else {
        actions.ShowError(TextOr(actions, kTextDumpFailed, kFallbackDumpFailed), kIconError | kSystemModal);
    }
    actions.EndProcess(1);
    return kContinueSearch;
}

}  // namespace quellora
