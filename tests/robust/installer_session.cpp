#include "installer_session.h"

#include "test_support.h"



namespace robust {

using namespace testing_support;

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

} // namespace robust
