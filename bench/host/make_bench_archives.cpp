// make_bench_archives small N OUTPUT | large MIB OUTPUT
// Writes the synthetic archives the benchmarks unpack, the same bytes on
// every run:
//   small: N small text files in N/100 folders (each folder before its files);
//   large: one file of MIB MiB, its first half compressible, its second random.
#include "payload_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() { // splitmix64
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    unsigned Between(unsigned low, unsigned high) {
        return low + static_cast<unsigned>(Next() % (high - low + 1));
    }

  private:
    uint64_t state_;
};

const char *const kWords[] = {"window", "file",    "folder", "setting", "program", "theme",
                              "colour", "install", "update", "plugin",  "page",    "light",
                              "is",     "can",     "opens",  "keeps",   "with",    "from",
                              "and",    "when",    "each",   "small",   "fast",    "text"};
const uint32_t kTime = payload::DosDateTime(2024, 5, 20, 14, 32, 8);

// Text that deflates as prose does, to about a third.
void AppendText(Random &random, std::vector<unsigned char> &out, size_t size) {
    size_t column = 0;
    while (out.size() < size) {
        const char *word = kWords[random.Next() % (sizeof kWords / sizeof kWords[0])];
        out.insert(out.end(), word, word + std::strlen(word));
        column += std::strlen(word) + 1;
        if (column > 70) {
            out.push_back('\r');
            out.push_back('\n');
            column = 0;
        } else {
            out.push_back(' ');
        }
    }
    out.resize(size);
}

void AppendNoise(Random &random, std::vector<unsigned char> &out, size_t size) {
    size_t at = out.size();
    out.resize(at + size);
    for (size_t i = at; i < out.size(); i += 8) {
        uint64_t value = random.Next();
        for (size_t j = i; j < i + 8 && j < out.size(); ++j, value >>= 8)
            out[j] = static_cast<unsigned char>(value);
    }
}

std::vector<payload::ArchiveEntry> SmallFiles(unsigned files) {
    std::vector<payload::ArchiveEntry> entries;
    Random random(files);
    const unsigned perFolder = 100;
    char name[64];
    for (unsigned f = 0; f < files; ++f) {
        if (f % perFolder == 0) {
            std::snprintf(name, sizeof name, "d%03u/", f / perFolder);
            entries.push_back({name, {}, false, kTime, payload::kFolderAttributes});
        }
        std::snprintf(name, sizeof name, "d%03u/f%05u.txt", f / perFolder, f);
        payload::ArchiveEntry entry{name, {}, true, kTime, payload::kFileAttributes};
        AppendText(random, entry.data, random.Between(200, 4000));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<payload::ArchiveEntry> LargeFile(size_t mebibytes) {
    Random random(mebibytes);
    payload::ArchiveEntry entry{"large.bin", {}, true, kTime, payload::kFileAttributes};
    size_t size = mebibytes << 20;
    entry.data.reserve(size);
    AppendText(random, entry.data, size / 2);
    AppendNoise(random, entry.data, size - size / 2);
    return {entry};
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4 || (std::strcmp(argv[1], "small") != 0 && std::strcmp(argv[1], "large") != 0)) {
        std::fprintf(stderr, "usage: make_bench_archives small N OUTPUT | large MIB OUTPUT\n");
        return 2;
    }
    long count = std::atol(argv[2]);
    if (count <= 0) {
        std::fprintf(stderr, "make_bench_archives: %s is not a positive count\n", argv[2]);
        return 2;
    }
    std::vector<payload::ArchiveEntry> entries = std::strcmp(argv[1], "small") == 0
                                                     ? SmallFiles(static_cast<unsigned>(count))
                                                     : LargeFile(static_cast<size_t>(count));
    std::string error;
    if (!payload::WriteArchive(argv[3], entries, error)) {
        std::fprintf(stderr, "make_bench_archives: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
