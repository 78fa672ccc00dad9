#include "platform/file_operations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const char kStoredConstant[] = "a constant of the program";

} // namespace

TEST(JoinTexts, JoinsBytesAsTheyAre) {
    const std::string folder = "C:\\Users\\某人\\Desktop\\"; // code page 936 bytes pass unchanged
    struct Case {
        const char *name;
        std::initializer_list<const char *> texts;
        std::string expected;
    } cases[] = {
        {"absent then a name", {nullptr, "\\Morvena"}, "\\Morvena"},
        {"folder and name keep both separators",
         {folder.c_str(), "\\Morvena旗舰版.lnk"},
         folder + "\\Morvena旗舰版.lnk"},
        {"only absent texts", {nullptr, nullptr}, ""},
        {"one text", {"one"}, "one"},
        {"empty texts between", {"a", "", nullptr, "b", ""}, "ab"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        char *joined = JoinTexts(c.texts);
        ASSERT_NE(joined, nullptr);
        EXPECT_EQ(std::string(joined), c.expected);
        EXPECT_EQ(HeapSize(GetProcessHeap(), 0, joined), c.expected.size() + 1);
        for (const char *text : c.texts)
            EXPECT_NE(joined, text) << "the result never shares storage with an argument";
        ReleaseText(joined);
    }
}

TEST(ReleaseText, GivesHeapTextsBackAndLeavesConstantsAlone) {
    HANDLE heap = GetProcessHeap();
    char *joined = JoinTexts({"to be ", "released"});
    ASSERT_TRUE(HeapValidate(heap, 0, joined));
    ReleaseText(joined);
    EXPECT_FALSE(HeapValidate(heap, 0, joined)) << "no longer a block of the process heap";

    ReleaseText(nullptr);
    ReleaseText("a literal");
    ReleaseText(kStoredConstant);
    EXPECT_STREQ(kStoredConstant, "a constant of the program");
    EXPECT_TRUE(HeapValidate(heap, 0, nullptr));
}
