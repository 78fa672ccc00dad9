// What the walk knows of one entry: its central record, checked against its
// local header, with times from the DOS date and time or the "UT" block.
#include "extract/zip_archive.h"

#include <climits>
#include <cstring>

namespace zip_extract {
namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr uint16_t kFlagSizesInDescriptor = 0x0008;

uint16_t Le16(const unsigned char *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Le32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// DosDateTimeToFileTime accepts some fields that form no date; such an entry
// leaves its file's times as the system set them.
bool IsValidDosDateTime(WORD date, WORD time) {
    int year = 1980 + (date >> 9);
    int month = (date >> 5) & 0x0F;
    int day = date & 0x1F;
    int hour = time >> 11;
    int minute = (time >> 5) & 0x3F;
    int halfSeconds = time & 0x1F;
    static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1)
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int days = kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= days && hour < 24 && minute < 60 && halfSeconds < 30;
}

FILETIME UnixTimeToFileTime(int32_t seconds) {
    // File times count 100 ns from 1601-01-01; Unix times seconds from 1970-01-01.
    const int64_t kSecondsFrom1601To1970 = 11644473600LL;
    uint64_t ticks = static_cast<uint64_t>((seconds + kSecondsFrom1601To1970) * 10000000LL);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

// minizip's own test of the local header lets sizes of 0xFFFFFFFF and method
// 12 pass, so the header is read here as it stands. The entry's data must be
// open (unzOpenCurrentFile): its offset and the local extra field come from it.
bool LocalHeaderAgrees(ZipArchive &archive, const unz_file_info64 &central) {
    int extraLength = unzGetLocalExtrafield(archive.file, nullptr, 0);
    if (extraLength < 0 || !archive.stream)
        return false;
    ZPOS64_T dataOffset = unzGetCurrentFileZStreamPos64(archive.file);
    ZPOS64_T headerBytes = kLocalHeaderSize + central.size_filename + extraLength;
    if (dataOffset < headerBytes || dataOffset - headerBytes > ULONG_MAX)
        return false;
    uLong headerOffset = static_cast<uLong>(dataOffset - headerBytes);

    unsigned char header[kLocalHeaderSize];
    if (!ReadArchiveBytes(archive, headerOffset, header, sizeof header))
        return false;

    uint16_t flags = Le16(header + 6);
    uint16_t method = Le16(header + 8);
    if (Le32(header) != kLocalHeaderSignature || method != central.compression_method ||
        (method != 0 && method != Z_DEFLATED))
        return false;
    if (!(flags & kFlagSizesInDescriptor) &&
        (Le32(header + 14) != central.crc || Le32(header + 18) != central.compressed_size ||
         Le32(header + 22) != central.uncompressed_size))
        return false;
    if (Le16(header + 26) != central.size_filename || Le16(header + 28) != extraLength)
        return false;

    int got = unzGetLocalExtrafield(archive.file, archive.localExtra, sizeof archive.localExtra);
    if (got != extraLength)
        return false;
    archive.localExtraLength = static_cast<size_t>(got);
    return true;
}

} // namespace

uint32_t EntryAttributes(uint32_t external) {
    uint32_t attributes = FILE_ATTRIBUTE_NORMAL;
    if (external & (0x10 | 0x40000000)) // MS-DOS directory, Unix directory type
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (external & 0x20)
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (external & 0x02)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if ((external & 0x01) || !(external & 0x00800000)) // read-only, or no Unix owner-write
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (external & 0x04)
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    return attributes;
}

void ApplyExtendedTimestamp(const unsigned char *extra, size_t length, ZipEntryInfo &info) {
    size_t p = 0;
    while (p + 4 < length) {
        size_t size = Le16(extra + p + 2);
        if (extra[p] != 'U' || extra[p + 1] != 'T') {
            p += 4 + size;
            continue;
        }
        size_t end = p + 4 + size < length ? p + 4 + size : length;
        unsigned char flags = extra[p + 4];
        FILETIME *const times[] = {&info.modificationTime, &info.accessTime, &info.creationTime};
        size_t q = p + 5;
        for (int bit = 0; bit < 3; ++bit) {
            if (!(flags & (1 << bit)))
                continue;
            if (q + 4 > end)
                break; // announced but not there
            *times[bit] = UnixTimeToFileTime(static_cast<int32_t>(Le32(extra + q)));
            q += 4;
        }
        return; // only the first "UT" block counts
    }
}

const ZipEntryInfo *ReadEntryInfo(ZipArchive &archive, int32_t index) {
    if (index < 0 || index >= archive.centralCount)
        return nullptr;
    if (index == archive.cachedIndex)
        return &archive.cached;
    if (!MoveToEntry(archive, index))
        return nullptr;
    archive.cachedIndex = -1;

    ZipEntryInfo &info = archive.cached;
    unz_file_info64 central;
    if (unzGetCurrentFileInfo64(archive.file, &central, info.name, sizeof info.name, nullptr, 0,
                                nullptr, 0) != UNZ_OK)
        return nullptr;
    // ZIP64 sizes of 4 GiB or more do not fit the info, whose 32-bit sizes the
    // walk checks the data against; and minizip checks the CRC-32 only once
    // the 64-bit size has been read, so a cut one would let any data pass.
    if (central.compressed_size > 0xFFFFFFFF || central.uncompressed_size > 0xFFFFFFFF)
        return nullptr;
    // minizip cuts a longer name in the buffer without a NUL, and a NUL inside
    // a name would make it read as a shorter one: either names another file.
    if (central.size_filename >= sizeof info.name ||
        std::strlen(info.name) != central.size_filename)
        return nullptr;

    if (unzOpenCurrentFile(archive.file) != UNZ_OK)
        return nullptr;
    bool agrees = LocalHeaderAgrees(archive, central);
    unzCloseCurrentFile(archive.file); // nothing was read: no verdict to take
    if (!agrees)
        return nullptr;

    info.index = index;
    info.attributes = EntryAttributes(central.external_fa);
    info.compressedSize = static_cast<uint32_t>(central.compressed_size);
    info.uncompressedSize = static_cast<uint32_t>(central.uncompressed_size);
    info.flags = central.flag;
    FILETIME time = {};
    WORD date = static_cast<WORD>(central.dosDate >> 16);
    WORD clock = static_cast<WORD>(central.dosDate & 0xFFFF);
    if (!IsValidDosDateTime(date, clock) || !DosDateTimeToFileTime(date, clock, &time))
        time = FILETIME{};
    info.accessTime = info.creationTime = info.modificationTime = time;
    ApplyExtendedTimestamp(archive.localExtra, archive.localExtraLength, info);

    archive.cachedIndex = index;
    return &info;
}

} // namespace zip_extract
