// Install, repair and uninstall for real with MorvenaSetup.exe, in the test
// prefix's own C:\WINDOWS\ten, start menu and desktop, driven as a user would:
// click, read each message box with the window behind it, answer.
#include "installation.h"
#include "installer_driver.h"
#include "test_support.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const char kDesktopQuestion[] =
    "是否创建桌面图标，如果创建的话，360会提示？如果不创建的话，你可以在开始菜单打开我。";
const char kRunQuestion[] = "安装完成了.是否现在运行？";

std::vector<unsigned char> Bytes(const std::string &path) {
    std::vector<unsigned char> bytes;
    ReadWholeFile(path, bytes);
    return bytes;
}

int FilesIn(const std::string &folder, const char *pattern) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    int count = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do
            ++count;
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return count;
}

// One window of the installed application, or null.
HWND ApplicationWindow(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        if (HWND window = FindWindowA("MorvenaApplication", "Morvena"))
            return window;
        Sleep(50);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

// What a message box showed, and the window behind it at that moment.
struct SeenBox {
    std::string text, caption, windowTitle;
    int progress = -1;
};

class Actions : public ::testing::Test {
  protected:
    void SetUp() override { RemoveInstallation(); }
    void TearDown() override {
        EndApplications();
        RemoveInstallation();
    }

    // Starts the installer with the recorder hooked into its window's thread.
    void Start(const char *exe = INSTALLER_EXE) {
        log_ = scratch_ / "actions.log";
        DeleteFileA(log_.c_str());
        SetEnvironmentVariableA("MORVENA_ACTION_LOG", log_.c_str());
        program_ = std::make_unique<RunningProgram>();
        ASSERT_TRUE(program_->Start(HostPath(exe)));
        SetEnvironmentVariableA("MORVENA_ACTION_LOG", nullptr);
        window_ = WaitForMainWindow(program_->ProcessId());
        ASSERT_TRUE(window_);
        HMODULE recorder = LoadLibraryA(HostPath(ACTION_RECORDER_DLL).c_str());
        ASSERT_TRUE(recorder);
        auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void *>(GetProcAddress(recorder, "RecordWindowMessages")));
        ASSERT_TRUE(proc);
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, proc, recorder,
                                  GetWindowThreadProcessId(window_, nullptr));
        ASSERT_TRUE(hook_) << GetLastError();
    }
    void Click(const char *caption) {
        for (HWND child : ChildrenInZOrder(window_))
            if (ClassNameOf(child) == "Button" && WindowText(child) == caption)
                PostMessageA(child, BM_CLICK, 0, 0);
    }
    // Waits for the next box, notes it with the window behind it, answers it.
    SeenBox Answer(int button, const char *screenshot = nullptr) {
        SeenBox seen;
        HWND box = WaitForMessageBox(program_->ProcessId(), 60000);
        EXPECT_TRUE(box) << "no message box";
        if (!box)
            return seen;
        seen.text = MessageBoxText(box);
        seen.caption = WindowText(box);
        seen.windowTitle = WindowText(window_);
        seen.progress = ProgressPosition(window_);
        EXPECT_FALSE(IsWindowEnabled(window_)) << "the window is disabled while a box is up";
        if (screenshot)
            SaveScreenshot(screenshot);
        AnswerMessageBox(box, button);
        for (int i = 0; i < 100 && IsWindow(box); ++i)
            Sleep(50);
        return seen;
    }
    std::vector<std::string> Log() {
        if (hook_) {
            UnhookWindowsHookEx(hook_);
            hook_ = nullptr;
        }
        std::vector<std::string> lines;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // Installs with the two answers and waits for the end.
    void Install(int desktopAnswer, int runAnswer, const char *exe = INSTALLER_EXE) {
        Start(exe);
        Click("一键安装（修复）");
        desktop_ = Answer(desktopAnswer);
        run_ = Answer(runAnswer);
        exitCode_ = program_->WaitForExit();
    }

    ScratchFolder scratch_{"actions"};
    std::unique_ptr<RunningProgram> program_;
    HWND window_ = nullptr;
    HHOOK hook_ = nullptr;
    std::string log_;
    SeenBox desktop_, run_;
    DWORD exitCode_ = STILL_ACTIVE;
};

