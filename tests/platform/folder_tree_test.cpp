#include "platform/file_operations.h"

#include "platform_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using platform_fixtures::FolderLink;
using platform_fixtures::ScratchDrive;
using platform_fixtures::ScratchShare;
using testing_support::PathExists;
using testing_support::RunningUnderWine;
using testing_support::ScratchFolder;
using testing_support::WriteWholeFile;

namespace {

void MakeFolder(const std::string &path) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
}
void MakeFile(const std::string &path) {
    ASSERT_TRUE(WriteWholeFile(path, "x", 1)) << path;
}

// Builds a tree of folders (names ending in "\") and files under root.
void MakeTree(const std::string &root, const std::vector<std::string> &entries) {
    for (const std::string &entry : entries) {
        if (entry.back() == '\\')
            MakeFolder(root + "\\" + entry.substr(0, entry.size() - 1));
        else
            MakeFile(root + "\\" + entry);
    }
}

const std::vector<std::string> kPlainTree = {
    "a.txt", "sub\\", "sub\\b.txt", "sub\\deeper\\", "sub\\deeper\\c.txt", "empty\\",
};

std::string Replace(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

// Every root spelling is tried against a drive letter and a share of the
// test's own, with the current folder at that drive's root, so a guard that
// let one through could only empty the test's own folders.
TEST(RemoveFolderTree, RefusesEmptyPathsAndEveryRootSpelling) {
    ScratchFolder scratch("roots");
    ScratchDrive drive(scratch.Path());
    ASSERT_NE(drive.Letter(), 0) << "no drive letter could be mapped to " << scratch.Path();
    ScratchShare share;
    if (RunningUnderWine()) {
        ASSERT_TRUE(share.Exists()) << share.Root();
    }
    std::vector<std::string> contents = {scratch.Path()};
    if (share.Exists())
        contents.push_back(share.Root());

    const std::string d(1, drive.Letter());
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA((d + ":\\").c_str()));
    char fullOfRoot[MAX_PATH];
    GetFullPathNameA("\\", MAX_PATH, fullOfRoot, nullptr);
    ASSERT_EQ(std::string(fullOfRoot), d + ":\\") << "the current drive must be the test's own";

    // clang-format off
    const char *spellings[] = {
        "", "   ", "\t",                   // nothing, or a name no folder has
        "D:", "D:\\", "  D:", " D:\\",      // the plain drive-root spellings
        "D:/", "D:\\\\", "D:\\.", "D:\\keep\\..", // other spellings of the drive root
        "\\", "/", ".", "keep\\..",          // the current drive's root
        "SHARE", "SHARE\\", "SHARE\\\\", "SHARE/", // a share as a whole
    };
    // clang-format on
    for (const char *spelling : spellings) {
        std::string path = Replace(Replace(spelling, "SHARE", share.Root()), "D:", d + ":");
        SCOPED_TRACE("[" + path + "]");
        // Made again for each spelling, so that one let through shows alone.
        for (const std::string &root : contents) {
            CreateDirectoryA((root + "\\keep").c_str(), nullptr);
            MakeFile(root + "\\canary.txt");
            MakeFile(root + "\\keep\\inner.txt");
        }
        EXPECT_FALSE(RemoveFolderTree(path.c_str()));
        for (const std::string &root : contents) {
            EXPECT_TRUE(PathExists(root + "\\canary.txt")) << root;
            EXPECT_TRUE(PathExists(root + "\\keep\\inner.txt")) << root;
        }
    }
    SetCurrentDirectoryA(saved);
}

TEST(RemoveFolderTree, MissingFolderOrAFileGivesFalseAndKeepsTheFile) {
    ScratchFolder scratch("not-a-folder");
    MakeFile(scratch / "file.txt");
    EXPECT_FALSE(RemoveFolderTree((scratch / "missing").c_str()));
    EXPECT_FALSE(RemoveFolderTree((scratch / "file.txt").c_str()));
    EXPECT_TRUE(PathExists(scratch / "file.txt"));
}

