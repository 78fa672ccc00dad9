// Helpers of the extraction tests: archives in scratch folders, file state,
// and a small window that observes the progress event.
#pragma once

#include "extract/zip_unit.h"
#include "test_support.h"

#include <functional>
#include <string>
#include <vector>

namespace extract_test {

// Writes bytes as a file in folder and returns its path.
std::string WriteArchive(const testing_support::ScratchFolder &folder, const std::string &name,
                         const std::string &bytes);

// ExtractArchive with a unit that has no window, as the installer calls it.
int Extract(const std::string &archivePath, const std::string &targetFolder);

// The file's bytes, or "<missing>" when it cannot be read.
std::string Contents(const std::string &path);
bool IsFolder(const std::string &path);
DWORD Attributes(const std::string &path);
// What GetFileAttributesA reports for a file set to FILE_ATTRIBUTE_NORMAL:
// that on Windows; Wine reports a plain file as FILE_ATTRIBUTE_ARCHIVE.
DWORD ReportedNormalAttributes();

unsigned long long Ticks(const FILETIME &time);
// Creation, last-access and last-write time of a file (0 each when unreadable).
struct FileTimes {
    unsigned long long creation = 0, access = 0, write = 0;
};
FileTimes TimesOf(const std::string &path);
// A DOS date (upper 16 bits) and time read as UTC, as a file time.
unsigned long long DosTicks(uint32_t dosDateTime);
unsigned long long UnixTicks(long long seconds);

// A message-only window as the unit's window; it records every percentage
// raised and answers with answer (false when unset).
class ProgressWindow {
  public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow &) = delete;
    ProgressWindow &operator=(const ProgressWindow &) = delete;

    ZipUnit &Unit() { return unit_; }
    HWND Window() const { return unit_.window; }
    void Destroy();
    std::vector<int> percentages;
    std::function<bool(int percentage)> answer;

  private:
    static bool OnProgress(void *context, int percentage);
    ZipUnit unit_;
};

} // namespace extract_test

namespace extract_test {
// Every file and folder below root, as paths relative to it, folders ending
// in "\", sorted.
std::vector<std::string> ListTree(const std::string &root);
} // namespace extract_test
