// The installer's one window: built from its description, shown, and driven
// by the actions through the progress bar and the title.
#pragma once

#include "app/window_description.h"
#include "extract/zip_unit.h"

#include <windows.h>

// Builds the window and its controls from the description, runs the creation
// event while it is still hidden, then shows it. On failure nothing is shown
// and the result is null.
HWND BuildMainWindow(const WindowDescription &description);

// Takes messages until the quit message; the window's keys are handled here.
// Returns the quit message's exit code (0 when no window exists).
int RunMessageLoop();

// The window's creation event: switches the themed look on.
void OnWindowCreated();

// Clamps to 0..32767, then to the bar's range, and shows it before returning.
void SetProgressPosition(int position);
// An absent title counts as empty; the title bar is redrawn at once.
void SetWindowTitle(const char *title);

// The window, or null before it is built and after it is gone.
HWND MainWindowHandle();

// The window's ZIP unit, "ZIP压缩1".
ZipUnit &MainZipUnit();
