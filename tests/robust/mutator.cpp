#include "mutator.h"

#include "zip_fixture.h"

#include <zlib.h>

#include <algorithm>
#include <functional>

namespace robust {

uint64_t Rng::Next() {
    // splitmix64: every seed gives a full-period stream.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string Input::Describe() const {
    std::string text = "seed " + this->seed;
    for (const std::string &operation : operations)
        text += "; " + operation;
    return text;
}

namespace {

using zip_fixture::Entry;
using zip_fixture::File;
using zip_fixture::Folder;

Seed MakeSeed(const std::string &name, const std::string &bytes) {
    Seed seed;
    seed.name = name;
    seed.bytes = bytes;
    ParseZip(bytes, seed.model);
    return seed;
}

// Sizes and offset of every entry moved into a ZIP64 block of the central
// record, as writers do for large archives, with the real values.
std::string PromotedToZip64(const std::string &bytes) {
    ZipModel model;
    ParseZip(bytes, model);
    std::vector<uint64_t> offsets = LocalOffsets(model);
    for (CentralRecord &c : model.centrals) {
        c.extra += Zip64ExtraBlock({c.uncompressedSize, c.compressedSize, offsets[c.local]});
        c.uncompressedSize = c.compressedSize = 0xFFFFFFFF;
        c.rawOffset = 0xFFFFFFFF;
    }
    model.zip64.present = true;
    model.end.countOnDisk = model.end.count = 0xFFFF;
    model.end.centralSize = model.end.centralOffset = 0xFFFFFFFF;
    return WriteZip(model);
}

std::vector<Seed> SmallSeeds() {
    using zip_fixture::Build;
    using zip_fixture::SampleBytes;
    using zip_fixture::UtBlock;
    std::vector<Seed> seeds;
    seeds.push_back(MakeSeed("stored", Build({File("a.txt", "hello", 0)})));
    seeds.push_back(MakeSeed("deflated", Build({File("readme.txt", SampleBytes(3000, 1))})));
    seeds.push_back(
        MakeSeed("folders", Build({Folder("d/"), File("d/a.txt", SampleBytes(700, 2)),
                                   Folder("d/e/"), File("d/e/b.bin", SampleBytes(300, 3), 0)})));
    // 淺 is 9C 5C: its trail byte is a "\".
    seeds.push_back(MakeSeed("gbk names", Build({Folder("淺/"), File("淺/說明.txt", "說明 text"),
                                                 File("文件淺", SampleBytes(200, 4))})));
    Entry stamped = File("stamped.txt", SampleBytes(400, 5));
    stamped.localExtra = UtBlock(7, {1600000000, 1500000000, 1400000000});
    stamped.centralExtra = UtBlock(1, {1600000000});
    Entry streamed = File("streamed.txt", SampleBytes(500, 6));
    streamed.dataDescriptor = true;
    seeds.push_back(MakeSeed("extra fields and a descriptor", Build({stamped, streamed})));
    seeds.push_back(MakeSeed("several pieces", Build({File("big.bin", SampleBytes(40000, 7))})));
    Entry readOnly = File("ro.txt", "read-only", 0);
    readOnly.externalAttributes = 0x00000021;
    Entry hidden = File("hidden.sys", "hidden system", 0);
    hidden.externalAttributes = 0x00000006;
    seeds.push_back(MakeSeed(
        "empty and attributes",
        Build({File("empty.txt", "", 0), File("empty.z", "", 8), Folder("f/"), readOnly, hidden})));
    seeds.push_back(MakeSeed("zip64", PromotedToZip64(Build({File("a.txt", SampleBytes(600, 8)),
                                                             File("b.txt", "b", 0)}))));
    return seeds;
}

// ---- edits of the records -------------------------------------------------

CentralRecord *PickCentral(Rng &rng, ZipModel &m) {
    return m.centrals.empty() ? nullptr : &m.centrals[rng.Below(m.centrals.size())];
}

LocalRecord *LocalOf(ZipModel &m, const CentralRecord *c) {
    return c && c->local >= 0 && c->local < static_cast<int>(m.locals.size()) ? &m.locals[c->local]
                                                                              : nullptr;
}

std::string RandomBytes(Rng &rng, size_t length) {
    std::string bytes(length, '\0');
    for (char &b : bytes)
        b = static_cast<char>(rng.Next());
    return bytes;
}

const char *const kHostileNames[] = {
    "../x.txt",
    "..\\x.txt",
    "a/../../x.txt",
    "..",
    "../",
    "a/..",
    "/x.txt",
    "\\x.txt",
    "//server/share/x",
    "C:x.txt",
    "C:/x.txt",
    "c:\\x.txt",
    "x.txt:s",
    "x.txt::$DATA",
    "CON",
    "nul.txt",
    "a/aux/b",
    "COM1.log",
    "LPT9",
    "x.",
    "x ",
    "a//b",
    "a/./b",
    "\x9C\x5C/x.txt",
    "\x9C/x.txt",
    "a\x9C",
    "\x9C\x5C..\\x.txt",
    "x/",
    "",
    ".",
    "...",
    " ../x",
};

std::string HostileName(Rng &rng, const std::string &name) {
    switch (rng.Below(4)) {
    case 0: {
        std::string edited = name;
        static const char *const kPieces[] = {"/",        "\\",   "..",  ".",  ":",  " ",
                                              "\x9C\x5C", "\x81", "CON", "~1", "../"};
        std::string piece = rng.Chance(10) ? std::string(1, '\0') : kPieces[rng.Below(11)];
        edited.insert(rng.Below(edited.size() + 1), piece);
        return edited;
    }
    case 1: {
        static const size_t kLengths[] = {255, 259, 260, 261, 300, 1000};
        std::string longName(kLengths[rng.Below(6)], 'n');
        if (rng.Chance(50))
            longName.replace(0, std::min(name.size(), longName.size()), name);
        return longName;
    }
    default:
        return kHostileNames[rng.Below(sizeof kHostileNames / sizeof kHostileNames[0])];
    }
}

void EditName(Rng &rng, ZipModel &m) {
    CentralRecord *c = PickCentral(rng, m);
    if (!c)
        return;
    LocalRecord *l = LocalOf(m, c);
    std::string name = HostileName(rng, c->name);
    int where = static_cast<int>(rng.Below(10));
    if (where < 8 || !l) {
        c->name = name;
        if (l)
            l->name = name;
    } else if (where == 8) {
        c->name = name;
    } else {
        l->name = name;
    }
}

std::string UtData(Rng &rng) {
    std::string data(1, static_cast<char>(rng.Next()));
    size_t times = rng.Below(5);
    for (size_t k = 0; k < times; ++k)
        AppendLe(data, 4, rng.Chance(20) ? 0x80000000u + rng.Below(100) : rng.Below(0x7FFFFFFF));
    return data.substr(0, rng.Chance(70) ? data.size() : rng.Below(data.size() + 1));
}

std::string Block(uint16_t id, const std::string &data, int64_t lengthField = -1) {
    std::string block;
    AppendLe(block, 2, id);
    AppendLe(block, 2, lengthField >= 0 ? static_cast<uint64_t>(lengthField) : data.size());
    return block + data;
}

void EditExtra(Rng &rng, ZipModel &m) {
    CentralRecord *c = PickCentral(rng, m);
    if (!c)
        return;
    LocalRecord *l = LocalOf(m, c);
    switch (rng.Below(6)) {
    case 0: // a "UT" block, its flags and times as they come
        if (l)
            l->extra =
                rng.Chance(50) ? Block(0x5455, UtData(rng)) : l->extra + Block(0x5455, UtData(rng));
        break;
    case 1: { // a block whose length runs past the field
        std::string block = Block(static_cast<uint16_t>(rng.Next()), RandomBytes(rng, rng.Below(8)),
                                  rng.Chance(50) ? 0xFFFF : 8 + rng.Below(64));
        (l && rng.Chance(50) ? l->extra : c->extra) += block;
        break;
    }
    case 2:
    case 3: { // ZIP64 values in the central record, the upper halves not always 0
        std::vector<uint64_t> offsets = LocalOffsets(m);
        auto high = [&rng]() -> uint64_t {
            switch (rng.Below(4)) {
            case 0:
            case 1:
                return 0;
            case 2:
                return 1ull << 32;
            default:
                return (rng.Next() & 0xFFFF) << 32;
            }
        };
        std::vector<uint64_t> values;
        bool sizes = rng.Chance(80);
        if (sizes) {
            values.push_back(c->uncompressedSize + high());
            values.push_back(c->compressedSize + high());
            c->uncompressedSize = c->compressedSize = 0xFFFFFFFF;
        }
        if (!sizes || rng.Chance(30)) {
            uint64_t offset = l ? offsets[c->local] : 0;
            values.push_back(offset + high());
            c->rawOffset = 0xFFFFFFFF;
        }
        c->extra += Zip64ExtraBlock(values);
        // As a streaming writer leaves it: sizes in a descriptor after the data.
        if (sizes && l && rng.Chance(50)) {
            l->flags |= 0x0008;
            std::string descriptor;
            AppendLe(descriptor, 4, kDescriptorSignature);
            AppendLe(descriptor, 4, l->crc);
            AppendLe(descriptor, 8, values[1]);
            AppendLe(descriptor, 8, values[0]);
            l->crc = l->compressedSize = l->uncompressedSize = 0;
            l->trailer = descriptor;
        }
        break;
    }
    case 4: // ZIP64 sizes in the local header
        if (l) {
            l->extra += Zip64ExtraBlock({l->uncompressedSize, l->compressedSize});
            l->uncompressedSize = l->compressedSize = 0xFFFFFFFF;
        }
        break;
    default: { // a field cut anywhere
        std::string &extra = l && rng.Chance(50) ? l->extra : c->extra;
        extra = extra.substr(0, rng.Below(extra.size() + 1));
        break;
    }
    }
}

void EditEntries(Rng &rng, ZipModel &m) {
    if (m.centrals.empty())
        return;
    size_t i = rng.Below(m.centrals.size());
    switch (rng.Below(9)) {
    case 0: { // the same entry twice, or with its name in other letter case
        LocalRecord *l = LocalOf(m, &m.centrals[i]);
        if (!l)
            return;
        LocalRecord local = *l;
        CentralRecord central = m.centrals[i];
        if (rng.Chance(40))
            for (char &ch : central.name)
                if (ch >= 'a' && ch <= 'z')
                    ch = static_cast<char>(ch - 'a' + 'A');
        local.name = central.name;
        central.local = static_cast<int>(m.locals.size());
        m.locals.push_back(local);
        m.centrals.insert(m.centrals.begin() + static_cast<long>(rng.Below(m.centrals.size() + 1)),
                          central);
        break;
    }
    case 1: { // another central record for the same local header
        CentralRecord central = m.centrals[i];
        if (rng.Chance(50) && !central.name.empty())
            central.name[central.name.size() - 1] ^= 0x01;
        m.centrals.push_back(central);
        break;
    }
    case 2: // pointing to another entry's local header
        m.centrals[i].local = static_cast<int>(rng.Below(m.locals.size()));
        break;
    case 3:
        m.centrals.erase(m.centrals.begin() + static_cast<long>(i));
        break;
    case 4: { // a local record gone: the offsets of its central records now point elsewhere
        int gone = m.centrals[i].local;
        if (gone < 0 || gone >= static_cast<int>(m.locals.size()))
            return;
        std::vector<uint64_t> offsets = LocalOffsets(m);
        for (CentralRecord &c : m.centrals) {
            if (c.local == gone)
                c.rawOffset = static_cast<int64_t>(offsets[gone]);
            else if (c.local > gone)
                --c.local;
        }
        m.locals.erase(m.locals.begin() + gone);
        break;
    }
    case 5:
        if (rng.Chance(50))
            std::reverse(m.centrals.begin(), m.centrals.end());
        else
            std::swap(m.centrals[i], m.centrals[rng.Below(m.centrals.size())]);
        break;
    case 6: // a folder taken for a file, or a file for a folder
        m.centrals[i].externalAttributes ^= rng.Chance(50) ? 0x10 : 0x40000010;
        break;
    case 7: { // a file of an earlier folder's name, or a folder of an earlier file's name
        CentralRecord central = m.centrals[i];
        LocalRecord *l = LocalOf(m, &central);
        if (!l)
            return;
        LocalRecord local = *l;
        bool folder = central.externalAttributes & 0x10;
        std::string name = central.name;
        if (folder && !name.empty() && name.back() == '/')
            name.pop_back();
        else if (!folder)
            name += '/';
        central.name = local.name = name;
        central.externalAttributes ^= 0x10;
        central.local = static_cast<int>(m.locals.size());
        m.locals.push_back(local);
        m.centrals.push_back(central);
        break;
    }
    default: { // many copies of one entry
        size_t copies = 2 + rng.Below(100);
        CentralRecord central = m.centrals[i];
        for (size_t k = 0; k < copies; ++k)
            m.centrals.push_back(central);
        break;
    }
    }
}

void EditEndRecords(Rng &rng, ZipModel &m) {
    switch (rng.Below(7)) {
    case 0: { // something in front: a stub, or a copy of the first local header
        std::string stub = rng.Chance(50) || m.locals.empty()
                               ? RandomBytes(rng, 1 + rng.Below(64))
                               : WriteZip(m).substr(0, 30 + m.locals[0].name.size());
        if (rng.Chance(30))
            stub = "MZ" + stub;
        m.prefix = stub + m.prefix;
        m.prefixCounted = rng.Chance(50);
        break;
    }
    case 1: // bytes after the end record, now and then another end record among them
        m.trailing += RandomBytes(rng, rng.Below(100));
        if (rng.Chance(40)) {
            std::string fake;
            AppendLe(fake, 4, kEndSignature);
            fake += RandomBytes(rng, rng.Below(22));
            m.trailing += fake;
        }
        break;
    case 2: // an archive comment, its length right or wrong
        m.end.comment = RandomBytes(rng, rng.Below(200));
        if (rng.Chance(30))
            m.end.commentLength = static_cast<int32_t>(rng.Below(0x10000));
        break;
    case 3: { // a ZIP64 end record, its counts not always those of the records
        m.zip64.present = true;
        int64_t real = static_cast<int64_t>(m.centrals.size());
        switch (rng.Below(4)) {
        case 0:
            m.zip64.count = m.zip64.countOnDisk = real + (1ll << 32);
            break;
        case 1:
            m.zip64.count = m.zip64.countOnDisk = static_cast<int64_t>(rng.Next() >> 1);
            break;
        case 2:
            m.zip64.centralOffset = static_cast<int64_t>(rng.Next() >> 1);
            break;
        default:
            break;
        }
        if (rng.Chance(50))
            m.end.count = m.end.countOnDisk = 0xFFFF;
        break;
    }
    case 4: { // counts of the end record
        int32_t real = static_cast<int32_t>(m.centrals.size());
        const int32_t values[] = {
            0, 1, real - 1, real + 1, 0xFFFF, 0x8000, static_cast<int32_t>(rng.Below(0x10000))};
        int32_t value = values[rng.Below(7)] & 0xFFFF;
        if (rng.Chance(70))
            m.end.count = m.end.countOnDisk = value;
        else
            (rng.Chance(50) ? m.end.count : m.end.countOnDisk) = value;
        break;
    }
    case 5: { // where the central directory is and how long it is
        int64_t guess = static_cast<int64_t>(WriteZip(m).size());
        const int64_t values[] = {0,     1,         0xFFFFFFFF,
                                  guess, guess * 2, static_cast<int64_t>(rng.Below(guess + 1))};
        (rng.Chance(50) ? m.end.centralOffset : m.end.centralSize) = values[rng.Below(6)];
        break;
    }
    default: // disk numbers
        (rng.Chance(50) ? m.end.disk : m.end.centralDisk) = static_cast<uint16_t>(1 + rng.Below(3));
        break;
    }
}

std::string Deflated(const std::string &bytes) {
    return zip_fixture::Deflate(bytes);
}

void EditData(Rng &rng, ZipModel &m) {
    CentralRecord *c = PickCentral(rng, m);
    LocalRecord *l = LocalOf(m, c);
    if (!l)
        return;
    switch (rng.Below(7)) {
    case 0:
        l->data = RandomBytes(rng, l->data.size());
        break;
    case 1: // stored taken for deflated and the other way round
        c->method = l->method = c->method == 8 ? 0 : 8;
        break;
    case 2: // an entry that claims 4 GB unpacked
        c->uncompressedSize = 0xFFFFFFFF;
        if (rng.Chance(70))
            l->uncompressedSize = 0xFFFFFFFF;
        break;
    case 3:
        l->data.resize(rng.Below(l->data.size() + 1));
        break;
    case 4: { // a small bomb: 1 MiB of zeros, its sizes true or not
        std::string zeros(1 << 20, '\0');
        l->data = Deflated(zeros);
        c->method = l->method = 8;
        c->compressedSize = l->compressedSize = static_cast<uint32_t>(l->data.size());
        uint32_t crc = zip_fixture::Crc32(zeros);
        c->crc = l->crc = rng.Chance(80) ? crc : crc ^ 1;
        c->uncompressedSize = l->uncompressedSize =
            rng.Chance(70) ? 1u << 20 : static_cast<uint32_t>(rng.Below(2u << 20));
        break;
    }
    case 5:
        c->crc = l->crc = c->crc ^ (1u << rng.Below(32));
        break;
    default: { // sizes off by a little, in both headers
        uint32_t delta = static_cast<uint32_t>(rng.Below(5)) - 2;
        if (rng.Chance(50))
            c->uncompressedSize = l->uncompressedSize = c->uncompressedSize + delta;
        else
            c->compressedSize = l->compressedSize = c->compressedSize + delta;
        break;
    }
    }
}

// ---- edits of the bytes ---------------------------------------------------

uint64_t Interesting(Rng &rng, int width, uint64_t old, const std::string &bytes,
                     const std::vector<FieldSpot> &spots, FieldKind kind) {
    uint64_t mask = width == 8 ? ~0ull : (1ull << (8 * width)) - 1;
    if (kind == FieldKind::Method) {
        static const uint64_t kMethods[] = {0, 1, 6, 8, 9, 12, 14, 19, 93, 95, 98, 99, 0xFFFF};
        return kMethods[rng.Below(13)];
    }
    if (kind == FieldKind::Flags) {
        static const uint64_t kBits[] = {0x0001, 0x0008, 0x0800, 0x0040, 0x2000, 0x0006};
        switch (rng.Below(4)) {
        case 0:
            return 0;
        case 1:
            return 0xFFFF;
        default:
            return old ^ kBits[rng.Below(6)];
        }
    }
    switch (rng.Below(10)) {
    case 0: {
        static const uint64_t kValues[] = {0,       1,          2,          0x7F,       0x80,
                                           0xFF,    0x100,      0x7FFF,     0x8000,     0xFFFF,
                                           0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
        return kValues[rng.Below(15)] & mask;
    }
    case 1:
    case 2:
        return (old + rng.Below(33) - 16) & mask;
    case 3:
        return old ^ (1ull << rng.Below(8 * width));
    case 4:
        return (bytes.size() - rng.Below(64)) & mask;
    case 5: { // the value of another field of the same kind
        std::vector<const FieldSpot *> same;
        for (const FieldSpot &spot : spots)
            if (spot.kind == kind)
                same.push_back(&spot);
        const FieldSpot *other = same.empty() ? nullptr : same[rng.Below(same.size())];
        return other ? ReadLe(bytes, other->position, other->width) & mask : old;
    }
    case 6:
        return width == 8 ? old + (1ull << 32) * (1 + rng.Below(3)) : (old * 2) & mask;
    case 7:
        return old / 2;
    default:
        return rng.Next() & mask;
    }
}

const char *KindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::Size:
        return "sizes";
    case FieldKind::Offset:
        return "offsets";
    case FieldKind::NameLength:
        return "name lengths";
    case FieldKind::ExtraLength:
        return "extra and comment lengths";
    case FieldKind::Count:
        return "counts and disk numbers";
    case FieldKind::Method:
        return "methods";
    case FieldKind::Flags:
        return "flags";
    default:
        return "CRC, versions, attributes";
    }
}

size_t NearARecord(Rng &rng, const std::string &bytes, const std::vector<FieldSpot> &spots) {
    // Large inputs are mostly data: aim most changes at their records.
    if (bytes.size() > 65536 && !spots.empty() && rng.Chance(80)) {
        size_t at = spots[rng.Below(spots.size())].position + rng.Below(48);
        return at < bytes.size() ? at : bytes.size() - 1;
    }
    return rng.Below(bytes.size());
}

std::string EditBytes(Rng &rng, std::string &bytes, const Corpus &corpus) {
    if (bytes.empty())
        bytes = "PK";
    std::vector<FieldSpot> spots = FindFields(bytes);
    int roll = static_cast<int>(rng.Below(100));
    if (roll < 15) {
        size_t flips = 1 + rng.Below(8);
        for (size_t k = 0; k < flips; ++k)
            bytes[NearARecord(rng, bytes, spots)] ^= static_cast<char>(1 << rng.Below(8));
        return "bit flips";
    }
    if (roll < 25) {
        static const char kBytes[] = {0x00, '\xFF', 0x7F, '\x80', '/', '\\', '.', ':', 0x01};
        size_t count = 1 + rng.Below(4);
        for (size_t k = 0; k < count; ++k)
            bytes[NearARecord(rng, bytes, spots)] = kBytes[rng.Below(sizeof kBytes)];
        return "bytes set";
    }
    if (roll < 35) {
        size_t keep = rng.Chance(50)
                          ? rng.Below(bytes.size())
                          : bytes.size() - 1 - rng.Below(std::min<size_t>(bytes.size(), 80));
        bytes.resize(keep);
        return "truncation";
    }
    if (roll < 45) {
        const std::vector<Seed> &seeds = corpus.Small();
        const std::string &other = rng.Chance(25) ? bytes : seeds[rng.Below(seeds.size())].bytes;
        if (rng.Chance(30)) {
            bytes += other; // two archives end to end
        } else {
            size_t cut = rng.Below(bytes.size() + 1);
            size_t from = rng.Below(other.size() + 1);
            bytes = bytes.substr(0, cut) + other.substr(from);
        }
        return "splicing";
    }
    if (roll < 52) {
        size_t from = rng.Below(bytes.size());
        size_t length = 1 + rng.Below(std::min<size_t>(bytes.size() - from, 256));
        switch (rng.Below(3)) {
        case 0:
            bytes.insert(rng.Below(bytes.size() + 1), bytes.substr(from, length));
            break;
        case 1:
            bytes.erase(from, length);
            break;
        default:
            bytes.insert(rng.Below(bytes.size() + 1), RandomBytes(rng, length));
            break;
        }
        return "chunks moved";
    }
    if (spots.empty())
        return "bit flips";
    const FieldSpot &spot = spots[rng.Below(spots.size())];
    uint64_t old = ReadLe(bytes, spot.position, spot.width);
    WriteLe(bytes, spot.position, spot.width,
            Interesting(rng, spot.width, old, bytes, spots, spot.kind));
    return KindName(spot.kind);
}

ZipModel Excerpt(Rng &rng, const Corpus &corpus) {
    const ZipModel &payload = corpus.Payload().model;
    const std::vector<int> &small = corpus.SmallPayloadEntries();
    size_t take = 1 + rng.Below(4);
    size_t first = rng.Chance(85) && !small.empty() ? small[rng.Below(small.size())]
                                                    : rng.Below(payload.centrals.size());
    std::vector<size_t> chosen;
    for (size_t k = first; k < payload.centrals.size() && chosen.size() < take; ++k) {
        bool large = payload.locals[payload.centrals[k].local].data.size() > 65536;
        if (!large || k == first || rng.Chance(20))
            chosen.push_back(k);
    }
    // The folder entries above the entries taken come first, as in the payload,
    // so that the excerpt unpacks unless it is changed.
    std::vector<size_t> folders;
    for (size_t k : chosen) {
        const std::string &name = payload.centrals[k].name;
        for (size_t j = 0; j < payload.centrals.size(); ++j) {
            const std::string &folder = payload.centrals[j].name;
            if (j != k && !folder.empty() && folder.back() == '/' &&
                name.compare(0, folder.size(), folder) == 0 &&
                std::find(folders.begin(), folders.end(), j) == folders.end() &&
                std::find(chosen.begin(), chosen.end(), j) == chosen.end())
                folders.push_back(j);
        }
    }
    std::sort(folders.begin(), folders.end());
    chosen.insert(chosen.begin(), folders.begin(), folders.end());
    ZipModel excerpt;
    for (size_t k : chosen) {
        CentralRecord copy = payload.centrals[k];
        copy.local = static_cast<int>(excerpt.locals.size());
        excerpt.locals.push_back(payload.locals[payload.centrals[k].local]);
        excerpt.centrals.push_back(copy);
    }
    return excerpt;
}

} // namespace

