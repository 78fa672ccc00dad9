// The installer as a whole under Wine, driven from this process as a user
// would: process start to window shown against the minimal window program;
// click on install to the desktop question against ExtractArchive alone; and
// the installer's memory counters, read from here, idle and during install.
#include "bench_commands.h"
#include "bench_support.h"
#include "installer_driver.h"

#include "extract/zip_unit.h"

#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {
namespace {

using testing_support::RunningProgram;

const char kInstallButton[] = "一键安装（修复）";
const char kInstallFolder[] = "C:\\WINDOWS\\ten";
const char kShortcutName[] = "Morvena旗舰版.lnk";
const char kMessageBoxClass[] = "#32770";
const double kTimeout = 60.0;

// A visible top-level window of the process with the class. A class lookup
// is one cheap call, so polling it every millisecond barely loads the
// machine the measured program runs on.
HWND VisibleWindowOf(DWORD processId, const char *className) {
    for (HWND window = FindWindowExA(nullptr, nullptr, className, nullptr); window;
         window = FindWindowExA(nullptr, window, className, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

HWND PollForWindow(const RunningProgram &program, const char *className) {
    double start = Now();
    while (Now() - start < kTimeout) {
        if (HWND window = VisibleWindowOf(program.ProcessId(), className))
            return window;
        if (!program.Running())
            return nullptr;
        Sleep(1);
    }
    return nullptr;
}

void EndProgram(RunningProgram &program, HWND window) {
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (program.WaitForExit(10000) == STILL_ACTIVE)
        TerminateProcess(program.Process(), 1);
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

// Every install starts from a machine without an installation.
void RemoveInstallation() {
    if (!ClearFolder(kInstallFolder) || !ClearFolder(SpecialFolder(CSIDL_STARTMENU) + "\\Morvena"))
        Fail("cannot remove the installation", kInstallFolder);
    DeleteFileA((SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + kShortcutName).c_str());
}

PROCESS_MEMORY_COUNTERS_EX Counters(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                              sizeof counters))
        Fail("GetProcessMemoryInfo failed", std::to_string(GetLastError()));
    return counters;
}

HWND ButtonOf(HWND window, const char *text) {
    for (HWND child : testing_support::ChildrenInZOrder(window))
        if (testing_support::ClassNameOf(child) == "Button" &&
            testing_support::WindowText(child) == text)
            return child;
    return nullptr;
}

// The minimal window program's button to its message box: what showing the
// question costs in a process that has done nothing else.
double QuestionAlone(const std::string &minimal) {
    RunningProgram program;
    if (!program.Start(minimal))
        Fail("cannot start", minimal);
    HWND window = PollForWindow(program, "MorvenaBenchWindow");
    HWND button = window ? ButtonOf(window, "Ask") : nullptr;
    if (!button)
        Fail("no window with its button", minimal);
    Sleep(500);
    double start = Now();
    PostMessageA(button, BM_CLICK, 0, 0);
    HWND box = PollForWindow(program, kMessageBoxClass);
    double seconds = Now() - start;
    if (!box)
        Fail("no message box", minimal);
    testing_support::AnswerMessageBox(box, IDNO);
    for (int i = 0; i < 200 && IsWindow(box); ++i)
        Sleep(5);
    EndProgram(program, window);
    return seconds;
}

// Writing the archive's bytes from memory with one write, as the installer
// writes b.zip from its image.
double WriteAlone(const std::vector<unsigned char> &bytes, const std::string &path) {
    double start = Now();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ok = file != INVALID_HANDLE_VALUE && CloseHandle(file) && ok;
    double seconds = Now() - start;
    if (!ok)
        Fail("cannot write", path);
    DeleteFileA(path.c_str());
    return seconds;
}

struct InstallRun {
    double clickToQuestion = 0;
    PROCESS_MEMORY_COUNTERS_EX idle = {}, atQuestion = {};
    SIZE_T sampledWorkingSet = 0, sampledPrivate = 0;
    // Seen from outside in the sampled runs, seconds after the click: the
    // archive file appears, the first unpacked file appears, the title says
    // the unpacking is over, the start-menu shortcut appears. Negative: not seen.
    double archiveSeen = -1, firstFileSeen = -1, titleSeen = -1, shortcutSeen = -1;
};

const char kArchiveFile[] = "C:\\WINDOWS\\ten\\b.zip";
const char kFirstEntryFile[] = "C:\\WINDOWS\\ten\\Morvena.exe";
const char kTitleInstalled[] = "安装完成";

// One install, answered No and No so that nothing else is started. With
// sample set, the counters (and the phases above) are read every millisecond
// until the question; the commit charge is PagefileUsage, which Windows also
// reports as PrivateUsage (Wine leaves PrivateUsage 0 for another process
// and its PeakPagefileUsage is the current value, hence the sampling).
InstallRun Install(const std::string &installer, bool sample) {
    RemoveInstallation();
    InstallRun seen;
    RunningProgram program;
    if (!program.Start(installer))
        Fail("cannot start", installer);
    HWND window = PollForWindow(program, testing_support::MainWindowClass);
    if (!window)
        Fail("no main window", installer);
    // The window settles (first paint, picture decoded) before the idle figures.
    Sleep(500);
    seen.idle = Counters(program.Process());
    HWND button = ButtonOf(window, kInstallButton);
    if (!button)
        Fail("no install button", installer);

    const std::string shortcut = SpecialFolder(CSIDL_STARTMENU) + "\\Morvena\\" + kShortcutName;
    double start = Now();
    PostMessageA(button, BM_CLICK, 0, 0);
    HWND box = nullptr;
    while (!box && Now() - start < kTimeout) {
        box = VisibleWindowOf(program.ProcessId(), kMessageBoxClass);
        if (sample) {
            PROCESS_MEMORY_COUNTERS_EX now = Counters(program.Process());
            seen.sampledWorkingSet = std::max(seen.sampledWorkingSet, now.WorkingSetSize);
            seen.sampledPrivate = std::max(seen.sampledPrivate, now.PagefileUsage);
            double at = Now() - start;
            if (seen.archiveSeen < 0 && Exists(kArchiveFile))
                seen.archiveSeen = at;
            if (seen.firstFileSeen < 0 && Exists(kFirstEntryFile))
                seen.firstFileSeen = at;
            if (seen.shortcutSeen < 0 && Exists(shortcut))
                seen.shortcutSeen = at;
            // Another process's title comes from the window manager, without
            // a message to the busy window.
            char title[64] = "";
            if (seen.titleSeen < 0 && GetWindowTextA(window, title, sizeof title) &&
                std::string(title) == kTitleInstalled)
                seen.titleSeen = at;
        }
        if (!box)
            Sleep(1);
    }
    seen.clickToQuestion = Now() - start;
    if (!box)
        Fail("no desktop question", installer);
    seen.atQuestion = Counters(program.Process());

    testing_support::AnswerMessageBox(box, IDNO);
    double asked = Now();
    HWND runQuestion = nullptr;
    while (Now() - asked < kTimeout && program.Running()) {
        runQuestion = VisibleWindowOf(program.ProcessId(), kMessageBoxClass);
        if (runQuestion && runQuestion != box)
            break;
        runQuestion = nullptr;
        Sleep(5);
    }
    if (runQuestion)
        testing_support::AnswerMessageBox(runQuestion, IDNO);
    DWORD code = program.WaitForExit(30000);
    if (code != 0)
        Fail("the installer did not end with 0", std::to_string(code));
    return seen;
}

void AddCounters(Results &results, const char *when, int run, const PROCESS_MEMORY_COUNTERS_EX &c) {
    std::string prefix = when;
    results.Add("memory", "install", (prefix + "_working_set").c_str(), run,
                static_cast<double>(c.WorkingSetSize), "B");
    results.Add("memory", "install", (prefix + "_peak_working_set").c_str(), run,
                static_cast<double>(c.PeakWorkingSetSize), "B");
    results.Add("memory", "install", (prefix + "_private").c_str(), run,
                static_cast<double>(c.PagefileUsage), "B");
    results.Add("memory", "install", (prefix + "_peak_private").c_str(), run,
                static_cast<double>(c.PeakPagefileUsage), "B");
}

} // namespace

// startup RESULTS RUNS NAME EXE CLASS [NAME EXE CLASS]...
int StartupCommand(int argc, char **argv) {
    if (argc < 7 || (argc - 4) % 3 != 0)
        Fail("usage", "startup RESULTS RUNS NAME EXE CLASS [NAME EXE CLASS]...");
    Results results(argv[2]);
    int runs = std::atoi(argv[3]);
    if (!results.Ok())
        Fail("cannot open the results file", argv[2]);
    // The programs take turns, run 0 (caches, Wine's first load) unreported.
    for (int run = 0; run <= runs; ++run) {
        for (int p = 4; p < argc; p += 3) {
            RunningProgram program;
            double start = Now();
            if (!program.Start(argv[p + 1]))
                Fail("cannot start", argv[p + 1]);
            HWND window = PollForWindow(program, argv[p + 2]);
            double seconds = Now() - start;
            if (!window)
                Fail("no window shown", argv[p + 1]);
            // Closed once it has settled, so that its end does not overlap the next start.
            Sleep(300);
            EndProgram(program, window);
            if (run > 0)
                results.Add("startup", argv[p], "start_to_window", run, seconds, "s");
        }
    }
    return 0;
}

// install RESULTS RUNS SAMPLED_RUNS INSTALLER PAYLOAD ALONE_TARGET MINIMAL [MINIMAL_THEMED]
int InstallCommand(int argc, char **argv) {
    if (argc != 9 && argc != 10)
        Fail("usage", "install RESULTS RUNS SAMPLED_RUNS INSTALLER PAYLOAD ALONE_TARGET MINIMAL "
                      "[MINIMAL_THEMED]");
    Results results(argv[2]);
    int runs = std::atoi(argv[3]), sampledRuns = std::atoi(argv[4]);
    std::string installer = argv[5], payload = argv[6], alone = argv[7], minimal = argv[8];
    std::string themed = argc == 10 ? argv[9] : "";
    if (!results.Ok())
        Fail("cannot open the results file", argv[2]);
    std::vector<unsigned char> payloadBytes;
    if (!ReadWholeFile(payload, payloadBytes))
        Fail("cannot read", payload);

    for (int run = 0; run <= runs; ++run) {
        InstallRun seen = Install(installer, false);
        // Unpacking alone: the same archive into a fresh folder of the same drive.
        if (!ClearFolder(alone))
            return 1;
        ZipUnit unit;
        double start = Now();
        int result = ExtractArchive(unit, payload.c_str(), alone.c_str());
        double unpack = Now() - start;
        if (result != 1)
            Fail("ExtractArchive did not answer 1", payload);
        // The installer's other steps that cost more than a few system calls.
        double write = WriteAlone(payloadBytes, alone + ".zip");
        double question = QuestionAlone(minimal);
        double questionThemed = themed.empty() ? 0 : QuestionAlone(themed);
        if (run == 0)
            continue;
        if (!themed.empty())
            results.Add("install", "default", "question_alone_themed", run, questionThemed, "s");
        results.Add("install", "default", "click_to_question", run, seen.clickToQuestion, "s");
        results.Add("install", "default", "unpack_alone", run, unpack, "s");
        results.Add("install", "default", "write_archive_alone", run, write, "s");
        results.Add("install", "default", "question_alone", run, question, "s");
        AddCounters(results, "idle", run, seen.idle);
        AddCounters(results, "question", run, seen.atQuestion);
    }
    for (int run = 1; run <= sampledRuns; ++run) {
        InstallRun seen = Install(installer, true);
        AddCounters(results, "sampled_idle", run, seen.idle);
        results.Add("memory", "install", "sampled_max_working_set", run,
                    static_cast<double>(seen.sampledWorkingSet), "B");
        results.Add("memory", "install", "sampled_max_private", run,
                    static_cast<double>(seen.sampledPrivate), "B");
        results.Add("phases", "default", "click_to_archive_file", run, seen.archiveSeen, "s");
        results.Add("phases", "default", "click_to_first_entry_file", run, seen.firstFileSeen, "s");
        results.Add("phases", "default", "click_to_title", run, seen.titleSeen, "s");
        results.Add("phases", "default", "click_to_start_menu_shortcut", run, seen.shortcutSeen,
                    "s");
        results.Add("phases", "default", "click_to_question", run, seen.clickToQuestion, "s");
    }
    RemoveInstallation();
    ClearFolder(alone);
    return 0;
}

} // namespace bench
