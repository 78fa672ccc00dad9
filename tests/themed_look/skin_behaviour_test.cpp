// The themed look in other processes, driven as a user would: the real
// MorvenaSetup.exe, and question boxes shown by a small program with the
// look in each scheme or off. Only the look may change: clicks, keys, focus
// and the boxes' answers stay those of the standard controls.
#include "platform/messages_and_processes.h"
#include "platform/themed_look.h"

#include "installer_driver.h"
#include "screen_pixels.h"
#include "test_support.h"
#include "user_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;
using namespace themed_look_testing;

namespace {

const char kUninstallCaption[] = "卸载";

RECT ScreenRectOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

// The child's rectangle in coordinates of the given ancestor's window rect
// (frame included), as a capture of that window rect shows it.
RECT PlaceInWindow(HWND child, HWND window) {
    RECT place = ScreenRectOf(child), outer = ScreenRectOf(window);
    OffsetRect(&place, -outer.left, -outer.top);
    return place;
}

// What a button of this process, made like the given one, looks like with
// the look in the scheme: drawn through WM_PRINTCLIENT, nowhere on screen.
ScreenPixels ButtonLike(HWND model, const char *caption, int scheme) {
    // A parent that answers WM_CTLCOLORBTN as the installer's window does.
    static const char kHostClass[] = "ThemedLookButtonHost";
    static bool registered = [] {
        WNDCLASSA host = {};
        host.lpfnWndProc = DefWindowProcA;
        host.hInstance = GetModuleHandleA(nullptr);
        host.lpszClassName = kHostClass;
        return RegisterClassA(&host) != 0;
    }();
    if (!registered)
        return {};
    RECT place = ScreenRectOf(model);
    HWND host = CreateWindowExA(0, kHostClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    DWORD style = static_cast<DWORD>(GetWindowLongA(model, GWL_STYLE)) & ~WS_VISIBLE;
    HWND button = CreateWindowExA(0, "Button", caption, style, 0, 0, place.right - place.left,
                                  place.bottom - place.top, host, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    SetThemedLook(scheme);
    ScreenPixels look = PrintedClient(button);
    SetThemedLook(0);
    DestroyWindow(host);
    return look;
}

class InstallerWithTheLook : public ::testing::Test {
  protected:
    void SetUp() override {
        MoveMouseAway();
        ASSERT_TRUE(program_.Start(HostPath(INSTALLER_EXE)));
        window_ = WaitForMainWindow(program_.ProcessId());
        ASSERT_TRUE(window_) << "no main window";
        // The mouse and the keys go to it as to the window a user works in.
        SetForegroundWindow(window_);
        for (int i = 0; i < 100 && (!FocusOf(window_) || GetForegroundWindow() != window_); ++i)
            Sleep(50);
        for (HWND child : ChildrenInZOrder(window_)) {
            if (ClassNameOf(child) != "Button")
                continue;
            (WindowText(child) == kUninstallCaption ? uninstall_ : install_) = child;
        }
        ASSERT_TRUE(install_ && uninstall_);
        SettledScreen(ScreenRectOf(window_));
    }
    bool FocusBecomes(HWND control) {
        for (int i = 0; i < 60; ++i) {
            if (FocusOf(window_) == control)
                return true;
            Sleep(50);
        }
        return false;
    }
    std::vector<RECT> ButtonPlaces() const {
        return {PlaceInWindow(install_, window_), PlaceInWindow(uninstall_, window_)};
    }
    // Answers the uninstall's closing box; the program then ends with 0.
    void ExpectDoneBoxAndEnd(void (*answer)(HWND box)) {
        HWND box = WaitForMessageBox(program_.ProcessId());
        ASSERT_TRUE(box) << "the uninstall's closing message";
        EXPECT_EQ(MessageBoxText(box), "完成");
        answer(box);
        EXPECT_EQ(program_.WaitForExit(), 0u);
    }
    RunningProgram program_;
    HWND window_ = nullptr, install_ = nullptr, uninstall_ = nullptr;
};

TEST_F(InstallerWithTheLook, ButtonsAreDrawnInSchemeOne) {
    ScreenPixels screen = SettledScreen(ScreenRectOf(uninstall_));
    ScreenPixels schemeOne = ButtonLike(uninstall_, kUninstallCaption, 1);
    ScreenPixels standard = ButtonLike(uninstall_, kUninstallCaption, 0);
    ASSERT_FALSE(screen.Empty());
    RECT whole = {0, 0, screen.width, screen.height};
    EXPECT_EQ(DifferingInside(screen, schemeOne, whole), 0);
    EXPECT_GT(DifferingInside(screen, standard, whole), 0);
}

TEST_F(InstallerWithTheLook, HoverAndPressShowInTheButtonAndDraggingOffClicksNothing) {
    RECT area = ScreenRectOf(window_);
    RECT uninstall = PlaceInWindow(uninstall_, window_);
    ScreenPixels resting = SettledScreen(area);

    MoveMouseTo(CentreOf(uninstall_));
    ScreenPixels hot = ScreenWhenChangedFrom(area, resting);
    EXPECT_GT(DifferingInside(resting, hot, uninstall), 0) << "highlighted under the mouse";
    EXPECT_EQ(DifferingOutside(resting, hot, {uninstall}), 0);

    PressMouseButton();
    ScreenPixels pressed = ScreenWhenChangedFrom(area, hot);
    EXPECT_TRUE(FocusBecomes(uninstall_)) << "a press takes the focus, as without the look";
    EXPECT_GT(DifferingInside(hot, pressed, uninstall), 0) << "pressed look";
    EXPECT_EQ(DifferingOutside(hot, pressed, ButtonPlaces()), 0);

    // Held down and dragged off, the button lets go of its pressed look, and
    // releasing the mouse there is no click.
    POINT off = CentreOf(window_);
    MoveMouseTo(off);
    ScreenPixels draggedOff = ScreenWhenChangedFrom(area, pressed);
    EXPECT_GT(DifferingInside(pressed, draggedOff, uninstall), 0);
    ReleaseMouseButton();
    Sleep(700);
    EXPECT_TRUE(program_.Running());
    EXPECT_EQ(WaitForMessageBox(program_.ProcessId(), 0), nullptr);
    EXPECT_EQ(ProgressPosition(window_), 0) << "no action ran";
    PressKeys({VK_ESCAPE});
    EXPECT_EQ(program_.WaitForExit(10000), 0u);
}

TEST_F(InstallerWithTheLook, MouseClicksOnUninstallAndOnTheBoxsButtonWork) {
    MoveMouseTo(CentreOf(uninstall_));
    SettledScreen(ScreenRectOf(uninstall_));
    PressMouseButton();
    ReleaseMouseButton();
    ExpectDoneBoxAndEnd([](HWND box) {
        HWND ok = GetDlgItem(box, IDOK);
        ASSERT_TRUE(ok);
        SettledScreen(ScreenRectOf(box));
        MoveMouseTo(CentreOf(ok));
        SettledScreen(ScreenRectOf(ok));
        PressMouseButton();
        ReleaseMouseButton();
    });
}

TEST_F(InstallerWithTheLook, TabThenSpaceOnUninstallGivesTheDoneBoxAndEnterAnswersIt) {
    EXPECT_EQ(FocusOf(window_), install_);
    ScreenPixels resting = SettledScreen(ScreenRectOf(uninstall_));
    PressKeys({VK_TAB});
    ASSERT_TRUE(FocusBecomes(uninstall_));
    PressKeys({VK_SPACE});
    HWND box = WaitForMessageBox(program_.ProcessId());
    ASSERT_TRUE(box);
    // While the click's action runs, its box holding the focus, the button
    // is still there and drawn as one without the focus, even when the
    // whole window repaints.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    ScreenPixels during = ScreenWhenEqualTo(ScreenRectOf(uninstall_), resting);
    EXPECT_EQ(DifferingOutside(resting, during, {}), 0);
    ExpectDoneBoxAndEnd([](HWND box) {
        SetForegroundWindow(box);
        PressKeys({VK_RETURN});
    });
}

// ---- Question boxes ----

const int kQuestion = MB_YESNO | MB_ICONINFORMATION; // the installer's questions

// A running question box of the test program.
class QuestionBox {
  public:
    QuestionBox(int scheme, int flags) {
        std::string exe = HostPath(QUESTION_BOX_EXE);
        std::string commandLine =
            "\"" + exe + "\" " + std::to_string(scheme) + " " + std::to_string(flags);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info_))
            return;
        box_ = WaitForMessageBox(info_.dwProcessId);
        if (!box_)
            return;
        SetForegroundWindow(box_);
        // Ready for keys once its default button has the focus.
        for (int i = 0; i < 100 && !FocusOf(box_); ++i)
            Sleep(50);
        SettledScreen(ScreenRectOf(box_));
    }
    ~QuestionBox() {
        if (info_.hProcess) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 99);
                WaitForSingleObject(info_.hProcess, 5000);
            }
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
    }
    QuestionBox(const QuestionBox &) = delete;
    QuestionBox &operator=(const QuestionBox &) = delete;

    HWND Box() const { return box_; }
    // The answer, or -1 while the box is still up after the wait.
    int Answer(DWORD milliseconds) const {
        if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<int>(code);
    }

  private:
    PROCESS_INFORMATION info_ = {};
    HWND box_ = nullptr;
};

