// Small ZIP archives built byte by byte, so that a test can break any field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TestEntry {
    std::string name;
    std::string data;
    uint16_t method = 0; // 8: the data is deflated here
    uint32_t attributes = 0x20;
};

inline TestEntry File(std::string name, std::string data = "x") {
    return {std::move(name), std::move(data), 0, 0x20};
}
inline TestEntry Folder(std::string name) {
    return {std::move(name), "", 0, 0x10};
}
inline TestEntry Deflated(std::string name, std::string data) {
    return {std::move(name), std::move(data), 8, 0x20};
}
inline TestEntry WithAttributes(std::string name, uint32_t attributes) {
    return {std::move(name), "", 0, attributes};
}

// The archive and where its parts lie, to patch fields in place.
struct TestArchive {
    std::vector<unsigned char> bytes;
    std::vector<size_t> local;   // each entry's local header
    std::vector<size_t> data;    // each entry's data
    std::vector<size_t> central; // each entry's central record
    size_t end = 0;              // the end-of-central-directory record

    void Put16(size_t at, uint16_t value);
    void Put32(size_t at, uint32_t value);
    uint32_t Get32(size_t at) const;
    // Puts a value into the same field of an entry's local header and
    // central record; offsets are those of the local header.
    void PutBoth16(size_t entry, size_t localField, uint16_t value);
    void PutBoth32(size_t entry, size_t localField, uint32_t value);
    // Puts bytes in front and moves every offset along, as a self-extractor
    // stub does.
    void Prepend(const std::string &stub);
};

// Method, CRC, sizes and attributes as given; version made by 20, flags 0,
// a fixed DOS time, no extra fields and no comments.
TestArchive BuildArchive(const std::vector<TestEntry> &entries);

uint32_t Crc32(const std::string &data);
