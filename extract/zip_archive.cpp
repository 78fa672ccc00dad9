#include "extract/zip_archive.h"

#include <minizip/iowin32.h>

#include <climits>
#include <cstring>

namespace zip_extract {
namespace {

// The archive's file functions: minizip's Win32 ones, with the stream kept.
ZipArchive &Owner(voidpf opaque) {
    return *static_cast<ZipArchive *>(opaque);
}

voidpf ZCALLBACK OpenStream(voidpf opaque, const char *filename, int mode) {
    ZipArchive &archive = Owner(opaque);
    archive.stream = archive.win32.zopen_file(archive.win32.opaque, filename, mode);
    archive.readAheadLength = 0;
    archive.streamPosition = 0;
    return archive.stream;
}

// minizip reads each header field with a read of its own: small reads of the
// archive are served from a read-ahead of the file, larger ones go straight
// through. Every read from the file seeks first, so the file's own position
// never matters.
uLong ZCALLBACK ReadStream(voidpf opaque, voidpf stream, void *buf, uLong size) {
    ZipArchive &archive = Owner(opaque);
    const zlib_filefunc_def &io = archive.win32;
    if (stream != archive.stream) {
        uLong got = io.zread_file(io.opaque, stream, buf, size);
        archive.readCutShort = got < size;
        return got;
    }
    uLong at = archive.streamPosition;
    if (at >= archive.readAheadStart && size <= archive.readAheadLength &&
        at - archive.readAheadStart <= archive.readAheadLength - size) {
        std::memcpy(buf, archive.readAhead + (at - archive.readAheadStart), size);
        archive.streamPosition += size;
        archive.readCutShort = false;
        return size;
    }
    if (io.zseek_file(io.opaque, stream, at, ZLIB_FILEFUNC_SEEK_SET) != 0) {
        archive.readCutShort = true;
        return 0;
    }
    uLong got;
    if (size >= sizeof archive.readAhead) {
        got = io.zread_file(io.opaque, stream, buf, size);
    } else {
        archive.readAheadStart = at;
        archive.readAheadLength =
            io.zread_file(io.opaque, stream, archive.readAhead, sizeof archive.readAhead);
        got = size < archive.readAheadLength ? size : archive.readAheadLength;
        std::memcpy(buf, archive.readAhead, got);
    }
    archive.streamPosition += got;
    archive.readCutShort = got < size;
    return got;
}

uLong ZCALLBACK WriteStream(voidpf opaque, voidpf stream, const void *buf, uLong size) {
    ZipArchive &archive = Owner(opaque);
    return archive.win32.zwrite_file(archive.win32.opaque, stream, buf, size);
}

long ZCALLBACK TellStream(voidpf opaque, voidpf stream) {
    ZipArchive &archive = Owner(opaque);
    if (stream != archive.stream)
        return archive.win32.ztell_file(archive.win32.opaque, stream);
    return static_cast<long>(archive.streamPosition);
}

long ZCALLBACK SeekStream(voidpf opaque, voidpf stream, uLong offset, int origin) {
    ZipArchive &archive = Owner(opaque);
    const zlib_filefunc_def &io = archive.win32;
    if (stream != archive.stream || origin == ZLIB_FILEFUNC_SEEK_END) {
        long result = io.zseek_file(io.opaque, stream, offset, origin);
        if (result == 0 && stream == archive.stream)
            archive.streamPosition = static_cast<uLong>(io.ztell_file(io.opaque, stream));
        return result;
    }
    archive.streamPosition =
        origin == ZLIB_FILEFUNC_SEEK_SET ? offset : archive.streamPosition + offset;
    return 0;
}

int ZCALLBACK CloseStream(voidpf opaque, voidpf stream) {
    ZipArchive &archive = Owner(opaque);
    if (stream == archive.stream)
        archive.stream = nullptr;
    return archive.win32.zclose_file(archive.win32.opaque, stream);
}

// minizip asks after a read that came up short. Its answer for a plain end
// of file is UNZ_EOF, which equals UNZ_OK, and the fields it was reading
// then hold zeros: an end record or a central record cut off by the end of
// the file would be read as a valid one. Past the end is an error here.
int ZCALLBACK StreamError(voidpf opaque, voidpf stream) {
    ZipArchive &archive = Owner(opaque);
    int error = archive.win32.zerror_file(archive.win32.opaque, stream);
    return error ? error : archive.readCutShort ? 1 : 0;
}

void NoteBaseFolder(ZipArchive &archive) {
    archive.baseFolder[0] = '\0';
    DWORD length = GetCurrentDirectoryA(MAX_PATH, archive.baseFolder);
    if (length == 0 || length >= MAX_PATH) {
        archive.baseFolder[0] = '\0';
        return;
    }
    archive.baseFolder[length] = '\\';
    archive.baseFolder[length + 1] = '\0';
}

} // namespace

bool OpenZipArchive(ZipArchive &archive, const char *path) {
    fill_win32_filefunc(&archive.win32);
    zlib_filefunc_def functions{};
    functions.zopen_file = OpenStream;
    functions.zread_file = ReadStream;
    functions.zwrite_file = WriteStream;
    functions.ztell_file = TellStream;
    functions.zseek_file = SeekStream;
    functions.zclose_file = CloseStream;
    functions.zerror_file = StreamError;
    functions.opaque = &archive;
    archive.file = unzOpen2(path, &functions);
    if (!archive.file)
        return false;
    NoteBaseFolder(archive);
    // The 64-bit count: the 32-bit one is a ZIP64 count cut to its low half.
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive.file, &global) != UNZ_OK || global.number_entry > INT_MAX) {
        CloseZipArchive(archive);
        return false;
    }
    archive.centralCount = static_cast<int32_t>(global.number_entry);
    archive.position = -1;
    archive.cachedIndex = -1;
    // A central directory whose first record cannot be read cannot be walked.
    if (archive.centralCount > 0 && !MoveToEntry(archive, 0)) {
        CloseZipArchive(archive);
        return false;
    }
    return true;
}

