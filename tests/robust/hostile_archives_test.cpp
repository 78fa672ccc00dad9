// Hostile archives, each with the result it must get, unpacked through the
// campaign's harness: besides the result and the tree in the target, every
// row is held to the campaign's rules (returns, nothing outside the target,
// a 1 only for an archive that reads back whole). The tables of
// tests/extract hold the plainer spellings; these are the ones they lack.
#include "campaign.h"
#include "extract_test_util.h"
#include "zip_fixture.h"
#include "zip_records.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using extract_test::Contents;
using extract_test::ListTree;
using zip_fixture::Build;
using zip_fixture::Entry;
using zip_fixture::File;
using zip_fixture::Folder;
using zip_fixture::RecordFields;
using Tree = std::vector<std::string>;

constexpr DWORD kBound = 60000;

struct Row {
    std::string what;
    std::string bytes;
    int result;
    Tree tree;                           // what the target holds afterwards
    std::vector<std::string> contents{}; // "path=bytes" of files in the tree
};

void RunRows(const std::vector<Row> &rows) {
    robust::Harness harness;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        robust::Verdict verdict = harness.Check(row.bytes, kBound, [&](const std::string &target) {
            Tree tree = ListTree(target);
            Tree want = row.tree;
            std::sort(want.begin(), want.end());
            EXPECT_EQ(tree, want);
            for (const std::string &pair : row.contents) {
                size_t equals = pair.find('=');
                EXPECT_EQ(Contents(target + "\\" + pair.substr(0, equals)), pair.substr(equals + 1))
                    << pair.substr(0, equals);
            }
        });
        EXPECT_EQ(verdict.result, row.result);
        for (const std::string &rule : verdict.broken)
            ADD_FAILURE() << rule;
        ASSERT_TRUE(verdict.returned);
    }
}

// The entry under test between two good ones: the one before is written,
// the one after only when the walk gets past the entry.
std::string Between(const Entry &middle) {
    return Build({File("before.txt", "b4"), middle, File("after.txt", "af")});
}

const Tree kOnlyBefore = {"before.txt"};

Row Refused(const std::string &name, bool folder = false) {
    return {(folder ? "folder " : "file ") + name,
            Between(folder ? Folder(name) : File(name, "evil")), 0, kOnlyBefore};
}

TEST(RobustHostileArchive, DotDotInEverySpelling) {
    RunRows({
        Refused(".."),
        Refused("..", true),
        Refused("../", true),
        Refused("a/..", true),
        Refused("a/../", true),
        Refused("a/../b.txt"),                    // stays inside, but no ".." is taken
        Refused("../../../../../../../../x.txt"), // up to the watched folder itself
        Refused("..\\../x.txt"),
        Refused("..//x.txt"),
        Refused("..."),
        Refused(".../x.txt"),
        Refused(". ./x.txt"),
        Refused(".. /x.txt"),
        Refused(" ../x.txt"),
        Refused("../ "),
        Refused("\x9C\x5C/../../x.txt"), // 淺, its trail byte a "\", then ".."
        // 淺 then "..": one component "淺..", which Windows would write as 淺.
        Refused("\x9C\x5C..\\x.txt"),
        // Names that only look like a climb are plain names below the target.
        {"full-width full stops",
         Build({Folder("．．/"), File("．．/x.txt", "ok")}),
         1,
         {"．．\\", "．．\\x.txt"}},
        {"percent-encoded dots",
         Build({Folder("%2e%2e/"), File("%2e%2e/x.txt", "ok")}),
         1,
         {"%2e%2e\\", "%2e%2e\\x.txt"}},
    });
}

TEST(RobustHostileArchive, AbsoluteDriveStreamAndDeviceNames) {
    RunRows({
        Refused("C:x.txt"),
        Refused("c:\\x.txt"),
        Refused("Z:/x.txt"),
        Refused("//server/share/x.txt"),
        Refused("\\\\?\\C:\\x.txt"),
        Refused("\\\\.\\C:\\x.txt"),
        Refused("/../x.txt"),
        Refused("x.txt::$DATA"),
        Refused(":x.txt"),
        Refused("sub:stream/x.txt"),
        Refused("sub:stream/", true),
        Refused("PRN.tar.gz"),
        Refused("COM9"),
        Refused("com1.txt"),
        Refused("lpt3.log"),
        Refused("AUX "),
        Refused("nul:"),
        Refused("CON/x.txt"),
        Refused("sub/Con/", true),
        {"COM10 is no device",
         Between(File("COM10.txt", "ok")),
         1,
         {"COM10.txt", "after.txt", "before.txt"}},
    });
}

