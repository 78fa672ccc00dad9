#include "platform/file_operations.h"

#include <windows.h>

bool CreateFolder(const char *path) {
    return CreateDirectoryA(path, nullptr) != FALSE;
}

bool RemoveFile(const char *path) {
    return DeleteFileA(path) != FALSE;
}

bool WriteBlocksToFile(const char *path, std::initializer_list<const ByteBlock *> blocks) {
    if (path[0] == '\0')
        return false;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    for (const ByteBlock *block : blocks) {
        int32_t length = block ? ByteBlockLength(block) : 0;
        if (length <= 0)
            continue;
        DWORD written = 0;
        if (!WriteFile(file, ByteBlockBytes(block), static_cast<DWORD>(length), &written,
                       nullptr) ||
            written != static_cast<DWORD>(length)) {
            CloseHandle(file);
            return false;
        }
    }
    return CloseHandle(file) != FALSE;
}
