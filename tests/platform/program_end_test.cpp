#include "box_driver.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

using testing_support::PathExists;
using testing_support::ScratchFolder;

namespace {

struct Ended {
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0;
    bool boxShown = false;
    box_driver::SeenBox box;
};

// Starts the program, answers the one box it may show with OK, and waits
// for it to end.
Ended RunToTheEnd(const std::string &program, const std::string &arguments, bool expectBox) {
    Ended result;
    std::string line = "\"" + testing_support::HostPath(program.c_str()) + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return result;
    result.started = true;
    if (expectBox) {
        if (HWND box = box_driver::WaitForBox(process.dwProcessId, 0, 20000)) {
            result.boxShown = true;
            result.box = box_driver::DescribeBox(box);
            box_driver::AnswerBox(box, IDOK);
        }
    }
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
        result.ended = true;
        GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::vector<unsigned long> NumbersIn(const std::string &text) {
    std::vector<unsigned long> numbers;
    for (size_t at = 0; at < text.size();) {
        if (!std::isdigit(static_cast<unsigned char>(text[at]))) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        numbers.push_back(std::stoul(text.substr(at, end - at)));
        at = end;
    }
    return numbers;
}

} // namespace

TEST(EndProgram, EndsWithTheCodeAfterTheCleanupAndNothingRunsAfter) {
    for (int code : {0, 42, -1}) {
        SCOPED_TRACE(code);
        ScratchFolder marks("end");
        Ended run = RunToTheEnd(PLATFORM_CHILD_PROGRAM,
                                "end " + std::to_string(code) + " \"" + marks.Path() + "\"", false);
        ASSERT_TRUE(run.started);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(code));
        EXPECT_TRUE(PathExists(marks / "cleanup"));
        EXPECT_FALSE(PathExists(marks / "after"));
    }
}

TEST(ReportFatalError, ShowsTheMessageThenEndsWithMinusOne) {
    ScratchFolder marks("fatal");
    Ended run = RunToTheEnd(PLATFORM_CHILD_PROGRAM, "fatal \"" + marks.Path() + "\"", true);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.boxShown);
    EXPECT_EQ(run.box.text, "安装程序无法继续：测试");
    EXPECT_NE(run.box.icon, nullptr);
    EXPECT_EQ(run.box.buttons, std::vector<int>{IDOK});
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
    EXPECT_TRUE(PathExists(marks / "cleanup"));
    EXPECT_FALSE(PathExists(marks / "after"));
}

// The failing program's allocations always fail; the box names the size
// that was asked for.
TEST(ReportFatalError, FailedTextAllocationEndsWithMinusOneNamingTheSize) {
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_NE(length, 0u);
    unsigned long folderSize = length + (windows[length - 1] == '\\' ? 1 : 2);
    struct Case {
        const char *mode;
        unsigned long size;
    } cases[] = {
        {"join", 4096 + 1 + 1},
        {"special", folderSize},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        ScratchFolder marks("fatal-memory");
        Ended run = RunToTheEnd(PLATFORM_FAILING_ALLOCATION_PROGRAM,
                                std::string(c.mode) + " \"" + marks.Path() + "\"", true);
        ASSERT_TRUE(run.started);
        ASSERT_TRUE(run.boxShown);
        EXPECT_EQ(NumbersIn(run.box.text), std::vector<unsigned long>{c.size}) << run.box.text;
        EXPECT_NE(run.box.icon, nullptr);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
        EXPECT_TRUE(PathExists(marks / "cleanup"));
        EXPECT_FALSE(PathExists(marks / "after"));
    }
}
