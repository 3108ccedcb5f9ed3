// The power settings probe (/armprobe, /armprobe /write): a tab-separated
// report of how the machine's processor power settings look and, with the
// write tests, whether Windows honours them on a temporary copy of the active
// plan. The report goes to the console and to a UTF-8 file in the temporary
// folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "power/setting_metadata.h"

namespace quellora {

// The name the temporary copy of the active plan gets.
inline constexpr std::u16string_view kProbePlanName = u"Quellora probe (temporary)";

// "quellora-armprobe-<computer>-x64.txt" in the temporary folder (without its
// trailing separator); when there is none, in the executable's folder; when
// that has no folder part, in ".".
std::u16string ProbeReportPath();

// The settings the program manages: the advanced settings, then the minimum
// and maximum processor state of classes 0 and 1, each once.
std::vector<Guid> ProbeManagedSettings();

// Averages of the processor counters over some samples a second apart.
struct CounterSample {
    double performance = -1;   // "% Processor Performance" of _Total; -1 when the counter never had a value
    double frequencyMhz = -1;  // "Processor Frequency" of _Total; -1 likewise
    double currentMhz = 0;     // CurrentMhz of the processor power information, averaged over the processors
};
CounterSample SampleCounters(uint32_t samples);

// The write test's value for a setting whose AC value is `current`: the
// range's minimum (its maximum when the current value is the minimum), or the
// first possible value that differs. False when there is none to test.
bool ProbeTestValue(const SettingInfo& info, uint32_t current, uint32_t& test);

// The warning line when a quellora.exe other than `self` is in the list; empty otherwise.
std::u16string OtherQuelloraWarning(const std::vector<uint32_t>& processIds, uint32_t self);

// The verdicts of the write tests.
// Parked CPU sets at most seen with a parking minimum of 100 % and of 5 %.
std::u16string ParkingVerdict(int mostParkedAtFull, int mostParkedAtFive);
// Performance under load with a maximum state of 100 % and of 50 %.
std::u16string MaxStateVerdict(double performanceAtFull, double performanceAtHalf);
// Performance when idle with a minimum state of 5 % and of 100 %.
std::u16string MinStateVerdict(double performanceAtFive, double performanceAtFull);

// /armprobe [/write]: the report, and with `write` the write tests; answers the exit code.
int RunPowerSettingsProbe(bool write);

}  // namespace quellora
