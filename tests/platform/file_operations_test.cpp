#include "platform/file_operations.h"

#include "platform_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using platform_fixtures::TestBlock;
using testing_support::PathExists;
using testing_support::ReadWholeFile;
using testing_support::RunningUnderWine;
using testing_support::ScratchFolder;
using testing_support::WriteWholeFile;

namespace {

std::string ContentOf(const std::string &path) {
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, bytes))
        return "<unreadable>";
    return std::string(bytes.begin(), bytes.end());
}

bool IsFolder(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Changes the current folder for the length of a test, so that a relative
// or empty path could only ever touch the scratch folder.
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::string &folder) {
        GetCurrentDirectoryA(MAX_PATH, saved_);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~CurrentFolder() { SetCurrentDirectoryA(saved_); }

  private:
    char saved_[MAX_PATH];
};

} // namespace

TEST(CreateFolder, CreatesOneLevelOnly) {
    ScratchFolder scratch("create");
    ASSERT_TRUE(CreateDirectoryA((scratch / "existing").c_str(), nullptr));
    struct Case {
        const char *path;
        bool expected;
        const char *folderAfter; // present afterwards, or nullptr
        const char *absentAfter; // absent afterwards, or nullptr
    } cases[] = {
        {"new", true, "new", nullptr},
        {"with-trailing\\", true, "with-trailing", nullptr},
        {"existing", false, "existing", nullptr},
        {"missing\\child", false, nullptr, "missing"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CreateFolder((scratch / c.path).c_str()), c.expected);
        if (c.folderAfter) {
            EXPECT_TRUE(IsFolder(scratch / c.folderAfter));
        }
        if (c.absentAfter) {
            EXPECT_FALSE(PathExists(scratch / c.absentAfter));
        }
    }
}

TEST(CreateFolder, EmptyPathGivesFalse) {
    ScratchFolder scratch("create-empty");
    CurrentFolder inside(scratch.Path());
    EXPECT_FALSE(CreateFolder(""));
}

