#include "installation.h"

#include "test_support.h"

#include <shlobj.h>

#include <minizip/unzip.h>

#include <algorithm>

namespace testing_support {

const char kInstallFolder[] = "C:\\WINDOWS\\ten";
const char kShortcutName[] = "Morvena旗舰版.lnk";

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

std::string StartMenuFolder() { return SpecialFolder(CSIDL_STARTMENU) + "\\Morvena"; }
std::string StartMenuShortcut() { return StartMenuFolder() + "\\" + kShortcutName; }
std::string DesktopShortcut() {
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + kShortcutName;
}

std::vector<PayloadFile> PayloadFiles(const std::string &payloadPath) {
    std::vector<PayloadFile> files;
    unzFile zip = unzOpen(payloadPath.c_str());
    if (!zip)
        return files;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        unz_file_info info;
        char name[512];
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        std::string entry = name;
        if (!entry.empty() && entry.back() == '/')
            continue;
        std::replace(entry.begin(), entry.end(), '/', '\\');
        std::vector<unsigned char> bytes(info.uncompressed_size);
        unzOpenCurrentFile(zip);
        int got = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), (unsigned)bytes.size());
        unzCloseCurrentFile(zip);
        if (got != static_cast<int>(bytes.size()))
            bytes.clear(); // never equal to a file that was written whole
        files.push_back({entry, bytes});
    }
    unzClose(zip);
    return files;
}

void EndApplications() {
    while (HWND window = FindWindowA("MorvenaApplication", nullptr)) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process)
            break;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

void RemoveInstallation() {
    EndApplications();
    ForceRemoveTree(kInstallFolder);
    ForceRemoveTree(StartMenuFolder());
    SetFileAttributesA(DesktopShortcut().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(DesktopShortcut().c_str());
}

} // namespace testing_support
