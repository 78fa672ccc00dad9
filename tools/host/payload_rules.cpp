#include "payload_rules.h"

#include "code_page.h"

#include <zlib.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace payload {
namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint64_t kLocalHeaderSize = 30;
constexpr uint64_t kCentralHeaderSize = 46;
constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kZip64LocatorSize = 20;
constexpr uint64_t kMaxCommentSize = 0xFFFF;

// The installer unpacks into this folder, and Windows paths stay below 260
// bytes.
constexpr size_t kInstallFolderLength = sizeof "C:\\WINDOWS\\ten\\" - 1;
constexpr size_t kMaxPath = 260;

constexpr uint32_t kDosDirectory = 0x10;
constexpr uint32_t kUnixDirectory = 0x40000000; // the extractor takes it as a folder too

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Little-endian reads that never leave the buffer: every caller asks Has()
// first, with 64-bit arithmetic so that no sum of fields can wrap.
class Bytes {
  public:
    Bytes(const unsigned char *data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const { return size_; }
    bool Has(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    uint16_t U16(uint64_t at) const {
        return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
    }
    uint32_t U32(uint64_t at) const {
        return static_cast<uint32_t>(U16(at)) | static_cast<uint32_t>(U16(at + 2)) << 16;
    }
    const unsigned char *At(uint64_t offset) const { return data_ + offset; }

  private:
    const unsigned char *data_;
    uint64_t size_;
};

struct CentralRecord {
    uint64_t offset;
    uint16_t flags;
    uint16_t method;
    uint32_t crc;
    uint32_t compressedSize;
    uint32_t size;
    uint32_t externalAttributes;
    uint32_t localOffset;
    std::string name;
};

struct EndRecord {
    uint64_t offset;
    uint16_t disk;
    uint16_t centralDisk;
    uint16_t entriesOnDisk;
    uint16_t entries;
    uint32_t centralSize;
    uint32_t centralOffset;
};

// Calls visit(offset, length) for each character of a code page 936 text: a
// lead byte and the byte after it are one character, so a trail byte 0x5C
// is never taken for a backslash (nor 0x7C for "|").
template <typename Visit> void ForEachCharacter(const std::string &text, Visit visit) {
    size_t i = 0;
    while (i < text.size()) {
        size_t length =
            IsLeadByte936(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        visit(i, length);
        i += length;
    }
}

// Windows compares names without regard to ASCII case; the bytes of a
// double-byte character are left as they are.
std::string FoldCase(const std::string &text) {
    std::string folded = text;
    ForEachCharacter(text, [&](size_t at, size_t length) {
        if (length == 1 && folded[at] >= 'a' && folded[at] <= 'z')
            folded[at] = static_cast<char>(folded[at] - 'a' + 'A');
    });
    return folded;
}

std::vector<std::string> SplitComponents(const std::string &name) {
    std::vector<std::string> parts(1);
    ForEachCharacter(name, [&](size_t at, size_t length) {
        if (length == 1 && name[at] == '/')
            parts.emplace_back();
        else
            parts.back().append(name, at, length);
    });
    // A folder's trailing "/" ends its name, not an empty last part.
    if (parts.size() > 1 && parts.back().empty())
        parts.pop_back();
    return parts;
}

bool IsReservedDeviceName(const std::string &part) {
    std::string base = FoldCase(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string Quoted(const std::string &name) {
    return "\"" + CodePage936ForDisplay(name) + "\"";
}

bool FindEndRecord(const Bytes &bytes, EndRecord &end) {
    if (bytes.size() < kEndRecordSize)
        return false;
    uint64_t last = bytes.size() - kEndRecordSize;
    uint64_t first = last > kMaxCommentSize ? last - kMaxCommentSize : 0;
    for (uint64_t at = last + 1; at-- > first;) {
        // The record with its comment must reach exactly to the end.
        if (bytes.U32(at) == kEndSignature &&
            at + kEndRecordSize + bytes.U16(at + 20) == bytes.size()) {
            end.offset = at;
            end.disk = bytes.U16(at + 4);
            end.centralDisk = bytes.U16(at + 6);
            end.entriesOnDisk = bytes.U16(at + 8);
            end.entries = bytes.U16(at + 10);
            end.centralSize = bytes.U32(at + 12);
            end.centralOffset = bytes.U32(at + 16);
            return true;
        }
    }
    return false;
}

void CheckFirstHeader(const Bytes &bytes, std::vector<Problem> &problems) {
    if (!bytes.Has(0, 4) || bytes.U32(0) != kLocalSignature) {
        problems.push_back(
            {{}, "does not begin with a local file header (the bytes 50 4B 03 04 at offset 0)"});
    } else if (!bytes.Has(0, 32)) {
        problems.push_back({{}, "its first local file header is cut short"});
    } else if (static_cast<int32_t>(bytes.U32(24)) < 1) {
        // The extractor reads this value (the size's upper half with the name
        // length above it) as a signed number and wants it positive.
        problems.push_back(
            {{}, "its first local file header has a name length of 0 or above 32767"});
    }
}

// Reads the central directory; false, with a problem, when it cannot be.
bool ReadCentralDirectory(const Bytes &bytes, const EndRecord &end,
                          std::vector<CentralRecord> &records, std::vector<Problem> &problems) {
    if (end.entries == 0xFFFF || end.centralSize == 0xFFFFFFFF || end.centralOffset == 0xFFFFFFFF ||
        (end.offset >= kZip64LocatorSize &&
         bytes.U32(end.offset - kZip64LocatorSize) == kZip64LocatorSignature)) {
        problems.push_back({{}, "has ZIP64 records; the installer reads plain ZIP archives only"});
        return false;
    }
    // Anything between the directory and the end record would shift every
    // offset for the extractor's reader.
    if (uint64_t{end.centralOffset} + end.centralSize != end.offset) {
        problems.push_back({{},
                            Format("its central directory (%u bytes at offset %u) does not end "
                                   "where the end record begins (offset %llu)",
                                   end.centralSize, end.centralOffset,
                                   static_cast<unsigned long long>(end.offset))});
        return false;
    }
    uint64_t at = end.centralOffset;
    for (unsigned index = 0; index < end.entries; ++index) {
        bool whole = at + kCentralHeaderSize <= end.offset && bytes.U32(at) == kCentralSignature;
        uint64_t length = 0;
        if (whole) {
            length =
                kCentralHeaderSize + bytes.U16(at + 28) + bytes.U16(at + 30) + bytes.U16(at + 32);
            whole = at + length <= end.offset;
        }
        if (!whole) {
            problems.push_back({{},
                                Format("its central directory record %u (offset %llu) is damaged",
                                       index, static_cast<unsigned long long>(at))});
            return false;
        }
        CentralRecord record;
        record.offset = at;
        record.flags = bytes.U16(at + 8);
        record.method = bytes.U16(at + 10);
        record.crc = bytes.U32(at + 16);
        record.compressedSize = bytes.U32(at + 20);
        record.size = bytes.U32(at + 24);
        record.externalAttributes = bytes.U32(at + 38);
        record.localOffset = bytes.U32(at + 42);
        record.name.assign(reinterpret_cast<const char *>(bytes.At(at + kCentralHeaderSize)),
                           bytes.U16(at + 28));
        records.push_back(record);
        at += length;
    }
    return true;
}

// Unpacks an entry's data as the extractor would and compares it with the
// recorded size and CRC-32.
std::optional<std::string> CheckEntryData(const Bytes &bytes, const CentralRecord &record,
                                          uint64_t dataOffset) {
    const unsigned char *data = bytes.At(dataOffset);
    uLong crc = crc32(0L, Z_NULL, 0);
    if (record.method == 0) {
        if (record.compressedSize != record.size)
            return Format("is stored, but its compressed size %u differs from its size %u",
                          record.compressedSize, record.size);
        crc = crc32(crc, data, record.size);
    } else {
        z_stream stream = {};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return std::string("its deflate data cannot be unpacked (out of memory)");
        stream.next_in = const_cast<Bytef *>(data);
        stream.avail_in = record.compressedSize;
        unsigned char buffer[65536];
        uint64_t produced = 0;
        int status = Z_OK;
        // Stops once the output passes the recorded size, so that a small
        // hostile entry cannot make the check unpack gigabytes.
        while (status == Z_OK && produced <= record.size) {
            stream.next_out = buffer;
            stream.avail_out = sizeof buffer;
            status = inflate(&stream, Z_NO_FLUSH);
            uInt got = static_cast<uInt>(sizeof buffer - stream.avail_out);
            crc = crc32(crc, buffer, got);
            produced += got;
        }
        inflateEnd(&stream);
        if (status != Z_STREAM_END && produced <= record.size)
            return std::string("its deflate data is damaged or cut short");
        if (produced != record.size)
            return Format(
                "its deflate data unpacks to %s%llu bytes, not the %u recorded",
                produced > record.size ? "more than " : "",
                static_cast<unsigned long long>(produced > record.size ? record.size : produced),
                record.size);
    }
    if (crc != record.crc)
        return Format("its data does not match its CRC-32 (0x%08X recorded, 0x%08X found)",
                      record.crc, static_cast<unsigned>(crc));
    return std::nullopt;
}

// The local header must repeat what the extractor compares, and the data
// that follows it must lie before the central directory.
void CheckLocalHeader(const Bytes &bytes, const EndRecord &end, const CentralRecord &record,
                      std::vector<std::string> &rules) {
    uint64_t at = record.localOffset;
    if (at + kLocalHeaderSize > end.centralOffset || bytes.U32(at) != kLocalSignature) {
        rules.push_back(Format("has no local file header at offset %u", record.localOffset));
        return;
    }
    struct Field {
        const char *what;
        uint32_t local;
        uint32_t central;
        bool hex;
    } fields[] = {
        {"general-purpose flags", bytes.U16(at + 6), record.flags, true},
        {"method", bytes.U16(at + 8), record.method, false},
        {"CRC-32", bytes.U32(at + 14), record.crc, true},
        {"compressed size", bytes.U32(at + 18), record.compressedSize, false},
        {"size", bytes.U32(at + 22), record.size, false},
        {"name length", bytes.U16(at + 26), static_cast<uint32_t>(record.name.size()), false},
    };
    bool agrees = true;
    for (const Field &field : fields) {
        if (field.local != field.central) {
            rules.push_back(Format(
                field.hex ? "its local header gives %s 0x%X where the central record gives 0x%X"
                          : "its local header gives %s %u where the central record gives %u",
                field.what, field.local, field.central));
            agrees = false;
        }
    }
    if (!agrees)
        return; // where the data begins is not certain then

    uint64_t dataOffset = at + kLocalHeaderSize + bytes.U16(at + 26) + bytes.U16(at + 28);
    if (dataOffset + record.compressedSize > end.centralOffset) {
        rules.push_back(Format("its data (%u bytes at offset %llu) runs into the central directory",
                               record.compressedSize, static_cast<unsigned long long>(dataOffset)));
        return;
    }
    if (record.flags == 0 && (record.method == 0 || record.method == 8)) {
        if (std::optional<std::string> rule = CheckEntryData(bytes, record, dataOffset))
            rules.push_back(*rule);
    }
}

} // namespace

std::vector<std::string> CheckEntryName(const std::string &name) {
    std::vector<std::string> rules;
    if (name.empty())
        return {"has an empty name"};
    if (name.find('\0') != std::string::npos)
        return {"its name holds a NUL byte"};
    for (size_t i = 0; i < name.size();) {
        unsigned char byte = static_cast<unsigned char>(name[i]);
        if (IsLeadByte936(byte)) {
            if (i + 1 >= name.size() || !IsTrailByte936(static_cast<unsigned char>(name[i + 1])))
                return {Format("is not code page 936 text (the byte 0x%02X at offset %zu begins no "
                               "double-byte character)",
                               byte, i)};
            i += 2;
        } else if (byte == 0xFF) {
            return {Format("is not code page 936 text (the byte 0xFF at offset %zu)", i)};
        } else {
            ++i;
        }
    }
    if (name[0] == '/' || name[0] == '\\')
        return {"begins with \"/\" or \"\\\""};
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return {"begins with a drive letter"};

    bool colon = false, backslash = false, forbidden = false;
    ForEachCharacter(name, [&](size_t at, size_t length) {
        if (length != 1)
            return;
        unsigned char c = static_cast<unsigned char>(name[at]);
        if (c == ':' && !colon) {
            colon = true;
            rules.push_back("holds \":\"");
        } else if (c == '\\' && !backslash) {
            backslash = true;
            rules.push_back(
                "holds a \"\\\" outside a double-byte character; names use \"/\" between "
                "folder and file");
        } else if ((c < 0x20 || std::strchr("<>\"|?*", c)) && !forbidden) {
            forbidden = true;
            rules.push_back("holds the character " + Quoted(std::string(1, static_cast<char>(c))) +
                            ", which Windows does not allow in names");
        }
    });

    bool empty = false, dot = false, dotDot = false, trailing = false, reserved = false;
    for (const std::string &part : SplitComponents(name)) {
        if (part.empty()) {
            if (!empty)
                rules.push_back("has an empty part (two \"/\" in a row)");
            empty = true;
        } else if (part == "." || part == "..") {
            bool &seen = part == "." ? dot : dotDot;
            if (!seen)
                rules.push_back("has a " + Quoted(part) + " part");
            seen = true;
        } else if ((part.back() == '.' || part.back() == ' ') && !trailing) {
            trailing = true;
            rules.push_back("has a part " + Quoted(part) +
                            " that ends in \".\" or a blank, which Windows drops");
        } else if (IsReservedDeviceName(part) && !reserved) {
            reserved = true;
            rules.push_back("has a part " + Quoted(part) + " that is a reserved device name");
        }
    }

    if (kInstallFolderLength + name.size() >= kMaxPath)
        rules.push_back(
            Format("with \"C:\\WINDOWS\\ten\\\" in front it is %zu bytes long; it must stay "
                   "below %zu",
                   kInstallFolderLength + name.size(), kMaxPath));
    return rules;
}

std::vector<Problem> CheckArchiveBytes(const unsigned char *data, size_t size) {
    Bytes bytes(data, size);
    std::vector<Problem> problems;
    CheckFirstHeader(bytes, problems);

    EndRecord end;
    if (!FindEndRecord(bytes, end)) {
        problems.push_back({{}, "does not end with an end-of-central-directory record"});
        return problems;
    }
    if (end.disk != 0 || end.centralDisk != 0 || end.entriesOnDisk != end.entries)
        problems.push_back(
            {{},
             Format("is not a single-disk archive (disk %u, central directory on disk %u, "
                    "%u of %u entries on this disk)",
                    end.disk, end.centralDisk, end.entriesOnDisk, end.entries)});
    std::vector<CentralRecord> records;
    if (!ReadCentralDirectory(bytes, end, records, problems))
        return problems;

    std::set<std::string> folders;                  // folded names, with the "/"
    std::map<std::string, std::string> files;       // folded name -> name
    std::map<std::string, std::string> folderNames; // folded name without "/" -> name
    bool hasApplication = false;
    for (const CentralRecord &record : records) {
        std::vector<std::string> rules = CheckEntryName(record.name);
        bool nameValid = rules.empty();

        if (record.method != 0 && record.method != 8)
            rules.push_back(
                Format("compression method %u; only 0 (stored) and 8 (deflate) are allowed",
                       record.method));
        if (record.flags != 0)
            rules.push_back(
                Format("general-purpose flags 0x%04X; they must be 0 (no encryption, no data "
                       "descriptor, no UTF-8 mark)",
                       record.flags));

        bool slash = !record.name.empty() && record.name.back() == '/';
        bool directory = (record.externalAttributes & (kDosDirectory | kUnixDirectory)) != 0;
        if (slash && !(record.externalAttributes & kDosDirectory))
            rules.push_back("ends in \"/\" but lacks the folder attribute 0x10");
        if (directory && !slash)
            rules.push_back(
                Format("has a folder attribute (0x%08X) but its name does not end in \"/\"",
                       record.externalAttributes));
        bool folder = directory && slash;

        CheckLocalHeader(bytes, end, record, rules);

        if (nameValid) {
            std::string folded = FoldCase(record.name);
            std::string key = folder ? folded.substr(0, folded.size() - 1) : folded;
            if (key == "B.ZIP")
                rules.push_back(
                    "is named b.zip at the root, the file that the archive is unpacked from");
            // Every folder along the name needs an entry of its own before it.
            for (size_t at = folded.find('/'); at != std::string::npos && at + 1 < folded.size();
                 at = folded.find('/', at + 1)) {
                if (!folders.count(folded.substr(0, at + 1))) {
                    rules.push_back("its folder " + Quoted(record.name.substr(0, at + 1)) +
                                    " has no entry before it");
                    break;
                }
            }
            if (folder && files.count(key))
                rules.push_back("a file " + Quoted(files[key]) +
                                " of the same name comes before it");
            if (!folder && folderNames.count(key))
                rules.push_back("a folder " + Quoted(folderNames[key]) +
                                " of the same name comes before it");
            if (folder) {
                folders.insert(folded);
                folderNames.emplace(key, record.name);
            } else {
                files.emplace(key, record.name);
                if (key == "MORVENA.EXE")
                    hasApplication = true;
            }
        }

        for (std::string &rule : rules)
            problems.push_back({record.name, std::move(rule)});
    }
    if (!hasApplication)
        problems.push_back({{}, "has no file \"Morvena.exe\" at its root"});
    return problems;
}

std::vector<Problem> CheckArchiveFile(const std::string &path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return {{{}, std::string("cannot be read: ") + std::strerror(errno)}};
    if (!S_ISREG(info.st_mode))
        return {{{}, "is not a regular file"}};
    if (static_cast<unsigned long long>(info.st_size) > kMaxArchiveSize)
        return {{{},
                 Format("holds %llu bytes; the installer carries at most %llu",
                        static_cast<unsigned long long>(info.st_size), kMaxArchiveSize)}};

    std::vector<unsigned char> data(static_cast<size_t>(info.st_size));
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return {{{}, std::string("cannot be read: ") + std::strerror(errno)}};
    size_t got = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), file);
    bool failed = got != data.size() || std::ferror(file);
    std::fclose(file);
    if (failed)
        return {{{}, "cannot be read whole"}};
    return CheckArchiveBytes(data.data(), data.size());
}

std::string FormatProblem(const std::string &label, const Problem &problem) {
    std::string line = label + ": ";
    if (problem.entry)
        line += "entry " + Quoted(*problem.entry) + ": ";
    return line + problem.rule;
}

} // namespace payload
