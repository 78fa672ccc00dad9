// A window of this thread with one of each control kind the themed look
// covers, in the states worth seeing: the installer itself shows only push
// buttons.
#pragma once

#include <windows.h>

#include <vector>

namespace themed_look_testing {

struct ControlsWindow {
    HWND window = nullptr;
    HWND defaultButton = nullptr, pushButton = nullptr, disabledButton = nullptr;
    HWND groupBox = nullptr, radioGroup = nullptr;
    HWND combo = nullptr, dropList = nullptr, upDown = nullptr, horizontalUpDown = nullptr;
    std::vector<HWND> controls; // every control, in creation order
};

// Builds and shows the window near the top left of the screen.
ControlsWindow BuildControlsWindow();

// The control's rectangle in the window's client coordinates.
RECT PlaceOf(HWND control);

} // namespace themed_look_testing
