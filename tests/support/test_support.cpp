#include "test_support.h"

#include <cstdio>
#include <cstring>

namespace testing_support {

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string HostPath(const char *buildPath) {
    std::string path = buildPath;
    if (!path.empty() && path[0] == '/') {
        for (char &c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    } else {
        for (char &c : path)
            if (c == '/')
                c = '\\';
    }
    return path;
}

ScratchFolder::ScratchFolder(const char *tag) {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    std::string base(temp, n);
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    static unsigned counter;
    for (;;) {
        char name[64];
        std::snprintf(name, sizeof name, "\\morvena-%s-%lu-%u", tag, GetCurrentProcessId(), ++counter);
        path_ = base + name;
        if (CreateDirectoryA(path_.c_str(), nullptr))
            break;
    }
}

ScratchFolder::~ScratchFolder() { ForceRemoveTree(path_); }

bool ReadWholeFile(const std::string &path, std::vector<unsigned char> &bytes) {
    bytes.clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(h, nullptr);
    bytes.resize(size);
    DWORD got = 0;
    bool ok = size == 0 || (ReadFile(h, bytes.data(), size, &got, nullptr) && got == size);
    CloseHandle(h);
    return ok;
}

bool WriteWholeFile(const std::string &path, const void *bytes, size_t size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    bool ok = size == 0 || (WriteFile(h, bytes, (DWORD)size, &put, nullptr) && put == size);
    return CloseHandle(h) && ok;
}

bool PathExists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ForceRemoveTree(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!DeleteFileA(path.c_str()))
            RemoveDirectoryA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                ForceRemoveTree(path + "\\" + name);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

void SaveScreenshot(const char *name) {
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("MORVENA_SCREENSHOTS", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return;
    Sleep(300); // let the last paint reach the screen
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void *pixels = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DWORD imageSize = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    std::vector<unsigned char> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof file);
    std::memcpy(bytes.data() + sizeof file, &info.bmiHeader, sizeof info.bmiHeader);
    std::memcpy(bytes.data() + file.bfOffBits, pixels, imageSize);
    WriteWholeFile(std::string(folder) + "\\" + name + ".bmp", bytes.data(), bytes.size());
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

} // namespace testing_support