struct KeyCase {
    const char *name;
    int flags;
    std::vector<WORD> keys;
    int answer;                   // on Windows; -1: the keys leave the box up
    bool escapeUnderWine = false; // Esc on a box without a Cancel button
};

class QuestionBoxKeys : public ::testing::TestWithParam<KeyCase> {
  protected:
    void SetUp() override { MoveMouseAway(); }
    // What the keys give with the look in the scheme (0: off).
    int AnswerWithScheme(int scheme) {
        QuestionBox question(scheme, GetParam().flags);
        if (!question.Box())
            return -2;
        for (WORD key : GetParam().keys) {
            PressKeys({key});
            Sleep(150);
        }
        int answer = question.Answer(GetParam().answer < 0 ? 700 : 10000);
        if (answer < 0) {
            // Still up: the mouse can still answer it.
            AnswerMessageBox(question.Box(), IDNO);
            EXPECT_EQ(question.Answer(10000), MessageResultNo) << "scheme " << scheme;
        }
        return answer;
    }
};

TEST_P(QuestionBoxKeys, AnswerAsWithoutTheLook) {
    int withLook = AnswerWithScheme(1);
    int standard = AnswerWithScheme(0);
    ASSERT_NE(withLook, -2) << "no box";
    EXPECT_EQ(withLook, standard);
    // Wine's boxes answer Esc with Cancel whatever their buttons; Windows
    // ignores it, or takes OK on a box that has one.
    if (!(GetParam().escapeUnderWine && RunningUnderWine())) {
        EXPECT_EQ(withLook, GetParam().answer);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, QuestionBoxKeys,
    ::testing::Values(
        KeyCase{"EnterTakesTheFirstButton", kQuestion, {VK_RETURN}, MessageResultYes},
        KeyCase{"EnterTakesTheSecondWhenItIsTheDefault",
                kQuestion | MB_DEFBUTTON2,
                {VK_RETURN},
                MessageResultNo},
        KeyCase{"TabThenEnterTakesTheFocusedNo", kQuestion, {VK_TAB, VK_RETURN}, MessageResultNo},
        KeyCase{"TabThenSpaceTakesTheFocusedNo", kQuestion, {VK_TAB, VK_SPACE}, MessageResultNo},
        KeyCase{"YAnswersYes", kQuestion, {'Y'}, MessageResultYes},
        KeyCase{"NAnswersNo", kQuestion, {'N'}, MessageResultNo},
        KeyCase{"EscWithoutCancelButtonLeavesTheBoxUp", kQuestion, {VK_ESCAPE}, -1, true},
        KeyCase{"EscTakesCancel", MB_YESNOCANCEL, {VK_ESCAPE}, MessageResultCancel},
        KeyCase{"EscOnAnOkBoxAnswersOk", MB_OK, {VK_ESCAPE}, MessageResultOk, true},
        KeyCase{"EnterOnAnOkBoxAnswersOk", MB_OK, {VK_RETURN}, MessageResultOk}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(QuestionBoxLook, EachSchemeRestylesTheButtonsAndNothingElse) {
    MoveMouseAway();
    ScreenPixels shots[4];
    std::vector<RECT> buttons;
    for (int scheme = 0; scheme <= 3; ++scheme) {
        QuestionBox question(scheme, kQuestion);
        ASSERT_TRUE(question.Box());
        HWND yes = GetDlgItem(question.Box(), IDYES), no = GetDlgItem(question.Box(), IDNO);
        ASSERT_TRUE(yes && no);
        buttons = {PlaceInWindow(yes, question.Box()), PlaceInWindow(no, question.Box())};
        shots[scheme] = SettledScreen(ScreenRectOf(question.Box()));
        std::string name = scheme ? "question-box-scheme" + std::to_string(scheme)
                                  : std::string("question-box-off");
        EXPECT_TRUE(SaveBitmapFile(shots[scheme], ScreenshotPath(name + ".bmp")));
        AnswerMessageBox(question.Box(), IDNO);
        EXPECT_EQ(question.Answer(10000), MessageResultNo);
    }
    auto area = [](const RECT &r) { return (r.right - r.left) * (r.bottom - r.top); };
    for (int scheme = 1; scheme <= 3; ++scheme) {
        SCOPED_TRACE("scheme " + std::to_string(scheme));
        EXPECT_EQ(DifferingOutside(shots[0], shots[scheme], buttons), 0);
        for (const RECT &button : buttons)
            EXPECT_GT(DifferingInside(shots[0], shots[scheme], button), area(button) / 2);
        for (int other = scheme + 1; other <= 3; ++other)
            for (const RECT &button : buttons)
                EXPECT_GT(DifferingInside(shots[scheme], shots[other], button), area(button) / 4)
                    << "against scheme " << other;
    }
}

} // namespace
