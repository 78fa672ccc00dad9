// A program the platform tests start. GUI subsystem, so that waiting for it
// to be ready for input means something.
//   report FILE [DELAY_MS]  after the delay, writes how it was started to FILE
//   never-idle EVENT        never reads a message; ends when EVENT is set
//   end CODE FOLDER         EndProgram(CODE) with a clean-up that leaves a mark
//   fatal FOLDER            ReportFatalError with a known message
// The marks in FOLDER: "cleanup" from the clean-up procedure, "after" from
// the line after the call that must not return.
#include "marks.h"
#include "platform/messages_and_processes.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace platform_marks;

int Report(const char *file, DWORD delay) {
    Sleep(delay);
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%lu\n%u\n", startup.dwFlags, startup.wShowWindow);
    std::string report = std::string(numbers) + folder + "\n" + GetCommandLineA();
    HANDLE out =
        CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    WriteFile(out, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    CloseHandle(out);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3)
        return 100;
    const char *mode = argv[1];
    if (!std::strcmp(mode, "report"))
        return Report(argv[2], argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0);
    if (!std::strcmp(mode, "never-idle")) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        if (!event)
            return 3;
        WaitForSingleObject(event, 60000);
        return 0;
    }
    if (!std::strcmp(mode, "end") && argc > 3) {
        MarkFolder() = argv[3];
        SetEndProgramCleanup(MarkCleanup);
        EndProgram(std::atoi(argv[2]));
        Mark("after");
        return 101;
    }
    if (!std::strcmp(mode, "fatal")) {
        MarkFolder() = argv[2];
        SetEndProgramCleanup(MarkCleanup);
        ReportFatalError("安装程序无法继续：测试");
        Mark("after");
        return 101;
    }
    return 100;
}
