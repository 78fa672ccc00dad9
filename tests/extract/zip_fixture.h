// Tiny ZIP archives made in the test: stored or deflated entries with any
// name bytes, attributes, flags, method, extra fields, CRC and sizes, and the
// local header and central record each open to change on their own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zip_fixture {

// Fields shared by a local header and a central record.
struct RecordFields {
    uint32_t signature = 0;
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosDateTime = 0; // date in the upper 16 bits, time in the lower
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    std::string extra;
    int32_t extraLength = -1; // the length field; -1: that of extra
};

// Unix regular file rw-r--r-- (owner may write): Windows attributes normal.
constexpr uint32_t kUnixFile = 0x81A40000;
// Unix directory rwxr-xr-x with the MS-DOS directory bit.
constexpr uint32_t kUnixFolder = 0x41ED0010;

uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second);

struct Entry {
    std::string name;
    std::string content; // the unpacked bytes
    uint16_t method = 8; // 0 and 8 are packed; any other stores content as it is
    uint32_t externalAttributes = kUnixFile;
    uint32_t dosDateTime = DosDateTime(2021, 6, 15, 10, 30, 20);
    uint16_t flags = 0;
    bool dataDescriptor = false; // sizes and CRC after the data (flag bit 3)
    std::string localExtra;
    std::string centralExtra;
    bool rawData = false; // write data as the entry's stored bytes
    std::string data;
    // Run last, on the fields as they would be written.
    std::function<void(RecordFields &)> editLocal;
    std::function<void(RecordFields &)> editCentral;
};

Entry File(const std::string &name, const std::string &content, uint16_t method = 8);
Entry Folder(const std::string &name);

struct Layout {
    std::string prefix;      // bytes before the first local header (offsets count them)
    int endRecordCount = -1; // entries named by the end record; -1: the true number
};

std::string Build(const std::vector<Entry> &entries, const Layout &layout = Layout());

std::string Deflate(const std::string &bytes);
uint32_t Crc32(const std::string &bytes);

// An extended timestamp ("UT") block: flags, then the times given.
std::string UtBlock(uint8_t flags, const std::vector<int32_t> &times);
std::string ExtraBlock(uint16_t id, const std::string &data);

// Bytes that deflate well and do not repeat in a short period.
std::string SampleBytes(size_t size, uint32_t seed);

} // namespace zip_fixture
