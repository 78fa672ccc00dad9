// The window's ZIP component "ZIP压缩1": unpacks every entry of a ZIP file
// into a folder and answers 1, 0 or -1.
#pragma once

#include <windows.h>

struct ZipUnit {
    // The unit's child window; ExtractProgress is raised only while it exists.
    HWND window = nullptr;
    // ExtractProgress: the percentage after each entry and at the end. A true
    // answer asks the walk to stop after the entry just handled. Unbound
    // (null) means the walk is never stopped.
    bool (*extractProgress)(void *context, int percentage) = nullptr;
    void *progressContext = nullptr;
};

// 1: every entry was written, or a handler stopped the walk.
// 0: a step failed after the archive was found (what was written stays).
// -1: an argument is absent or empty, or the archive does not exist.
int ExtractArchive(ZipUnit &unit, const char *archivePath, const char *targetFolder);
