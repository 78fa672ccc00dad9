#include "box_driver.h"

#include <cstring>

namespace box_driver {

namespace {

struct Search {
    DWORD processId;
    DWORD threadId;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<Search *>(parameter);
    DWORD processId = 0;
    DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || (search->threadId && threadId != search->threadId))
        return TRUE;
    char className[32];
    if (!GetClassNameA(window, className, sizeof className) || std::strcmp(className, "#32770") ||
        !IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
    auto *seen = reinterpret_cast<SeenBox *>(parameter);
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (!IsWindowVisible(child))
        return TRUE;
    if (!lstrcmpiA(className, "Button"))
        seen->buttons.push_back(GetDlgCtrlID(child));
    else if (!lstrcmpiA(className, "Static") && !seen->icon)
        seen->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return TRUE;
}

} // namespace

HWND WaitForBox(DWORD processId, DWORD threadId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Search search = {processId, threadId, nullptr};
        EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(20);
    }
}

SeenBox DescribeBox(HWND box) {
    SeenBox seen;
    seen.window = box;
    char text[1024];
    GetWindowTextA(box, text, sizeof text);
    seen.title = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&seen));
    seen.extendedStyle = GetWindowLongA(box, GWL_EXSTYLE);
    return seen;
}

void AnswerBox(HWND box, int buttonId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

} // namespace box_driver
