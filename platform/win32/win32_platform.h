// The platform resources on real Windows: each class binds one interface of
// platform/*.h to the Windows API. Functions that older systems or Wine lack
// are bound at run time, so a missing one is an error code, never a failed start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/input_and_power.h"
#include "platform/platform.h"

namespace quellora::win32 {

// The registry through advapi32. Hives: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
// HKEY_CLASSES_ROOT; views through KEY_WOW64_64KEY / KEY_WOW64_32KEY.
class Win32Registry : public Registry {
public:
    uint32_t QueryValue(Hive hive, std::u16string_view key, std::u16string_view name, RegValue& out,
                        RegView view = RegView::Default) override;
    uint32_t SetValue(Hive hive, std::u16string_view key, std::u16string_view name, const RegValue& value,
                      RegView view = RegView::Default) override;
    uint32_t DeleteValue(Hive hive, std::u16string_view key, std::u16string_view name,
                         RegView view = RegView::Default) override;
    uint32_t CreateKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t OpenKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t DeleteKey(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t DeleteTree(Hive hive, std::u16string_view key, RegView view = RegView::Default) override;
    uint32_t EnumKeys(Hive hive, std::u16string_view key, std::vector<std::u16string>& names,
                      RegView view = RegView::Default) override;
    uint32_t EnumValues(Hive hive, std::u16string_view key, std::vector<RegEntry>& values,
                        RegView view = RegView::Default) override;
};

// powrprof.dll, loaded once per process; every function bound at run time.
class Win32PowerApi : public PowerApi {
public:
    Win32PowerApi();

    bool Has(Fn fn) const override;
    uint32_t SetActiveScheme(const Guid& scheme) override;
    uint32_t GetActiveScheme(Guid& scheme) override;
    uint32_t Enumerate(const Guid* scheme, const Guid* subgroup, uint32_t accessFlags, uint32_t index, uint8_t* buffer,
                       uint32_t* size) override;
    uint32_t ReadFriendlyName(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                              uint32_t* size) override;
    uint32_t ReadDescription(const Guid* scheme, const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                             uint32_t* size) override;
    uint32_t WriteFriendlyName(const Guid& scheme, const Guid* subgroup, const Guid* setting, const uint8_t* buffer,
                               uint32_t size) override;
    uint32_t WriteDescription(const Guid& scheme, const Guid* subgroup, const Guid* setting, const uint8_t* buffer,
                              uint32_t size) override;
    uint32_t DuplicateScheme(const Guid& source, Guid& created) override;
    uint32_t DeleteScheme(const Guid& scheme) override;
    uint32_t ReadValueIndex(bool ac, const Guid* scheme, const Guid* subgroup, const Guid* setting,
                            uint32_t& value) override;
    uint32_t WriteValueIndex(bool ac, const Guid& scheme, const Guid* subgroup, const Guid* setting,
                             uint32_t value) override;
    uint32_t ReadPossibleValue(const Guid* subgroup, const Guid* setting, uint32_t* type, uint32_t index,
                               uint8_t* buffer, uint32_t* size) override;
    uint32_t ReadPossibleFriendlyName(const Guid* subgroup, const Guid* setting, uint32_t index, uint8_t* buffer,
                                      uint32_t* size) override;
    uint32_t ReadSettingAttributes(const Guid* subgroup, const Guid* setting) override;
    uint32_t WriteSettingAttributes(const Guid* subgroup, const Guid* setting, uint32_t attributes) override;
    uint32_t ReadValueMin(const Guid* subgroup, const Guid* setting, uint32_t& value) override;
    uint32_t ReadValueMax(const Guid* subgroup, const Guid* setting, uint32_t& value) override;
    uint32_t ReadValueIncrement(const Guid* subgroup, const Guid* setting, uint32_t& value) override;
    uint32_t ReadValueUnitsSpecifier(const Guid* subgroup, const Guid* setting, uint8_t* buffer,
                                     uint32_t* size) override;
    uint32_t GetActualOverlayScheme(Guid& overlay) override;
    uint32_t GetEffectiveOverlayScheme(Guid& overlay) override;
    uint32_t SetActiveOverlayScheme(const Guid& overlay) override;
    uint32_t DeterminePlatformRoleEx(uint32_t version) override;
    int32_t CallNtPowerInformation(uint32_t level, const void* input, uint32_t inputSize, void* output,
                                   uint32_t outputSize) override;

private:
    const void* const* table_;  // the process-wide table of bound functions, indexed by Fn
};

class Win32SystemInfo : public SystemInfo {
public:
    bool GetOsVersion(OsVersion& out) override;
    uint32_t LogicalProcessorInformationEx(uint32_t relation, uint8_t* buffer, uint32_t* size) override;
    uint32_t ActiveProcessorCount(uint16_t group) override;
    uint16_t ActiveProcessorGroupCount() override;
    bool NumaHighestNodeNumber(uint32_t& node) override;
    bool SystemCpuSetInformation(uint8_t* buffer, uint32_t length, uint32_t* returned, uint32_t& error) override;
    uint32_t SystemInfoProcessorCount() override;
    std::u16string ComputerName() override;
    uint16_t NativeMachine() override;
    std::u16string SystemDirectory() override;
    std::u16string SystemWow64Directory() override;
    uint16_t UserDefaultUILanguage() override;
};

class Win32Folders : public KnownFolders {
public:
    std::u16string LocalAppData() override;
    std::u16string CommonAppData() override;
    std::u16string ProgramFiles() override;
    std::u16string TempPath() override;
    std::u16string ExecutablePath() override;
    std::u16string CurrentDirectory() override;
    bool FullPath(std::u16string_view path, std::u16string& out) override;
};

class Win32Clock : public Clock {
public:
    uint64_t TickCount64() override;
    CalendarTime UtcNow() override;
    CalendarTime LocalNow() override;
    bool UtcToLocal(const CalendarTime& utc, CalendarTime& local) override;
    void Sleep(uint32_t milliseconds) override;
};

// The output of the console commands and reports: a redirected standard
// output, or the parent's (or an own) console through "CONOUT$".
class Win32Console : public Console {
public:
    ~Win32Console() override;

