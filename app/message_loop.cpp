#include "app/main_window.h"

namespace {

// Whether the focused control asks for this key itself (none of ours does,
// but a control that does gets it).
bool ControlWantsKey(HWND control, MSG &message) {
    if (!control)
        return false;
    LRESULT code = SendMessageA(control, WM_GETDLGCODE, message.wParam,
                                reinterpret_cast<LPARAM>(&message));
    return (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0;
}

// The window's own keys, taken before translation. True when consumed.
bool HandleWindowKey(HWND window, MSG &message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)
        return false;
    if (message.hwnd != window && !IsChild(window, message.hwnd))
        return false;
    if (!IsWindowEnabled(window) || !IsWindowEnabled(message.hwnd))
        return false;
    HWND focus = GetFocus();
    switch (message.wParam) {
    case VK_ESCAPE:
        if (ControlWantsKey(focus, message))
            return false;
        SendMessageA(window, WM_CLOSE, 0, 0);
        return true;
    case VK_TAB: {
        if (message.message != WM_KEYDOWN || ControlWantsKey(focus, message))
            return false;
        bool backwards = GetKeyState(VK_SHIFT) < 0;
        HWND next = GetNextDlgTabItem(window, focus && IsChild(window, focus) ? focus : nullptr,
                                      backwards);
        if (next)
            SetFocus(next);
        return true;
    }
    case VK_RETURN:
        // No default button, and Enter does not move the focus.
        return !ControlWantsKey(focus, message);
    case VK_F1:
        // No help.
        return true;
    }
    return false;
}

} // namespace

int RunMessageLoop() {
    if (!MainWindowHandle())
        return 0;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND window = MainWindowHandle();
        if (window && HandleWindowKey(window, message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
