#include "platform/sim/sim_instance_windows.h"

#include "platform/errors.h"
#include "platform/sim/reg_util.h"
#include "platform/sim/sim_machine.h"
#include "platform/text.h"

namespace quellora::sim {

namespace {

constexpr Hive kLm = Hive::LocalMachine;

std::u16string WindowsKey() { return JoinKey(paths::kFacts, u"Windows"); }
std::u16string WindowKey(uint32_t number) { return JoinKey(WindowsKey(), ToDecimal(number)); }
std::u16string ReceivedKey(uint32_t number) { return JoinKey(WindowKey(number), u"Received"); }

uint32_t NumberOf(WindowHandle window) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }

bool Exists(SimMachine& m, uint32_t number) { return number != 0 && KeyExists(m.registry(), kLm, WindowKey(number)); }

void Receive(SimMachine& m, uint32_t number, std::u16string_view what) {
    AppendLine(m.registry(), kLm, ReceivedKey(number), what);
}

}  // namespace

uint32_t SimInstanceWindows::Add(SimMachine& m, const SimWindow& window) {
    uint32_t number = 1;
    while (Exists(m, number)) ++number;
    const std::u16string key = WindowKey(number);
    WriteText(m.registry(), kLm, key, u"Class", window.className);
    WriteText(m.registry(), kLm, key, u"Name", window.windowName);
    WriteDword(m.registry(), kLm, key, u"ProcessId", window.processId);
    WriteDword(m.registry(), kLm, key, u"GoneAtFind", window.goneAtFind);
    return number;
}

bool SimInstanceWindows::Remove(SimMachine& m, uint32_t number) {
    if (!Exists(m, number)) return false;
    return m.registry().DeleteTree(kLm, WindowKey(number)) == err::kSuccess;
}

std::vector<SimWindow> SimInstanceWindows::List(SimMachine& m) {
    std::vector<SimWindow> windows;
    std::vector<std::u16string> names;
    m.registry().EnumKeys(kLm, WindowsKey(), names);
    for (const auto& name : names) {
        SimWindow w;
        w.number = static_cast<uint32_t>(ParseLeadingInt(name));
        const std::u16string key = WindowKey(w.number);
        w.className = TextOr(m.registry(), kLm, key, u"Class", u"");
        w.windowName = TextOr(m.registry(), kLm, key, u"Name", u"");
        w.processId = DwordOr(m.registry(), kLm, key, u"ProcessId", 0);
        w.goneAtFind = DwordOr(m.registry(), kLm, key, u"GoneAtFind", 0);
        w.received = ReadLines(m.registry(), kLm, ReceivedKey(w.number));
        windows.push_back(std::move(w));
    }
    return windows;
}

WindowHandle SimInstanceWindows::Find(std::u16string_view className, std::u16string_view windowName) {
    for (const SimWindow& w : List(machine_)) {
        // Class names compare without regard to case, window names exactly, as FindWindowW does.
        if (!EqualsIgnoreCase(w.className, className) || w.windowName != windowName) continue;
        if (w.goneAtFind == 1) {
            Remove(machine_, w.number);  // its process ended just now
            continue;
        }
        if (w.goneAtFind > 1) WriteDword(machine_.registry(), kLm, WindowKey(w.number), u"GoneAtFind", w.goneAtFind - 1);
        return reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(w.number));
    }
    return nullptr;
}

uint32_t SimInstanceWindows::ProcessOf(WindowHandle window) {
    const uint32_t number = NumberOf(window);
    if (!Exists(machine_, number)) return 0;
    return DwordOr(machine_.registry(), kLm, WindowKey(number), u"ProcessId", 0);
}

void SimInstanceWindows::AllowForeground(uint32_t processId) {
    WriteDword(machine_.registry(), kLm, WindowsKey(), u"ForegroundAllowed", processId);
}

bool SimInstanceWindows::Post(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    const uint32_t number = NumberOf(window);
    if (!Exists(machine_, number)) return false;
    Receive(machine_, number,
            Format(u"post %u %llu %lld", message, static_cast<unsigned long long>(wParam), static_cast<long long>(lParam)));
    return true;
}

bool SimInstanceWindows::RemoveNotifyIcon(WindowHandle window, uint32_t id, uint32_t) {
    const uint32_t number = NumberOf(window);
    if (!Exists(machine_, number)) return false;
    Receive(machine_, number, Format(u"icon removed %u", id));
    return true;
}

void SimInstanceWindows::AssociationsChanged() {
    WriteDword(machine_.registry(), kLm, WindowsKey(), u"AssociationChanges", AssociationChanges(machine_) + 1);
}

uint32_t SimInstanceWindows::ForegroundAllowedFor(SimMachine& m) {
    return DwordOr(m.registry(), kLm, WindowsKey(), u"ForegroundAllowed", 0);
}

uint32_t SimInstanceWindows::AssociationChanges(SimMachine& m) {
    return DwordOr(m.registry(), kLm, WindowsKey(), u"AssociationChanges", 0);
}

}  // namespace quellora::sim