    bool AttachForCommand() override;
    bool AttachOrAllocate(bool& ownConsole) override;
    void Detach() override;
    bool WriteConsoleText(std::u16string_view text) override;
    bool WriteBytes(std::string_view bytes) override;
    void WriteError(std::u16string_view text) override;
    void DebugOutput(std::u16string_view text) override;
    void IgnoreCtrlC(bool ignore) override;

private:
    // Opens "CONOUT$" of the console the process now has.
    bool OpenConsole();

    void* output_ = nullptr;      // HANDLE; null when no output is set
    bool ownsOutput_ = false;     // output_ is the "CONOUT$" handle this object opened
    bool attachedConsole_ = false;  // AttachConsole or AllocConsole succeeded here: FreeConsole on Detach
};

class Win32Processes : public Processes {
public:
    bool StartDetached(std::u16string_view commandLine, uint32_t& error) override;
    ProcessRun Run(std::u16string_view commandLine, uint32_t timeoutMs, bool captureOutput) override;
    ProcessRun Launch(const ProcessLaunch& launch) override;
    std::vector<uint32_t> ListByImageName(std::u16string_view imageName) override;
    uint32_t CurrentProcessId() override;
    bool Terminate(uint32_t processId, uint32_t exitCode) override;
    void EndCurrentProcess(uint32_t exitCode) override;

    // The two ways of listing processes, for the tests: the native process
    // list of ntdll (false when the call is missing) and the Toolhelp snapshot.
    static bool ListWithNtQuery(std::u16string_view imageName, std::vector<uint32_t>& ids);
    static bool ListWithToolhelp(std::u16string_view imageName, std::vector<uint32_t>& ids);
};

class Win32ResourceModules : public ResourceModules {
public:
    ModuleHandle LoadByPath(std::u16string_view path) override;
    void Unload(ModuleHandle module) override;
    std::u16string LoadString(ModuleHandle module, uint32_t id, size_t maxChars) override;
};

class Win32Interaction : public Interaction {
public:
    int MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t style) override;
    bool OpenWithShell(std::u16string_view target) override;
};

class Win32NamedEvents : public NamedEvents {
public:
    bool IsSignalled(std::u16string_view name) override;
};

class Win32KernelObjects : public KernelObjects {
public:
    KernelHandle OpenOrCreateEvent(std::u16string_view name, bool manualReset, bool initiallySignalled) override;
    bool Signal(KernelHandle event) override;
    WaitResult Wait(KernelHandle object, uint32_t timeoutMs) override;
    int WaitAny(const KernelHandle* objects, size_t count, uint32_t timeoutMs) override;
    KernelHandle NewMutex() override;
    bool TryLock(KernelHandle mutex) override;
    void Unlock(KernelHandle mutex) override;
    void Close(KernelHandle object) override;
};

class Win32InstanceWindows : public InstanceWindows {
public:
    WindowHandle Find(std::u16string_view className, std::u16string_view windowName) override;
    uint32_t ProcessOf(WindowHandle window) override;
    void AllowForeground(uint32_t processId) override;
    bool Post(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    bool RemoveNotifyIcon(WindowHandle window, uint32_t id, uint32_t callbackMessage) override;
    void AssociationsChanged() override;
};

// The service control manager (advapi32).
class Win32ServiceControl : public ServiceControl {
public:
    bool QueryState(std::u16string_view name, ServiceState& state) override;
    bool SendStop(std::u16string_view name) override;
    bool Start(std::u16string_view name) override;
    bool QueryStartType(std::u16string_view name, uint32_t& startType) override;
    bool SetStartType(std::u16string_view name, uint32_t startType) override;
};

// Task Scheduler 2.0 through COM. Each call initialises COM for its thread
// (multithreaded) and uninitialises it afterwards, unless the thread was
// already a single-threaded apartment (RPC_E_CHANGED_MODE), which it leaves as it was.
class Win32TaskScheduler : public TaskScheduler {
public:
    bool Register(const TaskDefinition& definition) override;
    int Exists(std::u16string_view name) override;
    bool Delete(std::u16string_view name) override;
};

class Win32FileVersions : public FileVersions {
public:
    bool FixedFileVersion(std::u16string_view path, FileVersion& version) override;
};

// Named mutexes "Local\\<name>" of the session, each opened once and kept.
class Win32SessionMutexes : public SessionMutexes {
public:
    Win32SessionMutexes() = default;
    ~Win32SessionMutexes() override;
    Win32SessionMutexes(const Win32SessionMutexes&) = delete;
    Win32SessionMutexes& operator=(const Win32SessionMutexes&) = delete;

