// What the installer requires of the ZIP archive that it carries and unpacks
// into C:\WINDOWS\ten\. The checker reads the archive itself, trusting no
// field of it, so any file can be given to it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace payload {

// One broken rule: the entry it concerns (its name as stored, code page 936
// bytes), or none for the archive as a whole, and what is wrong.
struct Problem {
    std::optional<std::string> entry;
    std::string rule;

    bool operator==(const Problem &other) const {
        return entry == other.entry && rule == other.rule;
    }
};

// The most bytes one embedded block can hold (its length is a signed 32-bit
// integer).
constexpr unsigned long long kMaxArchiveSize = 2147483647ULL;

// Checks an archive held in memory. An empty result means that every rule is
// met.
std::vector<Problem> CheckArchiveBytes(const unsigned char *data, size_t size);

// Checks the archive file at path, its size first.
std::vector<Problem> CheckArchiveFile(const std::string &path);

// The rules that a single entry name must meet, whatever the archive around
// it: it must make a path that the installer can create on Windows.
std::vector<std::string> CheckEntryName(const std::string &name);

// One line for a problem, without a line end:
//   <label>: entry "<name>": <rule>     or     <label>: <rule>
// The name is shown as UTF-8, bytes that do not convert as \xNN.
std::string FormatProblem(const std::string &label, const Problem &problem);

} // namespace payload
