// The baselines for the installer as a whole: the smallest Win32 program
// with a window of the installer's size and frame and one button, built
// with the same compiler and flags. The button asks the installer's desktop
// question as the installer shows it (no owner, task-modal, flags 68), for
// the cost of a message box alone. Built a second time with the product's
// themed look switched on, for the cost of the look on that box.
#include <windows.h>

#ifdef BENCH_THEMED_LOOK
#include "platform/themed_look.h"
#endif

namespace {

const char kQuestion[] =
    "是否创建桌面图标，如果创建的话，360会提示？如果不创建的话，你可以在开始菜单打开我。";

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
        MessageBoxA(nullptr, kQuestion, "提示", MB_YESNO | MB_ICONINFORMATION | MB_TASKMODAL);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "MorvenaBenchWindow";
    if (!RegisterClassA(&windowClass))
        return -1;
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Minimal", WS_CAPTION | WS_SYSMENU,
                                  242, 89, 540, 589, nullptr, nullptr, instance, nullptr);
    if (!window)
        return -1;
    CreateWindowExA(0, "BUTTON", "Ask", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 520, 120, 30,
                    window, nullptr, instance, nullptr);
#ifdef BENCH_THEMED_LOOK
    // As the installer does once its window is made: every control of the
    // thread, the message box's too, in the themed look.
    SetThemedLook(1);
#endif
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
