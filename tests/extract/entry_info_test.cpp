#include "extract/zip_archive.h"
#include "extract_test_util.h"
#include "zip_fixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace extract_test;
using testing_support::ScratchFolder;
using zip_extract::ZipArchive;
using zip_extract::ZipEntryInfo;

TEST(ExtractEntryInfo, AttributesFromExternalAttributes) {
    const DWORD N = FILE_ATTRIBUTE_NORMAL, D = FILE_ATTRIBUTE_DIRECTORY, A = FILE_ATTRIBUTE_ARCHIVE,
                H = FILE_ATTRIBUTE_HIDDEN, R = FILE_ATTRIBUTE_READONLY, S = FILE_ATTRIBUTE_SYSTEM;
    struct {
        uint32_t external;
        DWORD attributes;
    } const cases[] = {
        {0x00000000, N | R}, // MS-DOS made, no Unix bits: read-only
        {0x00000020, N | A | R}, {0x00000010, N | D | R}, {0x00000027, N | A | H | R | S},
        {0x81A40000, N},                              // Unix -rw-r--r--
        {0x81240000, N | R},                          // Unix -r--r--r--
        {0x41ED0000, N | D},                          // Unix drwxr-xr-x, no MS-DOS bit
        {0x41ED0010, N | D},     {0x81A40001, N | R}, // MS-DOS read-only wins over owner-write
        {0x81A40022, N | A | H}, {0x00800004, N | S}, // only the owner-write bit above
        {0xA1FF0000, N},                              // a Unix link is no directory
    };
    for (const auto &c : cases)
        EXPECT_EQ(zip_extract::EntryAttributes(c.external), c.attributes)
            << std::hex << "external 0x" << c.external;
}

// Times before: access 1, creation 2, modification 3; the block replaces
// what it holds.
TEST(ExtractEntryInfo, ExtendedTimestampReadsOnlyWhatIsThere) {
    using zip_fixture::ExtraBlock;
    using zip_fixture::UtBlock;
    const unsigned long long t1 = UnixTicks(1600000000), t2 = UnixTicks(1500000000),
                             t3 = UnixTicks(1400000000), before = UnixTicks(-86400);
    std::string other = ExtraBlock(0x000A, std::string(32, '\0'));
    struct {
        const char *what;
        std::string extra;
        unsigned long long modification, access, creation;
    } const cases[] = {
        {"none", "", 3, 1, 2},
        {"flags 1: modification only", UtBlock(1, {1600000000}), t1, 1, 2},
        {"flags 7: all three in order", UtBlock(7, {1600000000, 1500000000, 1400000000}), t1, t2,
         t3},
        {"flags 6: access, creation", UtBlock(6, {1500000000, 1400000000}), 3, t2, t3},
        {"flags 4: creation", UtBlock(4, {1400000000}), 3, 1, t3},
        {"flags 7, one time held", UtBlock(7, {1600000000}), t1, 1, 2},
        {"flags 7, no time held", UtBlock(7, {}), 3, 1, 2},
        {"flags 3, one time held, a block after it",
         UtBlock(3, {1600000000}) + ExtraBlock(0x000A, std::string(8, '\x7F')), t1, 1, 2},
        {"block size past the field", UtBlock(3, {1600000000, 1500000000}).substr(0, 4 + 1 + 4 + 2),
         t1, 1, 2},
        {"flags byte past the field", std::string("UT\x05\x00", 4), 3, 1, 2},
        {"after another block", other + UtBlock(1, {1600000000}), t1, 1, 2},
        {"only the first block counts", UtBlock(2, {1500000000}) + UtBlock(1, {1600000000}), 3, t2,
         2},
        {"negative time as it is", UtBlock(1, {-86400}), before, 1, 2},
        {"a block that runs past the field hides what follows",
         ExtraBlock(0x000A, std::string(8, '\0')).substr(0, 6) + UtBlock(1, {1600000000}), 3, 1, 2},
        {"\"TU\" is another block", ExtraBlock(0x5554, std::string("\x01\x00\x00\x00\x10", 5)), 3,
         1, 2},
    };
    for (const auto &c : cases) {
        ZipEntryInfo info{};
        info.accessTime = {1, 0};
        info.creationTime = {2, 0};
        info.modificationTime = {3, 0};
        zip_extract::ApplyExtendedTimestamp(reinterpret_cast<const unsigned char *>(c.extra.data()),
                                            c.extra.size(), info);
        EXPECT_EQ(Ticks(info.modificationTime), c.modification) << c.what;
        EXPECT_EQ(Ticks(info.accessTime), c.access) << c.what;
        EXPECT_EQ(Ticks(info.creationTime), c.creation) << c.what;
    }
}

