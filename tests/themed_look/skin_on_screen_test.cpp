// The themed look on screen, in this process: the installer's own window
// built from its description, and a window with the other control kinds.
#include "app/main_window.h"
#include "platform/themed_look.h"

#include "controls_window.h"
#include "installer_driver.h"
#include "screen_pixels.h"
#include "user_input.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace themed_look_testing;
using namespace testing_support;
using testing_support::ChildrenInZOrder;
using testing_support::ClassNameOf;
using testing_support::WindowText;

namespace {

const char kInstallCaption[] = "一键安装（修复）";
const char kUninstallCaption[] = "卸载";

RECT ScreenRectOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientOnScreen(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&client), 2);
    return client;
}

int Area(const RECT &rect) {
    return (rect.right - rect.left) * (rect.bottom - rect.top);
}

std::string SchemeName(int scheme) {
    return scheme ? "scheme" + std::to_string(scheme) : std::string("off");
}

// A screenshot of the whole window, frame included, for people to look at.
void SaveScreenshot(HWND window, const std::string &name) {
    ScreenPixels shot = SettledScreen(ScreenRectOf(window));
    EXPECT_TRUE(SaveBitmapFile(shot, ScreenshotPath(name + ".bmp"))) << name;
}

TEST(ThemedLookSwitch, SchemeInForceIsTheLastOneSwitchedTo) {
    const struct {
        int given, inForce;
    } cases[] = {{1, 1}, {2, 2}, {3, 3}, {0, 0},   {2, 2},       {-1, 0},
                 {3, 3}, {4, 0}, {1, 1}, {100, 0}, {INT_MIN, 0}, {0, 0}};
    for (const auto &c : cases) {
        SetThemedLook(c.given);
        EXPECT_EQ(ThemedLookScheme(), c.inForce) << c.given;
    }
}

// The installer's window, built once per process (its classes register once)
// and shown for this suite only.
class MainWindowLook : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static HWND built = [] {
            InitCommonControls();
            return BuildMainWindow(MainWindowDescription);
        }();
        window_ = built;
        if (window_) {
            ShowWindow(window_, SW_SHOW);
            SetForegroundWindow(window_);
        }
    }
    static void TearDownTestSuite() {
        if (window_)
            ShowWindow(window_, SW_HIDE);
    }
    void SetUp() override {
        ASSERT_TRUE(window_);
        SetThemedLook(1);
        for (HWND child : ChildrenInZOrder(window_)) {
            if (WindowText(child) == kInstallCaption)
                install_ = child;
            if (WindowText(child) == kUninstallCaption)
                uninstall_ = child;
        }
        ASSERT_TRUE(install_ && uninstall_);
        SetFocus(install_);
        MoveMouseAway();
        SettledScreen(ClientOnScreen(window_));
    }
    void TearDown() override {
        SetThemedLook(1);
        MoveMouseAway();
    }
    RECT Client() const { return ClientOnScreen(window_); }
    std::vector<RECT> ButtonPlaces() const { return {PlaceOf(install_), PlaceOf(uninstall_)}; }

    static HWND window_;
    HWND install_ = nullptr, uninstall_ = nullptr;
};
HWND MainWindowLook::window_;

TEST_F(MainWindowLook, EachSchemeRestylesTheButtonsAndNothingElse) {
    SetThemedLook(0);
    SaveScreenshot(window_, "main-window-off");
    ScreenPixels off = SettledScreen(Client());
    ScreenPixels schemes[3];
    for (int scheme = 1; scheme <= 3; ++scheme) {
        SetThemedLook(scheme);
        SaveScreenshot(window_, "main-window-" + SchemeName(scheme));
        schemes[scheme - 1] = SettledScreen(Client());
    }
    for (int scheme = 1; scheme <= 3; ++scheme) {
        SCOPED_TRACE(SchemeName(scheme));
        const ScreenPixels &on = schemes[scheme - 1];
        EXPECT_EQ(DifferingOutside(off, on, ButtonPlaces()), 0);
        for (const RECT &button : ButtonPlaces())
            EXPECT_GT(DifferingInside(off, on, button), Area(button) / 2);
    }
    // The colourings are told apart by more than a few pixels.
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b)
            for (const RECT &button : ButtonPlaces())
                EXPECT_GT(DifferingInside(schemes[a], schemes[b], button), Area(button) / 4)
                    << "schemes " << a + 1 << " and " << b + 1;
}

