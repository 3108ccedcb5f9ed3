#include "platform/host/host_platform.h"

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"

namespace quellora::host {

std::string DefaultStateDir() {
    if (const char* dir = std::getenv("QUELLORA_SIM_DIR"); dir && *dir) return dir;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) return std::string(state) + "/quellora-sim";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/quellora-sim";
}

namespace {
CalendarTime FromTm(const struct tm& t, long nanoseconds) {
    CalendarTime c;
    c.year = static_cast<uint16_t>(t.tm_year + 1900);
    c.month = static_cast<uint16_t>(t.tm_mon + 1);
    c.dayOfWeek = static_cast<uint16_t>(t.tm_wday);
    c.day = static_cast<uint16_t>(t.tm_mday);
    c.hour = static_cast<uint16_t>(t.tm_hour);
    c.minute = static_cast<uint16_t>(t.tm_min);
    c.second = static_cast<uint16_t>(t.tm_sec > 59 ? 59 : t.tm_sec);
    c.milliseconds = static_cast<uint16_t>(nanoseconds / 1000000);
    return c;
}
}  // namespace

uint64_t HostClock::TickCount64() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

CalendarTime HostClock::UtcNow() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm t {};
    gmtime_r(&ts.tv_sec, &t);
    return FromTm(t, ts.tv_nsec);
}

CalendarTime HostClock::LocalNow() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm t {};
    localtime_r(&ts.tv_sec, &t);
    return FromTm(t, ts.tv_nsec);
}

bool HostClock::UtcToLocal(const CalendarTime& utc, CalendarTime& local) {
    uint64_t fileTime = 0;
    if (!CalendarToFileTime(utc, fileTime)) return false;
    // Seconds from 1601 to 1970.
    const time_t seconds = static_cast<time_t>(fileTime / kFileTimePerSecond - 11644473600ULL);
    struct tm t {};
    if (localtime_r(&seconds, &t) == nullptr) return false;
    local = FromTm(t, static_cast<long>(utc.milliseconds) * 1000000);
    return true;
}

void HostClock::Sleep(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

namespace {
bool WriteFd(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}
}  // namespace

bool HostConsole::AttachForCommand() {
    attached_ = true;
    return true;
}

bool HostConsole::AttachOrAllocate(bool& ownConsole) {
    ownConsole = false;
    attached_ = true;
    return true;
}

void HostConsole::Detach() { attached_ = false; }

bool HostConsole::WriteConsoleText(std::u16string_view) { return false; }

bool HostConsole::WriteBytes(std::string_view bytes) { return attached_ && WriteFd(1, bytes); }

void HostConsole::WriteError(std::u16string_view text) { WriteFd(2, Utf16ToUtf8(text) + "\n"); }

void HostConsole::DebugOutput(std::u16string_view) {}

void HostConsole::IgnoreCtrlC(bool ignore) { std::signal(SIGINT, ignore ? SIG_IGN : SIG_DFL); }

bool HostResourceModules::ParseTable(const std::string& bytes, std::map<uint32_t, std::u16string>& table) {
    static const std::string kHeader = "QUELLORA STRINGS 1\n";
    if (bytes.compare(0, kHeader.size(), kHeader) != 0) return false;
    size_t pos = kHeader.size();
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        uint32_t id = static_cast<uint32_t>(std::strtoul(line.substr(0, tab).c_str(), nullptr, 10));
        std::string text;
        for (size_t i = tab + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                char e = line[++i];
                text.push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e);
            } else {
                text.push_back(line[i]);
            }
        }
        table[id] = Utf8ToUtf16(text);
    }
    return true;
}

ModuleHandle HostResourceModules::LoadByPath(std::u16string_view path) {
    std::string bytes;
    std::map<uint32_t, std::u16string> table;
    if (!ReadWholeFile(path, 64u << 20, bytes) || !ParseTable(bytes, table)) return 0;
    std::lock_guard lock(mutex_);
    std::u16string name = FileNamePart(path);
    for (size_t i = 0; i < modules_.size(); ++i) {
        if (modules_[i] && EqualsIgnoreCase(modules_[i]->name, name)) {
            ++modules_[i]->references;
            return i + 1;
        }
    }
    auto module = std::make_unique<Module>();
    module->name = name;
    module->strings = std::move(table);
    module->references = 1;
    modules_.push_back(std::move(module));
    return modules_.size();
}

void HostResourceModules::Unload(ModuleHandle module) {
    std::lock_guard lock(mutex_);
    if (module == 0 || module > modules_.size() || !modules_[module - 1]) return;
    if (--modules_[module - 1]->references <= 0) modules_[module - 1].reset();
}

std::u16string HostResourceModules::LoadString(ModuleHandle module, uint32_t id, size_t maxChars) {
    std::lock_guard lock(mutex_);
    if (module == 0 || module > modules_.size() || !modules_[module - 1] || maxChars == 0) return {};
    const auto& strings = modules_[module - 1]->strings;
    auto it = strings.find(id);
    if (it == strings.end()) return {};
    // LoadStringW keeps room for the terminating NUL.
    return it->second.substr(0, maxChars - 1);
}

HostFolders::HostFolders(std::u16string stateDir) : stateDir_(std::move(stateDir)) {}

std::u16string HostFolders::LocalAppData() { return stateDir_.empty() ? u"" : JoinPath(stateDir_, u"LocalAppData"); }

std::u16string HostFolders::CommonAppData() { return stateDir_.empty() ? u"" : JoinPath(stateDir_, u"ProgramData"); }

std::u16string HostFolders::ProgramFiles() { return stateDir_.empty() ? u"" : JoinPath(stateDir_, u"ProgramFiles"); }

std::u16string HostFolders::TempPath() {
    if (stateDir_.empty()) return u"/tmp/";
    std::u16string temp = JoinPath(stateDir_, u"Temp");
    CreateDirectories(temp);
    temp.push_back(u'/');
    return temp;
}

std::u16string HostExecutablePath() {
    char buffer[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) return {};
    return Utf8ToUtf16(std::string(buffer, static_cast<size_t>(n)));
}

std::u16string HostFolders::ExecutablePath() { return HostExecutablePath(); }

std::u16string HostFolders::CurrentDirectory() {
    char buffer[PATH_MAX + 1];
    if (!::getcwd(buffer, sizeof buffer)) return {};
    return Utf8ToUtf16(buffer);
}

bool HostFolders::FullPath(std::u16string_view path, std::u16string& out) {
    if (path.empty()) return false;
    std::u16string full = path.front() == u'/' ? std::u16string(path) : JoinPath(CurrentDirectory(), path);
    // Resolve "." and ".." without touching the file system, as GetFullPathNameW does.
    std::vector<std::u16string> parts;
    for (auto& part : Split(full, u'/')) {
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    out.clear();
    for (auto& part : parts) {
        out.push_back(u'/');
        out.append(part);
    }
    if (out.empty() || path.back() == u'/') out.push_back(u'/');
    return true;
}

}  // namespace quellora::host
