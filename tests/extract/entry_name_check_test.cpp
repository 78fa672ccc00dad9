#include "extract/entry_name_check.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

using zip_extract::IsSafeEntryName;

struct NameCase {
    const char *name;
    bool isFolder;
    bool safe;
};

// Names as stored in an archive, "/" or "\" alike, bytes in code page 936.
const NameCase kNames[] = {
    {"readme.txt", false, true},
    {"bin/Morvena.exe", false, true},
    {"bin\\Morvena.exe", false, true},
    {"bin/", true, true},
    {"bin", true, true},
    {"a/b/c/", true, true},
    {"v1..2/x.txt", false, true}, // ".." inside a component is a plain name
    {"..x/y", false, true},
    {".hidden", false, true},
    {"a b/c d.txt", false, true},
    {"COM0", false, true},
    {"COM10.txt", false, true},
    {"CONSOLE.txt", false, true},
    {"nullable", false, true},
    {"xcon", false, true},
    {"LPT", false, true},

    {"", false, false},
    {"", true, false},
    {"/", true, false},
    {"bin/", false, false}, // a file entry has no trailing separator
    {"bin//", true, false}, // only one trailing separator
    {"a//b", false, false},
    {"a\\\\b", false, false},
    {"..", true, false},
    {"../evil.txt", false, false},
    {"..\\evil.txt", false, false},
    {"a/../../evil.txt", false, false},
    {"a/..", true, false},
    {"a/../", true, false},
    {"./a.txt", false, false},
    {"a/./b.txt", false, false},
    {"/etc/passwd", false, false},
    {"\\windows\\evil.dll", false, false},
    {"C:/evil.txt", false, false},
    {"C:evil.txt", false, false},
    {"a.txt:stream", false, false},
    {"dir/a.txt:$DATA", false, false},
    {"name.", false, false},
    {"name ", false, false},
    {"dir./a.txt", false, false},
    {"dir /a.txt", false, false},
    {"CON", false, false},
    {"con.txt", false, false},
    {"Nul.tar.gz", false, false},
    {"nul .txt", false, false},
    {"aux/", true, false},
    {"prn", true, false},
    {"COM1", false, false},
    {"com9.log", false, false},
    {"lpt1", false, false},
    {"LPT9.txt", false, false},
    {"a/CON/b.txt", false, false},
};

TEST(ExtractEntryName, FollowsTheNamingRules) {
    for (const NameCase &c : kNames)
        EXPECT_EQ(IsSafeEntryName(c.name, c.isFolder), c.safe)
            << "name \"" << c.name << "\" as " << (c.isFolder ? "folder" : "file");
}

// 淺 is 9C 5C in code page 936: its trail byte is a "\".
TEST(ExtractEntryName, DoubleByteNamesAreWholeCharacters) {
    ASSERT_EQ(GetACP(), 936u) << "the tests run with the Chinese ANSI code page";
    ASSERT_STREQ("淺", "\x9C\x5C");
    const NameCase cases[] = {
        {"淺", false, true},
        {"淺", true, true}, // a folder named 淺, no separator after it
        {"淺/", true, true},
        {"淺\\", true, true},
        {"淺/說明.txt", false, true},
        {"文件夾/淺", false, true},
        {"淺淺/淺", false, true},
        {"a\x9C/b", false, false}, // lead byte before "/": it would swallow the separator
        {"a\x9C", false, false},   // lead byte without its trail byte
        {"a\x9C.", false, false},  // "." is no trail byte
        {"a\x9C b", false, false},
        {"\x9C\x5C\x9C", false, false},
    };
    for (const NameCase &c : cases)
        EXPECT_EQ(IsSafeEntryName(c.name, c.isFolder), c.safe)
            << "name \"" << c.name << "\" as " << (c.isFolder ? "folder" : "file");
}

} // namespace
