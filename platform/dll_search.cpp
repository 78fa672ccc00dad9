#include "platform/dll_search.h"

#include <cstring>

namespace {
const DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

template <typename Function> Function KernelFunction(const char *name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(kernel, name)))
                  : nullptr;
}
} // namespace

void RestrictDllSearchToSystemFolder() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    using SetDefaultDirectories = BOOL(WINAPI *)(DWORD);
    using SetDirectory = BOOL(WINAPI *)(LPCSTR);
    if (auto setDefault = KernelFunction<SetDefaultDirectories>("SetDefaultDllDirectories"))
        if (setDefault(kSearchSystem32))
            return;
    if (auto setDirectory = KernelFunction<SetDirectory>("SetDllDirectoryA"))
        setDirectory("");
}

HMODULE LoadSystemLibrary(const char *name) {
    // Where the system knows search flags, they also hold for the DLLs that
    // this one imports.
    using LoadEx = HMODULE(WINAPI *)(LPCSTR, HANDLE, DWORD);
    if (KernelFunction<void *>("SetDefaultDllDirectories"))
        if (auto load = KernelFunction<LoadEx>("LoadLibraryExA"))
            if (HMODULE module = load(name, nullptr, kSearchSystem32))
                return module;
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    size_t nameLength = std::strlen(name);
    if (length == 0 || length + 1 + nameLength >= sizeof path)
        return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    return LoadLibraryA(path);
}
