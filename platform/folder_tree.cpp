#include "platform/file_operations.h"

#include <windows.h>

#include <cstring>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

const char *SkipSeparators(const char *p) {
    while (IsSeparator(*p))
        ++p;
    return p;
}

// Past one path component. A GBK trail byte can be 0x5C, so double-byte
// characters are stepped over whole.
const char *SkipComponent(const char *p) {
    while (*p && !IsSeparator(*p))
        p += IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] ? 2 : 1;
    return p;
}

// The two spellings every caller knows: a drive letter and colon, alone or
// with one backslash. The first byte is not looked at.
bool IsPlainDriveRoot(const char *path) {
    return path[0] && path[1] == ':' && (path[2] == '\0' || (path[2] == '\\' && path[3] == '\0'));
}

// A full path (as the system resolves it) that names a whole drive, or a
// share as a whole: "X:\", "\\server\share", any of them with extra
// separators.
bool IsRootOfFullPath(const char *full) {
    if (full[0] && full[1] == ':')
        return *SkipSeparators(full + 2) == '\0';
    const char *p = SkipSeparators(full);
    if (*p == '\0')
        return true;
    if (p - full < 2)
        return false;
    p = SkipSeparators(SkipComponent(p)); // server
    if (*p == '\0')
        return true;
    p = SkipSeparators(SkipComponent(p)); // share
    return *p == '\0';
}

// Every other spelling of a root ("X:/", "\", "/", "X:\.", "sub\..", ".", a
// share root) is found by asking the system what the path means, as the later
// calls will. A path whose meaning cannot be had is refused too.
bool NamesARoot(const char *path) {
    if (IsPlainDriveRoot(path))
        return true;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return length == 0 || length >= MAX_PATH || IsRootOfFullPath(full);
}

enum EntryKind : char { EntryFile = 'f', EntryFolder = 'd', EntryFolderLink = 'l' };

// The entries of one folder, recorded before any of them is deleted: a kind
// byte and the NUL-terminated name, back to back.
struct Listing {
    char *bytes = nullptr;
    size_t length = 0;
    size_t capacity = 0;
};

bool Record(Listing &listing, EntryKind kind, const char *name) {
    size_t need = 1 + std::strlen(name) + 1;
    if (listing.capacity - listing.length < need) {
        size_t capacity = listing.capacity ? listing.capacity * 2 : 1024;
        while (capacity - listing.length < need)
            capacity *= 2;
        HANDLE heap = GetProcessHeap();
        void *grown = listing.bytes ? HeapReAlloc(heap, 0, listing.bytes, capacity)
                                    : HeapAlloc(heap, 0, capacity);
        if (!grown)
            return false;
        listing.bytes = static_cast<char *>(grown);
        listing.capacity = capacity;
    }
    listing.bytes[listing.length] = kind;
    std::memcpy(listing.bytes + listing.length + 1, name, need - 1);
    listing.length += need;
    return true;
}

// Joins folder, "\" and name into out; false when that does not fit.
bool JoinPath(char (&out)[MAX_PATH], const char *folder, const char *name) {
    size_t folderLength = std::strlen(folder);
    size_t nameLength = std::strlen(name);
    if (folderLength + 1 + nameLength >= MAX_PATH)
        return false;
    std::memcpy(out, folder, folderLength);
    out[folderLength] = '\\';
    std::memcpy(out + folderLength + 1, name, nameLength + 1);
    return true;
}

// Lists the folder. Should memory for the listing run short, the entries
// recorded so far are still dealt with; the rest stay, and so does the folder.
Listing ListFolder(const char *folder) {
    Listing listing;
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, folder, "*.*"))
        return listing;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return listing;
    do {
        // ".", ".." and every other name that begins with a full stop.
        if (found.cFileName[0] == '.')
            continue;
        EntryKind kind = EntryFile;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            kind = found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT ? EntryFolderLink
                                                                         : EntryFolder;
        if (!Record(listing, kind, found.cFileName))
            break;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return listing;
}

void EmptyFolder(const char *folder) {
    Listing listing = ListFolder(folder);
    for (size_t at = 0; at < listing.length;) {
        EntryKind kind = static_cast<EntryKind>(listing.bytes[at]);
        const char *name = listing.bytes + at + 1;
        at += 1 + std::strlen(name) + 1;
        char entry[MAX_PATH];
        if (!JoinPath(entry, folder, name))
            continue;
        switch (kind) {
        case EntryFolder:
            EmptyFolder(entry);
            RemoveDirectoryA(entry);
            break;
        case EntryFolderLink:
            // A junction or symbolic link: removing it leaves what it points to.
            RemoveDirectoryA(entry);
            break;
        case EntryFile:
            DeleteFileA(entry);
            break;
        }
    }
    if (listing.bytes)
        HeapFree(GetProcessHeap(), 0, listing.bytes);
}

} // namespace

bool RemoveFolderTree(const char *path) {
    while (*path == ' ')
        ++path;
    if (*path == '\0' || NamesARoot(path))
        return false;
    // A link given as the tree is removed as a link too, never emptied.
    DWORD attributes = GetFileAttributesA(path);
    bool isLink =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!isLink)
        EmptyFolder(path);
    return RemoveDirectoryA(path) != FALSE;
}
