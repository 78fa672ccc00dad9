// Fixtures for the platform tests: byte blocks laid out as the build lays
// them, folder links, and a drive letter and a share of the tests' own, so
// that a root spelling can be tried without a real root at stake.
#pragma once

#include "platform/byte_block.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform_fixtures {

// A marker, a length and bytes, as a ByteBlock in the image.
class TestBlock {
  public:
    // The length field is the number of bytes unless given.
    explicit TestBlock(const std::string &bytes, uint32_t marker = 1);
    TestBlock(const std::string &bytes, int32_t length, uint32_t marker = 1);
    const ByteBlock *Get() const { return reinterpret_cast<const ByteBlock *>(storage_.data()); }

  private:
    std::vector<unsigned char> storage_;
};

// The Unix path of a path under Wine (wine_get_unix_file_name); empty elsewhere.
std::string UnixPathOf(const std::string &path);
// Runs a Unix shell command under Wine, which starts non-PE programs
// natively. Wine neither waits for such a program nor passes its exit code
// on, so this waits (up to 10 s) until `done` sees the command's effect.
bool RunUnixCommand(const std::string &command, const std::function<bool()> &done);

// A folder link at `link` to the folder `target`: a Unix symbolic link under
// Wine, which lists it as a reparse point; a junction on Windows, which needs
// no privilege.
class FolderLink {
  public:
    FolderLink(const std::string &link, const std::string &target);
    ~FolderLink();
    FolderLink(const FolderLink &) = delete;
    FolderLink &operator=(const FolderLink &) = delete;
    bool Made() const;

  private:
    std::string link_;
};

// A free drive letter mapped to a folder: a dosdevices link under Wine, a
// DefineDosDevice mapping on Windows.
class ScratchDrive {
  public:
    explicit ScratchDrive(const std::string &folder);
    ~ScratchDrive();
    ScratchDrive(const ScratchDrive &) = delete;
    ScratchDrive &operator=(const ScratchDrive &) = delete;
    char Letter() const { return letter_; } // 0 when none could be had

  private:
    std::string target_;
    char letter_ = 0;
};

// A share "\\server\share" of its own, empty at first. Wine maps shares to
// folders under dosdevices\unc (a real folder there, not a link, so the share
// root is no reparse point); Windows cannot make one without administrator
// rights, so there the share names nothing (Root() still gives a share-root
// spelling) and Exists() is false.
class ScratchShare {
  public:
    ScratchShare();
    ~ScratchShare();
    ScratchShare(const ScratchShare &) = delete;
    ScratchShare &operator=(const ScratchShare &) = delete;
    const std::string &Root() const { return root_; } // no trailing separator
    bool Exists() const { return exists_; }

  private:
    std::string root_;
    std::string unixServer_;
    bool exists_ = false;
};

} // namespace platform_fixtures
