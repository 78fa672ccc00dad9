// A question box of the installer's kind, shown with the themed look in the
// scheme given on the command line ("<scheme> <MB_ flags>", 0 for the
// standard look); the exit code is the answer (a MessageResult).
#include "platform/messages_and_processes.h"
#include "platform/themed_look.h"

#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char *rest = commandLine;
    int scheme = static_cast<int>(std::strtol(rest, &rest, 10));
    int flags = static_cast<int>(std::strtol(rest, &rest, 10));
    SetThemedLook(scheme);
    int answer = ShowMessageBox("安装完成了.是否现在运行？", flags, "提示");
    SetThemedLook(0);
    return answer;
}
