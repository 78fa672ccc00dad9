#include "app/actions.h"

#include "app/main_window.h"
#include "app/special_paths.h"
#include "platform/file_operations.h"
#include "platform/messages_and_processes.h"

namespace {

const char kInstallFolder[] = "C:\\WINDOWS\\ten";
const char kStartMenuFolder[] = "\\Morvena";
const char kDesktopShortcut[] = "\\Morvena旗舰版.lnk";
const char kDone[] = "完成";

// Skipped when the special folder cannot be had.
void RemoveBelow(int folderCode, const char *suffix, bool (*remove)(const char *)) {
    if (char *path = PathBelowSpecialFolder(folderCode, suffix)) {
        remove(path);
        ReleaseText(path);
    }
}

} // namespace

void UninstallAction() {
    SetProgressPosition(30);
    RemoveFolderTree(kInstallFolder);
    RemoveBelow(SpecialFolderStartMenu, kStartMenuFolder, RemoveFolderTree);
    SetProgressPosition(70);
    RemoveBelow(SpecialFolderDesktop, kDesktopShortcut, RemoveFile);
    SetProgressPosition(100);
    ShowMessageBox(kDone, MB_OK);
    EndProgram(0);
}
