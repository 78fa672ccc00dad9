#include "zip_fixture.h"

#include <zlib.h>

namespace zip_fixture {
namespace {

void Put16(std::string &out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string &out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

} // namespace

uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
    uint32_t date = static_cast<uint32_t>((year - 1980) << 9 | month << 5 | day);
    uint32_t time = static_cast<uint32_t>(hour << 11 | minute << 5 | second / 2);
    return date << 16 | time;
}

Entry File(const std::string &name, const std::string &content, uint16_t method) {
    Entry entry;
    entry.name = name;
    entry.content = content;
    entry.method = method;
    return entry;
}

Entry Folder(const std::string &name) {
    Entry entry;
    entry.name = name;
    entry.method = 0;
    entry.externalAttributes = kUnixFolder;
    return entry;
}

std::string Deflate(const std::string &bytes) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, bytes.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

uint32_t Crc32(const std::string &bytes) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string ExtraBlock(uint16_t id, const std::string &data) {
    std::string out;
    Put16(out, id);
    Put16(out, static_cast<uint32_t>(data.size()));
    return out + data;
}

std::string UtBlock(uint8_t flags, const std::vector<int32_t> &times) {
    std::string data(1, static_cast<char>(flags));
    for (int32_t time : times)
        Put32(data, static_cast<uint32_t>(time));
    return ExtraBlock(0x5455, data); // "UT"
}

std::string SampleBytes(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (size_t k = 0; k < size; ++k) {
        state = state * 1103515245u + 12345u;
        // Mostly letters from a small set, so deflate has work to do.
        out[k] = static_cast<char>("abcdefgh \n"[(state >> 16) % 10]);
        if ((state >> 8) % 97 == 0)
            out[k] = static_cast<char>(state >> 24);
    }
    return out;
}

std::string Build(const std::vector<Entry> &entries, const Layout &layout) {
    std::string archive = layout.prefix;
    std::string central;
    for (const Entry &entry : entries) {
        std::string data = entry.rawData       ? entry.data
                           : entry.method == 8 ? Deflate(entry.content)
                                               : entry.content;
        RecordFields fields;
        fields.flags = static_cast<uint16_t>(entry.flags | (entry.dataDescriptor ? 0x0008 : 0));
        fields.method = entry.method;
        fields.dosDateTime = entry.dosDateTime;
        fields.crc = Crc32(entry.content);
        fields.compressedSize = static_cast<uint32_t>(data.size());
        fields.uncompressedSize = static_cast<uint32_t>(entry.content.size());
        fields.nameLength = static_cast<uint16_t>(entry.name.size());

        RecordFields local = fields;
        local.signature = 0x04034b50;
        local.extra = entry.localExtra;
        if (entry.dataDescriptor)
            local.crc = local.compressedSize = local.uncompressedSize = 0;
        if (entry.editLocal)
            entry.editLocal(local);
        RecordFields record = fields;
        record.signature = 0x02014b50;
        record.extra = entry.centralExtra;
        if (entry.editCentral)
            entry.editCentral(record);

        uint32_t offset = static_cast<uint32_t>(archive.size());
        Put32(archive, local.signature);
        Put16(archive, local.versionNeeded);
        Put16(archive, local.flags);
        Put16(archive, local.method);
        Put32(archive, local.dosDateTime); // time, then date
        Put32(archive, local.crc);
        Put32(archive, local.compressedSize);
        Put32(archive, local.uncompressedSize);
        Put16(archive, local.nameLength);
        Put16(archive, static_cast<uint32_t>(local.extraLength >= 0 ? local.extraLength
                                                                    : local.extra.size()));
        archive += entry.name + local.extra + data;
        if (entry.dataDescriptor) {
            Put32(archive, 0x08074b50);
            Put32(archive, fields.crc);
            Put32(archive, fields.compressedSize);
            Put32(archive, fields.uncompressedSize);
        }

        Put32(central, record.signature);
        Put16(central, 0x0314); // made by: Unix, 2.0
        Put16(central, record.versionNeeded);
        Put16(central, record.flags);
        Put16(central, record.method);
        Put32(central, record.dosDateTime);
        Put32(central, record.crc);
        Put32(central, record.compressedSize);
        Put32(central, record.uncompressedSize);
        Put16(central, record.nameLength);
        Put16(central, static_cast<uint32_t>(record.extraLength >= 0 ? record.extraLength
                                                                     : record.extra.size()));
        Put16(central, 0); // comment length
        Put16(central, 0); // disk number
        Put16(central, 0); // internal attributes
        Put32(central, entry.externalAttributes);
        Put32(central, offset);
        central += entry.name + record.extra;
    }
    uint32_t centralOffset = static_cast<uint32_t>(archive.size());
    archive += central;
    uint32_t count = layout.endRecordCount >= 0 ? static_cast<uint32_t>(layout.endRecordCount)
                                                : static_cast<uint32_t>(entries.size());
    Put32(archive, 0x06054b50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, count);
    Put16(archive, count);
    Put32(archive, static_cast<uint32_t>(central.size()));
    Put32(archive, centralOffset);
    Put16(archive, 0);
    return archive;
}

} // namespace zip_fixture
