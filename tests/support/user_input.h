// The mouse and the keyboard as a user works them: events through SendInput,
// delivered to whatever window is under the cursor or in the foreground.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace testing_support {

void MoveMouseTo(POINT screenPoint);
// A corner of the screen where no window of the tests stands.
void MoveMouseAway();
void PressMouseButton();
void ReleaseMouseButton();

// Presses the keys in order and releases them in reverse order.
void PressKeys(std::initializer_list<WORD> keys);

// The centre of the window, in screen coordinates.
POINT CentreOf(HWND window);

} // namespace testing_support
