#include "reference_reader.h"

#include "zip_records.h"

#include <zlib.h>

#include <climits>
#include <cstring>

namespace robust {
namespace {

// Reads little-endian values one after another, as a file would be read;
// a read past the end leaves ok false.
struct Cursor {
    const std::string &bytes;
    uint64_t position;
    bool ok = true;

    uint64_t Take(int width) {
        if (!ok || position > bytes.size() ||
            bytes.size() - position < static_cast<size_t>(width)) {
            ok = false;
            return 0;
        }
        uint64_t value = ReadLe(bytes, static_cast<size_t>(position), width);
        position += width;
        return value;
    }
};

// The highest position in the last 65,535 bytes that holds the signature,
// as minizip searches for its end records; 0 when none (position 0 holds the
// first local header, never an end record).
uint64_t SearchBack(const std::string &bytes, uint32_t signature) {
    uint64_t size = bytes.size();
    uint64_t back = size < 0xFFFF ? size : 0xFFFF;
    if (size < 4)
        return 0;
    for (uint64_t p = size - 4 + 1; p-- > size - back;) {
        if (ReadLe(bytes, static_cast<size_t>(p), 4) == signature)
            return p;
        if (p == 0)
            break;
    }
    return 0;
}

struct Directory {
    uint64_t centralPosition = 0; // where the end record (or the ZIP64 one) lies
    uint64_t count = 0, size = 0, offset = 0;
    bool ok = false;
};

Directory FindDirectory(const std::string &bytes) {
    Directory d;
    // A ZIP64 locator, disk 0 of 1, that points to a ZIP64 end record.
    if (uint64_t locator = SearchBack(bytes, kZip64LocatorSignature)) {
        Cursor c{bytes, locator + 4};
        uint64_t disk = c.Take(4), record = c.Take(8), disks = c.Take(4);
        Cursor r{bytes, record};
        if (c.ok && disk == 0 && disks == 1 && r.Take(4) == kZip64EndSignature && r.ok) {
            Cursor z{bytes, record + 4};
            z.Take(8);
            z.Take(2);
            z.Take(2);
            uint64_t thisDisk = z.Take(4), centralDisk = z.Take(4);
            uint64_t onDisk = z.Take(8);
            d.count = z.Take(8);
            d.size = z.Take(8);
            d.offset = z.Take(8);
            d.centralPosition = record;
            d.ok = z.ok && onDisk == d.count && thisDisk == 0 && centralDisk == 0;
            return d;
        }
    }
    uint64_t end = SearchBack(bytes, kEndSignature);
    if (end == 0)
        return d;
    Cursor e{bytes, end + 4};
    uint64_t thisDisk = e.Take(2), centralDisk = e.Take(2), onDisk = e.Take(2);
    d.count = e.Take(2);
    d.size = e.Take(4);
    d.offset = e.Take(4);
    e.Take(2);
    d.centralPosition = end;
    d.ok = e.ok && onDisk == d.count && thisDisk == 0 && centralDisk == 0;
    return d;
}

struct CentralFields {
    uint16_t flags = 0, method = 0;
    uint32_t crc = 0, external = 0;
    uint64_t compressed = 0, size = 0, offset = 0;
    uint64_t nameLength = 0, extraLength = 0, commentLength = 0;
    std::string name;
};

// The central record at position, its ZIP64 values read as minizip reads
// them (the name is not looked at); what is wrong with it, or empty.
std::string ReadCentral(const std::string &bytes, uint64_t position, CentralFields &f) {
    Cursor c{bytes, position};
    if (c.Take(4) != kCentralSignature || !c.ok)
        return "no central record";
    c.Take(2);
    c.Take(2);
    f.flags = static_cast<uint16_t>(c.Take(2));
    f.method = static_cast<uint16_t>(c.Take(2));
    c.Take(4);
    f.crc = static_cast<uint32_t>(c.Take(4));
    f.compressed = c.Take(4);
    f.size = c.Take(4);
    f.nameLength = c.Take(2);
    f.extraLength = c.Take(2);
    f.commentLength = c.Take(2);
    c.Take(2);
    c.Take(2);
    f.external = static_cast<uint32_t>(c.Take(4));
    f.offset = c.Take(4);
    if (!c.ok)
        return "central record cut short";
    if (c.position + f.nameLength <= bytes.size())
        f.name = bytes.substr(static_cast<size_t>(c.position), f.nameLength);
    c.position += f.nameLength;
    // ZIP64 values for the fields that hold 0xFFFFFFFF.
    for (uint64_t used = 0; used < f.extraLength && c.ok;) {
        uint64_t id = c.Take(2), length = c.Take(2);
        if (id == 0x0001) {
            if (f.size == 0xFFFFFFFF)
                f.size = c.Take(8);
            if (f.compressed == 0xFFFFFFFF)
                f.compressed = c.Take(8);
            if (f.offset == 0xFFFFFFFF)
                f.offset = c.Take(8);
        } else {
            c.position += length;
        }
        used += 4 + length;
    }
    return c.ok ? "" : "extra field cut short";
}

// Decodes the entry's data as it lies in the file (method 0 or 8), up to its
// declared size; false unless exactly that many bytes come out with that CRC.
bool DataGivesSizeAndCrc(const std::string &bytes, uint64_t start, uint64_t compressed,
                         uint16_t method, uint64_t size, uint32_t crc, std::string &problem) {
    uint64_t available = start < bytes.size() ? bytes.size() - start : 0;
    if (compressed < available)
        available = compressed;
    const unsigned char *in = reinterpret_cast<const unsigned char *>(bytes.data()) +
                              (start < bytes.size() ? start : bytes.size());
    uint64_t produced = 0;
    uLong sum = crc32(0, nullptr, 0);
    if (method == 0) {
        produced = available < size ? available : size;
        sum = crc32(sum, in, static_cast<uInt>(produced));
    } else {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            problem = "inflate could not start";
            return false;
        }
        stream.next_in = const_cast<unsigned char *>(in);
        stream.avail_in = static_cast<uInt>(available);
        std::vector<unsigned char> buffer(65536);
        unsigned char *piece = buffer.data();
        while (produced < size) {
            uint64_t want = size - produced;
            stream.next_out = piece;
            stream.avail_out =
                want < buffer.size() ? static_cast<uInt>(want) : static_cast<uInt>(buffer.size());
            int status = inflate(&stream, Z_SYNC_FLUSH);
            uInt got = static_cast<uInt>(stream.next_out - piece);
            sum = crc32(sum, piece, got);
            produced += got;
            if (status == Z_STREAM_END || (status != Z_OK && status != Z_BUF_ERROR))
                break;
            if (got == 0 && (status == Z_BUF_ERROR || stream.avail_in == 0))
                break;
        }
        inflateEnd(&stream);
    }
    if (produced != size) {
        problem = "the data gives " + std::to_string(produced) + " bytes, not the declared " +
                  std::to_string(size);
        return false;
    }
    if (static_cast<uint32_t>(sum) != crc) {
        problem = "CRC-32 mismatch";
        return false;
    }
    return true;
}

} // namespace

