// The open archive of one ExtractArchive call and the operations on its
// entries: reading what the walk knows of an entry, and writing its data.
#pragma once

#include <minizip/ioapi.h>
#include <minizip/unzip.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace zip_extract {

// Entry data passes through one buffer of this size; minizip reads the
// compressed data in pieces of the same size.
constexpr size_t kDataPieceSize = 16384;

struct ZipEntryInfo {
    int32_t index;       // 0-based position in the central directory
    char name[260];      // as stored, NUL-terminated; at most 259 bytes
    uint32_t attributes; // FILE_ATTRIBUTE_* made from the external attributes
    // Times for the output file; a zero time means "leave it as the system set it".
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME modificationTime;
    uint32_t compressedSize;
    uint32_t uncompressedSize;
    uint32_t flags; // general-purpose bit flags of the central record (bit 0: encrypted)
};

struct ZipArchive {
    unzFile file = nullptr;
    // minizip's Win32 file functions (read sharing only), which the archive's
    // own functions forward to; they keep the stream so that local headers
    // can be read as they are.
    zlib_filefunc_def win32{};
    voidpf stream = nullptr;
    // Small reads of the archive are served from here (see ReadStream).
    unsigned char readAhead[4096];
    uLong readAheadStart = 0;  // file offset of readAhead[0]
    uLong readAheadLength = 0; // bytes valid
    uLong streamPosition = 0;  // where the stream reads next, as minizip sees it
    // The last read through minizip came up short: it met the end of the file.
    bool readCutShort = false;
    int32_t centralCount = 0; // entries listed by the end-of-central-directory record
    int32_t position = -1;    // minizip's current entry; -1 when not known
    int32_t cachedIndex = -1; // index of cached, which is valid only at position
    ZipEntryInfo cached{};
    // The current folder with "\" appended, when the archive was opened; empty
    // if it does not fit. Relative output paths get their folders below it.
    char baseFolder[MAX_PATH + 1] = {};
    // The local extra field of the entry read last; its length field is 16 bits.
    unsigned char localExtra[65535];
    size_t localExtraLength = 0;
    unsigned char data[kDataPieceSize];
};

// Opens the archive for reading with read sharing only and reads its end of
// central directory record. False when minizip cannot open it.
bool OpenZipArchive(ZipArchive &archive, const char *path);
void CloseZipArchive(ZipArchive &archive);

// Reads size bytes at offset of the open archive's file, through its read-ahead.
bool ReadArchiveBytes(ZipArchive &archive, uLong offset, void *buf, uLong size);

// Whether a central record follows the last one that the end record counts:
// a walk of the count would leave it out. Moves minizip's current entry.
bool HasRecordsBeyondTheCount(ZipArchive &archive);

// Moves minizip's current entry to index; forward one entry at a time, back
// to the first entry only when index lies before the current position.
bool MoveToEntry(ZipArchive &archive, int32_t index);

// The info of entry index, or null: index out of range, a central record that
// cannot be read, a name of 260 bytes or more or holding a NUL, ZIP64 sizes of
// 4 GiB or more, a local header that disagrees with the central record, a
// method other than 0 and 8, or a local extra field that cannot be read. The
// result stays valid until the next call for another index.
const ZipEntryInfo *ReadEntryInfo(ZipArchive &archive, int32_t index);

// Writes the data of file entry index to outputPath. False when the file
// cannot be created, the data cannot be read or written, or the data is
// corrupt: a CRC-32 mismatch or a stream that ends before the declared size.
// A partly written file stays, closed, with the entry's attributes.
bool ExtractEntryToFile(ZipArchive &archive, int32_t index, const char *outputPath);

// Windows attributes of an entry from its 32-bit external attributes.
uint32_t EntryAttributes(uint32_t externalAttributes);

// Replaces info's times with those of the first "UT" (extended timestamp)
// block of a local extra field; reads only what the block and the field hold.
void ApplyExtendedTimestamp(const unsigned char *extra, size_t length, ZipEntryInfo &info);

} // namespace zip_extract
