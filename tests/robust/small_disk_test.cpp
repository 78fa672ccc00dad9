// A full disk: a disk of 2 MB of its own, which the CTest fixture
// small_disk.sh mounts (a tmpfs) and maps as a drive of the Wine prefix,
// filled by unpacking, by writing the archive, and by a whole install. The
// tests skip where the fixture could not mount one.
#include "extract/zip_unit.h"
#include "extract_test_util.h"
#include "installer_session.h"
#include "platform/file_operations.h"
#include "platform_fixtures.h"
#include "test_support.h"
#include "zip_fixture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#ifndef INSTALLER_EXE
#error "INSTALLER_EXE must name MorvenaSetup.exe"
#endif

namespace {

using extract_test::Contents;
using testing_support::ForceRemoveTree;
using testing_support::HostPath;
using testing_support::PathExists;
using testing_support::ScratchFolder;

constexpr size_t kDiskBytes = 2 << 20;

// The drive whose root holds the fixture's mark, as "X:"; empty when none.
std::string SmallDisk() {
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        std::string drive = std::string(1, letter) + ":";
        if (PathExists(drive + "\\.morvena-small-disk"))
            return drive;
    }
    return "";
}

// mebibytes MiB of zeros as raw deflate data: one MiB deflated and flushed
// in full (byte-aligned, with no reference to what came before), repeated,
// then the final block. Its CRC-32 comes from zlib's combination of CRCs.
std::string ZeroBomb(uint32_t mebibytes, uint32_t &crc) {
    const std::string zeros(1 << 20, '\0');
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    std::string piece(deflateBound(&stream, zeros.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.data()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef *>(&piece[0]);
    stream.avail_out = static_cast<uInt>(piece.size());
    deflate(&stream, Z_FULL_FLUSH);
    piece.resize(stream.total_out);
    std::string last(64, '\0');
    stream.next_out = reinterpret_cast<Bytef *>(&last[0]);
    stream.avail_out = static_cast<uInt>(last.size());
    deflate(&stream, Z_FINISH);
    last.resize(stream.total_out - piece.size());
    deflateEnd(&stream);

    uLong pieceCrc =
        crc32(0, reinterpret_cast<const Bytef *>(zeros.data()), static_cast<uInt>(zeros.size()));
    uLong sum = crc32(0, nullptr, 0);
    std::string out;
    for (uint32_t k = 0; k < mebibytes; ++k) {
        out += piece;
        sum = crc32_combine(sum, pieceCrc, static_cast<z_off_t>(zeros.size()));
    }
    crc = static_cast<uint32_t>(sum);
    return out + last;
}

zip_fixture::Entry Bomb() {
    // 4,095 MiB: just below 4 GiB, the most the 32-bit size holds.
    const uint32_t mebibytes = 4095, size = mebibytes << 20;
    uint32_t crc = 0;
    zip_fixture::Entry entry = zip_fixture::File("zeros.bin", "");
    entry.rawData = true;
    entry.data = ZeroBomb(mebibytes, crc);
    auto sizes = [crc, size](zip_fixture::RecordFields &f) {
        f.crc = crc;
        f.uncompressedSize = size;
    };
    entry.editLocal = sizes;
    entry.editCentral = sizes;
    return entry;
}

class RobustSmallDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        disk_ = SmallDisk();
        if (disk_.empty())
            GTEST_SKIP() << "no small disk: its fixture could not mount one here (small_disk.sh)";
        target_ = disk_ + "\\out";
        ForceRemoveTree(target_);
    }
    void TearDown() override {
        if (!disk_.empty())
            ForceRemoveTree(target_);
    }
    std::string disk_, target_;
};

// The walk ends at the entry that does not fit, with 0; the entry before it
// is whole, the partial file stays as far as it got, the entry after it is
// not written.
TEST_F(RobustSmallDisk, UnpackingOntoAFullDiskAnswersZeroAndKeepsThePartialFile) {
    const std::string stored = zip_fixture::SampleBytes(3 << 20, 11);
    const struct {
        const char *what;
        zip_fixture::Entry big;
        std::string expected; // the big entry's bytes, as far as they go
    } cases[] = {
        {"a bomb: 4 GB of zeros from 4 MB", Bomb(), std::string(kDiskBytes, '\0')},
        {"3 MB stored", zip_fixture::File("zeros.bin", stored, 0), stored},
    };
    ScratchFolder scratch("full");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string archive = extract_test::WriteArchive(
            scratch, "a.zip",
            zip_fixture::Build({zip_fixture::File("small.txt", "fits"), c.big,
                                zip_fixture::File("after.txt", "after")}));
        EXPECT_EQ(extract_test::Extract(archive, target_), 0);
        EXPECT_EQ(Contents(target_ + "\\small.txt"), "fits");
        std::string partial = Contents(target_ + "\\zeros.bin");
        EXPECT_GT(partial.size(), 0u);
        EXPECT_LE(partial.size(), kDiskBytes);
        EXPECT_TRUE(partial == c.expected.substr(0, partial.size())) << "the bytes as inflated";
        EXPECT_FALSE(PathExists(target_ + "\\after.txt"));
        ForceRemoveTree(target_);
    }
}

TEST_F(RobustSmallDisk, WritingTheArchiveOntoAFullDiskGivesFalseAndKeepsWhatWasWritten) {
    const std::string bytes = zip_fixture::SampleBytes(3 << 20, 12);
    platform_fixtures::TestBlock block(bytes);
    CreateDirectoryA(target_.c_str(), nullptr);
    const std::string path = target_ + "\\b.zip";
    EXPECT_FALSE(WriteBlocksToFile(path.c_str(), {block.Get()}));
    std::string written = Contents(path);
    EXPECT_LE(written.size(), kDiskBytes);
    EXPECT_TRUE(written == bytes.substr(0, written.size()));
}

// C:\WINDOWS\ten on the small disk: b.zip does not fit, so the archive is
// cut short and cannot be unpacked. The install says so in its title, asks
// both questions, makes the shortcut and ends with 0.
TEST_F(RobustSmallDisk, InstallOntoAFullDiskFailsAndEndsNormally) {
    robust::RemoveInstallation();
    const std::string ten = disk_ + "\\ten";
    CreateDirectoryA(ten.c_str(), nullptr);
    {
        platform_fixtures::FolderLink link(robust::kInstallFolder, ten);
        ASSERT_TRUE(link.Made()) << "could not put C:\\WINDOWS\\ten on the small disk";
        DWORD code = STILL_ACTIVE;
        EXPECT_EQ(robust::Install(HostPath(INSTALLER_EXE), IDNO, IDNO, &code), "安装失败");
        EXPECT_EQ(code, 0u);
        std::string archive = Contents(ten + "\\b.zip");
        std::string payload = Contents(HostPath(PAYLOAD_FILE));
        EXPECT_GT(archive.size(), 0u);
        EXPECT_LT(archive.size(), payload.size());
        EXPECT_TRUE(archive == payload.substr(0, archive.size())) << "b.zip as far as it got";
        EXPECT_TRUE(PathExists(robust::StartMenuFolder() + "\\" + robust::kShortcutName));
    }
    ForceRemoveTree(ten);
    robust::RemoveInstallation();
}

} // namespace
