// The times each written file gets: the DOS date and time read as UTC, or
// those of the local "UT" block.
#include "extract_test_util.h"
#include "zip_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace extract_test;
using testing_support::ScratchFolder;
using zip_fixture::Build;
using zip_fixture::DosDateTime;
using zip_fixture::Entry;
using zip_fixture::File;
using zip_fixture::UtBlock;

// Wine on Linux keeps no creation time of its own: it reports the last-write
// time. Windows sets and reports all three.
bool CreationTimeIsSettable() {
    return !testing_support::RunningUnderWine();
}

unsigned long long Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

TEST(ExtractFileTimes, AllThreeFromTheDosDateAndTimeAsUtc) {
    ScratchFolder scratch("times");
    const uint32_t times[] = {
        DosDateTime(1980, 1, 1, 0, 0, 0), DosDateTime(2004, 2, 29, 23, 59, 58),
        DosDateTime(2021, 6, 15, 10, 30, 20), DosDateTime(2107, 12, 31, 12, 0, 0)};
    std::vector<Entry> entries;
    for (uint32_t time : times) {
        Entry entry = File("t" + std::to_string(entries.size()) + ".txt", "t");
        entry.dosDateTime = time;
        entries.push_back(entry);
    }
    std::string archive = WriteArchive(scratch, "a.zip", Build(entries));
    ASSERT_EQ(Extract(archive, scratch / "out"), 1);
    for (const Entry &entry : entries) {
        FileTimes got = TimesOf(scratch / "out\\" + entry.name);
        EXPECT_EQ(got.write, DosTicks(entry.dosDateTime)) << entry.name;
        EXPECT_EQ(got.access, DosTicks(entry.dosDateTime)) << entry.name;
        if (CreationTimeIsSettable()) {
            EXPECT_EQ(got.creation, DosTicks(entry.dosDateTime)) << entry.name;
        }
    }
    // 2021-06-15 10:30:20 as UTC, whatever the machine's time zone.
    EXPECT_EQ(DosTicks(DosDateTime(2021, 6, 15, 10, 30, 20)), UnixTicks(1623753020));
}

TEST(ExtractFileTimes, ExtendedTimestampReplacesTheTimesItCarries) {
    const uint32_t dos = DosDateTime(2001, 2, 3, 4, 5, 6);
    const unsigned long long d = DosTicks(dos), m = UnixTicks(1600000000),
                             a = UnixTicks(1500000000), c = UnixTicks(1400000000);
    struct {
        const char *what;
        std::string localExtra;
        unsigned long long write, access, creation;
    } const cases[] = {
        {"flags 1: modification only", UtBlock(1, {1600000000}), m, d, d},
        {"flags 7", UtBlock(7, {1600000000, 1500000000, 1400000000}), m, a, c},
        {"flags 7 holding one time", UtBlock(7, {1600000000}), m, d, d},
        {"after another block",
         zip_fixture::ExtraBlock(0x7875, std::string("\x01\x04\0\0\0\0\x04\0\0\0\0", 11)) +
             UtBlock(2, {1500000000}),
         d, a, d},
        {"negative time", UtBlock(1, {-1000000000}), UnixTicks(-1000000000), d, d},
    };
    for (const auto &k : cases) {
        ScratchFolder scratch("times");
        Entry entry = File("t.txt", "t");
        entry.dosDateTime = dos;
        entry.localExtra = k.localExtra;
        // The central record's "UT" block plays no part.
        entry.centralExtra = UtBlock(7, {100, 200, 300});
        std::string archive = WriteArchive(scratch, "a.zip", Build({entry}));
        ASSERT_EQ(Extract(archive, scratch / "out"), 1) << k.what;
        FileTimes got = TimesOf(scratch / "out\\t.txt");
        EXPECT_EQ(got.write, k.write) << k.what;
        EXPECT_EQ(got.access, k.access) << k.what;
        if (CreationTimeIsSettable()) {
            EXPECT_EQ(got.creation, k.creation) << k.what;
        }
    }
}

// Fields that form no date leave the times as the system set them on
// writing; a "UT" block still gives its times.
TEST(ExtractFileTimes, InvalidDosDateLeavesTheSystemTimes) {
    const uint32_t invalid[] = {
        0,                                 // month 0, day 0
        DosDateTime(2021, 13, 1, 0, 0, 0), // month 13
        DosDateTime(2021, 2, 29, 0, 0, 0), // not a leap year
        DosDateTime(2021, 4, 31, 0, 0, 0),
        DosDateTime(2021, 6, 15, 24, 0, 0),
        DosDateTime(2021, 6, 15, 10, 60, 0),
        DosDateTime(2021, 6, 15, 10, 0, 60),
    };
    for (uint32_t dos : invalid) {
        ScratchFolder scratch("times");
        Entry plain = File("plain.txt", "p");
        plain.dosDateTime = dos;
        Entry stamped = File("stamped.txt", "s");
        stamped.dosDateTime = dos;
        stamped.localExtra = UtBlock(1, {1600000000});
        std::string archive = WriteArchive(scratch, "a.zip", Build({plain, stamped}));
        // Whole seconds: some file systems keep no finer times.
        unsigned long long before = Now() / 10000000 * 10000000 - 20000000;
        ASSERT_EQ(Extract(archive, scratch / "out"), 1) << std::hex << dos;
        FileTimes p = TimesOf(scratch / "out\\plain.txt");
        EXPECT_GE(p.write, before) << std::hex << dos;
        EXPECT_GE(p.access, before) << std::hex << dos;
        FileTimes s = TimesOf(scratch / "out\\stamped.txt");
        EXPECT_EQ(s.write, UnixTicks(1600000000)) << std::hex << dos;
        EXPECT_GE(s.access, before) << std::hex << dos;
    }
}

} // namespace
