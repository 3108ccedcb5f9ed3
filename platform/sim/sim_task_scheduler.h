// The Task Scheduler of the simulated machine: registered tasks are kept field
// by field, so quellora-sim can show exactly what was registered. It can be
// made to refuse logon triggers (as Wine's does) or to be missing (as on
// Windows before Vista).
#pragma once

#include <string>
#include <vector>

#include "platform/task_scheduler.h"

namespace quellora::sim {

class SimMachine;

enum class SchedulerMode : uint32_t { Normal = 0, NoLogonTrigger = 1, Missing = 2 };

class SimTaskScheduler : public TaskScheduler {
public:
    explicit SimTaskScheduler(SimMachine& machine) : machine_(machine) {}

    bool Register(const TaskDefinition& definition) override;
    int Exists(std::u16string_view name) override;
    bool Delete(std::u16string_view name) override;

    static SchedulerMode Mode(SimMachine& machine);
    static void SetMode(SimMachine& machine, SchedulerMode mode);
    static bool Get(SimMachine& machine, std::u16string_view name, TaskDefinition& definition);
    static std::vector<TaskDefinition> List(SimMachine& machine);

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
