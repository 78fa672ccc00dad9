// The default payload: the checker accepts it, every run gives the same
// bytes, and a second reader (minizip's unzip) sees the shape it should have.
#include "payload_rules.h"
#include "payload_writer.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <unzip.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace payload {
namespace {

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Stands in for the application: any bytes will do.
const std::string kApplication = "MZ\x90 a stand-in for Morvena.exe " + std::string(3000, 'A');

class DefaultPayload : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteAll(temp.Path("Morvena.exe"), kApplication);
        std::string error;
        ASSERT_TRUE(WriteDefaultPayload(temp.Path("Morvena.exe"), temp.Path("payload.zip"), error))
            << error;
    }
    TempFolder temp{"payload_writer"};
};

TEST_F(DefaultPayload, MeetsEveryRuleOfTheChecker) {
    std::vector<Problem> problems = CheckArchiveFile(temp.Path("payload.zip"));
    for (const Problem &problem : problems)
        ADD_FAILURE() << FormatProblem("payload.zip", problem);
}

TEST_F(DefaultPayload, IsTheSameOnEveryRun) {
    std::string error;
    ASSERT_TRUE(WriteDefaultPayload(temp.Path("Morvena.exe"), temp.Path("again.zip"), error))
        << error;
    EXPECT_TRUE(ReadAll(temp.Path("payload.zip")) == ReadAll(temp.Path("again.zip")));
}

// The shape of the archive that the installer was made for, as minizip's
// reader sees it, so that tests and benchmarks run on realistic data.
TEST_F(DefaultPayload, HasTheShapeOfTheShippedArchive) {
    unzFile zip = unzOpen64(temp.Path("payload.zip").c_str());
    ASSERT_NE(zip, nullptr);
    unz_global_info64 global;
    ASSERT_EQ(unzGetGlobalInfo64(zip, &global), UNZ_OK);
    EXPECT_EQ(global.size_comment, 0u);

    int folders = 0, stored = 0, nonAscii = 0;
    bool trailByte5C = false;
    uint64_t unpacked = 0;
    std::string application;
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz_file_info64 info;
        char nameBuffer[260];
        ASSERT_EQ(unzGetCurrentFileInfo64(zip, &info, nameBuffer, sizeof nameBuffer, nullptr, 0,
                                          nullptr, 0),
                  UNZ_OK);
        std::string name(nameBuffer);
        SCOPED_TRACE(name);
        EXPECT_EQ(info.version, 20u);
        EXPECT_EQ(info.flag, 0u);
        EXPECT_EQ(info.size_file_extra, 0u);
        EXPECT_EQ(info.size_file_comment, 0u);
        EXPECT_TRUE(info.compression_method == 0 || info.compression_method == 8);

        bool folder = name.back() == '/';
        EXPECT_EQ(info.external_fa, folder ? 0x10u : 0x20u);
        size_t slashes = std::count(name.begin(), name.end(), '/');
        EXPECT_LE(slashes, 1u) << "nothing deeper than one folder";
        if (folder) {
            ++folders;
            EXPECT_EQ(info.uncompressed_size, 0u);
        }
        if (info.compression_method == 0)
            ++stored;
        unpacked += info.uncompressed_size;
        bool wide = false;
        for (size_t i = 0; i < name.size(); ++i) {
            if (static_cast<unsigned char>(name[i]) >= 0x80) {
                wide = true;
                trailByte5C |= i + 1 < name.size() && name[i + 1] == '\\';
                ++i;
            }
        }
        nonAscii += wide;

        // Reading every entry through also checks its CRC-32.
        ASSERT_EQ(unzOpenCurrentFile(zip), UNZ_OK);
        std::string data(info.uncompressed_size, '\0');
        if (!data.empty()) {
            ASSERT_EQ(unzReadCurrentFile(zip, &data[0], static_cast<unsigned>(data.size())),
                      static_cast<int>(data.size()));
        }
        EXPECT_EQ(unzCloseCurrentFile(zip), UNZ_OK);
        if (name == "Morvena.exe")
            application = data;
    }
    EXPECT_EQ(global.number_entry, 77u);
    EXPECT_EQ(folders, 2);
    EXPECT_EQ(stored, 14);
    EXPECT_EQ(nonAscii, 23);
    EXPECT_TRUE(trailByte5C) << "a name whose trail byte is 0x5C";
    EXPECT_TRUE(application == kApplication);
    unzClose(zip);

    // About 5.2 MB packed and 8.4 MB unpacked, with the real application's
    // few hundred kilobytes on top of the stand-in.
    uint64_t packed = std::filesystem::file_size(temp.Path("payload.zip"));
    EXPECT_GT(packed, 5000000u);
    EXPECT_LT(packed, 5500000u);
    EXPECT_GT(unpacked, 8100000u);
    EXPECT_LT(unpacked, 8700000u);
}

TEST(PayloadWriter, ReportsWhatCannotBeDone) {
    TempFolder temp("payload_writer");
    std::string error;
    EXPECT_FALSE(WriteDefaultPayload(temp.Path("missing.exe"), temp.Path("payload.zip"), error));
    EXPECT_NE(error.find("missing.exe"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(temp.Path("payload.zip")));

    error.clear();
    EXPECT_FALSE(WriteArchive(temp.Path("no/such/folder.zip"), {}, error));
    EXPECT_NE(error.find("folder.zip"), std::string::npos) << error;
}

} // namespace
} // namespace payload
