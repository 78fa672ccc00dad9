#include "platform/messages_and_processes.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

using testing_support::PathExists;
using testing_support::ReadWholeFile;
using testing_support::RunningUnderWine;
using testing_support::ScratchFolder;

namespace {

std::string ChildProgram() {
    return "\"" + testing_support::HostPath(PLATFORM_CHILD_PROGRAM) + "\"";
}

// What the child program wrote about how it was started.
struct StartReport {
    bool read = false;
    unsigned long flags = 0;
    unsigned showWindow = 0;
    std::string currentFolder;
    std::string commandLine;
};

StartReport ReadReport(const std::string &path) {
    StartReport report;
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, bytes))
        return report;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    in >> report.flags >> report.showWindow;
    in.ignore(1);
    std::getline(in, report.currentFolder);
    std::getline(in, report.commandLine, '\0');
    report.read = true;
    return report;
}

} // namespace

TEST(RunProgram, MissingProgramGivesFalse) {
    ScratchFolder scratch("run-missing");
    EXPECT_FALSE(RunProgram(("\"" + (scratch / "missing.exe") + "\"").c_str()));
    EXPECT_FALSE(
        RunProgram(("\"" + (scratch / "missing.exe") + "\"").c_str(), true, ShowModeNormal));
}

TEST(RunProgram, ShowModeReachesTheProgramClamped) {
    ScratchFolder scratch("run-show");
    const bool leftOut = true;
    struct Case {
        bool given;
        int showMode;
        unsigned expected;
    } cases[] = {
        {!leftOut, 0, SW_SHOWNORMAL}, // left out: normal, not hidden
        {leftOut, 0, SW_HIDE},        // given values below 1 count as 1
        {leftOut, INT_MIN, SW_HIDE},
        {leftOut, ShowModeHidden, SW_HIDE},
        {leftOut, ShowModeNormal, SW_SHOWNORMAL},
        {leftOut, ShowModeMinimized, SW_SHOWMINIMIZED},
        {leftOut, ShowModeMaximized, SW_SHOWMAXIMIZED},
        {leftOut, ShowModeNormalNoActivate, SW_SHOWNOACTIVATE},
        {leftOut, ShowModeMinimizedNoActivate, SW_MINIMIZE},
        {leftOut, 9, SW_MINIMIZE}, // above 6 counts as 6
    };
    int run = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.given ? "given " : "left out ") << c.showMode);
        std::string report = scratch / ("report" + std::to_string(++run) + ".txt");
        std::string line = ChildProgram() + " report \"" + report + "\"";
        ASSERT_TRUE(c.given ? RunProgram(line.c_str(), true, c.showMode)
                            : RunProgram(line.c_str(), true));
        StartReport started = ReadReport(report);
        ASSERT_TRUE(started.read);
        EXPECT_TRUE(started.flags & STARTF_USESHOWWINDOW);
        EXPECT_EQ(started.showWindow, c.expected);
    }
}

TEST(RunProgram, CommandLineUnchangedAndCallersCurrentFolder) {
    ScratchFolder scratch("run-line");
    ScratchFolder elsewhere("run-cwd");
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.Path().c_str()));
    std::string report = scratch / "report.txt";
    // Odd spacing and a quoted argument, as they are: nothing is re-quoted.
    std::string line = ChildProgram() + "   report  \"" + report + "\"  ";
    bool started = RunProgram(line.c_str(), true);
    SetCurrentDirectoryA(saved);
    ASSERT_TRUE(started);
    StartReport seen = ReadReport(report);
    ASSERT_TRUE(seen.read);
    EXPECT_EQ(seen.commandLine, line);
    EXPECT_EQ(lstrcmpiA(seen.currentFolder.c_str(), elsewhere.Path().c_str()), 0)
        << seen.currentFolder;
}

TEST(RunProgram, WaitingForTheEndReturnsAfterTheProgramEnded) {
    ScratchFolder scratch("run-wait");
    std::string report = scratch / "report.txt";
    // The program writes its report only after two seconds, well after the
    // input-idle wait would have given up.
    ASSERT_TRUE(RunProgram((ChildProgram() + " report \"" + report + "\" 2000").c_str(), true));
    EXPECT_TRUE(ReadReport(report).read);
}

TEST(RunProgram, ProgramThatNeverGetsReadyReturnsAfterAboutASecond) {
    char eventName[64];
    std::snprintf(eventName, sizeof eventName, "morvena-never-idle-%lu", GetCurrentProcessId());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, eventName);
    ASSERT_NE(release, nullptr);
    DWORD start = GetTickCount();
    bool started = RunProgram((ChildProgram() + " never-idle " + eventName).c_str());
    DWORD elapsed = GetTickCount() - start;
    SetEvent(release);
    CloseHandle(release);
    EXPECT_TRUE(started);
    EXPECT_GE(elapsed, 800u);
    EXPECT_LE(elapsed, 5000u);
}

TEST(RunProgram, LeavesNoHandleOpen) {
    // Wine reports no handle count for a process (always 0).
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine does not count a process's handles";
    ScratchFolder scratch("run-handles");
    std::string line = ChildProgram() + " report \"" + (scratch / "report.txt") + "\"";
    ASSERT_TRUE(RunProgram(line.c_str(), true)); // a first run loads what the call itself needs
    DWORD before = 0, after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &before);
    ASSERT_TRUE(RunProgram(line.c_str(), true));
    ASSERT_FALSE(RunProgram("\"no such program.exe\"", true));
    GetProcessHandleCount(GetCurrentProcess(), &after);
    EXPECT_EQ(after, before);
}