// The walk reads entries in order, but the info asked for must always be
// that entry's, and its data must follow, whatever was read before.
TEST(ExtractEntryInfo, ReadsAnyIndexInAnyOrder) {
    ScratchFolder scratch("info");
    std::string path = WriteArchive(scratch, "a.zip",
                                    zip_fixture::Build({zip_fixture::File("zero.txt", "0"),
                                                        zip_fixture::File("one.txt", "11", 0),
                                                        zip_fixture::File("two.txt", "222")}));
    auto archive = std::make_unique<ZipArchive>();
    ASSERT_TRUE(zip_extract::OpenZipArchive(*archive, path.c_str()));
    EXPECT_EQ(archive->centralCount, 3);
    const int order[] = {2, 0, 1, 1, 0, 2, 2, 1};
    const char *const names[] = {"zero.txt", "one.txt", "two.txt"};
    for (int index : order) {
        const ZipEntryInfo *info = zip_extract::ReadEntryInfo(*archive, index);
        ASSERT_NE(info, nullptr) << index;
        EXPECT_EQ(info->index, index);
        EXPECT_STREQ(info->name, names[index]);
    }
    EXPECT_EQ(zip_extract::ReadEntryInfo(*archive, 3), nullptr);
    EXPECT_EQ(zip_extract::ReadEntryInfo(*archive, -1), nullptr);

    // After a failed read the data written is still the entry's own.
    std::string out = scratch / "out.txt";
    ASSERT_NE(zip_extract::ReadEntryInfo(*archive, 0), nullptr);
    EXPECT_EQ(zip_extract::ReadEntryInfo(*archive, 3), nullptr);
    EXPECT_TRUE(zip_extract::ExtractEntryToFile(*archive, 0, out.c_str()));
    EXPECT_EQ(Contents(out), "0");
    ASSERT_NE(zip_extract::ReadEntryInfo(*archive, 2), nullptr);
    EXPECT_TRUE(zip_extract::ExtractEntryToFile(*archive, 1, out.c_str()));
    EXPECT_EQ(Contents(out), "11");
    EXPECT_FALSE(zip_extract::ExtractEntryToFile(*archive, 3, out.c_str()));
    zip_extract::CloseZipArchive(*archive);
}

// An entry that fails its local header test must not leave the info of the
// entry before it standing in for the entry that minizip now points at.
TEST(ExtractEntryInfo, AFailedEntryDoesNotMoveTheDataOfAnother) {
    ScratchFolder scratch("info");
    zip_fixture::Entry bad = zip_fixture::File("bad.txt", "bad");
    bad.editLocal = [](zip_fixture::RecordFields &local) { local.crc ^= 1; };
    std::string path = WriteArchive(
        scratch, "a.zip", zip_fixture::Build({zip_fixture::File("good.txt", "good"), bad}));
    auto archive = std::make_unique<ZipArchive>();
    ASSERT_TRUE(zip_extract::OpenZipArchive(*archive, path.c_str()));
    ASSERT_NE(zip_extract::ReadEntryInfo(*archive, 0), nullptr);
    EXPECT_EQ(zip_extract::ReadEntryInfo(*archive, 1), nullptr);
    const ZipEntryInfo *info = zip_extract::ReadEntryInfo(*archive, 0);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->name, "good.txt");
    std::string out = scratch / "out.txt";
    EXPECT_TRUE(zip_extract::ExtractEntryToFile(*archive, 0, out.c_str()));
    EXPECT_EQ(Contents(out), "good");
    zip_extract::CloseZipArchive(*archive);
}

} // namespace
