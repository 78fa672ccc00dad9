// Drives a running MorvenaSetup.exe from another process, as the user's
// screen sees it: find its window and message boxes, read them, answer them,
// send keys, collect the exit code. Works under Wine and on Windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

extern const char MainWindowClass[];
extern const char MainWindowTitle[];

class RunningProgram {
  public:
    RunningProgram() = default;
    ~RunningProgram(); // ends the program if it still runs
    RunningProgram(const RunningProgram &) = delete;
    RunningProgram &operator=(const RunningProgram &) = delete;

    // Starts the program in the given folder (its own folder when empty).
    bool Start(const std::string &exePath, const std::string &folder = "");
    DWORD ProcessId() const { return info_.dwProcessId; }
    HANDLE Process() const { return info_.hProcess; }
    // The exit code, or STILL_ACTIVE when it has not ended within the time.
    DWORD WaitForExit(DWORD milliseconds = 30000);
    bool Running() const;

  private:
    PROCESS_INFORMATION info_ = {};
};

// A visible top-level window of the process with this class (and title, when
// given), or null when none appears within the time.
HWND WaitForWindow(DWORD processId, const char *className, const char *title = nullptr,
                   DWORD milliseconds = 20000);
HWND WaitForMainWindow(DWORD processId, DWORD milliseconds = 20000);
// A message box (dialog class "#32770") of the process.
HWND WaitForMessageBox(DWORD processId, DWORD milliseconds = 20000);

std::string WindowText(HWND window);
std::string ClassNameOf(HWND window);
// The message box's text (its static control 0xFFFF).
std::string MessageBoxText(HWND box);
// Presses one of the box's buttons (IDOK, IDYES, IDNO, ...).
bool AnswerMessageBox(HWND box, int buttonId);

int ProgressPosition(HWND mainWindow);
// The child controls in z-order, top first.
std::vector<HWND> ChildrenInZOrder(HWND parent);
// The focused window of the thread that owns the window.
HWND FocusOf(HWND window);
// The window's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND child);

// Posts a key press (down and up) to the window, as the keyboard would deliver
// it to the focused control.
void PostKey(HWND target, UINT virtualKey, bool alt = false);

// The current folder of another process (read from its process parameters).
std::string CurrentFolderOf(HANDLE process);

} // namespace testing_support
