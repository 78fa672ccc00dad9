// The walk over the entries: what stops it, with which result, and what is
// on disk afterwards. Most cases put the entry under test between two good
// ones: the one before must be written, the one after must not.
#include "extract_test_util.h"
#include "zip_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace extract_test;
using testing_support::ScratchFolder;
using zip_fixture::Build;
using zip_fixture::Entry;
using zip_fixture::File;
using zip_fixture::Folder;
using zip_fixture::RecordFields;
using Tree = std::vector<std::string>;

// The archive a.zip in scratch holds before.txt, middle, after.txt; the
// target scratch\x\y\out exists (empty) when prepare runs. Escapes up to
// scratch show in its tree.
struct Sandwich {
    ScratchFolder scratch{"walk"};
    std::string target = scratch / "x\\y\\out";

    int Run(const Entry &middle, const std::function<void(const std::string &)> &prepare = {}) {
        std::string archive = WriteArchive(
            scratch, "a.zip", Build({File("before.txt", "b4"), middle, File("after.txt", "af")}));
        CreateDirectoryA((scratch / "x").c_str(), nullptr);
        CreateDirectoryA((scratch / "x\\y").c_str(), nullptr);
        CreateDirectoryA(target.c_str(), nullptr);
        if (prepare)
            prepare(target);
        return Extract(archive, target);
    }
    Tree Outside() const {
        Tree tree = ListTree(scratch.Path());
        const std::string inside = "x\\y\\out\\";
        Tree outside;
        for (const std::string &path : tree)
            if (path.compare(0, inside.size(), inside) != 0 || path == inside)
                outside.push_back(path);
        return outside;
    }
};

const Tree kNothingOutside = {"a.zip", "x\\", "x\\y\\", "x\\y\\out\\"};

Entry WithLocal(Entry entry, std::function<void(RecordFields &)> edit) {
    entry.editLocal = std::move(edit);
    return entry;
}

Entry WithBoth(Entry entry, const std::function<void(RecordFields &)> &edit) {
    entry.editLocal = edit;
    entry.editCentral = edit;
    return entry;
}

TEST(ExtractWalk, AllEntriesWrittenAnswersOne) {
    Sandwich s;
    EXPECT_EQ(s.Run(File("middle.txt", "mid", 0)), 1);
    EXPECT_EQ(ListTree(s.target), Tree({"after.txt", "before.txt", "middle.txt"}));
    EXPECT_EQ(Contents(s.target + "\\middle.txt"), "mid");
    EXPECT_EQ(Contents(s.target + "\\after.txt"), "af");
}

// Each refused name ends the walk with 0, and nothing lands outside the
// target folder or under a name other than the stored one.
TEST(ExtractWalk, NamesThatLeaveTheTargetOrChangeOnTheWayAreRefused) {
    struct {
        std::string name;
        bool folder;
    } const cases[] = {
        {"../evil.txt", false},
        {"..\\evil.txt", false},
        {"sub/../../evil.txt", false},
        {"sub/../../../../evil.txt", false},
        {"../up/", true},
        {"/evil.txt", false},
        {"\\evil.txt", false},
        {"C:/evil.txt", false},
        {"evil.txt:stream", false},
        {"evil.txt.", false},
        {"evil.txt ", false},
        {"sub./evil.txt", false},
        {"sub//evil.txt", false},
        {"NUL", false},
        {"con.txt", false},
        {"sub/aux.log", false},
        {"LPT1/", true},
        {"a\x9C/evil.txt", false}, // the lead byte would swallow the "/"
    };
    for (const auto &c : cases) {
        Sandwich s;
        Entry middle = c.folder ? Folder(c.name) : File(c.name, "evil");
        EXPECT_EQ(s.Run(middle), 0) << c.name;
        EXPECT_EQ(ListTree(s.target), Tree({"before.txt"})) << c.name;
        EXPECT_EQ(s.Outside(), kNothingOutside) << c.name;
    }
}

