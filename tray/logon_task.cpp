#include "tray/logon_task.h"

#include <string>

#include "platform/platform.h"

namespace quellora {

TaskDefinition LogonTaskDefinition(std::u16string_view name, std::u16string_view executable,
                                   std::u16string_view arguments, bool elevated) {
    TaskDefinition d;
    d.name = std::u16string(name);
    d.author = std::u16string(kLogonTaskAuthor);
    d.executionTimeLimit = u"PT0S";
    d.disallowStartIfOnBatteries = false;
    d.stopIfGoingOnBatteries = false;
    d.multipleInstances = TaskDefinition::kInstancesParallel;
    d.enabled = true;
    d.runLevel = elevated ? TaskDefinition::kRunLevelHighest : TaskDefinition::kRunLevelLua;
    d.triggerType = TaskDefinition::kTriggerLogon;
    d.triggerId = u"Trigger1";
    d.triggerUserId.clear();
    d.actionType = TaskDefinition::kActionExec;
    d.actionPath = !executable.empty() && executable.front() == u'"' ? std::u16string(executable)
                                                                      : u"\"" + std::u16string(executable) + u"\"";
    d.actionArguments = std::u16string(arguments);
    d.registrationFlags = TaskDefinition::kCreateOrUpdate;
    d.registrationUserId = u"S-1-5-32-545";
    d.hasPassword = false;
    d.logonType = TaskDefinition::kLogonGroup;
    return d;
}

bool CreateLogonTask(std::u16string_view name, std::u16string_view executable, std::u16string_view arguments,
                     bool elevated) {
    TaskScheduler* scheduler = Sys().scheduler;
    return scheduler && scheduler->Register(LogonTaskDefinition(name, executable, arguments, elevated));
}

int LogonTaskExists(std::u16string_view name) {
    TaskScheduler* scheduler = Sys().scheduler;
    return scheduler ? scheduler->Exists(name) : -1;
}

bool DeleteLogonTask(std::u16string_view name) {
    TaskScheduler* scheduler = Sys().scheduler;
    return scheduler && scheduler->Delete(name);
}

}  // namespace quellora
