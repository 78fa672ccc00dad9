// A new, empty folder under the system's temporary folder, removed with its
// contents when the object goes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace payload {

class TempFolder {
  public:
    explicit TempFolder(const char *tag = "host_tools") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(tag) + ".XXXXXX")).string();
        path_ = mkdtemp(&pattern[0]) ? pattern : "";
    }
    ~TempFolder() {
        if (!path_.empty())
            std::filesystem::remove_all(path_);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    std::string Path(const char *name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

} // namespace payload
