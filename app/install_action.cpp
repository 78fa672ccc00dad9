#include "app/actions.h"

#include "app/main_window.h"
#include "app/special_paths.h"
#include "data/embedded_data.h"
#include "extract/zip_unit.h"
#include "platform/file_operations.h"
#include "platform/messages_and_processes.h"

namespace {

const char kInstallFolder[] = "C:\\WINDOWS\\ten\\";
const char kArchiveFile[] = "C:\\WINDOWS\\ten\\b.zip";
const char kStartMenuFolder[] = "\\Morvena";
const char kStartMenuShortcut[] = "\\Morvena\\Morvena旗舰版.lnk";
const char kDesktopShortcut[] = "\\Morvena旗舰版.lnk";
const char kApplication[] = "C:\\WINDOWS\\ten\\Morvena.exe";
const char kTitleInstalled[] = "安装完成";
const char kTitleFailed[] = "安装失败";
const char kQuestionTitle[] = "提示";
const char kDesktopQuestion[] =
    "是否创建桌面图标，如果创建的话，360会提示？如果不创建的话，你可以在开始菜单打开我。";
const char kRunQuestion[] = "安装完成了.是否现在运行？";
const int kYesNoInformation = MB_YESNO | MB_ICONINFORMATION; // 68

void WriteShortcut(int folderCode, const char *suffix) {
    if (char *path = PathBelowSpecialFolder(folderCode, suffix)) {
        WriteBlocksToFile(path, {&ShortcutTemplate});
        ReleaseText(path);
    }
}

} // namespace

void InstallAction() {
    SetProgressPosition(20);
    CreateFolder(kInstallFolder);
    SetProgressPosition(38);
    WriteBlocksToFile(kArchiveFile, {&PayloadArchive});
    SetProgressPosition(50);
    int unpacked = ExtractArchive(MainZipUnit(), kArchiveFile, kInstallFolder);
    SetWindowTitle(unpacked == 1 ? kTitleInstalled : kTitleFailed);
    SetProgressPosition(100);

    if (char *path = PathBelowSpecialFolder(SpecialFolderStartMenu, kStartMenuFolder)) {
        CreateFolder(path);
        ReleaseText(path);
    }
    WriteShortcut(SpecialFolderStartMenu, kStartMenuShortcut);

    if (ShowMessageBox(kDesktopQuestion, kYesNoInformation, kQuestionTitle) != MessageResultNo)
        WriteShortcut(SpecialFolderDesktop, kDesktopShortcut);

    if (ShowMessageBox(kRunQuestion, kYesNoInformation, kQuestionTitle) == MessageResultNo)
        EndProgram(0);
    RunProgram(kApplication, false);
    EndProgram(0);
}