TEST_F(Actions, FreshInstallYesYes) {
    Start();
    SaveScreenshot("window");
    Click("一键安装（修复）");
    desktop_ = Answer(IDYES, "desktop-question");
    run_ = Answer(IDYES, "run-question");
    exitCode_ = program_->WaitForExit();
    EXPECT_EQ(desktop_.text, kDesktopQuestion);
    EXPECT_EQ(desktop_.caption, "提示");
    EXPECT_EQ(desktop_.windowTitle, "安装完成");
    EXPECT_EQ(desktop_.progress, 100);
    EXPECT_EQ(run_.text, kRunQuestion);
    EXPECT_EQ(run_.caption, "提示");
    EXPECT_EQ(exitCode_, 0u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"progress 20", "progress 38", "progress 50",
                                                "title 安装完成", "progress 100", "message box",
                                                "message box"}));

    for (const PayloadFile &file : PayloadFiles(HostPath(PAYLOAD_FILE))) {
        std::string path = std::string(kInstallFolder) + "\\" + file.name;
        EXPECT_EQ(Bytes(path), file.bytes) << file.name;
        EXPECT_EQ(GetFileAttributesA(path.c_str()) &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                  0u)
            << file.name;
    }
    EXPECT_EQ(Bytes(std::string(kInstallFolder) + "\\b.zip"), Bytes(HostPath(PAYLOAD_FILE)));
    std::vector<unsigned char> shortcut = Bytes(HostPath(SHORTCUT_FILE));
    EXPECT_EQ(Bytes(StartMenuShortcut()), shortcut);
    EXPECT_EQ(Bytes(DesktopShortcut()), shortcut);

    HWND application = ApplicationWindow(20000);
    ASSERT_TRUE(application) << "the application did not start";
    DWORD id = 0;
    GetWindowThreadProcessId(application, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    ASSERT_TRUE(process);
    // Started without a working folder: in the installer's folder.
    std::string installerFolder = HostPath(INSTALLER_EXE);
    installerFolder.resize(installerFolder.rfind('\\'));
    std::string current = CurrentFolderOf(process);
    if (!current.empty() && current.back() == '\\')
        current.pop_back();
    EXPECT_STRCASEEQ(current.c_str(), installerFolder.c_str());
    CloseHandle(process);
}

TEST_F(Actions, NoToBothQuestions) {
    Install(IDNO, IDNO);
    EXPECT_EQ(exitCode_, 0u);
    EXPECT_EQ(desktop_.windowTitle, "安装完成");
    EXPECT_TRUE(PathExists(StartMenuShortcut()));
    EXPECT_FALSE(PathExists(DesktopShortcut()));
    EXPECT_FALSE(ApplicationWindow(1500)) << "nothing is started after No";
}

TEST_F(Actions, RepairRewritesFilesMadeReadOnlyHiddenOrSystem) {
    Install(IDYES, IDNO);
    ASSERT_EQ(desktop_.windowTitle, "安装完成");
    std::vector<PayloadFile> files = PayloadFiles(HostPath(PAYLOAD_FILE));
    const DWORD attributes[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN,
                                FILE_ATTRIBUTE_SYSTEM,
                                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN};
    for (size_t i = 0; i < files.size(); ++i) {
        std::string path = std::string(kInstallFolder) + "\\" + files[i].name;
        ASSERT_TRUE(WriteWholeFile(path, "stale", 5));
        SetFileAttributesA(path.c_str(), attributes[i % 4]);
    }

    Install(IDYES, IDNO);
    EXPECT_EQ(exitCode_, 0u);
    EXPECT_EQ(desktop_.text, kDesktopQuestion) << "no message about the existing folders";
    EXPECT_EQ(desktop_.windowTitle, "安装完成");
    for (const PayloadFile &file : files)
        EXPECT_EQ(Bytes(std::string(kInstallFolder) + "\\" + file.name), file.bytes) << file.name;
    EXPECT_EQ(FilesIn(StartMenuFolder(), "*.lnk"), 1);
    EXPECT_EQ(FilesIn(SpecialFolder(CSIDL_DESKTOPDIRECTORY), "Morvena*.lnk"), 1);
}

