// The real MorvenaSetup.exe, driven from this process as a user's screen and
// keyboard would: its window, its controls, its keys, its picture.
#include "installer_driver.h"
#include "test_support.h"
#include "user_input.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

const char kInstallCaption[] = "一键安装（修复）";
const char kUninstallCaption[] = "卸载";

class Installer : public ::testing::Test {
  protected:
    void SetUp() override { Launch(INSTALLER_EXE); }
    void Launch(const char *exe) {
        ASSERT_TRUE(program_.Start(HostPath(exe)));
        window_ = WaitForMainWindow(program_.ProcessId());
        ASSERT_TRUE(window_) << "no main window";
        // Let it settle: shown, activated, focus given, first paint done.
        WaitForFocus();
    }
    void WaitForFocus() {
        for (int i = 0; i < 100 && !FocusOf(window_); ++i)
            Sleep(50);
    }
    HWND Button(const char *caption) {
        for (HWND child : ChildrenInZOrder(window_))
            if (ClassNameOf(child) == "Button" && WindowText(child) == caption)
                return child;
        return nullptr;
    }
    // Waits until the focus is on the control (keys are delivered asynchronously).
    bool FocusBecomes(HWND control) {
        for (int i = 0; i < 60; ++i) {
            if (FocusOf(window_) == control)
                return true;
            Sleep(50);
        }
        return false;
    }
    // Every action ends with a message box up, so a quick end with 0 means
    // none ran.
    void ExpectClosedWithoutAction() { EXPECT_EQ(program_.WaitForExit(10000), 0u); }
    RunningProgram program_;
    HWND window_ = nullptr;
};

TEST_F(Installer, WindowIsCentredFixedAndTitled) {
    EXPECT_EQ(WindowText(window_), MainWindowTitle);
    RECT outer;
    GetWindowRect(window_, &outer);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(outer.right - outer.left, 540);
    EXPECT_EQ(outer.bottom - outer.top, 589);
    EXPECT_EQ(outer.left, (screenWidth - 540) / 2);
    EXPECT_EQ(outer.top, (screenHeight - 589) / 2);
    if (screenWidth == 1024 && screenHeight == 768) {
        EXPECT_EQ(outer.left, 242);
        EXPECT_EQ(outer.top, 89);
    }

    LONG style = GetWindowLongA(window_, GWL_STYLE);
    // The system gives every top-level window WS_CLIPSIBLINGS itself.
    EXPECT_EQ(style & ~WS_CLIPSIBLINGS, WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_VISIBLE);
    // ... and a window with a dialog frame WS_EX_WINDOWEDGE.
    EXPECT_EQ(GetWindowLongA(window_, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_EQ(GetWindow(window_, GW_OWNER), nullptr);
    // Wine sends neither WM_GETICON nor WM_GETFONT to another process (its
    // GDI handles are per process); Windows does. In-process tests cover both.
    if (!RunningUnderWine()) {
        EXPECT_TRUE(SendMessageA(window_, WM_GETICON, ICON_BIG, 0));
        EXPECT_TRUE(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(SendMessageA(window_, WM_GETFONT, 0, 0),
                  reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    }

    // Double-clicking the title bar neither maximises nor resizes.
    PostMessageA(window_, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(outer.left + 100, outer.top + 8));
    Sleep(300);
    RECT after;
    GetWindowRect(window_, &after);
    EXPECT_TRUE(EqualRect(&outer, &after));
    EXPECT_FALSE(IsZoomed(window_));
}

TEST_F(Installer, WindowClassesAreTheProgramsOwn) {
    EXPECT_EQ(GetClassLongA(window_, GCL_STYLE), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HICON), 0);
    HWND picture = ChildrenInZOrder(window_).at(1);
    EXPECT_EQ(GetClassLongA(picture, GCL_STYLE), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    HWND unit = ChildrenInZOrder(window_).at(4);
    EXPECT_EQ(GetClassLongA(unit, GCL_STYLE), CS_DBLCLKS);
    // The background brushes are kept in the owning process's class; Wine
    // does not hand another process these, Windows does.
    if (!RunningUnderWine()) {
        LONG_PTR nullBrush = reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH));
        EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND), nullBrush);
        EXPECT_EQ(GetClassLongPtrA(picture, GCLP_HBRBACKGROUND), nullBrush);
        EXPECT_EQ(GetClassLongPtrA(unit, GCLP_HBRBACKGROUND), 0);
    }
}

