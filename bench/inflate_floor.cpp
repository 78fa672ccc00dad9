#include "inflate_floor.h"

#include <windows.h>
#include <zlib.h>

namespace bench {
namespace {

uint32_t Read16(const unsigned char *p) {
    return p[0] | p[1] << 8;
}
uint32_t Read32(const unsigned char *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

bool ListEntries(const std::vector<unsigned char> &archive, std::vector<MemoryEntry> &entries) {
    entries.clear();
    const size_t size = archive.size();
    const unsigned char *base = archive.data();
    if (size < 22)
        return false;
    // The end record is the last thing in the file; our archives have no comment.
    size_t end = size - 22;
    while (end > 0 && Read32(base + end) != 0x06054b50)
        --end;
    if (Read32(base + end) != 0x06054b50)
        return false;
    uint32_t count = Read16(base + end + 10);
    size_t at = Read32(base + end + 16);
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 46 > size || Read32(base + at) != 0x02014b50)
            return false;
        const unsigned char *central = base + at;
        MemoryEntry entry;
        entry.name = reinterpret_cast<const char *>(central + 46);
        entry.nameLength = static_cast<uint16_t>(Read16(central + 28));
        entry.method = static_cast<uint16_t>(Read16(central + 10));
        entry.crc = Read32(central + 16);
        entry.compressedSize = Read32(central + 20);
        entry.uncompressedSize = Read32(central + 24);
        size_t local = Read32(central + 42);
        if (local + 30 > size || Read32(base + local) != 0x04034b50)
            return false;
        size_t data = local + 30 + Read16(base + local + 26) + Read16(base + local + 28);
        if (data + entry.compressedSize > size)
            return false;
        entry.data = base + data;
        entries.push_back(entry);
        at += 46 + Read16(central + 28) + Read16(central + 30) + Read16(central + 32);
    }
    return true;
}

bool InflateAll(const std::vector<MemoryEntry> &entries) {
    static unsigned char piece[16384];
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    bool ok = true;
    for (const MemoryEntry &entry : entries) {
        uLong crc = crc32(0L, Z_NULL, 0);
        if (entry.method == 0) {
            crc = crc32(crc, entry.data, entry.compressedSize);
        } else {
            inflateReset(&stream);
            stream.next_in = const_cast<Bytef *>(entry.data);
            stream.avail_in = entry.compressedSize;
            int status = Z_OK;
            uint32_t total = 0;
            while (status == Z_OK) {
                stream.next_out = piece;
                stream.avail_out = sizeof piece;
                status = inflate(&stream, Z_NO_FLUSH);
                uint32_t got = static_cast<uint32_t>(sizeof piece - stream.avail_out);
                crc = crc32(crc, piece, got);
                total += got;
            }
            if (status != Z_STREAM_END || total != entry.uncompressedSize)
                ok = false;
        }
        if (crc != entry.crc)
            ok = false;
    }
    inflateEnd(&stream);
    return ok;
}

bool WriteAllFiles(const std::vector<MemoryEntry> &entries, const std::string &target) {
    static const unsigned char zeros[16384] = {};
    for (const MemoryEntry &entry : entries) {
        std::string path = target + "\\" + std::string(entry.name, entry.nameLength);
        for (char &c : path)
            if (c == '/')
                c = '\\';
        if (path.back() == '\\') {
            path.pop_back();
            if (!CreateDirectoryA(path.c_str(), nullptr))
                return false;
            continue;
        }
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        bool ok = true;
        for (uint32_t left = entry.uncompressedSize; ok && left > 0;) {
            DWORD piece = left < sizeof zeros ? left : sizeof zeros, written = 0;
            ok = WriteFile(file, zeros, piece, &written, nullptr) && written == piece;
            left -= piece;
        }
        CloseHandle(file);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace bench
