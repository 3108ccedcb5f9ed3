#include "platform/sim/sim_task_scheduler.h"

#include "platform/errors.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;

std::u16string TasksKey() { return JoinKey(paths::kFacts, u"Tasks"); }
// Task names compare without regard to case, as the scheduler's do.
std::u16string TaskKey(std::u16string_view name) { return JoinKey(TasksKey(), FoldCase(name)); }

}  // namespace

SchedulerMode SimTaskScheduler::Mode(SimMachine& m) {
    return static_cast<SchedulerMode>(m.FactDword(u"SchedulerMode", 0));
}

void SimTaskScheduler::SetMode(SimMachine& m, SchedulerMode mode) {
    m.SetFactDword(u"SchedulerMode", static_cast<uint32_t>(mode));
}

bool SimTaskScheduler::Register(const TaskDefinition& d) {
    const SchedulerMode mode = Mode(machine_);
    if (mode == SchedulerMode::Missing) return false;
    // Wine's scheduler answers E_NOTIMPL for a logon trigger.
    if (mode == SchedulerMode::NoLogonTrigger && d.triggerType == TaskDefinition::kTriggerLogon) return false;
    if (d.name.empty() || d.actionPath.empty()) return false;
    Registry& r = machine_.registry();
    const std::u16string key = TaskKey(d.name);
    r.DeleteTree(kLm, key);
    WriteText(r, kLm, key, u"Name", d.name);
    WriteText(r, kLm, key, u"Author", d.author);
    WriteText(r, kLm, key, u"ExecutionTimeLimit", d.executionTimeLimit);
    WriteDword(r, kLm, key, u"DisallowStartIfOnBatteries", d.disallowStartIfOnBatteries);
    WriteDword(r, kLm, key, u"StopIfGoingOnBatteries", d.stopIfGoingOnBatteries);
    WriteDword(r, kLm, key, u"MultipleInstances", d.multipleInstances);
    WriteDword(r, kLm, key, u"Enabled", d.enabled);
    WriteDword(r, kLm, key, u"RunLevel", d.runLevel);
    WriteDword(r, kLm, key, u"TriggerType", d.triggerType);
    WriteText(r, kLm, key, u"TriggerId", d.triggerId);
    WriteText(r, kLm, key, u"TriggerUserId", d.triggerUserId);
    WriteDword(r, kLm, key, u"ActionType", d.actionType);
    WriteText(r, kLm, key, u"ActionPath", d.actionPath);
    WriteText(r, kLm, key, u"ActionArguments", d.actionArguments);
    WriteDword(r, kLm, key, u"RegistrationFlags", d.registrationFlags);
    WriteText(r, kLm, key, u"RegistrationUserId", d.registrationUserId);
    WriteDword(r, kLm, key, u"HasPassword", d.hasPassword);
    WriteDword(r, kLm, key, u"LogonType", d.logonType);
    return true;
}

bool SimTaskScheduler::Get(SimMachine& m, std::u16string_view name, TaskDefinition& d) {
    Registry& r = m.registry();
    const std::u16string key = TaskKey(name);
    if (!KeyExists(r, kLm, key)) return false;
    d = TaskDefinition{};
    d.name = TextOr(r, kLm, key, u"Name", name);
    d.author = TextOr(r, kLm, key, u"Author", u"");
    d.executionTimeLimit = TextOr(r, kLm, key, u"ExecutionTimeLimit", u"");
    d.disallowStartIfOnBatteries = DwordOr(r, kLm, key, u"DisallowStartIfOnBatteries", 1) != 0;
    d.stopIfGoingOnBatteries = DwordOr(r, kLm, key, u"StopIfGoingOnBatteries", 1) != 0;
    d.multipleInstances = DwordOr(r, kLm, key, u"MultipleInstances", 1);
    d.enabled = DwordOr(r, kLm, key, u"Enabled", 0) != 0;
    d.runLevel = DwordOr(r, kLm, key, u"RunLevel", 0);
    d.triggerType = DwordOr(r, kLm, key, u"TriggerType", 0);
    d.triggerId = TextOr(r, kLm, key, u"TriggerId", u"");
    d.triggerUserId = TextOr(r, kLm, key, u"TriggerUserId", u"");
    d.actionType = DwordOr(r, kLm, key, u"ActionType", 0);
    d.actionPath = TextOr(r, kLm, key, u"ActionPath", u"");
    d.actionArguments = TextOr(r, kLm, key, u"ActionArguments", u"");
    d.registrationFlags = DwordOr(r, kLm, key, u"RegistrationFlags", 0);
    d.registrationUserId = TextOr(r, kLm, key, u"RegistrationUserId", u"");
    d.hasPassword = DwordOr(r, kLm, key, u"HasPassword", 0) != 0;
    d.logonType = DwordOr(r, kLm, key, u"LogonType", 0);
    return true;
}

std::vector<TaskDefinition> SimTaskScheduler::List(SimMachine& m) {
    std::vector<TaskDefinition> tasks;
    std::vector<std::u16string> names;
    m.registry().EnumKeys(kLm, TasksKey(), names);
    for (const auto& name : names) {
        TaskDefinition d;
        if (Get(m, name, d)) tasks.push_back(std::move(d));
    }
    return tasks;
}

int SimTaskScheduler::Exists(std::u16string_view name) {
    if (Mode(machine_) == SchedulerMode::Missing) return -1;
    return KeyExists(machine_.registry(), kLm, TaskKey(name)) ? 1 : 0;
}

bool SimTaskScheduler::Delete(std::u16string_view name) {
    if (Mode(machine_) == SchedulerMode::Missing) return false;
    const std::u16string key = TaskKey(name);
    if (!KeyExists(machine_.registry(), kLm, key)) return false;
    return machine_.registry().DeleteTree(kLm, key) == err::kSuccess;
}

}  // namespace quellora::sim
