// The window's procedures as the actions call them, on a window built in this
// process from the product's own description.
#include "app/main_window.h"
#include "app/start_up.h"
#include "test_support.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct FolderCase {
    const char *program;
    const char *folder;
};

class ProgramFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ProgramFolder, CutAtTheLastBackslash) {
    char folder[MAX_PATH];
    ProgramFolderOf(GetParam().program, folder, sizeof folder);
    EXPECT_STREQ(folder, GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, ProgramFolder,
    ::testing::Values(FolderCase{"C:\\Users\\me\\Downloads\\MorvenaSetup.exe", "C:\\Users\\me\\Downloads"},
                      FolderCase{"C:\\setup.exe", "C:"}, FolderCase{"setup.exe", ""},
                      // 淺 is 9C 5C: its trail byte is no separator.
                      FolderCase{"D:\\淺\\setup.exe", "D:\\淺"},
                      FolderCase{"D:\\tools\\淺.exe", "D:\\tools"},
                      FolderCase{"\\\\server\\share\\setup.exe", "\\\\server\\share"}));

class MainWindowProcedures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        InitCommonControls();
        window_ = BuildMainWindow(MainWindowDescription);
    }
    static void TearDownTestSuite() {
        if (window_)
            DestroyWindow(window_);
    }
    void SetUp() override { ASSERT_TRUE(window_); }
    static HWND Bar() { return FindWindowExA(window_, nullptr, PROGRESS_CLASSA, nullptr); }
    static HWND window_;
};
HWND MainWindowProcedures::window_;

TEST_F(MainWindowProcedures, ProgressPositionIsClampedToTheBarsRange) {
    const struct {
        int given, shown;
    } cases[] = {{50, 50}, {150, 100}, {-5, 0}, {0, 0}, {100, 100}, {40000, 100},
                 {-2147483647 - 1, 0}, {2147483647, 100}, {20, 20}};
    for (const auto &c : cases) {
        SetProgressPosition(c.given);
        EXPECT_EQ(SendMessageA(Bar(), PBM_GETPOS, 0, 0), c.shown) << c.given;
    }
    EXPECT_EQ(SendMessageA(Bar(), PBM_GETRANGE, TRUE, 0), 0) << "range untouched";
    EXPECT_EQ(SendMessageA(Bar(), PBM_GETRANGE, FALSE, 0), 100);
}

TEST_F(MainWindowProcedures, TitleIsSetAndAnAbsentOneIsEmpty) {
    char title[64];
    SetWindowTitle("安装完成");
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "\xB0\xB2\xD7\xB0\xCD\xEA\xB3\xC9") << "code page 936 bytes";
    SetWindowTitle(nullptr);
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "");
    LONG style = GetWindowLongA(window_, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU) << "frame unchanged";
    SetWindowTitle("");
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "");
}

TEST_F(MainWindowProcedures, ButtonsCarryTheStockGuiFontAndTheWindowItsIcons) {
    LRESULT font = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(SendMessageA(window_, WM_GETFONT, 0, 0), font);
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32];
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Button") == 0) {
            EXPECT_EQ(SendMessageA(child, WM_GETFONT, 0, 0), font);
        }
    }
    EXPECT_TRUE(SendMessageA(window_, WM_GETICON, ICON_BIG, 0));
    EXPECT_TRUE(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0));
}

TEST_F(MainWindowProcedures, ZipUnitWindowIsTheHiddenChild) {
    HWND unit = MainZipUnit().window;
    ASSERT_TRUE(unit);
    EXPECT_EQ(GetParent(unit), window_);
    EXPECT_FALSE(IsWindowVisible(unit));
}

} // namespace