TEST(ExtractWalk, NamesAndPathsThatDoNotFitAreRefused) {
    // minizip would cut a long name in the 260-byte buffer and the cut name
    // would be written.
    {
        Sandwich s;
        EXPECT_EQ(s.Run(File(std::string(260, 'n'), "long")), 0);
        EXPECT_EQ(ListTree(s.target), Tree({"before.txt"}));
    }
    // A NUL inside the stored name would make it read as "a".
    {
        Sandwich s;
        EXPECT_EQ(s.Run(File(std::string("a\0b.txt", 7), "nul")), 0);
        EXPECT_EQ(ListTree(s.target), Tree({"before.txt"}));
    }
    // Output paths of 259 bytes fit, 260 do not.
    for (size_t length : {259u, 260u}) {
        Sandwich s;
        size_t nameLength = length - s.target.size() - 1;
        ASSERT_LT(nameLength, 256u);
        std::string name(nameLength, 'p');
        EXPECT_EQ(s.Run(File(name, "path")), length < MAX_PATH ? 1 : 0) << length;
        EXPECT_EQ(Contents(s.target + "\\" + name), length < MAX_PATH ? "path" : "<missing>");
    }
}

TEST(ExtractWalk, EncryptedEntryIsNotWrittenAsPlain) {
    Sandwich s;
    Entry middle = File("secret.txt", "looks plain", 0);
    middle.flags = 0x0001;
    EXPECT_EQ(s.Run(middle), 0);
    EXPECT_EQ(ListTree(s.target), Tree({"before.txt"}));
}

// minizip's own test passes sizes of 0xFFFFFFFF and method 12; the local
// header must agree field by field, and every entry below the central
// directory's count must be written for the walk to succeed.
TEST(ExtractWalk, LocalHeaderThatDisagreesOrUnknownMethodAnswersZero) {
    const Entry base = File("middle.txt", "middle contents");
    struct {
        const char *what;
        Entry entry;
    } const cases[] = {
        {"signature", WithLocal(base, [](RecordFields &f) { f.signature = 0x04034b51; })},
        {"method", WithLocal(base, [](RecordFields &f) { f.method = 0; })},
        {"CRC-32", WithLocal(base, [](RecordFields &f) { f.crc ^= 1; })},
        {"compressed size", WithLocal(base, [](RecordFields &f) { f.compressedSize += 1; })},
        {"uncompressed size", WithLocal(base, [](RecordFields &f) { f.uncompressedSize -= 1; })},
        {"sizes 0xFFFFFFFF", WithLocal(base,
                                       [](RecordFields &f) {
                                           f.compressedSize = 0xFFFFFFFF;
                                           f.uncompressedSize = 0xFFFFFFFF;
                                       })},
        {"name length", WithLocal(base, [](RecordFields &f) { f.nameLength += 1; })},
        {"extra field past the end of the file",
         WithLocal(base, [](RecordFields &f) { f.extraLength = 0xFFFF; })},
        {"method 12 in both", WithBoth(base, [](RecordFields &f) { f.method = 12; })},
        {"method 14 in both", WithBoth(base, [](RecordFields &f) { f.method = 14; })},
        {"method 1 in both", WithBoth(base, [](RecordFields &f) { f.method = 1; })},
    };
    for (const auto &c : cases) {
        Sandwich s;
        EXPECT_EQ(s.Run(c.entry), 0) << c.what;
        EXPECT_EQ(ListTree(s.target), Tree({"before.txt"})) << c.what;
    }
}

TEST(ExtractWalk, SizesInADataDescriptorNeedNotAgree) {
    Sandwich s;
    Entry middle = File("middle.txt", "described after the data");
    middle.dataDescriptor = true;
    EXPECT_EQ(s.Run(middle), 1);
    EXPECT_EQ(Contents(s.target + "\\middle.txt"), "described after the data");
}

TEST(ExtractWalk, OutputFileThatCannotBeCreatedAnswersZero) {
    std::function<void(const std::string &)> folderOfThatName = [](const std::string &target) {
        CreateDirectoryA((target + "\\middle.txt").c_str(), nullptr);
    };
    struct {
        const char *what;
        Entry entry;
        std::function<void(const std::string &)> prepare;
        Tree after;
    } const cases[] = {
        {"its folder is missing", File("sub/middle.txt", "m"), {}, {"before.txt"}},
        {"a folder of that name",
         File("middle.txt", "m"),
         folderOfThatName,
         {"before.txt", "middle.txt\\"}},
    };
    for (const auto &c : cases) {
        Sandwich s;
        EXPECT_EQ(s.Run(c.entry, c.prepare), 0) << c.what;
        EXPECT_EQ(ListTree(s.target), c.after) << c.what;
    }
}

