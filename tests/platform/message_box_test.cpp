#include "platform/messages_and_processes.h"

#include "box_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using box_driver::SeenBox;

namespace {

// What a second thread saw while the box was up.
struct WhileUp {
    bool found = false;
    SeenBox box;
    bool otherWindowEnabled = false;
};

// A top-level window of the calling thread, standing in for the main window.
class OtherWindow {
  public:
    OtherWindow() {
        window_ = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    ~OtherWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

  private:
    HWND window_;
};

// Shows the box on this thread (through show) while another thread finds
// it, looks at it and answers with answerId.
int ShowAndAnswer(const std::function<int()> &show, int answerId, HWND other, WhileUp &seen) {
    DWORD thread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND box = box_driver::WaitForBox(GetCurrentProcessId(), thread, 20000);
        if (!box)
            return;
        seen.found = true;
        seen.box = box_driver::DescribeBox(box);
        seen.otherWindowEnabled = IsWindowEnabled(other) != FALSE;
        box_driver::AnswerBox(box, answerId);
    });
    int result = show();
    driver.join();
    return result;
}

bool Has(const std::vector<int> &ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

TEST(ShowMessageBox, NoticeAsTheActionsShowIt) {
    OtherWindow other;
    WhileUp seen;
    int result = ShowAndAnswer([] { return ShowMessageBox("完成"); }, IDOK, other.Get(), seen);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, MessageResultOk);
    EXPECT_EQ(seen.box.title, "信息：");
    EXPECT_EQ(seen.box.text, "完成");
    EXPECT_EQ(seen.box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(seen.box.icon, nullptr);
    // Task-modal with no owner: the thread's other windows are disabled
    // while the box is up, and enabled again afterwards.
    EXPECT_FALSE(seen.otherWindowEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.Get()));
}

TEST(ShowMessageBox, QuestionAsTheActionsAskIt) {
    OtherWindow other;
    for (int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer);
        WhileUp seen;
        int result = ShowAndAnswer(
            [] {
                return ShowMessageBox("是否创建桌面快捷方式？", MB_YESNO | MB_ICONINFORMATION,
                                      "提示");
            },
            answer, other.Get(), seen);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(result, answer == IDYES ? MessageResultYes : MessageResultNo);
        EXPECT_EQ(result, answer == IDYES ? 5 : 6);
        EXPECT_EQ(seen.box.title, "提示");
        EXPECT_EQ(seen.box.text, "是否创建桌面快捷方式？");
        EXPECT_TRUE(Has(seen.box.buttons, IDYES) && Has(seen.box.buttons, IDNO));
        EXPECT_EQ(seen.box.buttons.size(), 2u);
        EXPECT_NE(seen.box.icon, nullptr);
        EXPECT_FALSE(seen.otherWindowEnabled);
    }
}

TEST(ShowMessageBox, SystemModalIsNotMadeTaskModal) {
    OtherWindow other;
    WhileUp seen;
    int result = ShowAndAnswer([] { return ShowMessageBox(nullptr, MB_SYSTEMMODAL, ""); }, IDOK,
                               other.Get(), seen);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, MessageResultOk);
    EXPECT_EQ(seen.box.title, "") << "an empty caption gives an empty title";
    EXPECT_EQ(seen.box.text, "") << "an absent message shows as empty";
    EXPECT_TRUE(seen.box.extendedStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(seen.otherWindowEnabled) << "only a task-modal box disables the thread's windows";
}

TEST(ShowMessageBox, EachButtonHasItsResult) {
    OtherWindow other;
    struct Case {
        int flags;
        int answerId;
        int expected;
    } cases[] = {
        {MB_OK, IDOK, MessageResultOk},
        {MB_OKCANCEL, IDOK, MessageResultOk},
        {MB_OKCANCEL, IDCANCEL, MessageResultCancel},
        {MB_ABORTRETRYIGNORE, IDABORT, MessageResultAbort},
        {MB_ABORTRETRYIGNORE, IDRETRY, MessageResultRetry},
        {MB_ABORTRETRYIGNORE, IDIGNORE, MessageResultIgnore},
        {MB_RETRYCANCEL, IDRETRY, MessageResultRetry},
        {MB_YESNOCANCEL, IDYES, MessageResultYes},
        {MB_YESNOCANCEL, IDNO, MessageResultNo},
        {MB_YESNOCANCEL, IDCANCEL, MessageResultCancel},
        // Answers without a code of their own read as OK.
        {MB_CANCELTRYCONTINUE, IDTRYAGAIN, MessageResultOk},
        {MB_CANCELTRYCONTINUE, IDCONTINUE, MessageResultOk},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << ", button " << c.answerId);
        WhileUp seen;
        int result = ShowAndAnswer([&] { return ShowMessageBox("?", c.flags, "buttons"); },
                                   c.answerId, other.Get(), seen);
        ASSERT_TRUE(seen.found);
        EXPECT_TRUE(Has(seen.box.buttons, c.answerId));
        EXPECT_EQ(result, c.expected);
    }
}
