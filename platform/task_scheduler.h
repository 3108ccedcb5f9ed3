// The Windows Task Scheduler (version 2): tasks of the root folder that start
// a program when a user logs on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quellora {

// The fields of a task definition the program fills, with the values of the
// Task Scheduler's enumerations.
struct TaskDefinition {
    static constexpr uint32_t kInstancesParallel = 0;  // TASK_INSTANCES_PARALLEL
    static constexpr uint32_t kRunLevelLua = 0;        // TASK_RUNLEVEL_LUA
    static constexpr uint32_t kRunLevelHighest = 1;    // TASK_RUNLEVEL_HIGHEST
    static constexpr uint32_t kTriggerLogon = 9;       // TASK_TRIGGER_LOGON
    static constexpr uint32_t kActionExec = 0;         // TASK_ACTION_EXEC
    static constexpr uint32_t kCreateOrUpdate = 6;     // TASK_CREATE_OR_UPDATE
    static constexpr uint32_t kLogonGroup = 4;         // TASK_LOGON_GROUP

    std::u16string name;  // in the root folder "\"
    // Registration information.
    std::u16string author;
    // Settings.
    std::u16string executionTimeLimit;  // "PT0S": none
    bool disallowStartIfOnBatteries = true;
    bool stopIfGoingOnBatteries = true;
    uint32_t multipleInstances = 1;
    bool enabled = false;
    // Principal.
    uint32_t runLevel = kRunLevelLua;
    // The one trigger.
    uint32_t triggerType = kTriggerLogon;
    std::u16string triggerId;
    std::u16string triggerUserId;  // empty: any user
    // The one action.
    uint32_t actionType = kActionExec;
    std::u16string actionPath;
    std::u16string actionArguments;
    // Registration.
    uint32_t registrationFlags = kCreateOrUpdate;
    std::u16string registrationUserId;  // a user or group
    bool hasPassword = false;
    uint32_t logonType = kLogonGroup;

    bool operator==(const TaskDefinition&) const = default;
};

class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;

    // Connects to the local scheduler as the current user and registers the
    // definition in the root folder; false when any step fails.
    virtual bool Register(const TaskDefinition& definition) = 0;
    // 1 when the root folder holds the task, 0 when it does not, -1 when the
    // scheduler cannot be asked.
    virtual int Exists(std::u16string_view name) = 0;
    virtual bool Delete(std::u16string_view name) = 0;
};

}  // namespace quellora
