#include "installer_session.h"

#include "test_support.h"

#include <minizip/unzip.h>
#include <shlobj.h>

#include <algorithm>

namespace robust {

using namespace testing_support;

const char kInstallFolder[] = "C:\\WINDOWS\\ten";
const char kShortcutName[] = "Morvena旗舰版.lnk";

namespace {

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
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

} // namespace

std::string StartMenuFolder() {
    return SpecialFolder(CSIDL_STARTMENU) + "\\Morvena";
}

std::string DesktopShortcut() {
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + kShortcutName;
}

InstallerSession::InstallerSession(const std::string &exe) {
    if (program_.Start(exe))
        window_ = WaitForMainWindow(program_.ProcessId());
}

void InstallerSession::Click(const char *caption) {
    for (HWND child : ChildrenInZOrder(window_))
        if (ClassNameOf(child) == "Button" && WindowText(child) == caption)
            PostMessageA(child, BM_CLICK, 0, 0);
}

SeenBox InstallerSession::Answer(int button) {
    SeenBox seen;
    HWND box = WaitForMessageBox(program_.ProcessId(), 60000);
    if (!box)
        return seen;
    seen.text = MessageBoxText(box);
    seen.windowTitle = WindowText(window_);
    AnswerMessageBox(box, button);
    for (int i = 0; i < 100 && IsWindow(box); ++i)
        Sleep(50);
    return seen;
}

std::string Install(const std::string &exe, int desktopAnswer, int runAnswer, DWORD *exitCode) {
    InstallerSession session(exe);
    if (!session.Started())
        return "";
    session.Click("一键安装（修复）");
    std::string title = session.Answer(desktopAnswer).windowTitle;
    session.Answer(runAnswer);
    DWORD code = session.WaitForExit();
    if (exitCode)
        *exitCode = code;
    return title;
}

std::string Uninstall(const std::string &exe, DWORD *exitCode) {
    InstallerSession session(exe);
    if (!session.Started())
        return "";
    session.Click("卸载");
    std::string text = session.Answer(IDOK).text;
    DWORD code = session.WaitForExit();
    if (exitCode)
        *exitCode = code;
    return text;
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
        std::string bytes(info.uncompressed_size, '\0');
        unzOpenCurrentFile(zip);
        if (!bytes.empty())
            unzReadCurrentFile(zip, &bytes[0], static_cast<unsigned>(bytes.size()));
        unzCloseCurrentFile(zip);
        files.push_back({entry, bytes});
    }
    unzClose(zip);
    return files;
}

void RemoveInstallation() {
    EndApplications();
    ForceRemoveTree(kInstallFolder);
    ForceRemoveTree(StartMenuFolder());
    SetFileAttributesA(DesktopShortcut().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(DesktopShortcut().c_str());
}

} // namespace robust