ReferenceArchive ReadReference(const std::string &bytes) {
    ReferenceArchive archive;
    auto fail = [&archive](const std::string &why) {
        archive.problem = why;
        return archive;
    };
    if (bytes.size() < 32 || ReadLe(bytes, 0, 4) != kLocalSignature ||
        static_cast<int32_t>(ReadLe(bytes, 24, 4)) < 1)
        return fail("fails the header test");
    Directory d = FindDirectory(bytes);
    if (!d.ok || d.centralPosition < d.offset + d.size)
        return fail("no end record that can be read");
    // Offsets count from where the archive would begin were the central
    // directory right before its end record.
    const uint64_t shift = d.centralPosition - (d.offset + d.size);
    if (d.count > INT_MAX)
        return fail("more entries than an int32 counts: " + std::to_string(d.count));

    uint64_t record = d.offset;
    for (uint64_t i = 0; i < d.count; ++i) {
        const std::string at = "entry " + std::to_string(i) + ": ";
        CentralFields f;
        std::string why = ReadCentral(bytes, record + shift, f);
        if (!why.empty())
            return fail(at + why);
        if (f.nameLength >= 260)
            return fail(at + "name of 260 bytes or more");
        if (f.name.size() != f.nameLength)
            return fail(at + "name past the end of the file");
        if (f.name.find('\0') != std::string::npos)
            return fail(at + "NUL in the name");
        record += 46 + f.nameLength + f.extraLength + f.commentLength;
        const uint16_t flags = f.flags, method = f.method;
        const uint32_t crc = f.crc, external = f.external;
        const uint64_t compressed = f.compressed, size = f.size, offset = f.offset;
        const uint64_t nameLength = f.nameLength;
        const std::string &name = f.name;

        if (flags & 0x0001)
            return fail(at + "encrypted");
        if (method != 0 && method != 8)
            return fail(at + "method " + std::to_string(method));
        Cursor l{bytes, offset + shift};
        uint64_t signature = l.Take(4);
        l.Take(2);
        uint16_t localFlags = static_cast<uint16_t>(l.Take(2));
        uint64_t localMethod = l.Take(2);
        l.Take(4);
        uint64_t localCrc = l.Take(4), localCompressed = l.Take(4), localSize = l.Take(4);
        uint64_t localNameLength = l.Take(2), localExtraLength = l.Take(2);
        if (!l.ok || signature != kLocalSignature)
            return fail(at + "no local header");
        if (localMethod != method || localNameLength != nameLength ||
            (!(localFlags & 0x0008) &&
             (localCrc != crc || localCompressed != compressed || localSize != size)))
            return fail(at + "local header disagrees with the central record");
        uint64_t data = l.position + localNameLength + localExtraLength;
        if (data > bytes.size())
            return fail(at + "local extra field past the end of the file");

        bool folder = (external & (0x10 | 0x40000000)) != 0;
        if (!folder) {
            std::string why;
            if (!DataGivesSizeAndCrc(bytes, data, compressed, method, size, crc, why))
                return fail(at + why);
        }
        archive.entries.push_back({name, folder, size, crc});
    }
    // A record after the last one counted would be left out of the walk.
    CentralFields after;
    if (ReadCentral(bytes, record + shift, after).empty())
        return fail("a central record beyond the " + std::to_string(d.count) + " counted");
    archive.whole = true;
    return archive;
}

} // namespace robust
