// ZIP archives as records that the campaign can take apart, edit field by
// field and put back together: local headers with their data, central
// records, the end record and the ZIP64 end record with its locator. Lengths
// and offsets are worked out when the archive is written, unless a record
// overrides them with a value of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace robust {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kDescriptorSignature = 0x08074b50;

struct LocalRecord {
    uint32_t signature = kLocalSignature;
    uint16_t version = 20, flags = 0, method = 0;
    uint32_t dosDateTime = 0, crc = 0, compressedSize = 0, uncompressedSize = 0;
    std::string name, extra;
    int32_t nameLength = -1, extraLength = -1; // -1: the true lengths
    std::string data;                          // the entry's bytes as stored
    std::string trailer;                       // a data descriptor after the data, if any
};

struct CentralRecord {
    uint32_t signature = kCentralSignature;
    uint16_t madeBy = 0x0314, version = 20, flags = 0, method = 0;
    uint32_t dosDateTime = 0, crc = 0, compressedSize = 0, uncompressedSize = 0;
    std::string name, extra, comment;
    int32_t nameLength = -1, extraLength = -1, commentLength = -1;
    uint16_t disk = 0, internalAttributes = 0;
    uint32_t externalAttributes = 0;
    int local = -1;         // the local record it points to
    int64_t rawOffset = -1; // an offset of its own instead (32 bits written)
};

struct EndRecord {
    uint16_t disk = 0, centralDisk = 0;
    int32_t countOnDisk = -1, count = -1;         // -1: the number of central records
    int64_t centralSize = -1, centralOffset = -1; // -1: where they are
    std::string comment;
    int32_t commentLength = -1;
};

struct Zip64End {
    bool present = false;
    uint32_t disk = 0, centralDisk = 0;
    int64_t countOnDisk = -1, count = -1, centralSize = -1, centralOffset = -1;
    uint32_t locatorDisk = 0, totalDisks = 1;
    int64_t recordOffset = -1; // in the locator; -1: where the record is
};

struct ZipModel {
    std::string prefix;        // bytes in front of the first local header
    bool prefixCounted = true; // offsets count the prefix (false: a stub shifts them)
    std::vector<LocalRecord> locals;
    std::vector<CentralRecord> centrals;
    Zip64End zip64;
    EndRecord end;
    std::string trailing; // bytes after the end record
};

// Reads a well-formed archive (the campaign's seeds) into records; false
// when it is not one.
bool ParseZip(const std::string &bytes, ZipModel &model);
std::string WriteZip(const ZipModel &model);
// Where WriteZip puts each local record, as its central records count it.
std::vector<uint64_t> LocalOffsets(const ZipModel &model);

// Fields of the records as they lie in the bytes, for edits in place.
enum class FieldKind { Size, Offset, NameLength, ExtraLength, Count, Method, Flags, Other };
struct FieldSpot {
    size_t position; // of the field in the bytes
    int width;       // 2, 4 or 8
    FieldKind kind;
};
// Every field of every record whose signature occurs in the bytes.
std::vector<FieldSpot> FindFields(const std::string &bytes);

uint64_t ReadLe(const std::string &bytes, size_t position, int width);
void WriteLe(std::string &bytes, size_t position, int width, uint64_t value);
void AppendLe(std::string &out, int width, uint64_t value);

// ZIP64 extended information (header ID 1): 64-bit values, in this order,
// for those 32-bit fields that hold 0xFFFFFFFF.
std::string Zip64ExtraBlock(const std::vector<uint64_t> &values);

} // namespace robust
