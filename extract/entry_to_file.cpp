// Writing one file entry's data to its output path.
#include "extract/ansi_text.h"
#include "extract/zip_archive.h"

#include <cstring>

namespace zip_extract {
namespace {

bool ContainsDotDotLevel(const char *text, size_t length) {
    for (size_t k = 0; k + 2 < length; ++k)
        if (text[k] == '.' && text[k + 1] == '.' && IsSeparator(text[k + 2]))
            return true;
    return false;
}

// A relative output path gets the levels of its folder part created below
// the base folder, parents first; failures are ignored (the file's creation
// tells). An absolute path, or one that climbs with "..", gets none.
void CreateFoldersBelowBase(const char *baseFolder, const char *outputPath) {
    size_t folderLength = 0;
    for (size_t k = 0; outputPath[k]; k += AnsiCharLength(outputPath + k))
        if (IsSeparator(outputPath[k]))
            folderLength = k;
    if (baseFolder[0] == '\0' || folderLength == 0 || IsSeparator(outputPath[0]) ||
        outputPath[1] == ':' || ContainsDotDotLevel(outputPath, folderLength + 1))
        return;
    char folder[MAX_PATH];
    size_t baseLength = std::strlen(baseFolder);
    if (baseLength + folderLength >= sizeof folder)
        return;
    std::memcpy(folder, baseFolder, baseLength);
    for (size_t k = 0; k <= folderLength; k += AnsiCharLength(outputPath + k)) {
        if (k < folderLength && !IsSeparator(outputPath[k]))
            continue;
        std::memcpy(folder + baseLength, outputPath, k);
        folder[baseLength + k] = '\0';
        CreateDirectoryA(folder, nullptr);
        if (k == folderLength)
            break;
    }
}

const FILETIME *TimeOrNull(const FILETIME &time) {
    return time.dwLowDateTime || time.dwHighDateTime ? &time : nullptr;
}

} // namespace

bool ExtractEntryToFile(ZipArchive &archive, int32_t index, const char *outputPath) {
    const ZipEntryInfo *info = ReadEntryInfo(archive, index);
    if (!info)
        return false;
    CreateFoldersBelowBase(archive.baseFolder, outputPath);

    HANDLE output = CreateFileA(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                info->attributes, nullptr);
    if (output == INVALID_HANDLE_VALUE)
        return false;

    bool opened = unzOpenCurrentFile(archive.file) == UNZ_OK;
    bool ok = opened;
    uint64_t total = 0;
    while (ok) {
        int got = unzReadCurrentFile(archive.file, archive.data, sizeof archive.data);
        if (got == 0)
            break;
        DWORD written = 0;
        if (got < 0 || !WriteFile(output, archive.data, static_cast<DWORD>(got), &written, nullptr))
            ok = false;
        else
            total += static_cast<uint64_t>(got);
    }
    // minizip reports a deflate stream that ends early as a normal end.
    if (ok && total != info->uncompressedSize)
        ok = false;
    if (ok && GetFileType(output) == FILE_TYPE_DISK)
        SetFileTime(output, TimeOrNull(info->creationTime), TimeOrNull(info->accessTime),
                    TimeOrNull(info->modificationTime));
    CloseHandle(output);
    // minizip tells a CRC-32 mismatch only when the entry's data is closed.
    if (opened && unzCloseCurrentFile(archive.file) != UNZ_OK)
        ok = false;
    return ok;
}

} // namespace zip_extract
