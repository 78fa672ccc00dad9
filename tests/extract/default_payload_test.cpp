// The default payload archive as the installer unpacks it: into a folder
// that holds the archive itself, first empty, then over an earlier result.
// The expectations come from the archive as minizip reads it.
#include "extract_test_util.h"

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <algorithm>

#ifndef MORVENA_PAYLOAD_ZIP
#error "MORVENA_PAYLOAD_ZIP must name the default payload archive"
#endif

namespace {

using namespace extract_test;
using testing_support::ScratchFolder;

struct PayloadEntry {
    std::string name; // with "\" for "/"
    bool folder;
    std::string data;
    uint32_t dosDateTime;
};

std::vector<PayloadEntry> ReadPayload(const std::string &path) {
    std::vector<PayloadEntry> entries;
    unzFile zip = unzOpen(path.c_str());
    if (!zip)
        return entries;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        unz_file_info info;
        char name[1024];
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        PayloadEntry entry;
        entry.name = name;
        entry.folder = !entry.name.empty() && entry.name.back() == '/';
        std::replace(entry.name.begin(), entry.name.end(), '/', '\\');
        entry.dosDateTime = static_cast<uint32_t>(info.dosDate);
        if (!entry.folder && unzOpenCurrentFile(zip) == UNZ_OK) {
            char piece[65536];
            int got;
            while ((got = unzReadCurrentFile(zip, piece, sizeof piece)) > 0)
                entry.data.append(piece, static_cast<size_t>(got));
            unzCloseCurrentFile(zip);
        }
        entries.push_back(entry);
    }
    unzClose(zip);
    return entries;
}

class ExtractDefaultPayload : public ::testing::Test {
  protected:
    void SetUp() override {
        payload_ = ReadPayload(testing_support::HostPath(MORVENA_PAYLOAD_ZIP));
        ASSERT_FALSE(payload_.empty()) << MORVENA_PAYLOAD_ZIP;
        target_ = scratch_ / "ten\\";
        ASSERT_TRUE(CreateDirectoryA(target_.c_str(), nullptr));
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(
            testing_support::ReadWholeFile(testing_support::HostPath(MORVENA_PAYLOAD_ZIP), bytes));
        archive_ = target_ + "b.zip";
        ASSERT_TRUE(testing_support::WriteWholeFile(archive_, bytes.data(), bytes.size()));
    }

    int Unpack() { return Extract(archive_, target_); }

    // Every file of the payload comes out byte-identical, with normal
    // attributes and the entry's DOS date and time read as UTC.
    void ExpectUnpacked(const std::vector<size_t> &only = {}) {
        for (size_t k = 0; k < payload_.size(); ++k) {
            if (!only.empty() && std::find(only.begin(), only.end(), k) == only.end())
                continue;
            const PayloadEntry &entry = payload_[k];
            std::string path = target_ + entry.name;
            if (entry.folder) {
                EXPECT_TRUE(IsFolder(path)) << entry.name;
                continue;
            }
            // Times first: reading the file may move its access time.
            FileTimes times = TimesOf(path);
            EXPECT_EQ(Attributes(path), ReportedNormalAttributes()) << entry.name;
            EXPECT_EQ(times.write, DosTicks(entry.dosDateTime)) << entry.name;
            EXPECT_EQ(times.access, DosTicks(entry.dosDateTime)) << entry.name;
            // Wine keeps no creation time of its own (it reports the write time).
            if (!testing_support::RunningUnderWine()) {
                EXPECT_EQ(times.creation, DosTicks(entry.dosDateTime)) << entry.name;
            }
            EXPECT_TRUE(Contents(path) == entry.data) << entry.name;
        }
    }

    // Replaces every file's contents with a marker and gives it attributes
    // that a plain create-always would trip over.
    void Spoil() {
        const DWORD kinds[] = {
            FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
        size_t n = 0;
        for (const PayloadEntry &entry : payload_) {
            if (entry.folder)
                continue;
            std::string path = target_ + entry.name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ASSERT_TRUE(testing_support::WriteWholeFile(path, "stale", 5)) << entry.name;
            SetFileAttributesA(path.c_str(), kinds[n++ % 4]);
        }
    }

    ScratchFolder scratch_{"payload"};
    std::vector<PayloadEntry> payload_;
    std::string target_;
    std::string archive_;
};

TEST_F(ExtractDefaultPayload, UnpacksIntoAnEmptyFolder) {
    EXPECT_EQ(Unpack(), 1);
    ExpectUnpacked();
    std::vector<std::string> expected = {"b.zip"};
    for (const PayloadEntry &entry : payload_)
        expected.push_back(entry.name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListTree(scratch_ / "ten"), expected);
}

TEST_F(ExtractDefaultPayload, SecondUnpackRewritesEveryFileWhateverItsAttributes) {
    ASSERT_EQ(Unpack(), 1);
    Spoil();
    EXPECT_EQ(Unpack(), 1);
    ExpectUnpacked();
}

// A file held open without sharing, as the installed program holds its own
// file while it runs: the entries before it are rewritten, it and the ones
// after it are left as they were.
TEST_F(ExtractDefaultPayload, FileHeldOpenWithoutSharingStopsTheWalkThere) {
    ASSERT_EQ(Unpack(), 1);
    std::vector<size_t> files;
    for (size_t k = 0; k < payload_.size(); ++k)
        if (!payload_[k].folder)
            files.push_back(k);
    for (size_t held : {files.front(), files[files.size() / 2], files.back()}) {
        Spoil();
        std::string heldPath = target_ + payload_[held].name;
        SetFileAttributesA(heldPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        HANDLE file = CreateFileA(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << payload_[held].name;
        int result = Unpack();
        CloseHandle(file);
        EXPECT_EQ(result, 0) << payload_[held].name;
        std::vector<size_t> before;
        for (size_t k = 0; k < held; ++k)
            before.push_back(k);
        if (!before.empty())
            ExpectUnpacked(before);
        for (size_t k = held; k < payload_.size(); ++k) {
            if (!payload_[k].folder) {
                EXPECT_EQ(Contents(target_ + payload_[k].name), "stale") << payload_[k].name;
            }
        }
    }
}

} // namespace