TEST_F(MainWindowLook, SwitchingOffGivesBackTheStandardProceduresAndLook) {
    SetThemedLook(0);
    const HWND buttons[] = {install_, uninstall_};
    LONG_PTR standard[2];
    for (int i = 0; i < 2; ++i)
        standard[i] = GetWindowLongPtrA(buttons[i], GWLP_WNDPROC);
    ScreenPixels off = SettledScreen(Client());
    for (int scheme : {2, 1, 3}) {
        SetThemedLook(scheme);
        for (int i = 0; i < 2; ++i)
            EXPECT_NE(GetWindowLongPtrA(buttons[i], GWLP_WNDPROC), standard[i]) << scheme;
        SetThemedLook(0);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(GetWindowLongPtrA(buttons[i], GWLP_WNDPROC), standard[i]) << scheme;
        EXPECT_EQ(DifferingInside(off, SettledScreen(Client()), {0, 0, off.width, off.height}), 0)
            << "standard look back after scheme " << scheme;
    }
}

// A state of the uninstall button, the one without the focus at start.
struct StateCase {
    const char *name;
    void (*apply)(HWND button, HWND other);
    void (*undo)(HWND button, HWND other);
};

void SetButtonType(HWND button, DWORD type) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & 0xFFFF & ~BS_TYPEMASK;
    SendMessageA(button, BM_SETSTYLE, style | type, TRUE);
}

const StateCase kStates[] = {
    {"Pressed", [](HWND b, HWND) { SendMessageA(b, BM_SETSTATE, TRUE, 0); },
     [](HWND b, HWND) { SendMessageA(b, BM_SETSTATE, FALSE, 0); }},
    {"Focused", [](HWND b, HWND) { SetFocus(b); }, [](HWND, HWND other) { SetFocus(other); }},
    {"Default", [](HWND b, HWND) { SetButtonType(b, BS_DEFPUSHBUTTON); },
     [](HWND b, HWND) { SetButtonType(b, BS_PUSHBUTTON); }},
    {"Disabled", [](HWND b, HWND) { EnableWindow(b, FALSE); },
     [](HWND b, HWND) { EnableWindow(b, TRUE); }},
    {"UnderTheMouse", [](HWND b, HWND) { MoveMouseTo(CentreOf(b)); },
     [](HWND, HWND) { MoveMouseAway(); }},
    {"NewCaption", [](HWND b, HWND) { SetWindowTextA(b, "卸载中"); },
     [](HWND b, HWND) { SetWindowTextA(b, kUninstallCaption); }},
};

TEST_F(MainWindowLook, StatesShowInTheButtonAloneAndAreUndoneExactly) {
    std::vector<ScreenPixels> looks;
    RECT place = PlaceOf(uninstall_);
    SaveBitmapFile(Crop(SettledScreen(Client()), place), ScreenshotPath("button-Resting.bmp"));
    for (const StateCase &state : kStates) {
        SCOPED_TRACE(state.name);
        ScreenPixels before = SettledScreen(Client());
        state.apply(uninstall_, install_);
        ScreenPixels during = ScreenWhenChangedFrom(Client(), before);
        EXPECT_GT(DifferingInside(before, during, place), 0);
        // Focus leaving the install button changes that one too.
        EXPECT_EQ(DifferingOutside(before, during, ButtonPlaces()), 0);
        state.undo(uninstall_, install_);
        ScreenPixels after = ScreenWhenEqualTo(Client(), before);
        EXPECT_EQ(DifferingOutside(before, after, {}), 0);
        looks.push_back(Crop(during, place));
        SaveBitmapFile(looks.back(), ScreenshotPath(std::string("button-") + state.name + ".bmp"));
    }
    for (size_t a = 0; a < looks.size(); ++a)
        for (size_t b = a + 1; b < looks.size(); ++b)
            EXPECT_NE(looks[a].pixels, looks[b].pixels)
                << kStates[a].name << " looks like " << kStates[b].name;
}

