// Writes ZIP archives in the form the installer expects, through minizip's zip
// interface, and makes the default payload: our application and a set of
// generated content files, the same bytes on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace payload {

struct ArchiveEntry {
    std::string name;                // code page 936 bytes; a folder's ends in "/"
    std::vector<unsigned char> data; // empty for a folder
    bool deflate = false;            // method 8, else 0 (stored)
    uint32_t dosDateTime = 0;        // DOS date in the upper 16 bits, time in the lower
    uint32_t attributes = 0;         // MS-DOS attributes: 0x10 folder, 0x20 archive
};

constexpr uint32_t kFolderAttributes = 0x10;
constexpr uint32_t kFileAttributes = 0x20;

// A DOS date and time, to the even second.
constexpr uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
    return static_cast<uint32_t>((year - 1980) << 9 | month << 5 | day) << 16 |
           static_cast<uint32_t>(hour << 11 | minute << 5 | second / 2);
}

// Writes the entries in their order: version made by 20 (MS-DOS), flags 0, no
// extra fields and no comments.
bool WriteArchive(const std::string &path, const std::vector<ArchiveEntry> &entries,
                  std::string &error);

// The default payload's entries, with the given bytes as "Morvena.exe".
bool MakeDefaultEntries(const std::vector<unsigned char> &application,
                        std::vector<ArchiveEntry> &entries, std::string &error);

// Reads the application file and writes the default payload archive.
bool WriteDefaultPayload(const std::string &applicationPath, const std::string &outputPath,
                         std::string &error);

} // namespace payload
