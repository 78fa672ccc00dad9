#include "extract/entry_name_check.h"

#include "extract/ansi_text.h"

#include <cstring>

namespace zip_extract {
namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameLetters(const char *text, size_t length, const char *upper) {
    if (std::strlen(upper) != length)
        return false;
    for (size_t k = 0; k < length; ++k)
        if (Upper(text[k]) != upper[k])
            return false;
    return true;
}

// Windows opens the device for these names whatever extension follows, and
// blanks before the extension do not count ("nul .txt" is NUL).
bool IsDeviceName(const char *component, size_t length) {
    size_t base = 0;
    while (base < length && component[base] != '.')
        base += AnsiCharLength(component + base);
    while (base > 0 && component[base - 1] == ' ')
        --base;
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char *device : kDevices)
        if (SameLetters(component, base, device))
            return true;
    if (base == 4 && component[3] >= '1' && component[3] <= '9')
        return SameLetters(component, 3, "COM") || SameLetters(component, 3, "LPT");
    return false;
}

bool IsSafeComponent(const char *component, size_t length) {
    if (length == 0)
        return false;
    // Windows drops trailing dots and blanks and would write another name.
    char last = component[length - 1];
    if (last == '.' || last == ' ')
        return false;
    return !IsDeviceName(component, length);
}

} // namespace

bool IsSafeEntryName(const char *name, bool isFolder) {
    size_t length = std::strlen(name);
    if (length == 0 || IsSeparator(name[0]))
        return false;
    if (std::strchr(name, ':'))
        return false;
    size_t start = 0;
    for (size_t k = 0; k < length;) {
        unsigned char c = static_cast<unsigned char>(name[k]);
        if (IsDBCSLeadByte(c)) {
            // A trail byte is 0x40 or above in every double-byte ANSI code
            // page; anything lower would be swallowed into another character.
            if (k + 1 >= length || static_cast<unsigned char>(name[k + 1]) < 0x40)
                return false;
            k += 2;
            continue;
        }
        if (IsSeparator(name[k])) {
            if (!IsSafeComponent(name + start, k - start))
                return false;
            start = k + 1;
            if (start == length && isFolder)
                return true;
        }
        ++k;
    }
    return IsSafeComponent(name + start, length - start);
}

} // namespace zip_extract
