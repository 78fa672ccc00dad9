#include "platform/messages_and_processes.h"

#include <windows.h>

namespace {

const char kFatalErrorCaption[] = "错误";

void (*endProgramCleanup)() = nullptr;

} // namespace

void SetEndProgramCleanup(void (*cleanup)()) {
    endProgramCleanup = cleanup;
}

void EndProgram(int exitCode) {
    // Taken out first, so that a clean-up which itself ends the program
    // goes straight to the exit.
    void (*cleanup)() = endProgramCleanup;
    endProgramCleanup = nullptr;
    if (cleanup)
        cleanup();
    ExitProcess(static_cast<UINT>(exitCode));
}

void ReportFatalError(const char *message) {
    ShowMessageBox(message, MB_ICONERROR, kFatalErrorCaption);
    EndProgram(-1);
}
