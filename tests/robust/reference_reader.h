// A second reading of a ZIP archive, written apart from the unit, to judge
// its results: the end record, the ZIP64 end record and the shift of all
// offsets are found as minizip finds them (so both read the same archive),
// but every entry is then checked and decoded here, with zlib, against the
// rules the unit must keep. 64-bit sizes, counts and offsets are taken as
// the archive states them, never cut to 32 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace robust {

struct ReferenceEntry {
    std::string name; // as stored
    bool folder;      // by the external attributes, as the unit decides
    uint64_t size;    // the declared uncompressed size
    uint32_t crc;     // the declared CRC-32
};

struct ReferenceArchive {
    // True when the archive passes the unit's header test, every entry the
    // end record counts is listed, its local header agrees, it is neither
    // encrypted nor packed by another method than 0 or 8, its name fits and
    // holds no NUL, and its data gives exactly the declared size and CRC-32.
    bool whole = false;
    std::string problem; // the first rule broken, when not whole
    std::vector<ReferenceEntry> entries;
};

ReferenceArchive ReadReference(const std::string &bytes);

} // namespace robust