// The installed program, while it runs, holds its file without sharing.
TEST(ExtractWalk, OutputFileInUseAnswersZeroAndStaysAsItWas) {
    Sandwich s;
    HANDLE held = INVALID_HANDLE_VALUE;
    int result = s.Run(File("middle.txt", "new"), [&held](const std::string &target) {
        testing_support::WriteWholeFile(target + "\\middle.txt", "old", 3);
        held = CreateFileA((target + "\\middle.txt").c_str(), GENERIC_READ, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CloseHandle(held);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Contents(s.target + "\\middle.txt"), "old");
    EXPECT_EQ(ListTree(s.target), Tree({"before.txt", "middle.txt"}));
}

// A file of the archive's own name cannot be created while the archive is
// open with read sharing only; the archive stays intact.
TEST(ExtractWalk, OutputPathOfTheOpenArchiveAnswersZero) {
    ScratchFolder scratch("self");
    std::string bytes =
        Build({File("first.txt", "1"), File("b.zip", "overwritten"), File("last.txt", "3")});
    std::string archive = WriteArchive(scratch, "b.zip", bytes);
    EXPECT_EQ(Extract(archive, scratch.Path() + "\\"), 0);
    EXPECT_EQ(Contents(archive), bytes);
    EXPECT_EQ(ListTree(scratch.Path()), Tree({"b.zip", "first.txt"}));
}

// The data that comes out is reported as it is; a file whose data cannot be
// read completely and correctly ends the walk with 0 and stays as written.
TEST(ExtractWalk, DataThatIsCorruptOrShortAnswersZeroAndLeavesThePartialFile) {
    const std::string text = zip_fixture::SampleBytes(40000, 7);
    std::string packed = zip_fixture::Deflate(text);
    Entry garbage = File("middle.txt", text);
    garbage.rawData = true;
    garbage.data = std::string(64, '\xFF');
    Entry cut = File("middle.txt", text);
    cut.rawData = true;
    cut.data = packed.substr(0, packed.size() / 2);
    Entry endsEarly = WithBoth(File("middle.txt", text), [](RecordFields &f) {
        f.uncompressedSize += 100; // the stream ends 100 bytes before this
    });
    Entry storedShort =
        WithBoth(File("middle.txt", text, 0), [](RecordFields &f) { f.uncompressedSize += 1; });
    Entry crc = WithBoth(File("middle.txt", text), [](RecordFields &f) { f.crc ^= 0x80; });
    Entry storedCrc = WithBoth(File("middle.txt", text, 0), [](RecordFields &f) { f.crc += 1; });
    struct {
        const char *what;
        Entry entry;
        bool complete; // the file holds all of text
    } const cases[] = {
        {"corrupt deflate data", garbage, false},
        {"deflate data cut short", cut, false},
        {"deflate stream that ends before the size", endsEarly, true},
        {"stored data shorter than the size", storedShort, true},
        {"CRC-32 mismatch, deflated", crc, true},
        {"CRC-32 mismatch, stored", storedCrc, true},
    };
    for (const auto &c : cases) {
        Sandwich s;
        EXPECT_EQ(s.Run(c.entry), 0) << c.what;
        EXPECT_EQ(ListTree(s.target), Tree({"before.txt", "middle.txt"})) << c.what;
        std::string written = Contents(s.target + "\\middle.txt");
        if (c.complete) {
            EXPECT_EQ(written, text) << c.what;
        } else {
            EXPECT_EQ(written, text.substr(0, written.size())) << c.what;
        }
    }
}

TEST(ExtractWalk, PartialFileKeepsTheEntryAttributes) {
    Sandwich s;
    Entry crc = WithBoth(File("middle.txt", "data"), [](RecordFields &f) { f.crc ^= 1; });
    crc.externalAttributes = 0; // MS-DOS made: read-only
    EXPECT_EQ(s.Run(crc), 0);
    EXPECT_TRUE(Attributes(s.target + "\\middle.txt") & FILE_ATTRIBUTE_READONLY);
}

TEST(ExtractWalk, EntriesLargerThanOnePieceComeOutWhole) {
    Sandwich s;
    const std::string big = zip_fixture::SampleBytes(300000, 3);
    EXPECT_EQ(s.Run(File("big.bin", big)), 1);
    EXPECT_EQ(Contents(s.target + "\\big.bin"), big);
    Sandwich stored;
    EXPECT_EQ(stored.Run(File("big.bin", big.substr(0, 100000), 0)), 1);
    EXPECT_EQ(Contents(stored.target + "\\big.bin"), big.substr(0, 100000));
}

// A folder entry is one by its attributes, not by its name.
TEST(ExtractWalk, FolderEntries) {
    {
        // Taken as a file: its output path ends in "\" and cannot be created.
        Sandwich s;
        EXPECT_EQ(s.Run(File("sub/", "", 0)), 0);
        EXPECT_EQ(ListTree(s.target), Tree({"before.txt"}));
    }
    {
        Sandwich s;
        Entry unixFolder = Folder("sub");
        unixFolder.externalAttributes = 0x41ED0000; // Unix directory type only
        EXPECT_EQ(s.Run(unixFolder), 1);
        EXPECT_TRUE(IsFolder(s.target + "\\sub"));
    }
    {
        // An existing folder, or a file of that name, is left alone.
        Sandwich s;
        EXPECT_EQ(s.Run(Folder("sub/"),
                        [](const std::string &target) {
                            testing_support::WriteWholeFile(target + "\\sub", "file", 4);
                        }),
                  1);
        EXPECT_EQ(Contents(s.target + "\\sub"), "file");
    }
    {
        // Folders get no attributes.
        Sandwich s;
        Entry hidden = Folder("sub/");
        hidden.externalAttributes |= 0x07;
        EXPECT_EQ(s.Run(hidden), 1);
        EXPECT_EQ(Attributes(s.target + "\\sub"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    }
    {
        // Made with every level above it.
        Sandwich s;
        EXPECT_EQ(s.Run(Folder("a/b/c/")), 1);
        EXPECT_TRUE(IsFolder(s.target + "\\a\\b\\c"));
    }
    {
        // Below a file there is no folder to make.
        ScratchFolder scratch("walk");
        std::string archive = WriteArchive(
            scratch, "a.zip", Build({File("a", "file"), Folder("a/b/"), File("after.txt", "af")}));
        EXPECT_EQ(Extract(archive, scratch / "out"), 0);
        EXPECT_EQ(ListTree(scratch / "out"), Tree({"a"}));
    }
}

// With an absolute target no folder is made for a file entry; a relative
// target gets its levels made below the current folder.
TEST(ExtractWalk, FoldersForFileEntriesOnlyBelowARelativeTarget) {
    ScratchFolder scratch("relative");
    const std::string fileFirst = Build({File("d/a.txt", "a"), Folder("d/")});
    const std::string noFolders = Build({File("d/e/a.txt", "a")});
    std::string first = WriteArchive(scratch, "first.zip", fileFirst);
    std::string none = WriteArchive(scratch, "none.zip", noFolders);
    EXPECT_EQ(Extract(first, scratch / "abs1"), 0);
    EXPECT_EQ(ListTree(scratch / "abs1"), Tree());
    EXPECT_EQ(Extract(none, scratch / "abs2"), 0);
    EXPECT_EQ(ListTree(scratch / "abs2"), Tree());

    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
    int relativeFirst = Extract("first.zip", "rel1");
    int relativeNone = Extract("none.zip", "rel2");
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(relativeFirst, 1);
    EXPECT_EQ(ListTree(scratch / "rel1"), Tree({"d\\", "d\\a.txt"}));
    EXPECT_EQ(relativeNone, 1);
    EXPECT_EQ(ListTree(scratch / "rel2"), Tree({"d\\", "d\\e\\", "d\\e\\a.txt"}));
}

TEST(ExtractWalk, TargetWithOrWithoutTrailingBackslashGivesTheSamePaths) {
    ASSERT_EQ(GetACP(), 936u);
    const std::string bytes = Build({Folder("d/"), File("d/a.txt", "a"), File("b.txt", "b")});
    const Tree expected = {"d\\", "d\\a.txt", "b.txt"};
    // 淺 ends in the byte 5C, which is no "\".
    for (const char *folder : {"out", "淺"}) {
        for (const char *ending : {"", "\\"}) {
            ScratchFolder scratch("trail");
            std::string archive = WriteArchive(scratch, "a.zip", bytes);
            std::string target = scratch / folder;
            EXPECT_EQ(Extract(archive, target + ending), 1) << folder << ending;
            Tree tree = ListTree(scratch.Path());
            Tree want = {"a.zip", std::string(folder) + "\\"};
            for (const std::string &path : expected)
                want.push_back(std::string(folder) + "\\" + path);
            std::sort(want.begin(), want.end());
            EXPECT_EQ(tree, want) << folder << ending;
        }
    }
}

TEST(ExtractWalk, DoubleByteNameWithTrailByte5CComesOutIntact) {
    ASSERT_EQ(GetACP(), 936u);
    ScratchFolder scratch("gbk");
    std::string archive =
        WriteArchive(scratch, "a.zip",
                     Build({Folder("淺/"), File("淺/說明.txt", "readme"), File("淺.txt", "top"),
                            Folder("文件/"), File("文件/淺", "deep")}));
    EXPECT_EQ(Extract(archive, scratch / "out"), 1);
    Tree expected = {"文件\\", "文件\\淺", "淺.txt", "淺\\", "淺\\說明.txt"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListTree(scratch / "out"), expected);
    EXPECT_EQ(Contents(scratch / "out\\淺\\說明.txt"), "readme");
    EXPECT_EQ(Contents(scratch / "out\\文件\\淺"), "deep");
}

TEST(ExtractWalk, WrittenFilesEndWithNormalAttributes) {
    ScratchFolder scratch("attr");
    std::vector<Entry> entries;
    const uint32_t externals[] = {0x00000000, 0x00000001, 0x00000002, 0x00000004,
                                  0x00000020, 0x00000027, 0x81240000, 0x81A40000};
    for (uint32_t external : externals) {
        Entry entry = File("f" + std::to_string(external) + ".txt", "x");
        entry.externalAttributes = external;
        entries.push_back(entry);
    }
    std::string archive = WriteArchive(scratch, "a.zip", Build(entries));
    EXPECT_EQ(Extract(archive, scratch / "out"), 1);
    for (const Entry &entry : entries)
        EXPECT_EQ(Attributes(scratch / "out\\" + entry.name), ReportedNormalAttributes())
            << entry.name;
}

// Windows refuses create-always over a read-only file, and over a hidden or
// system one unless the new attributes carry those bits; Wine 8 running as
// root does neither, so there only the outcome is checked, not the refusal.
TEST(ExtractWalk, ExistingFilesAreRewrittenWhateverTheirAttributes) {
    ScratchFolder scratch("over");
    std::string archive =
        WriteArchive(scratch, "a.zip",
                     Build({File("ro.txt", "new ro"), File("hidden.txt", "new hidden"),
                            File("system.txt", "new system"), File("all.txt", "new all", 0)}));
    std::string target = scratch / "out";
    CreateDirectoryA(target.c_str(), nullptr);
    const struct {
        const char *name;
        DWORD attributes;
    } olds[] = {
        {"ro.txt", FILE_ATTRIBUTE_READONLY},
        {"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        {"system.txt", FILE_ATTRIBUTE_SYSTEM},
        {"all.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    };
    for (const auto &old : olds) {
        std::string path = target + "\\" + old.name;
        testing_support::WriteWholeFile(path, "a much longer old text", 22);
        SetFileAttributesA(path.c_str(), old.attributes);
    }
    EXPECT_EQ(Extract(archive, target), 1);
    for (const auto &old : olds) {
        std::string path = target + "\\" + old.name;
        EXPECT_EQ(Contents(path), std::string("new ") + (old.name[0] == 'r'   ? "ro"
                                                         : old.name[0] == 'h' ? "hidden"
                                                         : old.name[0] == 's' ? "system"
                                                                              : "all"))
            << old.name;
        EXPECT_EQ(Attributes(path), ReportedNormalAttributes()) << old.name;
    }
}

} // namespace
