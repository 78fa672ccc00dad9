#include "bench_support.h"

#include "platform/file_operations.h"

#include <minizip/unzip.h>

#include <cstdlib>

namespace bench {

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

Results::Results(const char *path) : file_(std::fopen(path, "a")) {}

Results::~Results() {
    if (file_)
        std::fclose(file_);
}

void Results::Add(const char *section, const std::string &caseName, const char *metric, int run,
                  double value, const char *unit) {
    std::fprintf(file_, "%s\t%s\t%s\t%d\t%.9g\t%s\n", section, caseName.c_str(), metric, run, value,
                 unit);
    // A run cut short still leaves what it measured.
    std::fflush(file_);
}

bool ReadWholeFile(const std::string &path, std::vector<unsigned char> &bytes) {
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    bytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
    bool ok = size >= 0 && std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    return ok;
}

bool Exists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ClearFolder(const std::string &path) {
    if (Exists(path))
        RemoveFolderTree(path.c_str());
    if (Exists(path)) {
        std::fprintf(stderr, "bench: %s could not be removed\n", path.c_str());
        return false;
    }
    return true;
}

long ArchiveEntryCount(const std::string &path) {
    unzFile zip = unzOpen(path.c_str());
    if (!zip)
        return -1;
    unz_global_info info;
    long count = unzGetGlobalInfo(zip, &info) == UNZ_OK ? static_cast<long>(info.number_entry) : -1;
    unzClose(zip);
    return count;
}

void Fail(const char *what, const std::string &detail) {
    std::fprintf(stderr, "bench: %s: %s\n", what, detail.c_str());
    std::exit(1);
}

} // namespace bench