Corpus::Corpus(const std::string &payload) : small_(SmallSeeds()) {
    if (payload.empty())
        return;
    payload_ = MakeSeed("default payload", payload);
    for (size_t k = 0; k < payload_.model.centrals.size(); ++k)
        if (payload_.model.locals[payload_.model.centrals[k].local].data.size() <= 65536)
            smallPayloadEntries_.push_back(static_cast<int>(k));
}

Input MakeInput(const Corpus &corpus, uint64_t campaignSeed, uint64_t index) {
    Rng rng(campaignSeed * 0x9E3779B97F4A7C15ull + index);
    Input input;
    ZipModel model;
    int pick = static_cast<int>(rng.Below(100));
    if (corpus.HasPayload() && pick < 3) {
        input.seed = "default payload";
        model = corpus.Payload().model;
    } else if (corpus.HasPayload() && pick < 18) {
        input.seed = "payload excerpt";
        model = Excerpt(rng, corpus);
    } else {
        const Seed &seed = corpus.Small()[rng.Below(corpus.Small().size())];
        input.seed = seed.name;
        model = seed.model;
    }

    using Edit = void (*)(Rng &, ZipModel &);
    static const struct {
        const char *name;
        Edit edit;
    } kRecordEdits[] = {
        {"names", EditName},
        {"extra fields", EditExtra},
        {"entries duplicated, overlapping, dropped", EditEntries},
        {"end records", EditEndRecords},
        {"entry data", EditData},
    };
    size_t recordEdits = rng.Chance(55) ? 1 + rng.Below(2) : 0;
    for (size_t k = 0; k < recordEdits; ++k) {
        const auto &edit = kRecordEdits[rng.Below(5)];
        edit.edit(rng, model);
        input.operations.push_back(edit.name);
    }
    input.bytes = WriteZip(model);
    size_t byteEdits = recordEdits == 0 ? 1 + rng.Below(3) : rng.Below(2);
    for (size_t k = 0; k < byteEdits; ++k)
        input.operations.push_back(EditBytes(rng, input.bytes, corpus));
    return input;
}

} // namespace robust