TEST_F(Installer, ControlsStandInTheDescribedOrderPlacesAndStyles) {
    const DWORD button = BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_TABSTOP |
                         WS_CHILD | WS_CLIPSIBLINGS;
    const struct {
        const char *className;
        RECT place;
        DWORD style;
        const char *text;
        bool visible;
    } expected[] = {
        {PROGRESS_CLASSA, {0, 504, 536, 512}, WS_CHILD | WS_CLIPSIBLINGS, "", true},
        {"MorvenaPictureBox", {-4, -2, 536, 504}, WS_CHILD | WS_CLIPSIBLINGS, "", true},
        {"Button", {462, 516, 534, 548}, button, kUninstallCaption, true},
        {"Button", {336, 516, 448, 548}, button, kInstallCaption, true},
        {"MorvenaZipUnit", {32, 400, 88, 448}, WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, "", false},
    };
    std::vector<HWND> children = ChildrenInZOrder(window_);
    ASSERT_EQ(children.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < children.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i) + " " + expected[i].className);
        HWND child = children[i];
        EXPECT_STRCASEEQ(ClassNameOf(child).c_str(), expected[i].className);
        RECT place = PlaceInParent(child);
        EXPECT_TRUE(EqualRect(&place, &expected[i].place))
            << place.left << "," << place.top << "," << place.right << "," << place.bottom;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & ~WS_VISIBLE,
                  expected[i].style);
        EXPECT_EQ(IsWindowVisible(child) != 0, expected[i].visible);
        EXPECT_EQ(WindowText(child), expected[i].text);
        EXPECT_TRUE(IsWindowEnabled(child));
    }
    for (HWND b : {children[2], children[3]}) {
        if (!RunningUnderWine()) { // Wine sends no WM_GETFONT to another process
            EXPECT_EQ(SendMessageA(b, WM_GETFONT, 0, 0),
                      reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
        }
        EXPECT_EQ(SendMessageA(b, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0) << "no default button";
    }

    HWND bar = children[0];
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(GetWindowLongA(bar, GWL_EXSTYLE) & WS_EX_STATICEDGE, WS_EX_STATICEDGE);
}

TEST_F(Installer, FocusStartsOnInstallAndTabMovesBetweenTheButtons) {
    HWND install = Button(kInstallCaption), uninstall = Button(kUninstallCaption);
    ASSERT_TRUE(install && uninstall);
    EXPECT_EQ(FocusOf(window_), install);
    PressKeys({VK_TAB});
    EXPECT_TRUE(FocusBecomes(uninstall));
    PressKeys({VK_TAB});
    EXPECT_TRUE(FocusBecomes(install));
    PressKeys({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(FocusBecomes(uninstall));
    PressKeys({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(FocusBecomes(install));
}

TEST_F(Installer, EnterAndF1DoNothing) {
    HWND install = Button(kInstallCaption);
    PressKeys({VK_RETURN});
    PressKeys({VK_F1});
    Sleep(700);
    EXPECT_TRUE(program_.Running());
    EXPECT_EQ(FocusOf(window_), install);
    EXPECT_EQ(WaitForMessageBox(program_.ProcessId(), 0), nullptr);
    EXPECT_EQ(ProgressPosition(window_), 0);
    EXPECT_EQ(WindowText(window_), MainWindowTitle);
    PressKeys({VK_ESCAPE});
    ExpectClosedWithoutAction();
}

TEST_F(Installer, SpaceClicksTheFocusedButton) {
    HWND uninstall = Button(kUninstallCaption);
    PressKeys({VK_TAB});
    ASSERT_TRUE(FocusBecomes(uninstall));
    PressKeys({VK_SPACE});
    HWND box = WaitForMessageBox(program_.ProcessId());
    ASSERT_TRUE(box) << "the uninstall's closing message";
    EXPECT_EQ(MessageBoxText(box), "完成");
    AnswerMessageBox(box, IDOK);
    EXPECT_EQ(program_.WaitForExit(), 0u);
}

// Every way of closing the window ends the program with 0 and does nothing.
struct CloseCase {
    const char *name;
    void (*close)(HWND window, HWND focus);
};

class InstallerClosing : public Installer, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(InstallerClosing, EndsWithExitCodeZeroAndNoAction) {
    GetParam().close(window_, FocusOf(window_));
    ExpectClosedWithoutAction();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, InstallerClosing,
    ::testing::Values(
        CloseCase{"EscOnInstall", [](HWND, HWND) { PressKeys({VK_ESCAPE}); }},
        CloseCase{"EscOnUninstall",
                  [](HWND, HWND) {
                      PressKeys({VK_TAB});
                      Sleep(200);
                      PressKeys({VK_ESCAPE});
                  }},
        CloseCase{"AltF4", [](HWND, HWND) { PressKeys({VK_MENU, VK_F4}); }},
        CloseCase{"CloseBoxOrSystemMenuClose",
                  [](HWND window, HWND) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        CloseCase{"WmClose", [](HWND window, HWND) { PostMessageA(window, WM_CLOSE, 0, 0); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Installer, AgreesToEndTheSession) {
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window_, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, TRUE);
}

// Screen pixels over the picture box, away from its edges.
std::vector<COLORREF> PicturePixels(HWND window) {
    HWND picture = ChildrenInZOrder(window).at(1);
    RECT box;
    GetWindowRect(picture, &box);
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&client), 2);
    IntersectRect(&box, &box, &client);
    HDC screen = GetDC(nullptr);
    std::vector<COLORREF> pixels;
    for (int y = box.top + 20; y < box.bottom - 20; y += 37)
        for (int x = box.left + 20; x < box.right - 20; x += 41)
            pixels.push_back(GetPixel(screen, x, y) & 0xFFFFFF);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(Installer, PictureFillsTheUpperArea) {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    int differing = 0;
    std::vector<COLORREF> pixels = PicturePixels(window_);
    for (COLORREF pixel : pixels)
        differing += pixel != face;
    EXPECT_GT(differing, static_cast<int>(pixels.size()) * 9 / 10);
}

class InstallerWithBrokenPicture : public Installer {
  protected:
    void SetUp() override { Launch(BROKEN_PICTURE_EXE); }
};

TEST_F(InstallerWithBrokenPicture, UpperAreaIsButtonFaceAndTheRestWorks) {
    Sleep(300);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (COLORREF pixel : PicturePixels(window_))
        ASSERT_EQ(pixel, face);
    EXPECT_EQ(WaitForMessageBox(program_.ProcessId(), 0), nullptr) << "no message about it";
    EXPECT_EQ(ProgressPosition(window_), 0);
    PostMessageA(Button(kUninstallCaption), BM_CLICK, 0, 0);
    HWND box = WaitForMessageBox(program_.ProcessId());
    ASSERT_TRUE(box);
    EXPECT_EQ(ProgressPosition(window_), 100);
    AnswerMessageBox(box, IDOK);
    EXPECT_EQ(program_.WaitForExit(), 0u);
}

} // namespace
