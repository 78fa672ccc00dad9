// The floors for unpacking: every entry of an archive already in memory
// inflated by zlib (and its CRC-32 checked, as any unpacker must) with no
// file touched; and the entries' folders and files written with their sizes
// and no inflating at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct MemoryEntry {
    const char *name; // as stored, not NUL-terminated
    uint16_t nameLength;
    const unsigned char *data; // the entry's compressed bytes in the archive
    uint32_t compressedSize;
    uint32_t uncompressedSize;
    uint32_t crc;
    uint16_t method; // 0 stored, 8 deflated
};

// The entries listed by the central directory, in its order; false when the
// archive is not laid out as the walk expects.
bool ListEntries(const std::vector<unsigned char> &archive, std::vector<MemoryEntry> &entries);

// Inflates every entry through one 16 KiB buffer; false on a data or CRC error.
bool InflateAll(const std::vector<MemoryEntry> &entries);

// Makes each folder entry's folder and writes each file entry's size in
// zero bytes, in 16 KiB pieces, below target (which must exist).
bool WriteAllFiles(const std::vector<MemoryEntry> &entries, const std::string &target);

} // namespace bench
