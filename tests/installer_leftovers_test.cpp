#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/installer_leftovers.h"
#include "platform/files.h"
#include "platform/startup_state.h"
#include "platform/text.h"
#include "tests/support/sim_env.h"

namespace quellora {
namespace {

using testing::SimEnv;

class InstallerLeftovers : public ::testing::Test {
protected:
    InstallerLeftovers() {
        temp = env.platform().folders->TempPath();
        beside = JoinPath(env.dir().path16(), u"program");
        CreateDirectories(JoinPath(temp, u"ostrima"));
        CreateDirectories(beside);
        State().executablePath = JoinPath(beside, u"quellora.exe");
    }

    std::u16string Make(const std::u16string& folder, std::u16string_view name) {
        const std::u16string path = JoinPath(folder, name);
        EXPECT_TRUE(WriteFileAtomic(path, "MZ"));
        return path;
    }

    SimEnv env;
    std::u16string temp;
    std::u16string beside;
};

TEST_F(InstallerLeftovers, FindsTheThreeInstallersInBothPlaces) {
    EXPECT_TRUE(FindInstallerLeftovers().empty());
    const std::u16string a = Make(JoinPath(temp, u"ostrima"), u"quellorasetup64.exe");
    const std::u16string b = Make(beside, u"quellorasetuparm64.exe");
    const std::u16string c = Make(beside, u"quellorasetup32.exe");
    Make(beside, u"quellorasetup.exe");  // not one of them
    Make(temp, u"quellorasetup64.exe");  // not in the maker's folder
    EXPECT_EQ(FindInstallerLeftovers(), (std::vector<std::u16string>{c, a, b}));
}

TEST_F(InstallerLeftovers, RetriesAFileInUseUntilItGoesOrThePassesRunOut) {
    const std::u16string busy = Make(beside, u"quellorasetup64.exe");
    const std::u16string free = Make(beside, u"quellorasetup32.exe");
    const std::u16string gone = JoinPath(beside, u"quellorasetuparm64.exe");  // deleted by someone else meanwhile
    struct Case {
        int busyForPasses;  // the running installer holds its file this long
        size_t waits;       // pauses of 2 s between passes
        size_t left;
    };
    const Case cases[] = {{0, 0, 0}, {3, 3, 0}, {29, 29, 0}, {100, 29, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.busyForPasses);
        WriteFileAtomic(busy, "MZ");
        WriteFileAtomic(free, "MZ");
        std::vector<uint32_t> waits;
        std::map<std::u16string, int> attempts;
        const auto left = CleanInstallerLeftovers(
            {busy, free, gone},
            [&](uint32_t ms) {
                waits.push_back(ms);
                return false;
            },
            [&](const std::u16string& file) {
                const int attempt = attempts[file]++;
                return file == busy && attempt < c.busyForPasses ? false : DeleteFileAt(file);
            });
        EXPECT_EQ(waits.size(), c.waits);
        for (uint32_t ms : waits) EXPECT_EQ(ms, 2000u);
        EXPECT_EQ(left.size(), c.left);
        EXPECT_EQ(attempts[free], 1);
        EXPECT_EQ(attempts[gone], 0);
        EXPECT_FALSE(FileExists(free));
    }
}

TEST_F(InstallerLeftovers, StopsWhenTheShutdownEventIsSignalled) {
    const std::u16string busy = Make(beside, u"quellorasetup64.exe");
    int passes = 0;
    const auto left = CleanInstallerLeftovers(
        {busy}, [&](uint32_t) { return passes == 2; },
        [&](const std::u16string&) {
            ++passes;
            return false;
        });
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(left.size(), 1u);
    EXPECT_TRUE(FileExists(busy));
}

TEST_F(InstallerLeftovers, TheThreadDeletesThemInTheBackground) {
    const std::u16string a = Make(beside, u"quellorasetup64.exe");
    const std::u16string b = Make(JoinPath(temp, u"ostrima"), u"quellorasetup32.exe");
    ASSERT_TRUE(StartInstallerLeftoverCleanup());
    for (int i = 0; i < 200 && (FileExists(a) || FileExists(b)); ++i) env.platform().clock->Sleep(10);
    EXPECT_FALSE(FileExists(a));
    EXPECT_FALSE(FileExists(b));
    EXPECT_FALSE(StartInstallerLeftoverCleanup());  // nothing left to clean: no thread
}

}  // namespace
}  // namespace quellora
