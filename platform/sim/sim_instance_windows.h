// Windows of other processes on the simulated machine: a running instance's
// hidden window is a record of the machine (class, name, process), which
// quellora-sim adds as another instance of the program would. Messages posted
// to it and icons taken from it are kept in the record, so another process can
// see what arrived.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/instance_windows.h"

namespace quellora::sim {

class SimMachine;

struct SimWindow {
    uint32_t number = 0;  // the window's handle on the simulated machine
    std::u16string className;
    std::u16string windowName;
    uint32_t processId = 0;
    // The window is gone (its process has ended) when it is looked for the
    // n-th time from now: 1 at the next look; 0: it stays.
    uint32_t goneAtFind = 0;
    std::vector<std::u16string> received;  // "post 1025 0 514", "icon removed 38937"
};

class SimInstanceWindows : public InstanceWindows {
public:
    explicit SimInstanceWindows(SimMachine& machine) : machine_(machine) {}

    WindowHandle Find(std::u16string_view className, std::u16string_view windowName) override;
    uint32_t ProcessOf(WindowHandle window) override;
    void AllowForeground(uint32_t processId) override;
    bool Post(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    bool RemoveNotifyIcon(WindowHandle window, uint32_t id, uint32_t callbackMessage) override;
    void AssociationsChanged() override;

    // What the machine holds, for tests and quellora-sim.
    static uint32_t Add(SimMachine& machine, const SimWindow& window);
    static bool Remove(SimMachine& machine, uint32_t number);
    static std::vector<SimWindow> List(SimMachine& machine);
    static uint32_t ForegroundAllowedFor(SimMachine& machine);
    static uint32_t AssociationChanges(SimMachine& machine);

private:
    SimMachine& machine_;
};

}  // namespace quellora::sim