TEST_F(Actions, RepairWhileTheApplicationRunsFailsAndGoesOn) {
    Install(IDNO, IDYES);
    ASSERT_TRUE(ApplicationWindow(20000));

    Install(IDYES, IDNO);
    EXPECT_EQ(desktop_.windowTitle, "安装失败");
    EXPECT_EQ(desktop_.text, kDesktopQuestion);
    EXPECT_EQ(run_.text, kRunQuestion) << "the run question keeps its text";
    EXPECT_TRUE(PathExists(StartMenuShortcut()));
    EXPECT_TRUE(PathExists(DesktopShortcut()));
    EXPECT_EQ(exitCode_, 0u);
}

TEST_F(Actions, BrokenPayloadFailsButBothQuestionsCome) {
    Install(IDYES, IDYES, BROKEN_PAYLOAD_EXE);
    EXPECT_EQ(desktop_.windowTitle, "安装失败");
    EXPECT_EQ(desktop_.text, kDesktopQuestion);
    EXPECT_EQ(run_.text, kRunQuestion);
    EXPECT_EQ(exitCode_, 0u);
    EXPECT_TRUE(PathExists(StartMenuShortcut()));
    EXPECT_TRUE(PathExists(DesktopShortcut()));
    EXPECT_FALSE(ApplicationWindow(1500)) << "there is no application to start";
}

TEST_F(Actions, UninstallRemovesEverythingWithoutAsking) {
    Install(IDYES, IDNO);
    ASSERT_TRUE(PathExists(DesktopShortcut()));
    ASSERT_TRUE(WriteWholeFile(StartMenuFolder() + "\\someone else's.txt", "x", 1));
    ASSERT_TRUE(WriteWholeFile(std::string(kInstallFolder) + "\\added by the application.ini", "x", 1));

    Start();
    Click("卸载");
    SeenBox done = Answer(IDOK, "done");
    EXPECT_EQ(done.text, "完成");
    EXPECT_EQ(done.caption, "信息：");
    EXPECT_EQ(done.windowTitle, "Morvena 安装") << "the title stays";
    EXPECT_EQ(done.progress, 100);
    EXPECT_EQ(program_->WaitForExit(), 0u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"progress 30", "progress 70", "progress 100",
                                                "message box"}))
        << "nothing is asked before the removal";
    EXPECT_FALSE(PathExists(kInstallFolder));
    EXPECT_FALSE(PathExists(StartMenuFolder()));
    EXPECT_FALSE(PathExists(DesktopShortcut()));
}

TEST_F(Actions, UninstallWithoutAnInstallationStillSaysDone) {
    Start();
    Click("卸载");
    SeenBox done = Answer(IDOK);
    EXPECT_EQ(done.text, "完成");
    EXPECT_EQ(program_->WaitForExit(), 0u);
}

TEST_F(Actions, UninstallKeepsOnlyAFileInUse) {
    Install(IDNO, IDNO);
    std::string held = std::string(kInstallFolder) + "\\Morvena.exe";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);

    Start();
    Click("卸载");
    EXPECT_EQ(Answer(IDOK).text, "完成");
    EXPECT_EQ(program_->WaitForExit(), 0u);
    CloseHandle(file);
    EXPECT_TRUE(PathExists(held));
    EXPECT_FALSE(PathExists(std::string(kInstallFolder) + "\\b.zip")) << "what can go is gone";
    EXPECT_FALSE(PathExists(StartMenuFolder()));
}

} // namespace
