// What the installer carries is the build's data files, byte for byte.
#include "data/embedded_data.h"
#include "platform/file_operations.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testing_support;

namespace {

std::vector<unsigned char> FileBytes(const char *buildPath) {
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(ReadWholeFile(HostPath(buildPath), bytes)) << buildPath;
    return bytes;
}

struct BlockCase {
    const char *name;
    const ByteBlock *block;
    const char *file;
};

class EmbeddedBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(EmbeddedBlock, LayoutAndWrittenBytesEqualTheDataFile) {
    const BlockCase &c = GetParam();
    std::vector<unsigned char> expected = FileBytes(c.file);
    const unsigned char *raw = reinterpret_cast<const unsigned char *>(c.block);
    EXPECT_EQ(ReadLittleEndian32(raw), 1) << "marker";
    ASSERT_EQ(ByteBlockLength(c.block), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(0, std::memcmp(ByteBlockBytes(c.block), expected.data(), expected.size()));

    ScratchFolder folder("blocks");
    std::string out = folder / c.name;
    ASSERT_TRUE(WriteBlocksToFile(out.c_str(), {c.block}));
    std::vector<unsigned char> written;
    ASSERT_TRUE(ReadWholeFile(out, written));
    EXPECT_EQ(written, expected);
}

INSTANTIATE_TEST_SUITE_P(Data, EmbeddedBlock,
                         ::testing::Values(BlockCase{"payload", &PayloadArchive, PAYLOAD_FILE},
                                           BlockCase{"shortcut", &ShortcutTemplate, SHORTCUT_FILE}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(EmbeddedPicture, LengthThenTheJpegBytes) {
    std::vector<unsigned char> expected = FileBytes(PICTURE_FILE);
    ASSERT_EQ(ReadLittleEndian32(BackgroundPicture), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(0, std::memcmp(BackgroundPicture + 4, expected.data(), expected.size()));
}

TEST(EmbeddedBlock, BlockOfLengthZeroWritesAnEmptyFile) {
    // Deliberately unaligned, as blocks stand in the image.
    static const unsigned char storage[] = {0xEE, 1, 0, 0, 0, 0, 0, 0, 0};
    const ByteBlock *empty = reinterpret_cast<const ByteBlock *>(storage + 1);
    EXPECT_EQ(ByteBlockLength(empty), 0);
    ScratchFolder folder("blocks");
    std::string out = folder / "empty";
    ASSERT_TRUE(WriteWholeFile(out, "old contents", 12));
    ASSERT_TRUE(WriteBlocksToFile(out.c_str(), {empty}));
    std::vector<unsigned char> written;
    ASSERT_TRUE(ReadWholeFile(out, written));
    EXPECT_TRUE(written.empty());
}

} // namespace
