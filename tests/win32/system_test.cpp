// The power API binding, the machine facts, the folders and the clock.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

using Fn = PowerApi::Fn;

constexpr Fn kAllFunctions[] = {
    Fn::SetActiveScheme,        Fn::GetActiveScheme,        Fn::Enumerate,
    Fn::ReadFriendlyName,       Fn::DuplicateScheme,        Fn::WriteFriendlyName,
    Fn::WriteDescription,       Fn::DeleteScheme,           Fn::ReadACValueIndex,
    Fn::ReadDCValueIndex,       Fn::WriteACValueIndex,      Fn::WriteDCValueIndex,
    Fn::ReadPossibleValue,      Fn::WriteSettingAttributes, Fn::GetActualOverlayScheme,
    Fn::SetActiveOverlayScheme, Fn::GetEffectiveOverlayScheme, Fn::ReadSettingAttributes,
    Fn::ReadValueMin,           Fn::ReadValueMax,           Fn::ReadValueIncrement,
    Fn::ReadValueUnitsSpecifier, Fn::ReadPossibleFriendlyName, Fn::ReadDescription,
    Fn::DeterminePlatformRoleEx, Fn::CallNtPowerInformation,
};
static_assert(std::size(kAllFunctions) == static_cast<size_t>(Fn::kCount));

TEST(Win32PowerApi, EveryFunctionIsBoundExactlyWhenPowrprofExportsIt) {
    win32::Win32PowerApi api;
    HMODULE powrprof = LoadLibraryW(L"powrprof.dll");
    ASSERT_NE(powrprof, nullptr);
    for (Fn fn : kAllFunctions) {
        const char* name = win32::Win32PowerApi::ExportName(fn);
        SCOPED_TRACE(name);
        EXPECT_TRUE(std::strncmp(name, "Power", 5) == 0 || std::strcmp(name, "CallNtPowerInformation") == 0);
        EXPECT_EQ(api.Has(fn), GetProcAddress(powrprof, name) != nullptr);
    }
    FreeLibrary(powrprof);
    // Functions every system with this library has, Wine included.
    EXPECT_TRUE(api.Has(Fn::CallNtPowerInformation));
    EXPECT_TRUE(api.Has(Fn::Enumerate));
    EXPECT_TRUE(api.Has(Fn::GetActiveScheme));
    EXPECT_TRUE(api.Has(Fn::SetActiveScheme));
}

TEST(Win32PowerApi, MissingFunctionsAnswerCallNotImplementedWithoutCrashing) {
    win32::Win32PowerApi api;
    const Guid plan = guids::kBalanced;
    const Guid sub = guids::kSubProcessor;
    const Guid setting = guids::kCoreParkingMin0;
    uint8_t buffer[64] = {};
    uint32_t size = sizeof buffer;
    uint32_t value = 0;
    uint32_t type = 0;
    Guid out;
    struct Call {
        Fn fn;
        std::function<uint32_t()> call;
    } calls[] = {
        {Fn::DuplicateScheme, [&] { return api.DuplicateScheme(plan, out); }},
        {Fn::WriteFriendlyName, [&] { return api.WriteFriendlyName(plan, nullptr, nullptr, buffer, 2); }},
        {Fn::WriteDescription, [&] { return api.WriteDescription(plan, nullptr, nullptr, buffer, 2); }},
        {Fn::DeleteScheme, [&] { return api.DeleteScheme(GuidLiteral("00000000-1111-2222-3333-444444444444")); }},
        {Fn::ReadACValueIndex, [&] { return api.ReadValueIndex(true, &plan, &sub, &setting, value); }},
        {Fn::ReadDCValueIndex, [&] { return api.ReadValueIndex(false, &plan, &sub, &setting, value); }},
        {Fn::ReadPossibleValue, [&] { return api.ReadPossibleValue(&sub, &setting, &type, 0, buffer, &size); }},
        {Fn::ReadPossibleFriendlyName, [&] { return api.ReadPossibleFriendlyName(&sub, &setting, 0, buffer, &size); }},
        {Fn::ReadValueMin, [&] { return api.ReadValueMin(&sub, &setting, value); }},
        {Fn::ReadValueMax, [&] { return api.ReadValueMax(&sub, &setting, value); }},
        {Fn::ReadValueIncrement, [&] { return api.ReadValueIncrement(&sub, &setting, value); }},
        {Fn::ReadValueUnitsSpecifier, [&] { return api.ReadValueUnitsSpecifier(&sub, &setting, buffer, &size); }},
        {Fn::ReadDescription, [&] { return api.ReadDescription(nullptr, &sub, &setting, buffer, &size); }},
        {Fn::GetActualOverlayScheme, [&] { return api.GetActualOverlayScheme(out); }},
        {Fn::GetEffectiveOverlayScheme, [&] { return api.GetEffectiveOverlayScheme(out); }},
    };
    int missing = 0;
    for (auto& c : calls) {
        SCOPED_TRACE(win32::Win32PowerApi::ExportName(c.fn));
        if (api.Has(c.fn)) continue;  // a real system: calling it would change or read the machine
        ++missing;
        size = sizeof buffer;
        EXPECT_EQ(c.call(), err::kCallNotImplemented);
    }
    // The writes of values: only where they are missing (they would change the plan).
    if (!api.Has(Fn::WriteACValueIndex)) {
        EXPECT_EQ(api.WriteValueIndex(true, plan, &sub, &setting, 5), 120u);
    }
    if (!api.Has(Fn::WriteDCValueIndex)) {
        EXPECT_EQ(api.WriteValueIndex(false, plan, &sub, &setting, 5), 120u);
    }
    if (!api.Has(Fn::WriteSettingAttributes)) {
        EXPECT_EQ(api.WriteSettingAttributes(&sub, &setting, 0), 120u);
    }
    if (!api.Has(Fn::SetActiveOverlayScheme)) {
        EXPECT_EQ(api.SetActiveOverlayScheme(Guid{}), 120u);
    }
    if (!api.Has(Fn::ReadSettingAttributes)) {
        EXPECT_EQ(api.ReadSettingAttributes(&sub, &setting), 0u);
    }
    RecordProperty("missing_power_functions", missing);
}