    MutexWait Acquire(std::u16string_view name, uint32_t timeoutMs) override;
    void Release(std::u16string_view name) override;

private:
    void* Handle(std::u16string_view name);  // HANDLE; null when it cannot be made

    std::mutex mutex_;
    std::vector<std::pair<std::u16string, void*>> handles_;
};

// PDH, bound at run time.
class Win32PerfCounters : public PerfCounters {
public:
    bool OpenQuery(Query& query) override;
    bool AddEnglishCounter(Query query, std::u16string_view path, Counter& counter) override;
    bool Collect(Query query) override;
    bool ReadDouble(Counter counter, double& value) override;
    bool ReadLong(Counter counter, int32_t& value) override;
    bool ReadArray(Counter counter, std::vector<std::pair<std::u16string, double>>& values) override;
    bool ReadRawArray(Counter counter, std::vector<RawCounterItem>& values) override;
    void CloseQuery(Query query) override;
};

// The event log query API of wevtapi.dll, bound at run time.
class Win32EventLog : public EventLog {
public:
    uint32_t QueryNewest(std::u16string_view channel, std::u16string_view query, uint32_t maxEntries,
                         std::vector<std::u16string>& entries) override;
};

// WinINet.
class Win32Http : public Http {
public:
    bool Get(std::u16string_view url, std::u16string_view userAgent, uint64_t maxBytes, std::string& body) override;
};

// WinVerifyTrust and the signing certificate of its answer.
class Win32Signatures : public Signatures {
public:
    uint32_t Verify(std::u16string_view path, bool checkRevocation, SignerInfo& signer) override;
    std::u16string ErrorText(uint32_t code) override;
};

// The Dynamic Boost worker's hidden notification window and its waits.
class Win32SessionWatchFactory : public SessionWatchFactory {
public:
    std::unique_ptr<SessionWatch> Create() override;
};

// uxtheme's unnamed dark-mode functions (bound by ordinal, called only when
// all are present on a build that has them), SystemParametersInfo, dwmapi.
class Win32ThemeFacts : public ThemeFacts {
public:
    DarkModeSupport DarkMode() override;
    bool AppsUseDarkMode() override;
    bool HighContrast() override;
    bool ClientAreaAnimations() override;
    bool AccentColour(uint32_t& colorref) override;
    uint32_t WindowsBuild() override;
    void AllowDarkModeForProcess() override;
    void RefreshColorPolicy() override;
    void RefreshHighContrast() override;
    bool AllowDarkModeForWindow(WindowHandle window, bool allow) override;
    bool IsDarkModeAllowedForWindow(WindowHandle window) override;
    void SetDarkTitleBar(WindowHandle window, bool dark) override;
    bool RedirectScrollBars() override;

    // For the tests: which ordinals the system's uxtheme exports, and how many
    // calls of the unnamed functions this process has made.
    static DarkModeExports Exports();
    static uint32_t DarkModeCalls();
};

class Win32InputAndPower : public InputAndPower {
public:
    bool LastInputTick(uint32_t& tick) override;
    bool GetPowerStatus(PowerStatus& status) override;
    bool IsRemoteSession() override;
    bool QuerySessionLocked(bool& locked) override;
};

}  // namespace quellora::win32
