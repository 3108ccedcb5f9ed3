#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/crash_handler.h"
#include "platform/files.h"
#include "platform/startup_state.h"
#include "platform/text.h"

namespace quellora {
namespace {

// Records what the handler does; "ends" the process by remembering the code.
class FakeActions : public CrashActions {
public:
    std::u16string LocalAppData() override { return appData; }
    bool CreateFolder(std::u16string_view path) override {
        steps.push_back(u"folder " + std::u16string(path));
        return true;
    }
    void RemoveFile(std::u16string_view path) override { steps.push_back(u"delete " + std::u16string(path)); }
    bool ShutdownSignalled() override { return shutdown; }
    void Sleep(uint32_t ms) override { steps.push_back(u"sleep " + ToDecimal(ms)); }
    bool WriteDump(std::u16string_view path, int level) override {
        steps.push_back(u"dump " + std::u16string(path) + u" level " + ToDecimal(level));
        return dumpWritten;
    }
    std::u16string Text(uint32_t id) override { return texts ? (id == 1288 ? u"%s: send to %s, see %s" : u"failed") : u""; }
    int ShowError(std::u16string_view text, uint32_t style) override {
        steps.push_back(u"box " + ToDecimal(style) + u" " + std::u16string(text));
        return answer;
    }
    void ShowInExplorer(std::u16string_view path) override { steps.push_back(u"explorer " + std::u16string(path)); }
    void EndProcess(uint32_t code) override { steps.push_back(u"end " + ToDecimal(code)); }
    void WaitForEnd() override { steps.push_back(u"wait"); }

    std::u16string appData = u"/home/u/AppData/Local";
    bool shutdown = false;
    bool dumpWritten = true;
    bool texts = true;
    int answer = 7;
    std::vector<std::u16string> steps;
};

std::u16string Dump() { return JoinPath(JoinPath(u"/home/u/AppData/Local", u"Taskwarden"), u"quellora.exe.dmp"); }

TEST(CrashHandler, WritesTheDumpTellsAndEndsWithOne) {
    FakeActions a;
    CrashGate gate;
    HandleCrash(a, gate, 10);
    const std::vector<std::u16string> expected = {
        u"folder /home/u/AppData/Local",
        u"folder " + JoinPath(u"/home/u/AppData/Local", u"Taskwarden"),
        u"delete " + Dump(),
        u"sleep 5000",
        u"dump " + Dump() + u" level 2",
        u"box 4116 Quellora: send to https://support.ostrima.com/quellora/crash, see " + Dump(),  // error, Yes/No, system-modal
        u"end 1",
    };
    EXPECT_EQ(a.steps, expected);
}

TEST(CrashHandler, YesShowsTheDumpInExplorer) {
    FakeActions a;
    a.answer = 6;
    CrashGate gate;
    HandleCrash(a, gate, 10);
    ASSERT_GE(a.steps.size(), 2u);
    EXPECT_EQ(a.steps[a.steps.size() - 2], u"explorer " + Dump());
    EXPECT_EQ(a.steps.back(), u"end 1");
}

TEST(CrashHandler, AFailedDumpIsMessage727AndStillExitCodeOne) {
    FakeActions a;
    a.dumpWritten = false;
    CrashGate gate;
    HandleCrash(a, gate, 10);
    EXPECT_EQ(a.steps[a.steps.size() - 2], u"box 4112 failed");  // error, system-modal
    EXPECT_EQ(a.steps.back(), u"end 1");

    // No local application data folder: no dump is tried.
    FakeActions none;
    none.appData.clear();
    CrashGate gate2;
    HandleCrash(none, gate2, 10);
    const std::vector<std::u16string> expected = {u"sleep 5000", u"box 4112 failed", u"end 1"};
    EXPECT_EQ(none.steps, expected);
}

TEST(CrashHandler, BeforeAnyLanguageModuleTheTextsAreEnglish) {
    FakeActions a;
    a.texts = false;
    a.dumpWritten = false;
    CrashGate gate;
    HandleCrash(a, gate, 10);
    EXPECT_EQ(a.steps[a.steps.size() - 2],
              u"box 4112 Quellora stopped because of an unexpected error. A memory dump for its developers could not "
              u"be written.");
}

TEST(CrashHandler, WhileBeingStoppedItEndsAtOnceWithZero) {
    FakeActions a;
    a.shutdown = true;
    CrashGate gate;
    HandleCrash(a, gate, 10);
    const std::vector<std::u16string> expected = {
        u"folder /home/u/AppData/Local", u"folder " + JoinPath(u"/home/u/AppData/Local", u"Taskwarden"),
        u"delete " + Dump(), u"end 0"};
    EXPECT_EQ(a.steps, expected);
}

TEST(CrashHandler, OneThreadHandlesACrashAgainContinuesAndOthersWait) {
    CrashGate gate;
    FakeActions first;
    HandleCrash(first, gate, 10);
    FakeActions again;
    EXPECT_EQ(HandleCrash(again, gate, 10), kContinueSearch);
    EXPECT_TRUE(again.steps.empty());
    FakeActions other;
    HandleCrash(other, gate, 11);
    EXPECT_EQ(other.steps, std::vector<std::u16string>{u"wait"});

    // Threads arriving together: exactly one is first.
    for (int round = 0; round < 50; ++round) {
        CrashGate together;
        std::atomic<int> firsts{0};
        std::vector<std::thread> threads;
        for (uint32_t t = 1; t <= 4; ++t) {
            threads.emplace_back([&, t] {
                if (together.Enter(t) == CrashGate::Entry::First) ++firsts;
            });
        }
        for (auto& t : threads) t.join();
        EXPECT_EQ(firsts.load(), 1);
    }
}

TEST(CrashHandler, DumpLevelsAndTheCallbacksChoices) {
    EXPECT_EQ(DumpTypeFlags(0), 0x50u);
    EXPECT_EQ(DumpTypeFlags(1), 0x1A25u);
    EXPECT_EQ(DumpTypeFlags(2), 0x1A27u);
    const std::u16string exe = u"C:\\Program Files\\Quellora\\quellora.exe";
    struct Case {
        int level;
        std::u16string module;
        bool referenced;
        bool keep;
        bool dataSegments;
    };
    const Case cases[] = {
        {0, u"C:\\Windows\\System32\\uxtheme.dll", false, false, true},
        {0, u"C:\\Windows\\System32\\uxtheme.dll", true, true, true},
        {1, u"C:\\Windows\\System32\\uxtheme.dll", false, true, false},
        {1, u"C:\\Windows\\System32\\KERNEL32.DLL", false, true, true},
        {1, u"C:\\Windows\\SYSTEM32\\ntdll.dll", false, true, true},
        {1, u"C:\\Program Files\\Quellora\\Quellora.EXE", false, true, true},
        {2, u"C:\\Windows\\System32\\uxtheme.dll", false, true, true},
    };
    for (const Case& c : cases) {
        const DumpModuleChoice choice = ChooseDumpModule(c.level, c.module, exe, c.referenced);
        EXPECT_EQ(choice.keepModule, c.keep) << c.level << " " << Utf16ToUtf8(c.module);
        EXPECT_EQ(choice.keepDataSegments, c.dataSegments) << c.level << " " << Utf16ToUtf8(c.module);
    }
    EXPECT_FALSE(IncludeDumpThread(7, 7));
    EXPECT_TRUE(IncludeDumpThread(8, 7));
}

}  // namespace
}  // namespace quellora
