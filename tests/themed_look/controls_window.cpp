#include "controls_window.h"

#include <commctrl.h>

namespace themed_look_testing {

namespace {

const char kClass[] = "ThemedLookControlsWindow";

HWND Add(ControlsWindow &w, const char *className, const char *text, DWORD style, int x, int y,
         int width, int height, DWORD exStyle = 0) {
    HWND control =
        CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                        height, w.window, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    w.controls.push_back(control);
    return control;
}

} // namespace

ControlsWindow BuildControlsWindow() {
    static bool registered;
    if (!registered) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&classes);
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClass;
        registered = RegisterClassExA(&windowClass) != 0;
    }
    ControlsWindow w;
    RECT outer = {0, 0, 430, 310};
    AdjustWindowRectEx(&outer, WS_CAPTION | WS_SYSMENU, FALSE, 0);
    w.window = CreateWindowExA(0, kClass, "控件", WS_CAPTION | WS_SYSMENU, 20, 20,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);

    w.defaultButton = Add(w, "Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 12, 12, 88, 26);
    w.pushButton = Add(w, "Button", "取消(&C)", BS_PUSHBUTTON | WS_TABSTOP, 108, 12, 88, 26);
    w.disabledButton = Add(w, "Button", "不可用", BS_PUSHBUTTON | WS_DISABLED, 204, 12, 88, 26);

    w.groupBox = Add(w, "Button", "选项", BS_GROUPBOX, 12, 48, 196, 124);
    Add(w, "Button", "复选框", BS_AUTOCHECKBOX | WS_TABSTOP, 24, 68, 170, 20);
    HWND checked = Add(w, "Button", "已选中", BS_AUTOCHECKBOX, 24, 92, 170, 20);
    SendMessageA(checked, BM_SETCHECK, BST_CHECKED, 0);
    HWND mixed = Add(w, "Button", "三态", BS_AUTO3STATE, 24, 116, 170, 20);
    SendMessageA(mixed, BM_SETCHECK, BST_INDETERMINATE, 0);
    HWND disabledCheck =
        Add(w, "Button", "不可用", BS_AUTOCHECKBOX | WS_DISABLED, 24, 140, 170, 20);
    SendMessageA(disabledCheck, BM_SETCHECK, BST_CHECKED, 0);

    w.radioGroup = Add(w, "Button", "方式", BS_GROUPBOX, 220, 48, 198, 124);
    HWND first =
        Add(w, "Button", "第一种", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 232, 68, 170, 20);
    SendMessageA(first, BM_SETCHECK, BST_CHECKED, 0);
    Add(w, "Button", "第二种", BS_AUTORADIOBUTTON, 232, 92, 170, 20);
    HWND disabledRadio =
        Add(w, "Button", "不可用", BS_AUTORADIOBUTTON | WS_DISABLED, 232, 116, 170, 20);
    SendMessageA(disabledRadio, BM_SETCHECK, BST_CHECKED, 0);
    Add(w, "Button", "按钮样式", BS_AUTOCHECKBOX | BS_PUSHLIKE, 232, 140, 90, 24);

    Add(w, "Edit", "编辑框", ES_AUTOHSCROLL | WS_TABSTOP, 12, 184, 196, 22, WS_EX_CLIENTEDGE);
    Add(w, "Edit", "只读", ES_AUTOHSCROLL | ES_READONLY, 12, 212, 196, 22, WS_EX_CLIENTEDGE);
    Add(w, "Edit", "多行\r\n编辑框\r\n第三行\r\n第四行", ES_MULTILINE | WS_VSCROLL, 12, 240, 196,
        58, WS_EX_CLIENTEDGE);

    w.combo = Add(w, "ComboBox", "", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 220, 184, 198, 120);
    w.dropList = Add(w, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 220, 212, 198, 120);
    for (HWND box : {w.combo, w.dropList}) {
        for (const char *item : {"蓝色", "橄榄绿", "银色"})
            SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageA(box, CB_SETCURSEL, 0, 0);
    }
    HWND buddy = Add(w, "Edit", "5", ES_NUMBER | WS_TABSTOP, 220, 240, 90, 22, WS_EX_CLIENTEDGE);
    w.upDown =
        Add(w, UPDOWN_CLASSA, "", UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 0, 0, 0);
    SendMessageA(w.upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
    SendMessageA(w.upDown, UDM_SETRANGE32, 0, 10);
    SendMessageA(w.upDown, UDM_SETPOS32, 0, 5);
    w.horizontalUpDown = Add(w, UPDOWN_CLASSA, "", UDS_HORZ, 330, 240, 40, 22);

    ShowWindow(w.window, SW_SHOW);
    SetForegroundWindow(w.window);
    UpdateWindow(w.window);
    return w;
}

RECT PlaceOf(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT *>(&place), 2);
    return place;
}

} // namespace themed_look_testing