TEST(Win32PowerApi, BoundFunctionsAnswerThroughTheBinding) {
    win32::Win32PowerApi api;
    // A size query: nothing is changed, and whatever the system answers comes back.
    uint32_t size = 0;
    uint32_t e = api.Enumerate(nullptr, nullptr, PowerApi::kAccessScheme, 0, nullptr, &size);
    EXPECT_TRUE(e == err::kSuccess || e == err::kMoreData || e == err::kCallNotImplemented ||
                e == err::kNoMoreItems)
        << e;
    Guid active;
    e = api.GetActiveScheme(active);
    EXPECT_TRUE(e == err::kSuccess || e == err::kCallNotImplemented) << e;
    if (e == err::kSuccess) {
        EXPECT_FALSE(active.IsNull());
    }

    // PROCESSOR_POWER_INFORMATION, 24 bytes per logical processor.
    win32::Win32SystemInfo system;
    uint32_t count = system.SystemInfoProcessorCount();
    std::vector<uint8_t> info(24 * count);
    EXPECT_EQ(api.CallNtPowerInformation(PowerApi::kProcessorInformation, nullptr, 0, info.data(),
                                         static_cast<uint32_t>(info.size())),
              0);
    uint32_t last = 0;
    std::memcpy(&last, info.data() + 24 * (count - 1), 4);
    EXPECT_EQ(last, count - 1);  // Number of the last record

    uint32_t role = api.DeterminePlatformRoleEx(2);
    EXPECT_LE(role, 8u);
}

TEST(Win32SystemInfo, VersionAndMachine) {
    win32::Win32SystemInfo system;
    OsVersion v;
    ASSERT_TRUE(system.GetOsVersion(v));
    EXPECT_GE(v.major, 6u);
    EXPECT_GT(v.build, 0u);
    EXPECT_EQ(system.NativeMachine(), machine::kX64);
    EXPECT_FALSE(system.ComputerName().empty());
    uint16_t language = system.UserDefaultUILanguage();
    EXPECT_NE(language, 0);

    std::u16string dir = system.SystemDirectory();
    EXPECT_TRUE(EndsWithIgnoreAsciiCase(dir, u"\\system32")) << Utf16ToUtf8(dir);
    EXPECT_TRUE(DirectoryExists(dir));
}

