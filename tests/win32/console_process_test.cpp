// Console output and other processes: this test program runs itself as a
// child in a helper role and checks what reaches its files and pipes.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/samples.h"
#include "tests/win32/support.h"

namespace quellora {
namespace {

using wintest::ChildCommandLine;
using wintest::FileBytes;
using wintest::RunWithFiles;
using wintest::ScratchFolder;

TEST(Win32Console, OutputRedirectedToAFileIsUtf8WithCrLfAndNoByteOrderMark) {
    ScratchFolder dir;
    std::u16string out = dir / u"out.txt";
    auto r = RunWithFiles(ChildCommandLine(u"console-lines"), out, u"");
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0u) << "3: no output handle, 4: a write failed, 10: written as console text";
    EXPECT_EQ(FileBytes(out), wintest::samples::kConsoleBytes);
}

TEST(Win32Console, OutputRedirectedToAPipeArrivesTheSame) {
    win32::Win32Processes processes;
    ProcessRun run = processes.Run(ChildCommandLine(u"console-lines"), 30000, true);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, wintest::samples::kConsoleBytes);
}

TEST(Win32Console, ErrorTextGoesToStandardErrorAsUtf8) {
    ScratchFolder dir;
    std::u16string out = dir / u"out.txt";
    std::u16string err = dir / u"err.txt";
    auto r = RunWithFiles(ChildCommandLine(u"console-error"), out, err);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(FileBytes(err), wintest::samples::kErrorBytes);
    EXPECT_EQ(FileBytes(out), "");
}

TEST(Win32Console, WithoutAnOutputNothingIsWritten) {
    win32::Win32Console console;
    console.Detach();
    EXPECT_FALSE(console.WriteConsoleText(u"x"));
    EXPECT_FALSE(console.WriteBytes("x"));
}

TEST(Win32Processes, RunCapturesOutputAndExitCode) {
    win32::Win32Processes processes;
    ProcessRun echo = processes.Run(u"cmd.exe /c echo hello world", 30000, true);
    ASSERT_TRUE(echo.started);
    ASSERT_TRUE(echo.finished);
    EXPECT_EQ(echo.exitCode, 0u);
    EXPECT_EQ(echo.output, "hello world\r\n");

    ProcessRun exit = processes.Run(u"cmd.exe /c exit 7", 30000, true);
    ASSERT_TRUE(exit.finished);
    EXPECT_EQ(exit.exitCode, 7u);
    EXPECT_EQ(exit.output, "");

    ProcessRun uncaptured = processes.Run(ChildCommandLine(u"exit", {u"42"}), 30000, false);
    ASSERT_TRUE(uncaptured.finished);
    EXPECT_EQ(uncaptured.exitCode, 42u);
    EXPECT_EQ(uncaptured.output, "");
}

TEST(Win32Processes, RunReadsLargeOutputWithoutBlocking) {
    win32::Win32Processes processes;
    const size_t size = 3 * 1024 * 1024 + 17;
    ProcessRun run = processes.Run(ChildCommandLine(u"big-output", {ToDecimal(uint64_t{size})}), 60000, true);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.output.size(), size);
    EXPECT_EQ(run.output.substr(0, 5), "abcde");
}

TEST(Win32Processes, RunLeavesAProcessThatOutlivesTheTimeOut) {
    win32::Win32Processes processes;
    ScratchFolder dir;
    uint64_t start = GetTickCount64();
    ProcessRun run = processes.Run(ChildCommandLine(u"sleep", {u"1500"}), 200, true);
    uint64_t took = GetTickCount64() - start;
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.finished);
    EXPECT_EQ(run.error, err::kWaitTimeout);
    EXPECT_LT(took, 1400u) << "Run waited for the process instead of returning at the time-out";
    // The child is still there and ends by itself.
    std::vector<uint32_t> children = processes.ListByImageName(wintest::SelfName());
    EXPECT_GE(children.size(), 2u);
    Sleep(1600);
}

TEST(Win32Processes, ACommandThatCannotStartReportsTheError) {
    win32::Win32Processes processes;
    ProcessRun run = processes.Run(u"C:\\no\\such\\program.exe", 1000, true);
    EXPECT_FALSE(run.started);
    EXPECT_NE(run.error, 0u);
    uint32_t error = 0;
    EXPECT_FALSE(processes.StartDetached(u"C:\\no\\such\\program.exe /x", error));
    EXPECT_TRUE(error == err::kFileNotFound || error == err::kPathNotFound) << error;
}

TEST(Win32Processes, StartDetachedDoesNotWait) {
    win32::Win32Processes processes;
    ScratchFolder dir;
    std::u16string marker = dir / u"started.txt";
    uint32_t error = 1;
    ASSERT_TRUE(processes.StartDetached(ChildCommandLine(u"touch", {marker}), error));
    EXPECT_EQ(error, 0u);
    for (int i = 0; i < 200 && !FileExists(marker); ++i) Sleep(50);
    EXPECT_TRUE(FileExists(marker));
    Sleep(200);  // let the child end before its folder goes
}

TEST(Win32Processes, ListByImageNameFindsThisProgramWhateverTheCase) {
    win32::Win32Processes processes;
    uint32_t self = processes.CurrentProcessId();
    EXPECT_EQ(self, GetCurrentProcessId());
    std::u16string name = wintest::SelfName();
    for (const std::u16string& spelling : {name, FoldCase(name), std::u16string(u"QUELLORA_WIN32_TESTS.EXE")}) {
        SCOPED_TRACE(Utf16ToUtf8(spelling));
        std::vector<uint32_t> ids = processes.ListByImageName(spelling);
        EXPECT_NE(std::find(ids.begin(), ids.end(), self), ids.end());
    }
    EXPECT_TRUE(processes.ListByImageName(u"no-such-program.exe").empty());

    // Both ways of listing agree.
    std::vector<uint32_t> native, snapshot;
    ASSERT_TRUE(win32::Win32Processes::ListWithNtQuery(name, native));
    ASSERT_TRUE(win32::Win32Processes::ListWithToolhelp(name, snapshot));
    EXPECT_NE(std::find(native.begin(), native.end(), self), native.end());
    EXPECT_NE(std::find(snapshot.begin(), snapshot.end(), self), snapshot.end());
}

}  // namespace
}  // namespace quellora
