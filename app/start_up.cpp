#include "app/start_up.h"

#include "app/main_window.h"
#include "platform/dll_search.h"
#include "platform/messages_and_processes.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>

namespace {

// The common controls are not imported statically (a DLL of that name beside
// the program would win): load them from the system folder once the search
// is restricted.
void LoadCommonControls() {
    // The common controls import the theme DLL on some systems, and systems
    // without search flags (and Wine) look for a DLL's imports beside the
    // program first: load the system's own copy before, so the import finds it.
    LoadSystemLibrary("uxtheme.dll");
    HMODULE controls = LoadSystemLibrary("comctl32.dll");
    if (!controls)
        return;
    using InitEx = BOOL(WINAPI *)(const INITCOMMONCONTROLSEX *);
    auto init = reinterpret_cast<InitEx>(
        reinterpret_cast<void *>(GetProcAddress(controls, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (init)
        init(&classes);
}

void EnterProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    path[sizeof path - 1] = '\0';
    char folder[MAX_PATH];
    ProgramFolderOf(path, folder, sizeof folder);
    SetCurrentDirectoryA(folder); // a failure is no obstacle
}

void ReleaseWindow() {
    if (HWND window = MainWindowHandle())
        DestroyWindow(window);
}

} // namespace

void ProgramFolderOf(const char *programPath, char *folder, unsigned folderSize) {
    if (folderSize == 0)
        return;
    // A trail byte of a double-byte character can be 0x5C: only a whole
    // character is a backslash.
    size_t length = 0;
    for (size_t i = 0; programPath[i]; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(programPath[i])) && programPath[i + 1])
            ++i;
        else if (programPath[i] == '\\')
            length = i;
    }
    if (length >= folderSize)
        length = folderSize - 1;
    std::memcpy(folder, programPath, length);
    folder[length] = '\0';
}

int32_t StartUp() {
    RestrictDllSearchToSystemFolder();
    LoadCommonControls();
    EnterProgramFolder();
    SetEndProgramCleanup(ReleaseWindow);
    if (!BuildMainWindow(MainWindowDescription))
        ReportFatalError("无法创建安装程序的窗口，程序将退出。");
    return RunMessageLoop();
}
