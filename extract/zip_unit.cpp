// ExtractArchive: the tests before the archive is opened, the counting pass,
// the walk over the entries, the progress event and the result.
#include "extract/zip_unit.h"

#include "extract/ansi_text.h"
#include "extract/entry_name_check.h"
#include "extract/folder_path.h"
#include "extract/zip_archive.h"

#include <cstring>

namespace zip_extract {
namespace {

constexpr uint32_t kFlagEncrypted = 0x0001;
constexpr int kStopped = 2; // internal: a handler stopped the walk

struct ExtractCall {
    ZipUnit &unit;
    int32_t entryCount = 0;
    int32_t currentIndex = 0;
    bool stop = false;
};

void RaiseProgress(ExtractCall &call) {
    if (!IsWindow(call.unit.window) || !call.unit.extractProgress)
        return;
    // With no entry counted (an early failure) the end still reads 100.
    int percentage =
        call.entryCount > 0
            ? static_cast<int>(static_cast<double>(call.currentIndex) / call.entryCount * 100.0)
            : 100;
    bool answer = call.unit.extractProgress(call.unit.progressContext, percentage);
    if (answer && IsWindow(call.unit.window))
        call.stop = true;
}

bool Exists(const char *path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The file must begin with a local file header: 32 bytes, the signature, and
// a signed value of at least 1 at offset 24 (upper half of the first entry's
// size, its name length above it).
bool BeginsWithLocalHeader(const char *archivePath) {
    HANDLE file = CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char head[32];
    DWORD got = 0;
    BOOL read = ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
    if (!read || got != sizeof head)
        return false;
    uint32_t signature =
        head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
    uint32_t at24 =
        head[24] | head[25] << 8 | head[26] << 16 | static_cast<uint32_t>(head[27]) << 24;
    return signature == 0x04034b50 && static_cast<int32_t>(at24) >= 1;
}

// The target folder, "\" unless it ends in one, and the name with every "/"
// turned into "\". False when the path would not fit in MAX_PATH.
bool MakeOutputPath(const char *targetFolder, const char *name, char (&path)[MAX_PATH]) {
    size_t targetLength = std::strlen(targetFolder);
    size_t nameLength = std::strlen(name);
    size_t separator = EndsWithBackslash(targetFolder) ? 0 : 1;
    if (targetLength + separator + nameLength >= sizeof path)
        return false;
    std::memcpy(path, targetFolder, targetLength);
    if (separator)
        path[targetLength] = '\\';
    char *out = path + targetLength + separator;
    for (size_t k = 0; k <= nameLength; ++k)
        out[k] = name[k] == '/' ? '\\' : name[k];
    return true;
}

// A folder entry: its folder is made unless something of that name exists;
// an existing folder or file is left alone, and folders get no attributes.
bool MakeFolderEntry(char (&outputPath)[MAX_PATH]) {
    size_t length = std::strlen(outputPath);
    bool trailing = EndsWithBackslash(outputPath);
    // The name of a folder is tested without its trailing "\", which would
    // make a file of that name look absent.
    if (trailing)
        outputPath[length - 1] = '\0';
    bool present = Exists(outputPath);
    if (trailing)
        outputPath[length - 1] = '\\';
    return present || CreateFolderPath(outputPath);
}

bool MakeFileEntry(ZipArchive &archive, int32_t index, const char *outputPath) {
    // Clears read-only, hidden and system on a file that is already there.
    SetFileAttributesA(outputPath, FILE_ATTRIBUTE_NORMAL);
    if (!ExtractEntryToFile(archive, index, outputPath))
        return false;
    SetFileAttributesA(outputPath, FILE_ATTRIBUTE_NORMAL);
    return true;
}

int Walk(ExtractCall &call, ZipArchive &archive, const char *targetFolder) {
    for (int32_t i = 0;; ++i) {
        const ZipEntryInfo *info = ReadEntryInfo(archive, i);
        // Past the last entry the walk is complete; an entry before it that
        // cannot be read leaves the archive unpacked only in part.
        if (!info)
            return i == archive.centralCount ? 1 : 0;
        bool isFolder = (info->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        char outputPath[MAX_PATH];
        if ((info->flags & kFlagEncrypted) || !IsSafeEntryName(info->name, isFolder) ||
            !MakeOutputPath(targetFolder, info->name, outputPath))
            return 0;
        if (isFolder ? !MakeFolderEntry(outputPath) : !MakeFileEntry(archive, i, outputPath))
            return 0;
        call.currentIndex = i;
        RaiseProgress(call);
        if (call.stop)
            return kStopped;
    }
}

int RunSteps(ExtractCall &call, ZipArchive &archive, const char *archivePath,
             const char *targetFolder) {
    if (!Exists(archivePath))
        return -1;
    // Made before the archive is looked at: it stays when the archive fails.
    if (!Exists(targetFolder) && !CreateFolderPath(targetFolder))
        return 0;
    if (!BeginsWithLocalHeader(archivePath))
        return 0;
    if (!OpenZipArchive(archive, archivePath))
        return 0;
    // The percentages need the number of entries before the first is written.
    while (ReadEntryInfo(archive, call.entryCount))
        ++call.entryCount;
    // An end record that counts too few entries would have the walk leave
    // the others out and still answer 1.
    if (call.entryCount == archive.centralCount && HasRecordsBeyondTheCount(archive))
        return 0;
    return Walk(call, archive, targetFolder);
}

} // namespace
} // namespace zip_extract

int ExtractArchive(ZipUnit &unit, const char *archivePath, const char *targetFolder) {
    using namespace zip_extract;
    // An empty target folder would put every entry at the root of the drive.
    if (!archivePath || !targetFolder || targetFolder[0] == '\0')
        return -1;
    ExtractCall call{unit};
    // The archive's state holds the 16 KiB data buffer; it lives for this call only.
    static_assert(sizeof(ZipArchive) < 128 * 1024, "the call's state fits the stack");
    ZipArchive archive;
    int result = RunSteps(call, archive, archivePath, targetFolder);
    if (result == kStopped) {
        CloseZipArchive(archive);
        return 1;
    }
    call.currentIndex = call.entryCount;
    RaiseProgress(call);
    CloseZipArchive(archive);
    return result;
}
