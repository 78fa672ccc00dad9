// The payload checker: each rule refuses the archive that breaks it, with
// the message that names the entry and the rule, and nothing else.
#include "payload_rules.h"

#include "test_archive.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <ostream>

namespace payload {

void PrintTo(const Problem &problem, std::ostream *out) {
    *out << FormatProblem("archive", problem);
}

namespace {

// Local header field offsets.
constexpr size_t kFlags = 6, kMethod = 8, kCrc = 14, kCompressedSize = 18, kSize = 22,
                 kNameLength = 26;

const TestEntry kApplication = File("Morvena.exe", "MZ");

Problem ForArchive(std::string rule) {
    return {std::nullopt, std::move(rule)};
}
Problem ForEntry(std::string entry, std::string rule) {
    return {std::move(entry), std::move(rule)};
}

std::string Hex(uint32_t value, int digits = 1) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::vector<Problem> Check(const TestArchive &archive) {
    return CheckArchiveBytes(archive.bytes.data(), archive.bytes.size());
}

TEST(PayloadRules, AcceptsArchivesThatMeetEveryRule) {
    const struct {
        const char *what;
        std::vector<TestEntry> entries;
    } cases[] = {
        {"the application alone", {kApplication}},
        {"folders before their files, nested",
         {kApplication, Folder("docs/"), Folder("docs/sub/"), File("docs/sub/a.txt"),
          File("docs/b.txt")}},
        {"a folder first", {Folder("docs/"), kApplication}},
        {"deflated entries", {Deflated("Morvena.exe", "MZ MZ MZ MZ"), Deflated("readme.txt", "")}},
        {"the folder's case differs from the file's",
         {kApplication, Folder("Docs/"), File("docs/a.txt")}},
        {"the application in another case", {File("MORVENA.EXE", "MZ")}},
        {"b.zip below the root", {kApplication, Folder("docs/"), File("docs/b.zip")}},
        // 淺 is 9C 5C: its trail byte is no separator.
        {"a double-byte name with the trail byte 0x5C",
         {kApplication, Folder("\x9c\x5c/"), File("\x9c\x5c/\x9c\x5c.txt")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Check(BuildArchive(c.entries)), std::vector<Problem>{});
    }
}

// One archive per rule, broken in one place.
struct BadArchive {
    const char *what;
    std::vector<TestEntry> entries;
    std::function<void(TestArchive &)> breakIt;
    std::vector<Problem> expected;
};

std::vector<BadArchive> BadArchives() {
    // The base archive: the application and a stored and a deflated file.
    const std::vector<TestEntry> base = {kApplication, File("readme.txt", "hello"),
                                         Deflated("notes.txt", "notes notes notes notes")};
    const TestArchive layout = BuildArchive(base);
    const size_t centralSize = layout.end - layout.central[0];
    auto none = [](TestArchive &) {};

    return {
        {"a stub in front of the first local header",
         base,
         [](TestArchive &a) { a.Prepend("MZ\x90"); },
         {ForArchive(
             "does not begin with a local file header (the bytes 50 4B 03 04 at offset 0)")}},
        {"the end record alone",
         {},
         none,
         {ForArchive("does not begin with a local file header (the bytes 50 4B 03 04 at offset 0)"),
          ForArchive("has no file \"Morvena.exe\" at its root")}},
        {"a first local header cut short",
         {},
         [](TestArchive &a) {
             a.bytes = {0x50, 0x4B, 0x03, 0x04};
         },
         {ForArchive("its first local file header is cut short"),
          ForArchive("does not end with an end-of-central-directory record")}},
        {"a first entry with an empty name",
         {File("", "")},
         none,
         {ForArchive("its first local file header has a name length of 0 or above 32767"),
          ForEntry("", "has an empty name"),
          ForArchive("has no file \"Morvena.exe\" at its root")}},
        {"the end record cut off",
         base,
         [](TestArchive &a) { a.bytes.resize(a.bytes.size() - 1); },
         {ForArchive("does not end with an end-of-central-directory record")}},
        {"bytes after the end record",
         base,
         [](TestArchive &a) { a.bytes.push_back(0); },
         {ForArchive("does not end with an end-of-central-directory record")}},
        {"a second disk",
         base,
         [](TestArchive &a) { a.Put16(a.end + 4, 1); },
         {ForArchive("is not a single-disk archive (disk 1, central directory on disk 0, 3 of 3 "
                     "entries on this disk)")}},
        {"the central directory on another disk",
         base,
         [](TestArchive &a) { a.Put16(a.end + 6, 2); },
         {ForArchive("is not a single-disk archive (disk 0, central directory on disk 2, 3 of 3 "
                     "entries on this disk)")}},
        {"fewer entries on this disk than in all",
         base,
         [](TestArchive &a) { a.Put16(a.end + 8, 2); },
         {ForArchive("is not a single-disk archive (disk 0, central directory on disk 0, 2 of 3 "
                     "entries on this disk)")}},
        {"ZIP64 markers in the end record",
         base,
         [](TestArchive &a) { a.Put32(a.end + 16, 0xFFFFFFFF); },
         {ForArchive("has ZIP64 records; the installer reads plain ZIP archives only")}},
        {"a central directory that does not reach the end record",
         base,
         [](TestArchive &a) { a.Put32(a.end + 12, a.Get32(a.end + 12) - 1); },
         {ForArchive("its central directory (" + std::to_string(centralSize - 1) +
                     " bytes at offset " + std::to_string(layout.central[0]) +
                     ") does not end where the end record begins (offset " +
                     std::to_string(layout.end) + ")")}},
        {"more entries counted than recorded",
         base,
         [](TestArchive &a) {
             a.Put16(a.end + 8, 4);
             a.Put16(a.end + 10, 4);
         },
         {ForArchive("its central directory record 3 (offset " + std::to_string(layout.end) +
                     ") is damaged")}},
        {"a central record without its signature",
         base,
         [](TestArchive &a) { a.bytes[a.central[1]] = 'X'; },
         {ForArchive("its central directory record 1 (offset " + std::to_string(layout.central[1]) +
                     ") is damaged")}},
        {"method 12",
         base,
         [](TestArchive &a) { a.PutBoth16(1, kMethod, 12); },
         {ForEntry("readme.txt",
                   "compression method 12; only 0 (stored) and 8 (deflate) are allowed")}},
        {"encryption",
         base,
         [](TestArchive &a) { a.PutBoth16(1, kFlags, 0x0001); },
         {ForEntry("readme.txt",
                   "general-purpose flags 0x0001; they must be 0 (no encryption, no data "
                   "descriptor, no UTF-8 mark)")}},
        {"a data descriptor",
         base,
         [](TestArchive &a) { a.PutBoth16(2, kFlags, 0x0008); },
         {ForEntry("notes.txt",
                   "general-purpose flags 0x0008; they must be 0 (no encryption, no data "
                   "descriptor, no UTF-8 mark)")}},
        {"names marked as UTF-8",
         base,
         [](TestArchive &a) { a.PutBoth16(0, kFlags, 0x0800); },
         {ForEntry("Morvena.exe",
                   "general-purpose flags 0x0800; they must be 0 (no encryption, no data "
                   "descriptor, no UTF-8 mark)")}},
        {"local flags that differ",
         base,
         [](TestArchive &a) { a.Put16(a.local[1] + kFlags, 0x0008); },
         {ForEntry("readme.txt", "its local header gives general-purpose flags 0x8 where the "
                                 "central record gives 0x0")}},
        {"a local method that differs",
         base,
         [](TestArchive &a) { a.Put16(a.local[1] + kMethod, 8); },
         {ForEntry("readme.txt",
                   "its local header gives method 8 where the central record gives 0")}},
        {"a local CRC-32 that differs",
         base,
         [](TestArchive &a) { a.Put32(a.local[1] + kCrc, Crc32("hello") ^ 1); },
         {ForEntry("readme.txt", "its local header gives CRC-32 0x" + Hex(Crc32("hello") ^ 1) +
                                     " where the central record gives 0x" + Hex(Crc32("hello")))}},
        {"a local compressed size that differs",
         base,
         [](TestArchive &a) { a.Put32(a.local[1] + kCompressedSize, 4); },
         {ForEntry("readme.txt",
                   "its local header gives compressed size 4 where the central record gives 5")}},
        {"a local size that differs",
         base,
         [](TestArchive &a) { a.Put32(a.local[1] + kSize, 6); },
         {ForEntry("readme.txt",
                   "its local header gives size 6 where the central record gives 5")}},
        {"a local name length that differs",
         base,
         [](TestArchive &a) { a.Put16(a.local[1] + kNameLength, 9); },
         {ForEntry("readme.txt",
                   "its local header gives name length 9 where the central record gives 10")}},
        {"no local header where the central record points",
         base,
         [](TestArchive &a) { a.bytes[a.local[1] + 3] = 0; },
         {ForEntry("readme.txt",
                   "has no local file header at offset " + std::to_string(layout.local[1]))}},
        {"a local header offset inside the central directory",
         base,
         [](TestArchive &a) { a.Put32(a.central[2] + 42, static_cast<uint32_t>(a.central[0])); },
         {ForEntry("notes.txt",
                   "has no local file header at offset " + std::to_string(layout.central[0]))}},
        {"data that runs into the central directory",
         base,
         [](TestArchive &a) {
             a.PutBoth32(1, kCompressedSize, 500);
             a.PutBoth32(1, kSize, 500);
         },
         {ForEntry("readme.txt", "its data (500 bytes at offset " + std::to_string(layout.data[1]) +
                                     ") runs into the central directory")}},
        {"stored data whose sizes differ",
         base,
         [](TestArchive &a) { a.PutBoth32(1, kSize, 6); },
         {ForEntry("readme.txt", "is stored, but its compressed size 5 differs from its size 6")}},
        {"stored data that does not match its CRC-32",
         base,
         [](TestArchive &a) { a.bytes[a.data[1]] = 'j'; },
         {ForEntry("readme.txt", "its data does not match its CRC-32 (0x" + Hex(Crc32("hello"), 8) +
                                     " recorded, 0x" + Hex(Crc32("jello"), 8) + " found)")}},
        {"damaged deflate data",
         base,
         [](TestArchive &a) { a.bytes[a.data[2]] = 0xFF; },
         {ForEntry("notes.txt", "its deflate data is damaged or cut short")}},
        {"deflate data that unpacks to fewer bytes than recorded",
         base,
         [](TestArchive &a) { a.PutBoth32(2, kSize, 24); },
         {ForEntry("notes.txt", "its deflate data unpacks to 23 bytes, not the 24 recorded")}},
        {"deflate data that unpacks to more bytes than recorded",
         base,
         [](TestArchive &a) { a.PutBoth32(2, kSize, 22); },
         {ForEntry("notes.txt",
                   "its deflate data unpacks to more than 22 bytes, not the 22 recorded")}},

        {"a folder name without the folder attribute",
         {kApplication, File("docs/", "")},
         none,
         {ForEntry("docs/", "ends in \"/\" but lacks the folder attribute 0x10")}},
        {"a folder with only the Unix directory bit",
         {kApplication, WithAttributes("docs/", 0x41ED0000)},
         none,
         {ForEntry("docs/", "ends in \"/\" but lacks the folder attribute 0x10")}},
        {"the folder attribute on a name without \"/\"",
         {kApplication, WithAttributes("docs", 0x10)},
         none,
         {ForEntry("docs",
                   "has a folder attribute (0x00000010) but its name does not end in \"/\"")}},
        {"the Unix directory bit on a name without \"/\"",
         {kApplication, WithAttributes("docs", 0x41ED0000)},
         none,
         {ForEntry("docs",
                   "has a folder attribute (0x41ED0000) but its name does not end in \"/\"")}},
        {"a file whose folder has no entry",
         {kApplication, File("docs/a.txt")},
         none,
         {ForEntry("docs/a.txt", "its folder \"docs/\" has no entry before it")}},
        {"a file before its folder",
         {kApplication, File("docs/a.txt"), Folder("docs/")},
         none,
         {ForEntry("docs/a.txt", "its folder \"docs/\" has no entry before it")}},
        {"a nested folder without an entry",
         {kApplication, Folder("docs/"), File("docs/sub/a.txt")},
         none,
         {ForEntry("docs/sub/a.txt", "its folder \"docs/sub/\" has no entry before it")}},
        {"a nested folder before its parent",
         {kApplication, Folder("docs/sub/"), Folder("docs/")},
         none,
         {ForEntry("docs/sub/", "its folder \"docs/\" has no entry before it")}},
        // D9 59 and D9 79 are two characters; folding the case of a trail
        // byte would make them one.
        {"a folder whose trail byte differs in ASCII case",
         {kApplication, Folder("\xd9\x59/"), File("\xd9\x79/a.txt")},
         none,
         {ForEntry("\xd9\x79/a.txt", "its folder \"賧/\" has no entry before it")}},
        {"a folder over a file of the same name",
         {kApplication, File("docs"), Folder("DOCS/")},
         none,
         {ForEntry("DOCS/", "a file \"docs\" of the same name comes before it")}},
        {"a file over a folder of the same name",
         {kApplication, Folder("docs/"), File("Docs")},
         none,
         {ForEntry("Docs", "a folder \"docs/\" of the same name comes before it")}},
        {"no application",
         {File("readme.txt")},
         none,
         {ForArchive("has no file \"Morvena.exe\" at its root")}},
        {"the application below the root",
         {Folder("bin/"), File("bin/Morvena.exe")},
         none,
         {ForArchive("has no file \"Morvena.exe\" at its root")}},
        {"the application's name on a folder",
         {Folder("Morvena.exe/")},
         none,
         {ForArchive("has no file \"Morvena.exe\" at its root")}},
        {"b.zip at the root",
         {kApplication, File("B.Zip")},
         none,
         {ForEntry("B.Zip",
                   "is named b.zip at the root, the file that the archive is unpacked from")}},
        {"a folder b.zip at the root",
         {kApplication, Folder("b.zip/")},
         none,
         {ForEntry("b.zip/",
                   "is named b.zip at the root, the file that the archive is unpacked from")}},
        {"a name that climbs out",
         {kApplication, File("../evil.txt")},
         none,
         {ForEntry("../evil.txt", "has a \"..\" part")}},
        {"a name too long for the installation folder",
         {kApplication, File(std::string(245, 'n'))},
         none,
         {ForEntry(std::string(245, 'n'),
                   "with \"C:\\WINDOWS\\ten\\\" in front it is 260 bytes long; it "
                   "must stay below 260")}},
    };
}

TEST(PayloadRules, RefusesEachBrokenRuleWithItsMessage) {
    for (const BadArchive &bad : BadArchives()) {
        SCOPED_TRACE(bad.what);
        TestArchive archive = BuildArchive(bad.entries);
        bad.breakIt(archive);
        EXPECT_EQ(Check(archive), bad.expected);
    }
}

TEST(PayloadRules, EntryNames) {
    const struct {
        std::string name;
        std::vector<std::string> expected;
    } cases[] = {
        {"readme.txt", {}},
        {"docs/", {}},
        {"docs/a.txt", {}},
        {"v1..2.txt", {}},
        {"..a", {}},
        {" leading blank.txt", {}},
        {"a.b.c", {}},
        {"\x9c\x5c.txt", {}}, // 淺: trail byte 0x5C
        {"\x81\x7c.txt", {}}, // 亅: trail byte 0x7C, which is "|" alone
        {"\x80.txt", {}},     // the euro sign of code page 936
        {"CONSOLE.txt", {}},
        {"COM0", {}},
        {"LPT10.log", {}},
        {"con2.txt", {}},
        {std::string(244, 'n'), {}},

        {"", {"has an empty name"}},
        {std::string("a\0b.txt", 7), {"its name holds a NUL byte"}},
        {"\x81",
         {"is not code page 936 text (the byte 0x81 at offset 0 begins no double-byte character)"}},
        {"a\x81/b",
         {"is not code page 936 text (the byte 0x81 at offset 1 begins no double-byte character)"}},
        {"\xff.txt", {"is not code page 936 text (the byte 0xFF at offset 0)"}},
        {"/x.txt", {"begins with \"/\" or \"\\\""}},
        {"\\x.txt", {"begins with \"/\" or \"\\\""}},
        {"C:x.txt", {"begins with a drive letter"}},
        {"c:/x.txt", {"begins with a drive letter"}},
        {"ab:c.txt", {"holds \":\""}},
        {"docs\\a.txt",
         {"holds a \"\\\" outside a double-byte character; names use \"/\" between folder and "
          "file"}},
        {"a|b.txt", {"holds the character \"|\", which Windows does not allow in names"}},
        {"a?b", {"holds the character \"?\", which Windows does not allow in names"}},
        {"a*b", {"holds the character \"*\", which Windows does not allow in names"}},
        {"a<b", {"holds the character \"<\", which Windows does not allow in names"}},
        {"a>b", {"holds the character \">\", which Windows does not allow in names"}},
        {"a\"b", {"holds the character \"\\\"\", which Windows does not allow in names"}},
        {"a\x01"
         "b",
         {"holds the character \"\\x01\", which Windows does not allow in names"}},
        {"../x.txt", {"has a \"..\" part"}},
        {"docs/../../x.txt", {"has a \"..\" part"}},
        {"docs/..", {"has a \"..\" part"}},
        {"./x.txt", {"has a \".\" part"}},
        {"a//b.txt", {"has an empty part (two \"/\" in a row)"}},
        {"docs//", {"has an empty part (two \"/\" in a row)"}},
        {"name.", {"has a part \"name.\" that ends in \".\" or a blank, which Windows drops"}},
        {"name ", {"has a part \"name \" that ends in \".\" or a blank, which Windows drops"}},
        {"dir./x.txt", {"has a part \"dir.\" that ends in \".\" or a blank, which Windows drops"}},
        {"CON", {"has a part \"CON\" that is a reserved device name"}},
        {"con.txt", {"has a part \"con.txt\" that is a reserved device name"}},
        {"docs/aux.tar.gz", {"has a part \"aux.tar.gz\" that is a reserved device name"}},
        {"Lpt1/a.txt", {"has a part \"Lpt1\" that is a reserved device name"}},
        {"COM9.log", {"has a part \"COM9.log\" that is a reserved device name"}},
        {"NUL .txt", {"has a part \"NUL .txt\" that is a reserved device name"}},
        {std::string(245, 'n'),
         {"with \"C:\\WINDOWS\\ten\\\" in front it is 260 bytes long; it must stay below 260"}},
        {"ab:c/../d|e",
         {"holds \":\"", "holds the character \"|\", which Windows does not allow in names",
          "has a \"..\" part"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("name \"" + c.name + "\"");
        EXPECT_EQ(CheckEntryName(c.name), c.expected);
    }
}

// A hostile file must give problems, never a crash: every cut of a valid
// archive, and every byte of it changed in turn.
TEST(PayloadRules, SurvivesDamagedArchives) {
    const TestArchive archive =
        BuildArchive({kApplication, Folder("docs/"), File("docs/readme.txt", "hello"),
                      Deflated("notes.txt", "notes notes notes notes")});
    for (size_t size = 0; size < archive.bytes.size(); ++size) {
        SCOPED_TRACE("cut to " + std::to_string(size) + " bytes");
        EXPECT_FALSE(CheckArchiveBytes(archive.bytes.data(), size).empty());
    }
    for (size_t at = 0; at < archive.bytes.size(); ++at) {
        for (unsigned char value : {0x00, 0xFF, 0x7F}) {
            std::vector<unsigned char> bytes = archive.bytes;
            bytes[at] = value;
            CheckArchiveBytes(bytes.data(), bytes.size());
        }
    }
}

TEST(PayloadRules, ChecksTheFileBeforeReadingIt) {
    TempFolder temp("payload_rules");
    EXPECT_EQ(CheckArchiveFile(temp.Path("missing.zip")),
              std::vector<Problem>{ForArchive("cannot be read: No such file or directory")});

    // Sparse, so the test writes nothing of its 2 GiB.
    std::string large = temp.Path("large.zip");
    FILE *file = std::fopen(large.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(ftruncate(fileno(file), 2147483648LL), 0);
    std::fclose(file);
    EXPECT_EQ(CheckArchiveFile(large),
              std::vector<Problem>{
                  ForArchive("holds 2147483648 bytes; the installer carries at most 2147483647")});

    std::string good = temp.Path("good.zip");
    TestArchive archive = BuildArchive({kApplication});
    file = std::fopen(good.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(archive.bytes.data(), 1, archive.bytes.size(), file);
    std::fclose(file);
    EXPECT_EQ(CheckArchiveFile(good), std::vector<Problem>{});
}

TEST(PayloadRules, FormatsOneLinePerProblem) {
    EXPECT_EQ(FormatProblem("app.zip", ForArchive("has no file \"Morvena.exe\" at its root")),
              "app.zip: has no file \"Morvena.exe\" at its root");
    // Names are code page 936; the line is UTF-8, with what does not convert
    // shown as escapes.
    EXPECT_EQ(FormatProblem("app.zip", ForEntry("\xd7\xca\xd4\xb4/\x9c\x5c.txt", "rule")),
              "app.zip: entry \"资源/淺.txt\": rule");
    EXPECT_EQ(FormatProblem("app.zip", ForEntry(std::string("a\0\xff\\\"", 5), "rule")),
              "app.zip: entry \"a\\x00\\xFF\\\\\\\"\": rule");
}

} // namespace
} // namespace payload
