#include "installer_driver.h"

#include <commctrl.h>

#include <vector>

namespace testing_support {

const char MainWindowClass[] = "MorvenaSetupWindow";
const char MainWindowTitle[] = "Morvena 安装";

RunningProgram::~RunningProgram() {
    if (info_.hProcess) {
        if (Running()) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool RunningProgram::Start(const std::string &exePath, const std::string &folder) {
    std::string commandLine = "\"" + exePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != 0;
}

DWORD RunningProgram::WaitForExit(DWORD milliseconds) {
    if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

bool RunningProgram::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {
struct Search {
    DWORD processId;
    const char *className;
    const char *title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    Search &search = *reinterpret_cast<Search *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !IsWindowVisible(window))
        return TRUE;
    if (ClassNameOf(window) != search.className)
        return TRUE;
    if (search.title && WindowText(window) != search.title)
        return TRUE;
    search.found = window;
    return FALSE;
}
} // namespace

HWND WaitForWindow(DWORD processId, const char *className, const char *title,
                   DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        Search search = {processId, className, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(50);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

HWND WaitForMainWindow(DWORD processId, DWORD milliseconds) {
    return WaitForWindow(processId, MainWindowClass, nullptr, milliseconds);
}

HWND WaitForMessageBox(DWORD processId, DWORD milliseconds) {
    return WaitForWindow(processId, "#32770", nullptr, milliseconds);
}

std::string WindowText(HWND window) {
    char text[1024] = "";
    // WM_GETTEXT rather than GetWindowText: the latter does not ask another
    // process's control for its text.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::string ClassNameOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

bool AnswerMessageBox(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    if (!button)
        return false;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return true;
}

int ProgressPosition(HWND mainWindow) {
    for (HWND child : ChildrenInZOrder(mainWindow))
        if (ClassNameOf(child) == PROGRESS_CLASSA)
            return static_cast<int>(SendMessageA(child, PBM_GETPOS, 0, 0));
    return -1;
}

std::vector<HWND> ChildrenInZOrder(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                              : nullptr;
}

RECT PlaceInParent(HWND child) {
    RECT place;
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT *>(&place), 2);
    return place;
}

void PostKey(HWND target, UINT virtualKey, bool alt) {
    UINT scan = MapVirtualKeyA(virtualKey, 0);
    LPARAM down = 1 | (scan << 16) | (alt ? (1 << 29) : 0);
    LPARAM up = down | (1u << 30) | (1u << 31);
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, down);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, up);
}

std::string CurrentFolderOf(HANDLE process) {
    // ProcessBasicInformation gives the PEB; in a 32-bit process its
    // ProcessParameters pointer is at 0x10, and there CurrentDirectory's
    // DosPath (a UNICODE_STRING) is at 0x24.
    using QueryProcess = LONG(WINAPI *)(HANDLE, int, void *, ULONG, ULONG *);
    auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    struct {
        LONG exitStatus;
        void *peb;
        ULONG_PTR affinity, priority, id, parentId;
    } basic = {};
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0)
        return "";
    auto read = [process](const void *at, void *into, SIZE_T size) {
        SIZE_T got = 0;
        return ReadProcessMemory(process, at, into, size, &got) && got == size;
    };
    const unsigned char *parameters = nullptr;
    struct {
        USHORT length, maximum;
        wchar_t *buffer;
    } path = {};
    if (!read(static_cast<unsigned char *>(basic.peb) + 0x10, &parameters, sizeof parameters) ||
        !read(parameters + 0x24, &path, sizeof path))
        return "";
    std::wstring wide(path.length / 2, L'\0');
    if (!read(path.buffer, &wide[0], path.length))
        return "";
    char ansi[MAX_PATH * 2] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
}

} // namespace testing_support
