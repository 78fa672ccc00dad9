#include "app/main_window.h"

#include "app/picture_box.h"
#include "platform/themed_look.h"

#include <commctrl.h>

namespace {

const char kWindowClass[] = "MorvenaSetupWindow";
const char kZipUnitClass[] = "MorvenaZipUnit";
const int kMaxControls = 8;

// What the window knows of itself, hung on the window (GWLP_USERDATA).
struct MainWindowState {
    const WindowDescription *description = nullptr;
    HWND controls[kMaxControls] = {};
    HWND progressBar = nullptr;
    HWND focusOnActivation = nullptr; // where the focus goes when the window is activated
    HFONT font = nullptr;             // the window's own font; the default procedure keeps none
    ZipUnit zipUnit;
};

// The actions report through procedures without a window argument, and the
// program has exactly one window: this is it.
HWND g_mainWindow;
MainWindowState g_state;

MainWindowState *StateOf(HWND window) {
    return reinterpret_cast<MainWindowState *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The tab stop with the smallest key among the visible, enabled controls;
// on a tie the later one in the description wins.
HWND FirstFocus(const MainWindowState &state) {
    HWND best = nullptr;
    int bestKey = 0;
    for (int i = 0; i < state.description->controlCount; ++i) {
        HWND control = state.controls[i];
        LONG style = GetWindowLongA(control, GWL_STYLE);
        if (!(style & WS_TABSTOP) || !IsWindowVisible(control) || !IsWindowEnabled(control))
            continue;
        int key = state.description->controls[i].tabOrderKey;
        if (!best || key <= bestKey) {
            best = control;
            bestKey = key;
        }
    }
    return best;
}

void OnActivate(HWND window, MainWindowState &state, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus))
            state.focusOnActivation = focus;
        return;
    }
    if (!state.focusOnActivation)
        state.focusOnActivation = FirstFocus(state);
    if (state.focusOnActivation)
        SetFocus(state.focusOnActivation);
}

void OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    EndPaint(window, &paint);
}

void OnCommand(MainWindowState &state, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED || !lParam)
        return;
    for (int i = 0; i < state.description->controlCount; ++i) {
        const ControlDescription &control = state.description->controls[i];
        if (state.controls[i] == reinterpret_cast<HWND>(lParam) && control.onClick)
            control.onClick();
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState *state = StateOf(window);
    switch (message) {
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ACTIVATE:
        if (state)
            OnActivate(window, *state, wParam);
        return 0;
    case WM_SETFOCUS:
        // The focus belongs to a control, not to the frame (after a message
        // box, for instance, the system hands it to the frame first).
        if (state && state->focusOnActivation && IsWindow(state->focusOnActivation))
            SetFocus(state->focusOnActivation);
        return 0;
    case WM_COMMAND:
        if (state)
            OnCommand(*state, wParam, lParam);
        return 0;
    case WM_SETFONT:
        if (state)
            state->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_NCDESTROY:
        g_mainWindow = nullptr;
        PostQuitMessage(0);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXA main = {};
    main.cbSize = sizeof main;
    main.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    main.lpfnWndProc = MainWindowProc;
    main.hInstance = instance;
    main.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    main.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    main.lpszClassName = kWindowClass;

    WNDCLASSEXA zip = {};
    zip.cbSize = sizeof zip;
    zip.style = CS_DBLCLKS;
    zip.lpfnWndProc = DefWindowProcA;
    zip.hInstance = instance;
    zip.lpszClassName = kZipUnitClass;

    return RegisterClassExA(&main) && RegisterClassExA(&zip) && RegisterPictureBoxClass(instance);
}

const char *ClassFor(ControlKind kind) {
    switch (kind) {
    case ControlKind::ProgressBar:
        return PROGRESS_CLASSA;
    case ControlKind::PictureBox:
        return PictureBoxClassName;
    case ControlKind::Button:
        return "BUTTON";
    case ControlKind::ZipUnit:
        return kZipUnitClass;
    }
    return nullptr;
}

HWND CreateControl(HWND window, HINSTANCE instance, const ControlDescription &control, int id) {
    void *createParam = control.kind == ControlKind::PictureBox
                            ? const_cast<unsigned char *>(control.picture)
                            : nullptr;
    HWND handle = CreateWindowExA(0, ClassFor(control.kind), control.text, control.style,
                                  control.left, control.top, control.width, control.height, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                  createParam);
    if (!handle)
        return nullptr;
    switch (control.kind) {
    case ControlKind::ProgressBar:
        SendMessageA(handle, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendMessageA(handle, PBM_SETPOS, 0, 0);
        SetWindowLongA(handle, GWL_EXSTYLE, GetWindowLongA(handle, GWL_EXSTYLE) | WS_EX_STATICEDGE);
        SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        break;
    case ControlKind::Button:
        SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
        break;
    default:
        break;
    }
    return handle;
}

void SetIcons(HWND window, HINSTANCE instance) {
    HANDLE big = LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 32, 32, 0);
    HANDLE small = LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 16, 16, 0);
    if (big)
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small)
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

} // namespace