TEST(RobustHostileArchive, NamesTooLongForTheNameBuffer) {
    std::vector<Row> rows;
    for (size_t length : {259u, 300u, 1000u, 65535u})
        rows.push_back({std::to_string(length) + " bytes",
                        Between(File(std::string(length, 'n'), "x")), 0, kOnlyBefore});
    rows.push_back(
        {"300 bytes, a folder", Between(Folder(std::string(299, 'd') + "/")), 0, kOnlyBefore});
    RunRows(rows);
}

// 淺 is 9C 5C and 說 is 90 66 in code page 936; a byte-wise reader would see
// a "\" in every 淺.
TEST(RobustHostileArchive, GbkNamesWhoseTrailByteIs5C) {
    ASSERT_EQ(GetACP(), 936u);
    Entry bare = Folder("淺"); // a folder by its attributes, no "/" after it
    RunRows({
        {"a folder named 淺 without a separator",
         Build({bare, File("淺/a.txt", "a")}),
         1,
         {"淺\\", "淺\\a.txt"},
         {"淺\\a.txt=a"}},
        {"淺 at every level",
         Build({Folder("淺淺/"), Folder("淺淺/淺/"), File("淺淺/淺/淺", "deep")}),
         1,
         {"淺淺\\", "淺淺\\淺\\", "淺淺\\淺\\淺"},
         {"淺淺\\淺\\淺=deep"}},
        {"a trail byte 5C before the folder's own separator",
         Build({Folder("文件淺\\"), File("文件淺\\說明.txt", "x")}),
         1,
         {"文件淺\\", "文件淺\\說明.txt"}},
        {"a folder named as an earlier file, its last trail byte 5C",
         Build({File("文件淺", "file"), Folder("文件淺/"), File("after.txt", "af")}),
         1,
         {"after.txt", "文件淺"},
         {"文件淺=file"}},
        Refused("淺\\..\\x.txt"),
        Refused("淺 /x.txt"),
        Refused("淺./", true),
    });
}

TEST(RobustHostileArchive, DuplicateAndCollidingNames) {
    RunRows({
        {"the same name twice: the later entry is written over the earlier",
         Build({File("a.txt", "first"), File("a.txt", "second")}),
         1,
         {"a.txt"},
         {"a.txt=second"}},
        {"the same name in other letter case",
         Build({File("a.txt", "first"), File("A.TXT", "second")}),
         1,
         {"a.txt"},
         {"a.txt=second"}},
        {"the same path with \"/\" and with \"\\\"",
         Build({Folder("d/"), File("d/a.txt", "first"), File("d\\a.txt", "second")}),
         1,
         {"d\\", "d\\a.txt"},
         {"d\\a.txt=second"}},
        {"the same folder twice",
         Build({Folder("d/"), Folder("d/"), File("d/a.txt", "a")}),
         1,
         {"d\\", "d\\a.txt"}},
        {"a file named as an earlier folder",
         Build({Folder("d/"), File("d", "file"), File("after.txt", "af")}),
         0,
         {"d\\"}},
        {"a file named as an earlier folder, in other letter case",
         Build({Folder("d/"), File("D", "file"), File("after.txt", "af")}),
         0,
         {"d\\"}},
        {"a folder named as an earlier file: the file stays",
         Build({File("d", "file"), Folder("d/"), File("after.txt", "af")}),
         1,
         {"after.txt", "d"},
         {"d=file"}},
    });
}

// The sizes of the entry, in both headers or in the ZIP64 block of its
// central record; the data is that of "hello" (deflated unless stored).
Entry Claiming(const std::function<void(RecordFields &)> &local,
               const std::function<void(RecordFields &)> &central, uint16_t method = 8,
               const std::string &centralExtra = "") {
    Entry entry = File("claim.bin", "hello", method);
    entry.editLocal = local;
    entry.editCentral = central;
    entry.centralExtra = centralExtra;
    return entry;
}

