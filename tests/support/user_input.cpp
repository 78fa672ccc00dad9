#include "user_input.h"

#include <vector>

namespace testing_support {

namespace {
void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}
} // namespace

void MoveMouseTo(POINT at) {
    // Absolute positions run from 0 to 65535 across the primary screen.
    LONG dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    LONG dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dx, dy);
}

void MoveMouseAway() {
    MoveMouseTo({GetSystemMetrics(SM_CXSCREEN) - 8, GetSystemMetrics(SM_CYSCREEN) - 8});
}

void PressMouseButton() {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void ReleaseMouseButton() {
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

POINT CentreOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

} // namespace testing_support
