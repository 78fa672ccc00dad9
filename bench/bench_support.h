// What every Windows-side benchmark shares: the clock, the results file and
// the few file helpers the runs need between measurements.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Seconds since an arbitrary start, from the performance counter.
double Now();

// Appends one tab-separated line per figure: section, case, metric, run, value, unit.
class Results {
  public:
    explicit Results(const char *path);
    ~Results();
    bool Ok() const { return file_ != nullptr; }
    void Add(const char *section, const std::string &caseName, const char *metric, int run,
             double value, const char *unit);

  private:
    FILE *file_;
};

bool ReadWholeFile(const std::string &path, std::vector<unsigned char> &bytes);
bool Exists(const std::string &path);
// Removes a tree left by an earlier run; false (with a message) if it stays.
bool ClearFolder(const std::string &path);
// Number of entries in the archive's central directory, or -1.
long ArchiveEntryCount(const std::string &path);

// Stops the run with a message on standard error.
[[noreturn]] void Fail(const char *what, const std::string &detail);

} // namespace bench
