// Drift protection: every plan with a remembered copy of the user's settings is
// compared with what it now holds; differences are logged and, on request,
// written back. The tray runs the check every 30 seconds; /driftcheck once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/plan_settings.h"
#include "platform/guid.h"

namespace quellora {

class PowerSchemeAccess;

namespace drift {
inline constexpr int kOff = 0;
inline constexpr int kLog = 1;
inline constexpr int kRestore = 2;
inline constexpr uint64_t kRelogAfterMs = 599999;   // an unchanged drift is logged again after this (restore mode)
inline constexpr uint64_t kNotifyEveryMs = 600000;  // a plan is announced at most this often
}  // namespace drift

struct DriftRecord {
    std::u16string time;  // UTC, "2025-03-01T09:30:00Z"
    std::u16string planName;
    uint32_t count = 0;
    bool restored = false;
    std::u16string details;
};

// "DriftProtection" under HKCU\Software\Quellora: 0 off, 1 log, 2 restore; anything else 0.
int DriftMode();
// "AC CoreParkingMin[1]: expected 100, found (none); DC ..."
std::u16string DriftDetails(const std::vector<DiffEntry>& differences);
// Compares one plan with its remembered copy; true when it drifted. One step
// under the plan-write guard, so it never runs inside an apply.
bool CheckDrift(PowerSchemeAccess& power, const Guid& plan, int mode, bool log, DriftRecord* record);
// Checks every listed plan (logging); answers how many drifted.
int CheckAllPlans(PowerSchemeAccess& power, int mode, std::vector<DriftRecord>* drifted);
std::u16string DriftLogPath();
std::vector<DriftRecord> ReadDriftLog();

// While it lives, this process logs drift to another file and reads it back
// from there (the self-test's drift checks keep out of the user's drift.log).
class DriftLogRedirect {
public:
    explicit DriftLogRedirect(std::u16string path);
    ~DriftLogRedirect();
    DriftLogRedirect(const DriftLogRedirect&) = delete;
    DriftLogRedirect& operator=(const DriftLogRedirect&) = delete;

private:
    std::u16string previous_;
};
// Forgets which drifts were logged (a new process starts with an empty memory).
void ResetDriftMemory();

// The tray's drift notification: at most one per tick, each plan at most once
// every ten minutes, the ones kept back counted into the next.
struct DriftNotice {
    uint32_t stringId = 0;
    std::u16string text;
    std::u16string planName;
};

class DriftNotifier {
public:
    // The notice to show for the plans that drifted at `tick` (milliseconds), if any.
    std::optional<DriftNotice> OnTick(const std::vector<DriftRecord>& drifted, uint64_t tick);

private:
    struct Entry {
        uint64_t lastTick = 0;
        uint32_t counter = 0;
    };
    std::map<std::u16string, Entry> entries_;
};

// /driftcheck: checks every remembered plan and reports; answers the number of drifted plans.
int RunDriftCheckReport();

}  // namespace quellora
