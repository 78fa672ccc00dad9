#include "test_archive.h"

#include <zlib.h>

namespace {

// Local header fields and where the central record holds the same one.
size_t CentralFieldFor(size_t localField) {
    return localField + 2;
}

std::string RawDeflate(const std::string &data) {
    z_stream stream = {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

void Append16(std::vector<unsigned char> &out, uint32_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void Append32(std::vector<unsigned char> &out, uint32_t value) {
    Append16(out, value & 0xFFFF);
    Append16(out, value >> 16);
}

void AppendText(std::vector<unsigned char> &out, const std::string &text) {
    out.insert(out.end(), text.begin(), text.end());
}

} // namespace

void TestArchive::Put16(size_t at, uint16_t value) {
    bytes.at(at) = static_cast<unsigned char>(value);
    bytes.at(at + 1) = static_cast<unsigned char>(value >> 8);
}

void TestArchive::Put32(size_t at, uint32_t value) {
    Put16(at, static_cast<uint16_t>(value));
    Put16(at + 2, static_cast<uint16_t>(value >> 16));
}

uint32_t TestArchive::Get32(size_t at) const {
    return static_cast<uint32_t>(bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
                                 bytes.at(at + 3) << 24);
}

void TestArchive::PutBoth16(size_t entry, size_t localField, uint16_t value) {
    Put16(local.at(entry) + localField, value);
    Put16(central.at(entry) + CentralFieldFor(localField), value);
}

void TestArchive::PutBoth32(size_t entry, size_t localField, uint32_t value) {
    Put32(local.at(entry) + localField, value);
    Put32(central.at(entry) + CentralFieldFor(localField), value);
}

void TestArchive::Prepend(const std::string &stub) {
    bytes.insert(bytes.begin(), stub.begin(), stub.end());
    for (std::vector<size_t> *offsets : {&local, &data, &central})
        for (size_t &offset : *offsets)
            offset += stub.size();
    end += stub.size();
    for (size_t record : central)
        Put32(record + 42, Get32(record + 42) + static_cast<uint32_t>(stub.size()));
    Put32(end + 16, Get32(end + 16) + static_cast<uint32_t>(stub.size()));
}

TestArchive BuildArchive(const std::vector<TestEntry> &entries) {
    const uint32_t kDosTime = 0x58B47404; // 2024-05-20 14:32:08
    TestArchive archive;
    std::vector<unsigned char> &out = archive.bytes;
    std::vector<std::string> packed;
    for (const TestEntry &entry : entries) {
        packed.push_back(entry.method == 8 ? RawDeflate(entry.data) : entry.data);
        archive.local.push_back(out.size());
        Append32(out, 0x04034b50);
        Append16(out, entry.method == 8 ? 20 : 10);
        Append16(out, 0);
        Append16(out, entry.method);
        Append32(out, kDosTime);
        Append32(out, Crc32(entry.data));
        Append32(out, static_cast<uint32_t>(packed.back().size()));
        Append32(out, static_cast<uint32_t>(entry.data.size()));
        Append16(out, static_cast<uint32_t>(entry.name.size()));
        Append16(out, 0);
        AppendText(out, entry.name);
        archive.data.push_back(out.size());
        AppendText(out, packed.back());
    }
    size_t centralOffset = out.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        const TestEntry &entry = entries[i];
        archive.central.push_back(out.size());
        Append32(out, 0x02014b50);
        Append16(out, 20);
        Append16(out, entry.method == 8 ? 20 : 10);
        Append16(out, 0);
        Append16(out, entry.method);
        Append32(out, kDosTime);
        Append32(out, Crc32(entry.data));
        Append32(out, static_cast<uint32_t>(packed[i].size()));
        Append32(out, static_cast<uint32_t>(entry.data.size()));
        Append16(out, static_cast<uint32_t>(entry.name.size()));
        Append16(out, 0); // extra field
        Append16(out, 0); // comment
        Append16(out, 0); // disk
        Append16(out, 0); // internal attributes
        Append32(out, entry.attributes);
        Append32(out, static_cast<uint32_t>(archive.local[i]));
        AppendText(out, entry.name);
    }
    archive.end = out.size();
    Append32(out, 0x06054b50);
    Append16(out, 0);
    Append16(out, 0);
    Append16(out, static_cast<uint32_t>(entries.size()));
    Append16(out, static_cast<uint32_t>(entries.size()));
    Append32(out, static_cast<uint32_t>(archive.end - centralOffset));
    Append32(out, static_cast<uint32_t>(centralOffset));
    Append16(out, 0);
    return archive;
}

uint32_t Crc32(const std::string &data) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef *>(data.data()), static_cast<uInt>(data.size())));
}