TEST(RemoveFile, DeletesOnlyAFileThatMayGo) {
    ScratchFolder scratch("remove-file");
    ASSERT_TRUE(WriteWholeFile(scratch / "plain.txt", "x", 1));
    ASSERT_TRUE(WriteWholeFile(scratch / "read-only.txt", "x", 1));
    ASSERT_TRUE(SetFileAttributesA((scratch / "read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteWholeFile(scratch / "open.txt", "x", 1));
    HANDLE open = CreateFileA((scratch / "open.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CreateDirectoryA((scratch / "folder").c_str(), nullptr));

    struct Case {
        const char *name;
        bool expected;
    } cases[] = {
        {"plain.txt", true},    {"read-only.txt", false}, {"open.txt", false},
        {"missing.txt", false}, {"folder", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = scratch / c.name;
        bool existed = PathExists(path);
        EXPECT_EQ(RemoveFile(path.c_str()), c.expected);
        EXPECT_EQ(PathExists(path), existed && !c.expected);
    }
    CloseHandle(open);
}

TEST(RemoveFile, EmptyPathGivesFalse) {
    ScratchFolder scratch("remove-empty");
    CurrentFolder inside(scratch.Path());
    EXPECT_FALSE(RemoveFile(""));
}

TEST(WriteBlocksToFile, FileHoldsExactlyTheBlocksInOrder) {
    ScratchFolder scratch("write");
    std::string path = scratch / "out.bin";
    TestBlock empty("");
    TestBlock negative("never written", -5);
    TestBlock first(std::string("first\0", 6));
    TestBlock second("second");
    TestBlock oddMarker("marker is not read", 0xDEADBEEF);
    struct Case {
        const char *name;
        std::initializer_list<const ByteBlock *> blocks;
        std::string expected;
    } cases[] = {
        {"one block", {first.Get()}, std::string("first\0", 6)},
        {"blocks in argument order",
         {second.Get(), first.Get()},
         "second" + std::string("first\0", 6)},
        {"length 0 gives an empty file", {empty.Get()}, ""},
        {"negative length adds nothing", {negative.Get(), second.Get()}, "second"},
        {"absent block adds nothing", {nullptr, second.Get()}, "second"},
        {"marker ignored", {oddMarker.Get()}, "marker is not read"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // An existing longer file is cut to what is written now.
        ASSERT_TRUE(WriteWholeFile(path, std::string(100, 'z').data(), 100));
        EXPECT_TRUE(WriteBlocksToFile(path.c_str(), c.blocks));
        EXPECT_EQ(ContentOf(path), c.expected);
    }
}

TEST(WriteBlocksToFile, FailedOpenWritesNothing) {
    ScratchFolder scratch("write-refused");
    TestBlock block("new bytes");
    const std::string old = "old bytes, longer than the new ones";
    struct Case {
        const char *name;
        DWORD attributes; // given to an existing file, or 0 for none
        bool heldOpen;
        bool wineWrites; // as root, Wine does not refuse the open
    } cases[] = {
        {"read-only.bin", FILE_ATTRIBUTE_READONLY, false, true},
        {"hidden.bin", FILE_ATTRIBUTE_HIDDEN, false, true},
        {"system.bin", FILE_ATTRIBUTE_SYSTEM, false, true},
        {"in-use.bin", 0, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = scratch / c.name;
        ASSERT_TRUE(WriteWholeFile(path, old.data(), old.size()));
        if (c.attributes) {
            ASSERT_TRUE(SetFileAttributesA(path.c_str(), c.attributes));
        }
        HANDLE holder = c.heldOpen ? CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr)
                                   : INVALID_HANDLE_VALUE;
        bool written = WriteBlocksToFile(path.c_str(), {block.Get()});
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        // Windows refuses CREATE_ALWAYS with FILE_ATTRIBUTE_NORMAL over a
        // read-only, hidden or system file; Wine running as root writes it.
        if (c.wineWrites && RunningUnderWine())
            continue;
        EXPECT_FALSE(written);
        EXPECT_EQ(ContentOf(path), old);
    }
}

TEST(WriteBlocksToFile, MissingFolderOrEmptyPathCreatesNothing) {
    ScratchFolder scratch("write-nowhere");
    CurrentFolder inside(scratch.Path());
    TestBlock block("bytes");
    EXPECT_FALSE(WriteBlocksToFile((scratch / "missing\\out.bin").c_str(), {block.Get()}));
    EXPECT_FALSE(PathExists(scratch / "missing"));
    EXPECT_FALSE(WriteBlocksToFile("", {block.Get()}));

    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((scratch / "*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int entries = 0;
    do
        entries += found.cFileName[0] != '.';
    while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_EQ(entries, 0);
}

// A block whose bytes run into memory that cannot be read makes WriteFile
// fail: the operation stops there, keeps what was written and closes the file.
TEST(WriteBlocksToFile, FailedWriteStopsAndKeepsEarlierBytes) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD page = system.dwPageSize;
    char *pages = static_cast<char *>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(pages, nullptr);
    ASSERT_NE(VirtualAlloc(pages, page, MEM_COMMIT, PAGE_READWRITE), nullptr);
    // The block's two integers end the readable page; its bytes lie beyond.
    char *header = pages + page - 8;
    const uint32_t marker = 1, length = 4096;
    memcpy(header, &marker, 4);
    memcpy(header + 4, &length, 4);
    const ByteBlock *unreadable = reinterpret_cast<const ByteBlock *>(header);

    ScratchFolder scratch("write-fails");
    std::string path = scratch / "out.bin";
    TestBlock first("first");
    TestBlock last("last");
    EXPECT_FALSE(WriteBlocksToFile(path.c_str(), {first.Get(), unreadable, last.Get()}));
    EXPECT_EQ(ContentOf(path), "first");
    // Closed: nobody else could open it while the operation held it.
    HANDLE reopened =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reopened, INVALID_HANDLE_VALUE);
    if (reopened != INVALID_HANDLE_VALUE)
        CloseHandle(reopened);
    VirtualFree(pages, 0, MEM_RELEASE);
}