TEST(RobustHostileArchive, EntriesThatClaimFourGigabytes) {
    auto claim4G = [](RecordFields &f) { f.uncompressedSize = 0xFFFFFFFF; };
    auto stored4G = [](RecordFields &f) { f.compressedSize = f.uncompressedSize = 0xFFFFFFFF; };
    auto inDescriptor = [](RecordFields &f) {
        f.flags |= 0x0008;
        f.crc = f.compressedSize = f.uncompressedSize = 0;
    };
    auto zip64 = [](RecordFields &f) { f.uncompressedSize = 0xFFFFFFFF; };
    // 4 GiB and 5 bytes: the low half is the true size, 5.
    std::string over4G = robust::Zip64ExtraBlock({(1ull << 32) + 5});
    std::string exactly5 = robust::Zip64ExtraBlock({5});
    RunRows({
        {"4 GB claimed, deflated: the data ends first",
         Between(Claiming(claim4G, claim4G)),
         0,
         {"before.txt", "claim.bin"},
         {"claim.bin=hello"}},
        {"4 GB claimed, stored: the data runs past the end of the file",
         Between(Claiming(stored4G, stored4G, 0)),
         0,
         {"before.txt", "claim.bin"}},
        {"4 GB and 5 bytes in a ZIP64 block, sizes in a descriptor",
         Between(Claiming(inDescriptor, zip64, 8, over4G)), 0, kOnlyBefore},
        {"4 GB and 5 bytes in a ZIP64 block, stored",
         Between(Claiming(inDescriptor, zip64, 0, over4G)), 0, kOnlyBefore},
        {"5 bytes in a ZIP64 block",
         Between(Claiming({}, zip64, 8, exactly5)),
         1,
         {"after.txt", "before.txt", "claim.bin"},
         {"claim.bin=hello"}},
    });
}

std::string Rewritten(const std::string &bytes,
                      const std::function<void(robust::ZipModel &)> &edit) {
    robust::ZipModel model;
    EXPECT_TRUE(robust::ParseZip(bytes, model));
    edit(model);
    return robust::WriteZip(model);
}

TEST(RobustHostileArchive, OverlappingEntries) {
    const std::string two = Build({File("a.txt", "shared"), File("b.txt", "other")});
    std::string sameHeader = Rewritten(two, [](robust::ZipModel &m) {
        robust::CentralRecord copy = m.centrals[0];
        copy.name = "b.txt";
        m.centrals[1] = copy;
    });
    std::string thousand =
        Rewritten(Build({File("f0000", "one local header")}), [](robust::ZipModel &m) {
            for (int k = 1; k < 1000; ++k) {
                robust::CentralRecord c = m.centrals[0];
                char name[8];
                std::snprintf(name, sizeof name, "f%04d", k);
                c.name = name;
                m.centrals.push_back(c);
            }
        });
    Tree thousandNames;
    for (int k = 0; k < 1000; ++k) {
        char name[8];
        std::snprintf(name, sizeof name, "f%04d", k);
        thousandNames.push_back(name);
    }
    // A whole entry (header and data) stored as the data of another.
    std::string inner = Build({File("inner.txt", "inside")});
    std::string innerEntry = inner.substr(0, inner.find("PK\x01\x02"));
    std::string nested =
        Rewritten(Build({File("outer.bin", innerEntry, 0)}), [&](robust::ZipModel &m) {
            robust::ZipModel innerModel;
            robust::ParseZip(inner, innerModel);
            robust::CentralRecord c = innerModel.centrals[0];
            c.local = -1;
            c.rawOffset = 30 + 9; // past outer.bin's header and name
            m.centrals.push_back(c);
        });
    std::string intoAHeader =
        Rewritten(two, [](robust::ZipModel &m) { m.centrals[1].rawOffset = 1; });
    RunRows({
        {"two central records, one local header",
         sameHeader,
         1,
         {"a.txt", "b.txt"},
         {"a.txt=shared", "b.txt=shared"}},
        {"a thousand central records, one local header", thousand, 1, thousandNames},
        {"an entry inside another entry's data",
         nested,
         1,
         {"inner.txt", "outer.bin"},
         {"inner.txt=inside", "outer.bin=" + innerEntry}},
        {"a local header offset into the middle of another", intoAHeader, 0, {"a.txt"}},
    });
}

