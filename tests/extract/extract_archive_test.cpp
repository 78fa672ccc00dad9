// ExtractArchive over tiny hand-made archives: one table per rule.
#include "extract_test_util.h"
#include "zip_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace extract_test;
using testing_support::PathExists;
using testing_support::ScratchFolder;
using zip_fixture::Build;
using zip_fixture::Entry;
using zip_fixture::File;
using zip_fixture::Folder;
using zip_fixture::RecordFields;
using Tree = std::vector<std::string>;

// A file that another handle holds open with the given sharing.
class HeldFile {
  public:
    HeldFile(const std::string &path, DWORD access, DWORD sharing)
        : handle_(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldFile() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

TEST(ExtractArchive, AbsentArgumentsAnswerMinusOneAndRaiseNothing) {
    ScratchFolder scratch("args");
    std::string archive = WriteArchive(scratch, "a.zip", Build({File("a.txt", "a")}));
    std::string target = scratch / "out";
    struct {
        const char *what;
        const char *archive;
        const char *target;
    } const cases[] = {
        {"no archive path", nullptr, target.c_str()},
        {"no target folder", archive.c_str(), nullptr},
        {"neither", nullptr, nullptr},
        // An empty target would put the entries at the root of the current drive.
        {"empty target folder", archive.c_str(), ""},
    };
    for (const auto &c : cases) {
        ProgressWindow window;
        EXPECT_EQ(ExtractArchive(window.Unit(), c.archive, c.target), -1) << c.what;
        EXPECT_TRUE(window.percentages.empty()) << c.what;
    }
    EXPECT_EQ(ListTree(scratch.Path()), Tree({"a.zip"}));
}

TEST(ExtractArchive, MissingArchiveAnswersMinusOneAndMakesNoFolder) {
    ScratchFolder scratch("missing");
    ProgressWindow window;
    std::string target = scratch / "new\\deeper";
    EXPECT_EQ(ExtractArchive(window.Unit(), (scratch / "none.zip").c_str(), target.c_str()), -1);
    EXPECT_TRUE(ListTree(scratch.Path()).empty());
    EXPECT_EQ(window.percentages, std::vector<int>({100}));
}

// The header test comes after the missing target folder is made, so the
// folder stays when the archive fails.
TEST(ExtractArchive, ArchiveFailingTheHeaderTestAnswersZeroAndLeavesTheNewFolder) {
    std::string valid = Build({File("a.txt", "alpha")});
    zip_fixture::Layout stub;
    stub.prefix = "MZ" + std::string(62, '\0');
    // A local header that no central record lists, in front of a good archive.
    auto headerInFront = [](uint16_t nameLength, uint16_t sizeHigh) {
        zip_fixture::Layout layout;
        layout.prefix = std::string("PK\x03\x04", 4) + std::string(26, '\0');
        layout.prefix[24] = static_cast<char>(sizeHigh & 0xFF);
        layout.prefix[25] = static_cast<char>(sizeHigh >> 8);
        layout.prefix[26] = static_cast<char>(nameLength & 0xFF);
        layout.prefix[27] = static_cast<char>(nameLength >> 8);
        layout.prefix += std::string(nameLength < 64 ? nameLength : 0, 'n');
        return layout;
    };
    struct {
        const char *what;
        std::string bytes;
    } const cases[] = {
        {"empty file", ""},
        {"end record alone", Build({})},
        {"31 bytes of a valid archive", valid.substr(0, 31)},
        {"a stub in front of the first local header", Build({File("a.txt", "alpha")}, stub)},
        {"no local header signature", "PK\x03\x05" + valid.substr(4)},
        {"text", std::string(64, 'x')},
        // Offset 24 is the upper half of the uncompressed size with the name
        // length above it: an empty name and a small size give 0.
        {"value 0 at offset 24", Build({File("", "tiny")})},
        {"negative value at offset 24", Build({File(std::string(40000, 'n'), "tiny")})},
        {"value 0 at offset 24, good entries after it",
         Build({File("a.txt", "a")}, headerInFront(0, 0))},
        {"value -1 at offset 24, good entries after it",
         Build({File("a.txt", "a")}, headerInFront(0xFFFF, 0xFFFF))},
    };
    for (const auto &c : cases) {
        ScratchFolder scratch("head");
        std::string archive = WriteArchive(scratch, "a.zip", c.bytes);
        std::string target = scratch / "new\\deeper";
        EXPECT_EQ(Extract(archive, target), 0) << c.what;
        EXPECT_EQ(ListTree(scratch.Path()), Tree({"a.zip", "new\\", "new\\deeper\\"})) << c.what;
    }
}

TEST(ExtractArchive, ArchivePathNamingAFolderAnswersZero) {
    ScratchFolder scratch("head");
    std::string target = scratch / "out";
    EXPECT_EQ(Extract(scratch.Path(), target), 0);
    EXPECT_TRUE(IsFolder(target));
}

// The test reads the first 32 bytes only: a zero-length folder entry first
// passes (its name length is above the size at offset 24), and so does any
// local header there with a value of 1, listed or not.
TEST(ExtractArchive, HeaderTestLooksAtTheFirst32BytesOnly) {
    ScratchFolder scratch("head");
    std::string folderFirst =
        WriteArchive(scratch, "a.zip", Build({Folder("d/"), File("d/a.txt", "alpha")}));
    EXPECT_EQ(Extract(folderFirst, scratch / "out"), 1);
    EXPECT_EQ(Contents(scratch / "out\\d\\a.txt"), "alpha");

    zip_fixture::Layout unlisted;
    unlisted.prefix = std::string("PK\x03\x04", 4) + std::string(26, '\0');
    unlisted.prefix[24] = 1;
    std::string inFront = WriteArchive(scratch, "b.zip", Build({File("b.txt", "beta")}, unlisted));
    EXPECT_EQ(Extract(inFront, scratch / "out"), 1);
    EXPECT_EQ(Contents(scratch / "out\\b.txt"), "beta");
}

TEST(ExtractArchive, ArchiveThatCannotBeOpenedOrListedAnswersZero) {
    std::string valid = Build({File("a.txt", "alpha"), File("b.txt", "beta")});
    // The end record's offset of the central directory, one too far.
    std::string shifted = valid;
    shifted[shifted.size() - 6] = static_cast<char>(shifted[shifted.size() - 6] + 1);
    std::string brokenRecord = valid;
    brokenRecord[brokenRecord.rfind("PK\x01\x02", std::string::npos) + 3] = '\x09';
    zip_fixture::Layout overcounted;
    overcounted.endRecordCount = 3;
    struct {
        const char *what;
        std::string bytes;
        Tree after;
    } const cases[] = {
        {"no end record", valid.substr(0, valid.size() - 22), {"a.zip", "out\\"}},
        {"central directory offset wrong", shifted, {"a.zip", "out\\"}},
        // The walk stops where the central directory stops making sense.
        {"second central record broken", brokenRecord, {"a.zip", "out\\", "out\\a.txt"}},
        {"end record counts more records than there are",
         Build({File("a.txt", "alpha"), File("b.txt", "beta")}, overcounted),
         {"a.zip", "out\\", "out\\a.txt", "out\\b.txt"}},
    };
    for (const auto &c : cases) {
        ScratchFolder scratch("open");
        std::string archive = WriteArchive(scratch, "a.zip", c.bytes);
        EXPECT_EQ(Extract(archive, scratch / "out"), 0) << c.what;
        EXPECT_EQ(ListTree(scratch.Path()), c.after) << c.what;
    }
}

TEST(ExtractArchive, ArchiveHeldOpenForWritingAnswersZero) {
    ScratchFolder scratch("open");
    std::string archive = WriteArchive(scratch, "a.zip", Build({File("a.txt", "alpha")}));
    HeldFile writer(archive, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_EQ(Extract(archive, scratch / "out"), 0);
    EXPECT_EQ(ListTree(scratch.Path()), Tree({"a.zip", "out\\"}));
}

TEST(ExtractArchive, TargetFolderThatCannotBeMadeAnswersZeroAndKeepsTheLevelsMade) {
    ScratchFolder scratch("target");
    std::string archive = WriteArchive(scratch, "a.zip", Build({File("a.txt", "alpha")}));
    testing_support::WriteWholeFile(scratch / "file", "x", 1);
    EXPECT_EQ(Extract(archive, scratch / "file\\out"), 0);
    EXPECT_EQ(Extract(archive, scratch / "made\\bad<name\\out"), 0);
    EXPECT_EQ(ListTree(scratch.Path()), Tree({"a.zip", "file", "made\\"}));
}

} // namespace
