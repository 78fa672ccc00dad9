// Helpers shared by the test programs. They run under Wine on Linux or
// natively on Windows; paths are ANSI (code page 936) like the product's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// True when the Win32 API underneath is Wine's (ntdll exports wine_get_version).
bool RunningUnderWine();

// A build-time path as the running program can open it: a Unix path (from
// CMake under a cross build) becomes Wine's Z: form; a Windows path is kept.
std::string HostPath(const char *buildPath);

// A new, empty folder under the temporary folder, removed with its contents
// when the object goes. Path() has no trailing backslash.
class ScratchFolder {
  public:
    explicit ScratchFolder(const char *tag = "t");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    const std::string &Path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

bool ReadWholeFile(const std::string &path, std::vector<unsigned char> &bytes);
bool WriteWholeFile(const std::string &path, const void *bytes, size_t size);
bool PathExists(const std::string &path);
// Deletes a tree whatever its attributes (test clean-up, not the product's rule).
void ForceRemoveTree(const std::string &path);

// Saves the whole screen as <name>.bmp in the folder that MORVENA_SCREENSHOTS
// names, when it is set (tools/make-screenshots.sh sets it); else does nothing.
void SaveScreenshot(const char *name);

} // namespace testing_support