TEST(RobustHostileArchive, CentralDirectoryAndEndRecordsOutsideTheFile) {
    const std::string good = Build({File("a.txt", "alpha"), File("b.txt", "beta")});
    auto withEnd = [&](const std::function<void(robust::EndRecord &)> &edit) {
        return Rewritten(good, [&](robust::ZipModel &m) { edit(m.end); });
    };
    auto withCentral = [&](const std::function<void(robust::CentralRecord &)> &edit) {
        return Rewritten(good, [&](robust::ZipModel &m) { edit(m.centrals[1]); });
    };
    std::string longExtra = Rewritten(good, [](robust::ZipModel &m) {
        m.centrals[1].extraLength = 0x4000; // runs past the end record and the file
    });
    std::string zip64Count = Rewritten(good, [](robust::ZipModel &m) {
        m.zip64.present = true;
        m.zip64.count = m.zip64.countOnDisk = (1ll << 32) + 2;
    });
    // The archive twice, end to end: the second copy's offsets do not count
    // the first, and its local header of a.txt holds sizes 0xFFFFFFFF.
    std::string shiftedCopy = Rewritten(good, [](robust::ZipModel &m) {
        m.locals[0].compressedSize = m.locals[0].uncompressedSize = 0xFFFFFFFF;
    });
    std::string shifted = good + shiftedCopy;
    RunRows({
        {"central directory offset past the end of the file",
         withEnd([](robust::EndRecord &e) { e.centralOffset = 0x10000; }),
         0,
         {}},
        {"central directory offset 0xFFFFFFFF",
         withEnd([](robust::EndRecord &e) { e.centralOffset = 0xFFFFFFFF; }),
         0,
         {}},
        {"central directory larger than the file",
         withEnd([](robust::EndRecord &e) { e.centralSize = 0x100000; }),
         0,
         {}},
        {"local header offset past the end of the file",
         withCentral([](robust::CentralRecord &c) { c.rawOffset = 0x10000; }),
         0,
         {"a.txt"}},
        {"local header offset 0xFFFFFFFF without ZIP64",
         withCentral([](robust::CentralRecord &c) { c.rawOffset = 0xFFFFFFFF; }),
         0,
         {"a.txt"}},
        {"end record cut after its signature", good.substr(0, good.size() - 18), 0, {}},
        {"end record without its last byte", good.substr(0, good.size() - 1), 0, {}},
        {"a central record whose extra field runs past the end of the file",
         longExtra,
         0,
         {"a.txt"}},
        {"a ZIP64 end record that counts 4 GiB and 2 entries", zip64Count, 0, {}},
        {"a copy whose offsets do not count what is in front, its local header disagreeing",
         shifted,
         0,
         {}},
    });
}

TEST(RobustHostileArchive, EntryCounts) {
    const std::string three = Build({File("a.txt", "a"), File("b.txt", "b"), File("c.txt", "c")});
    auto counted = [&](int count, int onDisk) {
        return Rewritten(three, [&](robust::ZipModel &m) {
            m.end.count = count;
            m.end.countOnDisk = onDisk;
        });
    };
    // 65,535 entries, the most the end record counts (and minizip's mark of a
    // count that overflowed): the walk must reach the last.
    std::string most =
        Rewritten(Build({Folder("d/"), File("d/last.txt", "last")}), [](robust::ZipModel &m) {
            robust::CentralRecord folder = m.centrals[0];
            m.centrals.insert(m.centrals.begin(), 65533, folder);
        });
    RunRows({
        {"65,535 entries", most, 1, {"d\\", "d\\last.txt"}, {"d\\last.txt=last"}},
        {"65,535 counted, 3 there", counted(65535, 65535), 0, {"a.txt", "b.txt", "c.txt"}},
        {"none counted, 3 there", counted(0, 0), 0, {}},
        {"1 counted, 3 there", counted(1, 1), 0, {}},
        {"2 counted, 3 there", counted(2, 2), 0, {}},
        {"counts on the disk and in all that differ", counted(3, 2), 0, {}},
    });
}

} // namespace
