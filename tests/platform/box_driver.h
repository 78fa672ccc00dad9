// Finds a message box shown by another thread or process, reads it as the
// user would see it, and answers it. Works the same under Wine and Windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace box_driver {

struct SeenBox {
    HWND window = nullptr;
    std::string title;
    std::string text;         // the message, the static control 0xFFFF
    HICON icon = nullptr;     // the icon shown, if any
    std::vector<int> buttons; // ids of the visible buttons, in child order
    LONG extendedStyle = 0;
};

// Waits up to timeoutMs for a visible message box of that process (and of
// that thread, when threadId is not 0).
HWND WaitForBox(DWORD processId, DWORD threadId, DWORD timeoutMs);

SeenBox DescribeBox(HWND box);

// Answers as a click on the button would.
void AnswerBox(HWND box, int buttonId);

} // namespace box_driver
