// Message boxes, starting a program, and ending this one.
#pragma once

// The button that closed a message box.
enum MessageResult : int {
    MessageResultOk = 0, // also any answer not listed here, and a box that failed
    MessageResultCancel = 1,
    MessageResultAbort = 2,
    MessageResultRetry = 3,
    MessageResultIgnore = 4,
    MessageResultYes = 5,
    MessageResultNo = 6,
};

// How RunProgram shows the started program's first window.
enum ShowMode : int {
    ShowModeHidden = 1,
    ShowModeNormal = 2,
    ShowModeMinimized = 3,
    ShowModeMaximized = 4,
    ShowModeNormalNoActivate = 5,
    ShowModeMinimizedNoActivate = 6,
};

// Shows a box with no owner; flags are MB_ values, and the box is made
// task-modal unless MB_SYSTEMMODAL is given, so every window of this thread
// is disabled while it is up. A caption of nullptr gives the title "信息：";
// a message of nullptr shows as empty. Returns a MessageResult.
int ShowMessageBox(const char *message, int flags = 0, const char *caption = nullptr);

// Starts the command line as it is (a program path with blanks must come
// quoted) in this program's current folder, then waits for the program's
// end or at most 1000 ms for it to be ready for input. Without a show mode
// the window is shown normally; a given one is clamped to 1..6. True when
// the program was started.
bool RunProgram(const char *commandLine, bool waitForEnd = false);
bool RunProgram(const char *commandLine, bool waitForEnd, int showMode);

// The procedure EndProgram runs first to release what the program holds
// (its windows, picture and texts). At most one; nullptr for none.
void SetEndProgramCleanup(void (*cleanup)());

// Runs the clean-up procedure, then ends the process with the exit code.
[[noreturn]] void EndProgram(int exitCode);

// Shows the message in an error box, then ends the program with exit code -1.
[[noreturn]] void ReportFatalError(const char *message);
