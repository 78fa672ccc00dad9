#include "platform/file_operations.h"
#include "platform/dll_search.h"
#include "platform/text_memory.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>

namespace {

// CSIDL values of codes 1 to 8, in code order.
const int kShellFolders[] = {
    CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
    CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_APPDATA,
};

// A length-returning lookup succeeds with a length that fits; a longer
// folder is reported as the size it needs, with nothing usable in the buffer.
bool FitsBuffer(UINT length) { return length != 0 && length < MAX_PATH; }

// The shell is loaded from the system folder when first needed, not imported:
// an imported DLL is looked for beside the program before any code of ours
// can restrict the search.
BOOL ShellFolderPath(char *folder, int csidl) {
    using GetPath = BOOL(WINAPI *)(HWND, LPSTR, int, BOOL);
    static GetPath getPath;
    if (!getPath)
        if (HMODULE shell = LoadSystemLibrary("shell32.dll"))
            getPath = reinterpret_cast<GetPath>(
                reinterpret_cast<void *>(GetProcAddress(shell, "SHGetSpecialFolderPathA")));
    return getPath && getPath(nullptr, folder, csidl, FALSE);
}

bool LookUpSpecialFolder(int code, char (&folder)[MAX_PATH]) {
    if (code >= SpecialFolderDocuments && code <= SpecialFolderApplicationData)
        return ShellFolderPath(folder, kShellFolders[code - 1]) != FALSE;
    switch (code) {
    case SpecialFolderWindows:
        return FitsBuffer(GetWindowsDirectoryA(folder, MAX_PATH));
    case SpecialFolderSystem:
        return FitsBuffer(GetSystemDirectoryA(folder, MAX_PATH));
    case SpecialFolderTemporary:
        return FitsBuffer(GetTempPathA(MAX_PATH, folder));
    default:
        return false;
    }
}

} // namespace

char *GetSpecialFolder(int code) {
    char folder[MAX_PATH] = "";
    if (!LookUpSpecialFolder(code, folder))
        return nullptr;
    folder[MAX_PATH - 1] = '\0';
    size_t length = std::strlen(folder);
    if (length == 0)
        return nullptr;
    if (folder[length - 1] != '\\') {
        // Cutting the folder short to make room would name another folder.
        if (length + 1 >= MAX_PATH)
            return nullptr;
        folder[length++] = '\\';
        folder[length] = '\0';
    }
    char *text = AllocateText(length + 1);
    std::memcpy(text, folder, length + 1);
    return text;
}
