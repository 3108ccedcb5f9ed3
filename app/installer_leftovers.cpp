#include "app/installer_leftovers.h"

#include <system_error>
#include <thread>

#include "platform/files.h"
#include "platform/instance_events.h"
#include "platform/platform.h"
#include "platform/startup_state.h"

namespace quellora {

namespace {
constexpr int kPasses = 30;
constexpr uint32_t kPauseMs = 2000;
constexpr const char16_t* kInstallers[] = {u"quellorasetup32.exe", u"quellorasetup64.exe", u"quellorasetuparm64.exe"};
}  // namespace

std::vector<std::u16string> FindInstallerLeftovers() {
    std::vector<std::u16string> found;
    const std::u16string temp = Sys().folders ? Sys().folders->TempPath() : std::u16string();
    const std::u16string beside = ExecutableFolder();
    for (const char16_t* name : kInstallers) {
        if (!temp.empty()) {
            const std::u16string path = JoinPath(JoinPath(temp, u"ostrima"), name);
            if (FileExists(path)) found.push_back(path);
        }
        if (!beside.empty()) {
            const std::u16string path = JoinPath(beside, name);
            if (FileExists(path)) found.push_back(path);
        }
    }
    return found;
}

std::vector<std::u16string> CleanInstallerLeftovers(std::vector<std::u16string> files,
                                                    const std::function<bool(uint32_t)>& waitForStop,
                                                    const std::function<bool(const std::u16string&)>& deleteFile) {
    for (int pass = 0; pass < kPasses && !files.empty(); ++pass) {
        if (pass > 0 && waitForStop(kPauseMs)) break;
        std::vector<std::u16string> left;
        for (const std::u16string& file : files) {
            // An installer still running cannot be deleted yet: it stays for the next pass.
            if (FileExists(file) && !deleteFile(file)) left.push_back(file);
        }
        files = std::move(left);
    }
    return files;
}

bool StartInstallerLeftoverCleanup() {
    std::vector<std::u16string> files = FindInstallerLeftovers();
    if (files.empty()) return false;
    const KernelHandle shutdown = ShutdownEvent();
    auto waitForStop = [shutdown](uint32_t ms) {
        KernelObjects* kernel = Sys().kernel;
        if (!kernel || !shutdown) {
            if (Sys().clock) Sys().clock->Sleep(ms);
            return false;
        }
        return kernel->Wait(shutdown, ms) == WaitResult::Signalled;
    };
    auto deleteFile = [](const std::u16string& file) { return DeleteFileAt(file); };
    try {
        std::thread([files = std::move(files), waitForStop, deleteFile]() mutable {
            CleanInstallerLeftovers(std::move(files), waitForStop, deleteFile);
        }).detach();
    } catch (const std::system_error&) {
        return false;  // the start goes on without the clean-up
    }
    return true;
}

}  // namespace quellora
