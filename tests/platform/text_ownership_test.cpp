// Linked with substitute_text_memory in place of the platform's own text
// memory, so that what reaches the heap can be seen.
#include "platform/file_operations.h"

#include "substitute_text_memory.h"

#include <gtest/gtest.h>

#include <string>

namespace memory = substitute_text_memory;

namespace {

const char kStoredConstant[] = "stored constant";

} // namespace

TEST(ReleaseText, OnlyTextsThatWereAllocatedReachTheHeap) {
    memory::Forget();
    ReleaseText(nullptr);
    ReleaseText("literal");
    ReleaseText(kStoredConstant);
    ReleaseText(kStoredConstant + 3); // inside a constant, not only at its start
    EXPECT_TRUE(memory::Releases().empty());

    char *joined = JoinTexts({"a", "b"});
    char *folder = GetSpecialFolder(SpecialFolderWindows);
    ASSERT_NE(folder, nullptr);
    ReleaseText(joined);
    ReleaseText(folder);
    ASSERT_EQ(memory::Releases().size(), 2u);
    EXPECT_EQ(memory::Releases()[0], joined);
    EXPECT_EQ(memory::Releases()[1], folder);
}

TEST(JoinTexts, AsksForTheLengthsPlusOne) {
    memory::Forget();
    ReleaseText(JoinTexts({"12345", nullptr, "", "678"}));
    ReleaseText(JoinTexts({nullptr}));
    ASSERT_EQ(memory::Allocations().size(), 2u);
    EXPECT_EQ(memory::Allocations()[0].size, 9u);
    EXPECT_EQ(memory::Allocations()[1].size, 1u);
}

TEST(GetSpecialFolder, AllocatesNothingWhenItGivesNone) {
    memory::Forget();
    EXPECT_EQ(GetSpecialFolder(0), nullptr);
    EXPECT_EQ(GetSpecialFolder(12), nullptr);
    EXPECT_TRUE(memory::Allocations().empty());
}
