#include "app/entry.h"

#include "app/console_frame.h"
#include "app/switches.h"
#include "diag/selftest.h"
#include "model/drift.h"
#include "model/probe.h"
#include "platform/command_line.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "profiles/backups.h"
#include "ui/message_box.h"

namespace quellora {

namespace {

enum class SwitchId { SelfTest, ArmProbe, BackupPlans, AskDeletePlanBackups, DriftCheck, Terminate, Uninstall, Update };

struct SwitchRow {
    std::u16string_view text;
    SwitchId id;
};

// In the order of precedence: the first one present decides.
constexpr SwitchRow kSwitches[] = {
    {u"/selftest", SwitchId::SelfTest},
    {u"/armprobe", SwitchId::ArmProbe},
    {u"/backupplans", SwitchId::BackupPlans},
    {u"/askdeleteplanbackups", SwitchId::AskDeletePlanBackups},
    {u"/driftcheck", SwitchId::DriftCheck},
    {u"/terminate", SwitchId::Terminate},
    {u"/uninstall", SwitchId::Uninstall},
    {u"/update", SwitchId::Update},
};

bool Contains(std::u16string_view lowered, std::u16string_view text) {
    return lowered.find(text) != std::u16string_view::npos;
}

const SwitchRow* FindSwitch(std::u16string_view lowered) {
    for (const auto& row : kSwitches) {
        if (Contains(lowered, row.text)) return &row;
    }
    return nullptr;
}

// The language is chosen and its module loaded before the switches that show
// texts of their own; false when the start cannot continue.
bool PrepareLanguage() {
    SelectLanguage();
    return LoadResourceModule();
}

}  // namespace

std::u16string DecidingSwitch(std::u16string_view commandLine) {
    const SwitchRow* row = FindSwitch(LowerAscii(commandLine));
    return row ? std::u16string(row->text) : std::u16string();
}

int RunEntry(std::u16string_view commandLine) {
    StartupState& state = State();
    state.productName = u"Quellora";
    state.executableName = u"quellora.exe";
    if (Sys().folders) {
        std::u16string path = Sys().folders->ExecutablePath();
        if (path.size() > 1023) path.resize(1023);
        state.executablePath = path;
    }

    Arguments arguments = CommandArguments(commandLine);
    if (IsConsoleCommand(arguments)) {
        if (!PrepareLanguage()) return 1;
        return RunConsoleCommand(arguments);
    }

    // Switches count anywhere on the command line, in any case.
    const std::u16string lowered = LowerAscii(commandLine);
    if (Contains(lowered, u"/classic")) state.classic = true;
    if (const SwitchRow* row = FindSwitch(lowered)) {
        switch (row->id) {
            case SwitchId::SelfTest:
                return RunSelfTest();
            case SwitchId::ArmProbe:
                return RunPowerSettingsProbe(Contains(lowered, u"/write"));
            case SwitchId::BackupPlans:
                return PrepareLanguage() ? BackupPlans() : 1;
            case SwitchId::AskDeletePlanBackups:
                return PrepareLanguage() ? AskDeletePlanBackups(AskWithMessageBox) : 1;
            case SwitchId::DriftCheck:
                return RunDriftCheckReport();
            case SwitchId::Terminate:
                return TerminateAllInstances();
            case SwitchId::Uninstall:
                return UninstallCleanup();
            case SwitchId::Update:
                return PostUpdateFixup();
        }
    }

    return RunInteractiveStart(lowered);
}

}  // namespace quellora