TEST(RemoveFolderTree, SpellingsOfTheSameFolderRemoveTheWholeTree) {
    ScratchFolder scratch("spellings");
    struct Case {
        const char *name;
        std::string path; // "TREE" stands for the tree's own path
    } cases[] = {
        {"as it is", "TREE"},
        {"trailing backslash", "TREE\\"},
        {"leading blanks", "   TREE"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string tree = scratch / "tree";
        MakeFolder(tree);
        MakeTree(tree, kPlainTree);
        EXPECT_TRUE(RemoveFolderTree(Replace(c.path, "TREE", tree).c_str()));
        EXPECT_FALSE(PathExists(tree));
    }
    // A doubled separator inside the path, as the actions' paths have.
    MakeFolder(scratch / "outer");
    MakeFolder(scratch / "outer\\tree");
    MakeTree(scratch / "outer\\tree", kPlainTree);
    EXPECT_TRUE(RemoveFolderTree((scratch.Path() + "\\outer\\\\tree").c_str()));
    EXPECT_FALSE(PathExists(scratch / "outer\\tree"));
    EXPECT_TRUE(PathExists(scratch / "outer"));
}

TEST(RemoveFolderTree, TabIsNotSkippedAsABlank) {
    ScratchFolder scratch("tab");
    MakeFolder(scratch / "tree");
    EXPECT_FALSE(RemoveFolderTree(("\t" + (scratch / "tree")).c_str()));
    EXPECT_TRUE(PathExists(scratch / "tree"));
}

// What cannot be deleted stays with every folder above it; everything else
// goes, and the result is false because the top folder stays.
TEST(RemoveFolderTree, KeepsFullStopNamesAndReadOnlyFilesWithTheirFolders) {
    ScratchFolder scratch("stays");
    std::string tree = scratch / "tree";
    MakeFolder(tree);
    MakeTree(tree, {
                       "top.txt",
                       "dotted\\",
                       "dotted\\.keep",
                       "dotted\\plain.txt",
                       "locked\\",
                       "locked\\read-only.txt",
                       "locked\\plain.txt",
                       "locked\\inner\\",
                       "locked\\inner\\plain.txt",
                       "gone\\",
                       "gone\\deep\\",
                       "gone\\deep\\file.txt",
                       ".dotted-folder\\",
                       ".dotted-folder\\inside.txt",
                   });
    ASSERT_TRUE(
        SetFileAttributesA((tree + "\\locked\\read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_FALSE(RemoveFolderTree(tree.c_str()));

    for (const char *kept :
         {"dotted\\.keep", "locked\\read-only.txt", ".dotted-folder\\inside.txt"}) {
        SCOPED_TRACE(kept);
        EXPECT_TRUE(PathExists(tree + "\\" + kept));
    }
    for (const char *removed :
         {"top.txt", "dotted\\plain.txt", "locked\\plain.txt", "locked\\inner", "gone"}) {
        SCOPED_TRACE(removed);
        EXPECT_FALSE(PathExists(tree + "\\" + removed));
    }
}

// A link inside the tree is removed as a link: the folder it points to,
// outside the tree, keeps everything.
TEST(RemoveFolderTree, NeverEntersAFolderLink) {
    ScratchFolder scratch("link");
    std::string outside = scratch / "outside";
    MakeFolder(outside);
    MakeTree(outside, kPlainTree);
    std::string tree = scratch / "tree";
    MakeFolder(tree);
    MakeTree(tree, {"own.txt", "sub\\", "sub\\own.txt"});
    FolderLink link(tree + "\\sub\\link", outside);
    ASSERT_TRUE(link.Made()) << "could not make a folder link";

    bool removed = RemoveFolderTree(tree.c_str());

    for (const std::string &entry : kPlainTree) {
        SCOPED_TRACE(entry);
        EXPECT_TRUE(PathExists(outside + "\\" + entry));
    }
    EXPECT_FALSE(PathExists(tree + "\\own.txt"));
    EXPECT_FALSE(PathExists(tree + "\\sub\\own.txt"));
    // Wine 8 cannot remove a link to a folder (RemoveDirectory gives 145),
    // so there the link and the folders above it stay; Windows removes it.
    if (!RunningUnderWine()) {
        EXPECT_TRUE(removed);
        EXPECT_FALSE(PathExists(tree));
    }
}

TEST(RemoveFolderTree, ALinkGivenAsTheTreeIsNotEmptied) {
    ScratchFolder scratch("link-top");
    std::string outside = scratch / "outside";
    MakeFolder(outside);
    MakeTree(outside, kPlainTree);
    FolderLink link(scratch / "link", outside);
    ASSERT_TRUE(link.Made()) << "could not make a folder link";

    bool removed = RemoveFolderTree((scratch / "link").c_str());

    for (const std::string &entry : kPlainTree) {
        SCOPED_TRACE(entry);
        EXPECT_TRUE(PathExists(outside + "\\" + entry));
    }
    // Wine 8 cannot remove a link to a folder; Windows removes the link.
    if (!RunningUnderWine()) {
        EXPECT_TRUE(removed);
        EXPECT_FALSE(PathExists(scratch / "link"));
    }
}