TEST(Win32SystemInfo, ProcessorLayoutRecordsAgreeWithTheProcessorCounts) {
    win32::Win32SystemInfo system;
    uint32_t size = 0;
    ASSERT_EQ(system.LogicalProcessorInformationEx(SystemInfo::kRelationAll, nullptr, &size),
              err::kInsufficientBuffer);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> buffer(size);
    uint32_t small = 8;
    EXPECT_EQ(system.LogicalProcessorInformationEx(SystemInfo::kRelationAll, buffer.data(), &small),
              err::kInsufficientBuffer);
    EXPECT_EQ(small, size);
    ASSERT_EQ(system.LogicalProcessorInformationEx(SystemInfo::kRelationAll, buffer.data(), &size), 0u);

    uint32_t cores = 0, packages = 0, logical = 0;
    for (size_t offset = 0; offset < size;) {
        auto* record = reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(buffer.data() + offset);
        ASSERT_GT(record->Size, 0u);
        if (record->Relationship == RelationProcessorCore) {
            ++cores;
            logical += static_cast<uint32_t>(__builtin_popcountll(record->Processor.GroupMask[0].Mask));
        } else if (record->Relationship == RelationProcessorPackage) {
            ++packages;
        }
        offset += record->Size;
    }
    EXPECT_GE(cores, 1u);
    EXPECT_GE(packages, 1u);
    EXPECT_EQ(logical, system.ActiveProcessorCount(SystemInfo::kAllProcessorGroups));
    EXPECT_GE(system.ActiveProcessorGroupCount(), 1u);
    // GetSystemInfo counts the processors of the program's own group.
    if (system.ActiveProcessorGroupCount() == 1) {
        EXPECT_EQ(system.ActiveProcessorCount(0), system.SystemInfoProcessorCount());
    }
    uint32_t node = 999;
    ASSERT_TRUE(system.NumaHighestNodeNumber(node));
    EXPECT_LT(node, 64u);
}

TEST(Win32SystemInfo, CpuSetsFollowTheSizeQueryRules) {
    win32::Win32SystemInfo system;
    uint32_t needed = 0;
    uint32_t error = 0;
    bool ok = system.SystemCpuSetInformation(nullptr, 0, &needed, error);
    if (error == err::kCallNotImplemented) {
        EXPECT_FALSE(ok);
        GTEST_SKIP() << "GetSystemCpuSetInformation is missing";
    }
    ASSERT_FALSE(ok);
    ASSERT_EQ(error, err::kInsufficientBuffer);
    ASSERT_GT(needed, 0u);
    std::vector<uint8_t> buffer(needed);
    uint32_t returned = 0;
    ASSERT_TRUE(system.SystemCpuSetInformation(buffer.data(), needed, &returned, error)) << error;
    EXPECT_EQ(error, 0u);
    uint32_t sets = 0;
    for (uint32_t offset = 0; offset < returned;) {
        uint32_t recordSize = 0;
        std::memcpy(&recordSize, buffer.data() + offset, 4);
        if (recordSize == 0) break;
        ++sets;
        offset += recordSize;
    }
    EXPECT_EQ(sets, system.ActiveProcessorCount(SystemInfo::kAllProcessorGroups));
}

TEST(Win32Folders, KnownFoldersExist) {
    win32::Win32Folders folders;
    for (const std::u16string& dir : {folders.LocalAppData(), folders.CommonAppData(), folders.CurrentDirectory()}) {
        SCOPED_TRACE(Utf16ToUtf8(dir));
        EXPECT_FALSE(dir.empty());
        EXPECT_TRUE(DirectoryExists(dir));
    }
    std::u16string temp = folders.TempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), u'\\');
    EXPECT_TRUE(DirectoryExists(temp));

    std::u16string self = folders.ExecutablePath();
    EXPECT_TRUE(EndsWithIgnoreAsciiCase(self, u"\\quellora_win32_tests.exe")) << Utf16ToUtf8(self);
    EXPECT_TRUE(FileExists(self));
}

TEST(Win32Folders, FullPathResolvesAgainstTheCurrentDirectory) {
    win32::Win32Folders folders;
    std::u16string cwd = folders.CurrentDirectory();
    std::u16string full;
    ASSERT_TRUE(folders.FullPath(u"a\\..\\b.json", full));
    EXPECT_EQ(full, JoinPath(cwd, u"b.json"));
    ASSERT_TRUE(folders.FullPath(u"C:/x/./y/../z", full));
    EXPECT_EQ(full, u"C:\\x\\z");
    EXPECT_FALSE(folders.FullPath(u"", full));
    std::u16string longName(400, u'n');
    ASSERT_TRUE(folders.FullPath(u"C:\\" + longName, full));
    EXPECT_EQ(full, u"C:\\" + longName);
}

TEST(Win32Clock, TicksAdvanceWithSleepAndTheCalendarIsPlausible) {
    win32::Win32Clock clock;
    uint64_t before = clock.TickCount64();
    clock.Sleep(60);
    uint64_t after = clock.TickCount64();
    EXPECT_GE(after - before, 45u);
    EXPECT_LT(after - before, 5000u);
    CalendarTime utc = clock.UtcNow();
    EXPECT_GE(utc.year, 2024);
    EXPECT_GE(utc.month, 1);
    EXPECT_LE(utc.month, 12);
    EXPECT_LE(utc.dayOfWeek, 6);
    EXPECT_LE(utc.hour, 23);
    CalendarTime local = clock.LocalNow();
    EXPECT_GE(local.year, 2024);
}

}  // namespace
}  // namespace quellora
