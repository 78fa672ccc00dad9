#include "zip_records.h"

#include <map>

namespace robust {

uint64_t ReadLe(const std::string &bytes, size_t position, int width) {
    uint64_t value = 0;
    for (int k = width - 1; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(bytes[position + k]);
    return value;
}

void WriteLe(std::string &bytes, size_t position, int width, uint64_t value) {
    for (int k = 0; k < width; ++k)
        bytes[position + k] = static_cast<char>(value >> (8 * k));
}

void AppendLe(std::string &out, int width, uint64_t value) {
    for (int k = 0; k < width; ++k)
        out += static_cast<char>(value >> (8 * k));
}

std::string Zip64ExtraBlock(const std::vector<uint64_t> &values) {
    std::string block;
    AppendLe(block, 2, 0x0001);
    AppendLe(block, 2, values.size() * 8);
    for (uint64_t value : values)
        AppendLe(block, 8, value);
    return block;
}

namespace {

bool Has(const std::string &bytes, size_t position, size_t length) {
    return position <= bytes.size() && length <= bytes.size() - position;
}

uint32_t Length(int32_t field, const std::string &text) {
    return field >= 0 ? static_cast<uint32_t>(field) : static_cast<uint32_t>(text.size());
}

} // namespace

bool ParseZip(const std::string &bytes, ZipModel &model) {
    model = ZipModel();
    if (bytes.size() < 22)
        return false;
    size_t end = std::string::npos;
    for (size_t p = bytes.size() - 22 + 1; p-- > 0;) {
        if (ReadLe(bytes, p, 4) == kEndSignature) {
            end = p;
            break;
        }
        if (bytes.size() - p > 0xFFFF + 22)
            break;
    }
    if (end == std::string::npos)
        return false;
    uint64_t count = ReadLe(bytes, end + 10, 2);
    uint64_t centralOffset = ReadLe(bytes, end + 16, 4);
    size_t commentLength = ReadLe(bytes, end + 20, 2);
    if (!Has(bytes, end + 22, commentLength))
        return false;
    model.end.comment = bytes.substr(end + 22, commentLength);
    model.trailing = bytes.substr(end + 22 + commentLength);
    // A ZIP64 end record, found by its locator right before the end record,
    // holds the true count and offset; the end record keeps what it holds.
    if (end >= 20 && ReadLe(bytes, end - 20, 4) == kZip64LocatorSignature) {
        uint64_t record = ReadLe(bytes, end - 20 + 8, 8);
        if (!Has(bytes, record, 56) || ReadLe(bytes, record, 4) != kZip64EndSignature)
            return false;
        model.zip64.present = true;
        count = ReadLe(bytes, record + 32, 8);
        centralOffset = ReadLe(bytes, record + 48, 8);
        model.end.countOnDisk = static_cast<int32_t>(ReadLe(bytes, end + 8, 2));
        model.end.count = static_cast<int32_t>(ReadLe(bytes, end + 10, 2));
        model.end.centralSize = static_cast<int64_t>(ReadLe(bytes, end + 12, 4));
        model.end.centralOffset = static_cast<int64_t>(ReadLe(bytes, end + 16, 4));
    }

    if (count > bytes.size() || centralOffset > bytes.size())
        return false;
    std::map<size_t, int> localAt;
    size_t p = static_cast<size_t>(centralOffset);
    size_t firstLocal = p;
    for (size_t i = 0; i < count; ++i) {
        if (!Has(bytes, p, 46) || ReadLe(bytes, p, 4) != kCentralSignature)
            return false;
        CentralRecord c;
        c.madeBy = static_cast<uint16_t>(ReadLe(bytes, p + 4, 2));
        c.version = static_cast<uint16_t>(ReadLe(bytes, p + 6, 2));
        c.flags = static_cast<uint16_t>(ReadLe(bytes, p + 8, 2));
        c.method = static_cast<uint16_t>(ReadLe(bytes, p + 10, 2));
        c.dosDateTime = static_cast<uint32_t>(ReadLe(bytes, p + 12, 4));
        c.crc = static_cast<uint32_t>(ReadLe(bytes, p + 16, 4));
        c.compressedSize = static_cast<uint32_t>(ReadLe(bytes, p + 20, 4));
        c.uncompressedSize = static_cast<uint32_t>(ReadLe(bytes, p + 24, 4));
        size_t n = ReadLe(bytes, p + 28, 2), m = ReadLe(bytes, p + 30, 2),
               k = ReadLe(bytes, p + 32, 2);
        c.disk = static_cast<uint16_t>(ReadLe(bytes, p + 34, 2));
        c.internalAttributes = static_cast<uint16_t>(ReadLe(bytes, p + 36, 2));
        c.externalAttributes = static_cast<uint32_t>(ReadLe(bytes, p + 38, 4));
        uint64_t offset = ReadLe(bytes, p + 42, 4);
        if (!Has(bytes, p + 46, n + m + k))
            return false;
        c.name = bytes.substr(p + 46, n);
        c.extra = bytes.substr(p + 46 + n, m);
        c.comment = bytes.substr(p + 46 + n + m, k);
        p += 46 + n + m + k;
        // The true values of fields that hold 0xFFFFFFFF, from the ZIP64 block.
        uint64_t compressed = c.compressedSize;
        for (size_t block = 0; block + 4 <= c.extra.size();) {
            size_t blockLength = ReadLe(c.extra, block + 2, 2);
            if (ReadLe(c.extra, block, 2) == 0x0001) {
                size_t value = block + 4;
                auto take = [&](uint64_t &field) {
                    if (field == 0xFFFFFFFF && value + 8 <= c.extra.size()) {
                        field = ReadLe(c.extra, value, 8);
                        value += 8;
                    }
                };
                uint64_t size = c.uncompressedSize;
                take(size);
                take(compressed);
                if (offset == 0xFFFFFFFF) {
                    c.rawOffset = 0xFFFFFFFF;
                    take(offset);
                }
                break;
            }
            block += 4 + blockLength;
        }

        if (offset > bytes.size() || compressed > bytes.size())
            return false;
        const size_t at = static_cast<size_t>(offset), length = static_cast<size_t>(compressed);
        if (localAt.find(at) == localAt.end()) {
            if (!Has(bytes, at, 30) || ReadLe(bytes, at, 4) != kLocalSignature)
                return false;
            LocalRecord l;
            l.version = static_cast<uint16_t>(ReadLe(bytes, at + 4, 2));
            l.flags = static_cast<uint16_t>(ReadLe(bytes, at + 6, 2));
            l.method = static_cast<uint16_t>(ReadLe(bytes, at + 8, 2));
            l.dosDateTime = static_cast<uint32_t>(ReadLe(bytes, at + 10, 4));
            l.crc = static_cast<uint32_t>(ReadLe(bytes, at + 14, 4));
            l.compressedSize = static_cast<uint32_t>(ReadLe(bytes, at + 18, 4));
            l.uncompressedSize = static_cast<uint32_t>(ReadLe(bytes, at + 22, 4));
            size_t ln = ReadLe(bytes, at + 26, 2), lm = ReadLe(bytes, at + 28, 2);
            size_t data = at + 30 + ln + lm;
            if (!Has(bytes, at + 30, ln + lm) || !Has(bytes, data, length))
                return false;
            l.name = bytes.substr(at + 30, ln);
            l.extra = bytes.substr(at + 30 + ln, lm);
            l.data = bytes.substr(data, length);
            if (l.flags & 0x0008) {
                size_t after = data + length;
                size_t trailerLength =
                    Has(bytes, after, 4) && ReadLe(bytes, after, 4) == kDescriptorSignature ? 16
                                                                                            : 12;
                if (!Has(bytes, after, trailerLength))
                    return false;
                l.trailer = bytes.substr(after, trailerLength);
            }
            localAt[at] = static_cast<int>(model.locals.size());
            model.locals.push_back(l);
            if (at < firstLocal)
                firstLocal = at;
        }
        c.local = localAt[at];
        model.centrals.push_back(c);
    }
    model.prefix = bytes.substr(0, firstLocal);
    return true;
}

std::vector<uint64_t> LocalOffsets(const ZipModel &model) {
    std::vector<uint64_t> offsets;
    uint64_t at = model.prefixCounted ? model.prefix.size() : 0;
    for (const LocalRecord &l : model.locals) {
        offsets.push_back(at);
        at += 30 + l.name.size() + l.extra.size() + l.data.size() + l.trailer.size();
    }
    return offsets;
}

std::string WriteZip(const ZipModel &model) {
    std::string out = model.prefix;
    const size_t base = model.prefixCounted ? 0 : model.prefix.size();
    std::vector<uint64_t> localOffsets;
    for (const LocalRecord &l : model.locals) {
        localOffsets.push_back(out.size() - base);
        AppendLe(out, 4, l.signature);
        AppendLe(out, 2, l.version);
        AppendLe(out, 2, l.flags);
        AppendLe(out, 2, l.method);
        AppendLe(out, 4, l.dosDateTime);
        AppendLe(out, 4, l.crc);
        AppendLe(out, 4, l.compressedSize);
        AppendLe(out, 4, l.uncompressedSize);
        AppendLe(out, 2, Length(l.nameLength, l.name));
        AppendLe(out, 2, Length(l.extraLength, l.extra));
        out += l.name + l.extra + l.data + l.trailer;
    }
    const uint64_t centralOffset = out.size() - base;
    for (const CentralRecord &c : model.centrals) {
        AppendLe(out, 4, c.signature);
        AppendLe(out, 2, c.madeBy);
        AppendLe(out, 2, c.version);
        AppendLe(out, 2, c.flags);
        AppendLe(out, 2, c.method);
        AppendLe(out, 4, c.dosDateTime);
        AppendLe(out, 4, c.crc);
        AppendLe(out, 4, c.compressedSize);
        AppendLe(out, 4, c.uncompressedSize);
        AppendLe(out, 2, Length(c.nameLength, c.name));
        AppendLe(out, 2, Length(c.extraLength, c.extra));
        AppendLe(out, 2, Length(c.commentLength, c.comment));
        AppendLe(out, 2, c.disk);
        AppendLe(out, 2, c.internalAttributes);
        AppendLe(out, 4, c.externalAttributes);
        uint64_t offset = c.rawOffset >= 0 ? static_cast<uint64_t>(c.rawOffset)
                          : c.local >= 0 && c.local < static_cast<int>(localOffsets.size())
                              ? localOffsets[c.local]
                              : 0xFFFFFFFF;
        AppendLe(out, 4, offset);
        out += c.name + c.extra + c.comment;
    }
    const uint64_t centralSize = out.size() - base - centralOffset;
    const uint64_t records = model.centrals.size();
    if (model.zip64.present) {
        const Zip64End &z = model.zip64;
        uint64_t at = out.size() - base;
        AppendLe(out, 4, kZip64EndSignature);
        AppendLe(out, 8, 44);
        AppendLe(out, 2, 0x032D);
        AppendLe(out, 2, 45);
        AppendLe(out, 4, z.disk);
        AppendLe(out, 4, z.centralDisk);
        AppendLe(out, 8, z.countOnDisk >= 0 ? z.countOnDisk : records);
        AppendLe(out, 8, z.count >= 0 ? z.count : records);
        AppendLe(out, 8, z.centralSize >= 0 ? z.centralSize : centralSize);
        AppendLe(out, 8, z.centralOffset >= 0 ? z.centralOffset : centralOffset);
        AppendLe(out, 4, kZip64LocatorSignature);
        AppendLe(out, 4, z.locatorDisk);
        AppendLe(out, 8, z.recordOffset >= 0 ? z.recordOffset : at);
        AppendLe(out, 4, z.totalDisks);
    }
    const EndRecord &e = model.end;
    AppendLe(out, 4, kEndSignature);
    AppendLe(out, 2, e.disk);
    AppendLe(out, 2, e.centralDisk);
    AppendLe(out, 2, e.countOnDisk >= 0 ? e.countOnDisk : records);
    AppendLe(out, 2, e.count >= 0 ? e.count : records);
    AppendLe(out, 4, e.centralSize >= 0 ? e.centralSize : centralSize);
    AppendLe(out, 4, e.centralOffset >= 0 ? e.centralOffset : centralOffset);
    AppendLe(out, 2, Length(e.commentLength, e.comment));
    out += e.comment + model.trailing;
    return out;
}

std::vector<FieldSpot> FindFields(const std::string &bytes) {
    using K = FieldKind;
    struct Layout {
        uint32_t signature;
        size_t size;
        std::vector<FieldSpot> fields; // positions relative to the signature
    };
    static const Layout kLayouts[] = {
        {kLocalSignature,
         30,
         {{4, 2, K::Other},
          {6, 2, K::Flags},
          {8, 2, K::Method},
          {14, 4, K::Other},
          {18, 4, K::Size},
          {22, 4, K::Size},
          {26, 2, K::NameLength},
          {28, 2, K::ExtraLength}}},
        {kCentralSignature,
         46,
         {{6, 2, K::Other},
          {8, 2, K::Flags},
          {10, 2, K::Method},
          {16, 4, K::Other},
          {20, 4, K::Size},
          {24, 4, K::Size},
          {28, 2, K::NameLength},
          {30, 2, K::ExtraLength},
          {32, 2, K::ExtraLength},
          {34, 2, K::Count},
          {38, 4, K::Other},
          {42, 4, K::Offset}}},
        {kEndSignature,
         22,
         {{4, 2, K::Count},
          {6, 2, K::Count},
          {8, 2, K::Count},
          {10, 2, K::Count},
          {12, 4, K::Size},
          {16, 4, K::Offset},
          {20, 2, K::ExtraLength}}},
        {kZip64EndSignature,
         56,
         {{4, 8, K::Size},
          {16, 4, K::Count},
          {20, 4, K::Count},
          {24, 8, K::Count},
          {32, 8, K::Count},
          {40, 8, K::Size},
          {48, 8, K::Offset}}},
        {kZip64LocatorSignature, 20, {{4, 4, K::Count}, {8, 8, K::Offset}, {16, 4, K::Count}}},
        {kDescriptorSignature, 16, {{4, 4, K::Other}, {8, 4, K::Size}, {12, 4, K::Size}}},
    };
    std::vector<FieldSpot> spots;
    for (size_t p = 0; p + 4 <= bytes.size(); ++p) {
        if (bytes[p] != 'P' || bytes[p + 1] != 'K')
            continue;
        uint32_t signature = static_cast<uint32_t>(ReadLe(bytes, p, 4));
        for (const Layout &layout : kLayouts) {
            if (layout.signature != signature || !Has(bytes, p, layout.size))
                continue;
            for (FieldSpot field : layout.fields) {
                field.position += p;
                spots.push_back(field);
            }
        }
    }
    return spots;
}

} // namespace robust
