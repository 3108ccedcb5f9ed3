#include "platform/sim/sim_services.h"

#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;

std::u16string ServicesKey() { return JoinKey(paths::kFacts, u"Services"); }
std::u16string ServiceKey(std::u16string_view name) { return JoinKey(ServicesKey(), LowerAscii(name)); }
std::u16string LogKey() { return JoinKey(paths::kFacts, u"ServiceLog"); }

// The services the machine has before anything changes them.
bool Builtin(std::u16string_view name, SimService& service) {
    if (EqualsIgnoreAsciiCase(name, u"pla")) {
        service = SimService{u"pla", ServiceState::Stopped, service_start::kDemand};
        return true;
    }
    if (EqualsIgnoreAsciiCase(name, u"winmgmt")) {
        service = SimService{u"winmgmt", ServiceState::Running, service_start::kAuto};
        return true;
    }
    return false;
}

}  // namespace

std::u16string ServiceStateName(ServiceState state) {
    switch (state) {
        case ServiceState::Stopped: return u"stopped";
        case ServiceState::StartPending: return u"starting";
        case ServiceState::StopPending: return u"stopping";
        case ServiceState::Running: return u"running";
        case ServiceState::ContinuePending: return u"continuing";
        case ServiceState::PausePending: return u"pausing";
        case ServiceState::Paused: return u"paused";
    }
    return u"unknown";
}

bool SimServiceControl::Get(SimMachine& m, std::u16string_view name, SimService& service) {
    const std::u16string key = ServiceKey(name);
    if (!KeyExists(m.registry(), kLm, key)) return Builtin(name, service);
    service.name = TextOr(m.registry(), kLm, key, u"Name", name);
    service.state = static_cast<ServiceState>(DwordOr(m.registry(), kLm, key, u"State", 1));
    service.startType = DwordOr(m.registry(), kLm, key, u"StartType", service_start::kDemand);
    service.pendingLooks = DwordOr(m.registry(), kLm, key, u"PendingLooks", 2);
    service.startFails = DwordOr(m.registry(), kLm, key, u"StartFails", 0) != 0;
    return true;
}

void SimServiceControl::Put(SimMachine& m, const SimService& service) {
    const std::u16string key = ServiceKey(service.name);
    WriteText(m.registry(), kLm, key, u"Name", service.name);
    WriteDword(m.registry(), kLm, key, u"State", static_cast<uint32_t>(service.state));
    WriteDword(m.registry(), kLm, key, u"StartType", service.startType);
    WriteDword(m.registry(), kLm, key, u"PendingLooks", service.pendingLooks);
    WriteDword(m.registry(), kLm, key, u"StartFails", service.startFails ? 1 : 0);
}

std::vector<SimService> SimServiceControl::List(SimMachine& m) {
    std::vector<SimService> services;
    std::vector<std::u16string> names;
    m.registry().EnumKeys(kLm, ServicesKey(), names);
    for (const char16_t* builtin : {u"pla", u"winmgmt"}) {
        bool listed = false;
        for (const auto& n : names) listed = listed || EqualsIgnoreAsciiCase(n, builtin);
        if (!listed) names.emplace_back(builtin);
    }
    for (const auto& name : names) {
        SimService s;
        if (Get(m, name, s)) services.push_back(s);
    }
    return services;
}

std::vector<std::u16string> SimServiceControl::Log(SimMachine& m) { return ReadLines(m.registry(), kLm, LogKey()); }

void SimServiceControl::Record(std::u16string_view what) { AppendLine(machine_.registry(), kLm, LogKey(), what); }

bool SimServiceControl::QueryState(std::u16string_view name, ServiceState& state) {
    SimService s;
    if (!Get(machine_, name, s)) return false;
    // A pending stop or start completes after its looks.
    if (s.state == ServiceState::StopPending || s.state == ServiceState::StartPending) {
        const std::u16string key = ServiceKey(name);
        const uint32_t left = DwordOr(machine_.registry(), kLm, key, u"LooksLeft", 0);
        if (left <= 1) {
            s.state = s.state == ServiceState::StopPending || s.startFails ? ServiceState::Stopped : ServiceState::Running;
            Put(machine_, s);
        } else {
            WriteDword(machine_.registry(), kLm, key, u"LooksLeft", left - 1);
        }
    }
    state = s.state;
    return true;
}

bool SimServiceControl::SendStop(std::u16string_view name) {
    SimService s;
    if (!Get(machine_, name, s)) return false;
    Record(u"stop " + s.name);
    if (s.state == ServiceState::Stopped) return false;  // ERROR_SERVICE_NOT_ACTIVE
    s.state = ServiceState::StopPending;
    Put(machine_, s);
    WriteDword(machine_.registry(), kLm, ServiceKey(name), u"LooksLeft", s.pendingLooks);
    return true;
}

bool SimServiceControl::Start(std::u16string_view name) {
    SimService s;
    if (!Get(machine_, name, s)) return false;
    Record(u"start " + s.name);
    if (s.startType == service_start::kDisabled) return false;  // ERROR_SERVICE_DISABLED
    if (s.state != ServiceState::Stopped) return false;        // ERROR_SERVICE_ALREADY_RUNNING
    s.state = ServiceState::StartPending;
    Put(machine_, s);
    WriteDword(machine_.registry(), kLm, ServiceKey(name), u"LooksLeft", s.pendingLooks);
    return true;
}

bool SimServiceControl::QueryStartType(std::u16string_view name, uint32_t& startType) {
    SimService s;
    if (!Get(machine_, name, s)) return false;
    startType = s.startType;
    return true;
}

bool SimServiceControl::SetStartType(std::u16string_view name, uint32_t startType) {
    SimService s;
    if (!Get(machine_, name, s)) return false;
    Record(Format(u"start type %s %u", s.name, startType));
    s.startType = startType;
    Put(machine_, s);
    return true;
}

}  // namespace quellora::sim