bool ReadArchiveBytes(ZipArchive &archive, uLong offset, void *buf, uLong size) {
    return archive.stream &&
           SeekStream(&archive, archive.stream, offset, ZLIB_FILEFUNC_SEEK_SET) == 0 &&
           ReadStream(&archive, archive.stream, buf, size) == size;
}

void CloseZipArchive(ZipArchive &archive) {
    if (archive.file)
        unzClose(archive.file);
    archive.file = nullptr;
    archive.stream = nullptr;
    archive.centralCount = 0;
    archive.position = -1;
    archive.cachedIndex = -1;
}

bool HasRecordsBeyondTheCount(ZipArchive &archive) {
    constexpr ZPOS64_T kCentralRecordSize = 46;
    bool found = false;
    if (archive.centralCount == 0) {
        found = unzGoToFirstFile(archive.file) == UNZ_OK;
    } else if (MoveToEntry(archive, archive.centralCount - 1)) {
        unz_file_info64 last;
        if (unzGetCurrentFileInfo64(archive.file, &last, nullptr, 0, nullptr, 0, nullptr, 0) ==
            UNZ_OK) {
            ZPOS64_T next = unzGetOffset64(archive.file) + kCentralRecordSize + last.size_filename +
                            last.size_file_extra + last.size_file_comment;
            found = unzSetOffset64(archive.file, next) == UNZ_OK;
        }
    }
    archive.position = -1;
    archive.cachedIndex = -1;
    return found;
}

bool MoveToEntry(ZipArchive &archive, int32_t index) {
    if (index < 0 || index >= archive.centralCount)
        return false;
    if (archive.position == index)
        return true;
    archive.cachedIndex = -1;
    if (archive.position < 0 || index < archive.position) {
        archive.position = -1;
        if (unzGoToFirstFile(archive.file) != UNZ_OK)
            return false;
        archive.position = 0;
    }
    while (archive.position < index) {
        if (unzGoToNextFile(archive.file) != UNZ_OK) {
            archive.position = -1;
            return false;
        }
        ++archive.position;
    }
    return true;
}

} // namespace zip_extract
