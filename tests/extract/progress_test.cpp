// The progress event: its percentages, the window it depends on, and the stop.
#include "extract_test_util.h"
#include "zip_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace extract_test;
using testing_support::ScratchFolder;
using zip_fixture::Build;
using zip_fixture::Entry;
using zip_fixture::File;
using Percentages = std::vector<int>;

std::vector<Entry> Files(int count) {
    std::vector<Entry> entries;
    for (int k = 0; k < count; ++k)
        entries.push_back(File("f" + std::to_string(k) + ".txt", std::to_string(k), 0));
    return entries;
}

TEST(ExtractProgress, PercentagesAfterEachEntryAndAtTheEnd) {
    struct {
        int entries;
        Percentages expected;
    } const cases[] = {
        {1, {0, 100}},
        {2, {0, 50, 100}},
        {3, {0, 33, 66, 100}},
        {7, {0, 14, 28, 42, 57, 71, 85, 100}},
    };
    for (const auto &c : cases) {
        ScratchFolder scratch("progress");
        std::string archive = WriteArchive(scratch, "a.zip", Build(Files(c.entries)));
        ProgressWindow window;
        EXPECT_EQ(ExtractArchive(window.Unit(), archive.c_str(), (scratch / "out").c_str()), 1);
        EXPECT_EQ(window.percentages, c.expected) << c.entries << " entries";
    }
}

TEST(ExtractProgress, SeventySevenEntriesEndAt98ThenHundred) {
    ScratchFolder scratch("progress");
    std::string archive = WriteArchive(scratch, "a.zip", Build(Files(77)));
    ProgressWindow window;
    EXPECT_EQ(ExtractArchive(window.Unit(), archive.c_str(), (scratch / "out").c_str()), 1);
    ASSERT_EQ(window.percentages.size(), 78u);
    EXPECT_EQ(window.percentages[76], 98);
    EXPECT_EQ(window.percentages[77], 100);
    for (size_t k = 1; k < window.percentages.size(); ++k)
        EXPECT_LE(window.percentages[k - 1], window.percentages[k]);
}

// The counting pass stops at the first entry whose local header fails, so
// the percentages count the entries before it; the walk then answers 0.
TEST(ExtractProgress, FailuresStillEndWithTheEndNotification) {
    ScratchFolder scratch("progress");
    std::vector<Entry> entries = Files(4);
    entries[2].editLocal = [](zip_fixture::RecordFields &f) { f.crc ^= 1; };
    std::string badHeader = WriteArchive(scratch, "bad.zip", Build(entries));
    std::string noFolder =
        WriteArchive(scratch, "nofolder.zip",
                     Build({File("a.txt", "a"), File("sub/b.txt", "b"), File("c.txt", "c")}));
    std::string notZip = WriteArchive(scratch, "text.zip", std::string(100, 'x'));
    struct {
        const char *what;
        std::string archive;
        int result;
        Percentages expected;
    } const cases[] = {
        {"bad local header of the third of four", badHeader, 0, {0, 50, 100}},
        {"folder missing for the second of three", noFolder, 0, {0, 100}},
        {"no archive", notZip, 0, {100}},
        {"missing archive", scratch / "none.zip", -1, {100}},
    };
    for (const auto &c : cases) {
        ProgressWindow window;
        std::string target = scratch / "out";
        testing_support::ForceRemoveTree(target);
        EXPECT_EQ(ExtractArchive(window.Unit(), c.archive.c_str(), target.c_str()), c.result)
            << c.what;
        EXPECT_EQ(window.percentages, c.expected) << c.what;
    }
}

TEST(ExtractProgress, NoWindowNoEventAndTheWalkRunsToItsEnd) {
    ScratchFolder scratch("progress");
    std::string archive = WriteArchive(scratch, "a.zip", Build(Files(3)));
    ProgressWindow window;
    window.answer = [](int) { return true; };
    window.Destroy();
    EXPECT_EQ(ExtractArchive(window.Unit(), archive.c_str(), (scratch / "out").c_str()), 1);
    EXPECT_TRUE(window.percentages.empty());
    EXPECT_EQ(ListTree(scratch / "out").size(), 3u);
}

TEST(ExtractProgress, TrueAnswerStopsAfterTheEntryJustHandled) {
    ScratchFolder scratch("progress");
    std::string archive = WriteArchive(scratch, "a.zip", Build(Files(4)));
    ProgressWindow window;
    window.answer = [](int percentage) { return percentage == 25; };
    EXPECT_EQ(ExtractArchive(window.Unit(), archive.c_str(), (scratch / "out").c_str()), 1);
    // No end notification after a stop.
    EXPECT_EQ(window.percentages, Percentages({0, 25}));
    EXPECT_EQ(ListTree(scratch / "out"), std::vector<std::string>({"f0.txt", "f1.txt"}));
}

// A true answer counts only if the window still exists when the handler
// returns; with the window gone no further event is raised.
TEST(ExtractProgress, TrueAnswerFromAHandlerThatDestroysTheWindowDoesNotStop) {
    ScratchFolder scratch("progress");
    std::string archive = WriteArchive(scratch, "a.zip", Build(Files(4)));
    ProgressWindow window;
    window.answer = [&window](int) {
        window.Destroy();
        return true;
    };
    EXPECT_EQ(ExtractArchive(window.Unit(), archive.c_str(), (scratch / "out").c_str()), 1);
    EXPECT_EQ(window.percentages, Percentages({0}));
    EXPECT_EQ(ListTree(scratch / "out").size(), 4u);
}

// The archive is closed on every way out: afterwards it opens without sharing.
TEST(ExtractProgress, ArchiveIsClosedOnEveryPath) {
    ScratchFolder scratch("closed");
    std::vector<Entry> entries = Files(3);
    std::string good = WriteArchive(scratch, "good.zip", Build(entries));
    entries[1].name = "../up.txt";
    std::string refused = WriteArchive(scratch, "refused.zip", Build(entries));
    entries[1] = File("sub/x.txt", "x");
    std::string failing = WriteArchive(scratch, "failing.zip", Build(entries));
    struct {
        const char *what;
        std::string archive;
        bool stop;
    } const cases[] = {
        {"complete", good, false},
        {"stopped", good, true},
        {"refused name", refused, false},
        {"file not created", failing, false},
    };
    for (const auto &c : cases) {
        ProgressWindow window;
        window.answer = [&c](int) { return c.stop; };
        std::string target = scratch / "out";
        ExtractArchive(window.Unit(), c.archive.c_str(), target.c_str());
        HANDLE file = CreateFileA(c.archive.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << c.what;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        testing_support::ForceRemoveTree(target);
    }
}

} // namespace