TEST_F(MainWindowLook, RepaintsDrawNothingAroundTheButtons) {
    // A band of a colour the skin never uses, straight onto the window
    // around the buttons; the window clips its children, so the buttons
    // keep their pixels.
    const COLORREF marker = RGB(255, 0, 255);
    HDC dc = GetDC(window_);
    HBRUSH brush = CreateSolidBrush(marker);
    for (RECT band : ButtonPlaces()) {
        InflateRect(&band, 5, 5);
        FillRect(dc, &band, brush);
    }
    DeleteObject(brush);
    ReleaseDC(window_, dc);
    ScreenPixels marked = SettledScreen(Client());
    RECT uninstall = PlaceOf(uninstall_);
    ASSERT_EQ(marked.At(uninstall.left - 2, uninstall.top - 2), marker);

    for (const StateCase &state : kStates) {
        state.apply(uninstall_, install_);
        SettledScreen(Client());
        state.undo(uninstall_, install_);
        SettledScreen(Client());
    }
    for (HWND button : {install_, uninstall_}) {
        InvalidateRect(button, nullptr, TRUE);
        UpdateWindow(button);
    }
    for (int scheme : {2, 3, 1})
        SetThemedLook(scheme);
    ScreenPixels after = SettledScreen(Client());
    EXPECT_EQ(DifferingOutside(marked, after, ButtonPlaces()), 0);

    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// ---- The other control kinds ----

class ControlsLook : public ::testing::Test {
  protected:
    void SetUp() override { MoveMouseAway(); }
    void TearDown() override {
        for (HWND window : built_)
            DestroyWindow(window);
        SetThemedLook(0);
    }
    ControlsWindow Build() {
        ControlsWindow w = BuildControlsWindow();
        built_.push_back(w.window);
        return w;
    }
    std::vector<HWND> built_;
};

TEST_F(ControlsLook, EveryKindIsRestyledInItsOwnArea) {
    SetThemedLook(0);
    ControlsWindow existing = Build();
    RECT client = ClientOnScreen(existing.window);
    SaveScreenshot(existing.window, "controls-off");
    ScreenPixels off = SettledScreen(client);
    SetThemedLook(1);
    ScreenPixels restyled = SettledScreen(client);

    std::vector<RECT> places;
    for (HWND control : existing.controls)
        places.push_back(PlaceOf(control));
    for (size_t i = 0; i < places.size(); ++i)
        EXPECT_GT(DifferingInside(off, restyled, places[i]), 0)
            << ClassNameOf(existing.controls[i]) << " \"" << WindowText(existing.controls[i])
            << "\"";
    EXPECT_EQ(DifferingOutside(off, restyled, places), 0);

    // Controls made while the look is on come out as those it took over.
    DestroyWindow(existing.window);
    ControlsWindow later = Build();
    EXPECT_EQ(DifferingOutside(restyled, SettledScreen(ClientOnScreen(later.window)), {}), 0);
    for (int scheme = 1; scheme <= 3; ++scheme) {
        SetThemedLook(scheme);
        SaveScreenshot(later.window, "controls-" + SchemeName(scheme));
    }
    // Switched off, they all get the standard drawing back; where the
    // up-down lies over its buddy's edge, the standard drawing itself
    // depends on which of the two paints last.
    SetThemedLook(0);
    ScreenPixels back = SettledScreen(ClientOnScreen(later.window));
    EXPECT_EQ(DifferingOutside(off, back, {PlaceOf(later.upDown)}), 0);
}

TEST_F(ControlsLook, GroupBoxesLeaveTheirInsideToTheControlsInIt) {
    SetThemedLook(1);
    ControlsWindow w = Build();
    RECT client = ClientOnScreen(w.window);
    SettledScreen(client);
    // A strip of a colour the look never uses, inside each group box to the
    // left of its controls, straight onto the window.
    const COLORREF marker = RGB(255, 0, 255);
    std::vector<RECT> strips;
    HDC dc = GetDC(w.window);
    HBRUSH brush = CreateSolidBrush(marker);
    for (HWND group : {w.groupBox, w.radioGroup}) {
        RECT place = PlaceOf(group);
        RECT strip = {place.left + 4, place.top + 24, place.left + 10, place.bottom - 6};
        FillRect(dc, &strip, brush);
        strips.push_back(strip);
    }
    DeleteObject(brush);
    ReleaseDC(w.window, dc);
    ScreenPixels marked = SettledScreen(client);
    ASSERT_EQ(marked.At(strips[0].left, strips[0].top), marker);

    for (HWND group : {w.groupBox, w.radioGroup}) {
        RECT caption = PlaceOf(group);
        caption.bottom = caption.top + 14;
        ScreenPixels before = SettledScreen(client);
        SetWindowTextA(group, "新的标题");
        ScreenPixels retitled = ScreenWhenChangedFrom(client, before);
        EXPECT_GT(DifferingInside(before, retitled, caption), 0) << "the caption is redrawn";
        EnableWindow(group, FALSE);
        SettledScreen(client);
        EnableWindow(group, TRUE);
        RedrawWindow(group, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    for (int scheme : {2, 3})
        SetThemedLook(scheme);
    ScreenPixels after = SettledScreen(client);
    for (const RECT &strip : strips)
        EXPECT_EQ(DifferingInside(marked, after, strip), 0);
}

TEST_F(ControlsLook, DropDownListGetsTheFrameOnly) {
    ScreenPixels lists[2];
    for (int scheme : {0, 1}) {
        SetThemedLook(scheme);
        ControlsWindow w = Build();
        SettledScreen(ClientOnScreen(w.window));
        SendMessageA(w.dropList, CB_SHOWDROPDOWN, TRUE, 0);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(w.dropList, &info));
        ASSERT_TRUE(IsWindowVisible(info.hwndList));
        lists[scheme] = SettledScreen(ScreenRectOf(info.hwndList));
        if (scheme == 1)
            SaveScreenshot(w.window, "controls-dropped-scheme1");
        SendMessageA(w.dropList, CB_SHOWDROPDOWN, FALSE, 0);
        DestroyWindow(w.window);
    }
    RECT inside = {1, 1, lists[0].width - 1, lists[0].height - 1};
    EXPECT_EQ(DifferingInside(lists[0], lists[1], inside), 0);
    EXPECT_GT(DifferingOutside(lists[0], lists[1], {inside}), 0);
}

// Clicks still do what the standard controls do.
TEST_F(ControlsLook, ClicksCheckAndUncheckAsWithoutTheLook) {
    SetThemedLook(2);
    ControlsWindow w = Build();
    auto find = [&](const char *text, DWORD type) -> HWND {
        for (HWND control : w.controls)
            if (WindowText(control) == text &&
                (static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & BS_TYPEMASK) == type)
                return control;
        return nullptr;
    };
    HWND check = find("复选框", BS_AUTOCHECKBOX), mixed = find("三态", BS_AUTO3STATE);
    HWND first = find("第一种", BS_AUTORADIOBUTTON), second = find("第二种", BS_AUTORADIOBUTTON);
    HWND pushLike = find("按钮样式", BS_AUTOCHECKBOX);
    ASSERT_TRUE(check && mixed && first && second && pushLike);
    const struct {
        HWND clicked, watched;
        LRESULT before, after;
    } cases[] = {
        {check, check, BST_UNCHECKED, BST_CHECKED},
        {check, check, BST_CHECKED, BST_UNCHECKED},
        {mixed, mixed, BST_INDETERMINATE, BST_UNCHECKED},
        {mixed, mixed, BST_UNCHECKED, BST_CHECKED},
        {second, second, BST_UNCHECKED, BST_CHECKED},
        {first, second, BST_CHECKED, BST_UNCHECKED}, // the group's other radio button
        {pushLike, pushLike, BST_UNCHECKED, BST_CHECKED},
    };
    RECT client = ClientOnScreen(w.window);
    for (const auto &c : cases) {
        SCOPED_TRACE(WindowText(c.clicked));
        EXPECT_EQ(SendMessageA(c.watched, BM_GETCHECK, 0, 0), c.before);
        ScreenPixels before = SettledScreen(client);
        SendMessageA(c.clicked, BM_CLICK, 0, 0);
        EXPECT_EQ(SendMessageA(c.watched, BM_GETCHECK, 0, 0), c.after);
        ScreenPixels after = ScreenWhenChangedFrom(client, before);
        EXPECT_GT(DifferingInside(before, after, PlaceOf(c.watched)), 0) << "shown";
    }
}

} // namespace
