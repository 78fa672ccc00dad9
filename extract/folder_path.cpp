#include "extract/folder_path.h"

#include "extract/ansi_text.h"

#include <cstring>

namespace zip_extract {

bool CreateFolderPath(const char *path) {
    char levels[MAX_PATH];
    size_t length = std::strlen(path);
    if (length + 2 > sizeof levels)
        return false;
    std::memcpy(levels, path, length + 1);
    if (!EndsWithBackslash(levels)) {
        levels[length] = '\\';
        levels[length + 1] = '\0';
    }
    for (size_t k = 0; levels[k]; k += AnsiCharLength(levels + k)) {
        if (levels[k] != '\\')
            continue;
        char after = levels[k + 1];
        levels[k + 1] = '\0';
        // A drive root such as C:\ always exists and is never created.
        bool present = GetFileAttributesA(levels) != INVALID_FILE_ATTRIBUTES ||
                       CreateDirectoryA(levels, nullptr);
        levels[k + 1] = after;
        if (!present)
            return false;
    }
    return true;
}

} // namespace zip_extract