HWND BuildMainWindow(const WindowDescription &description) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (description.controlCount > kMaxControls || !RegisterClasses(instance))
        return nullptr;

    // Centred on the primary screen; the stored place is not used.
    int left = (GetSystemMetrics(SM_CXSCREEN) - description.width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - description.height) / 2;
    HWND window = CreateWindowExA(0, kWindowClass, description.title, description.style, left, top,
                                  description.width, description.height, nullptr, nullptr, instance,
                                  nullptr);
    if (!window)
        return nullptr;
    RECT outer;
    GetWindowRect(window, &outer);
    if (outer.right - outer.left != description.width || outer.bottom - outer.top != description.height)
        MoveWindow(window, left, top, description.width, description.height, FALSE);

    g_state = MainWindowState();
    g_state.description = &description;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&g_state));
    g_mainWindow = window;

    SetIcons(window, instance);
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);

    for (int i = 0; i < description.controlCount; ++i) {
        const ControlDescription &control = description.controls[i];
        HWND handle = CreateControl(window, instance, control, i + 1);
        if (!handle) {
            DestroyWindow(window);
            return nullptr;
        }
        g_state.controls[i] = handle;
        if (control.kind == ControlKind::ProgressBar)
            g_state.progressBar = handle;
        if (control.kind == ControlKind::ZipUnit)
            g_state.zipUnit.window = handle;
    }

    // The description's order is the z-order, first on top.
    for (int i = 0; i < description.controlCount; ++i)
        SetWindowPos(g_state.controls[i], i == 0 ? HWND_TOP : g_state.controls[i - 1], 0, 0, 0, 0,
                     SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    for (int i = 0; i < description.controlCount; ++i)
        if (description.controls[i].visible)
            ShowWindow(g_state.controls[i], SW_SHOWNA);

    // The themed look takes the buttons over before they are first seen.
    if (description.onCreated)
        description.onCreated();

    ShowWindow(window, SW_SHOW);
    // Paint now, so the first frame on screen is the finished one.
    UpdateWindow(window);
    return window;
}

void OnWindowCreated() { SetThemedLook(1); }

void SetProgressPosition(int position) {
    if (position < 0)
        position = 0;
    if (position > 32767)
        position = 32767;
    HWND bar = g_mainWindow ? g_state.progressBar : nullptr;
    if (!bar)
        return;
    PBRANGE range = {};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    int low = range.iLow < range.iHigh ? range.iLow : range.iHigh;
    int high = range.iLow < range.iHigh ? range.iHigh : range.iLow;
    if (position > high)
        position = high;
    if (position < low)
        position = low;
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    // The action holds the thread: paint the bar now, without the loop.
    UpdateWindow(bar);
}

void SetWindowTitle(const char *title) {
    if (!g_mainWindow)
        return;
    SetWindowTextA(g_mainWindow, title ? title : "");
    // The action holds the thread: draw the whole frame now, without the loop.
    SendMessageA(g_mainWindow, WM_NCPAINT, 1, 0);
}

ZipUnit &MainZipUnit() { return g_state.zipUnit; }

HWND MainWindowHandle() { return g_mainWindow; }
