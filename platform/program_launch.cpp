#include "platform/messages_and_processes.h"

#include <windows.h>

namespace {

WORD ShowWindowValueOf(int showMode) {
    static const WORD kShowWindow[] = {
        SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_MINIMIZE,
    };
    if (showMode < ShowModeHidden)
        showMode = ShowModeHidden;
    if (showMode > ShowModeMinimizedNoActivate)
        showMode = ShowModeMinimizedNoActivate;
    return kShowWindow[showMode - 1];
}

} // namespace

bool RunProgram(const char *commandLine, bool waitForEnd) {
    return RunProgram(commandLine, waitForEnd, ShowModeNormal);
}

bool RunProgram(const char *commandLine, bool waitForEnd, int showMode) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = ShowWindowValueOf(showMode);
    PROCESS_INFORMATION process;
    // The ANSI form converts the command line before use and never writes to it.
    if (!CreateProcessA(nullptr, const_cast<char *>(commandLine), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process))
        return false;
    if (waitForEnd)
        WaitForSingleObject(process.hProcess, INFINITE);
    else
        WaitForInputIdle(process.hProcess, 1000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
