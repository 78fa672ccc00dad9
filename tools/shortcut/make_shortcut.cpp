// Writes the installer's shortcut template through the shell's own Shell Link
// object, so that a real shell lays out the ID list, LinkInfo and extra data.
// Run under Wine (or on Windows) by tools/make-shortcut.sh, with the target
// file in place so the shell can describe it:
//   make_shortcut.exe <output.lnk>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

namespace {
const char kTarget[] = "C:\\WINDOWS\\ten\\Morvena.exe";
const char kWorkingFolder[] = "C:\\WINDOWS\\ten";

HRESULT SaveShortcut(const char *output) {
    IShellLinkA *link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void **>(&link));
    if (FAILED(hr))
        return hr;
    IPersistFile *file = nullptr;
    if (SUCCEEDED(hr = link->SetPath(kTarget)) &&
        SUCCEEDED(hr = link->SetWorkingDirectory(kWorkingFolder)) &&
        SUCCEEDED(hr = link->SetShowCmd(SW_SHOWNORMAL)) &&
        SUCCEEDED(hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
        wchar_t wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, output, -1, wide, MAX_PATH) == 0)
            hr = HRESULT_FROM_WIN32(GetLastError());
        else
            hr = file->Save(wide, TRUE);
        file->Release();
    }
    link->Release();
    return hr;
}
} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_shortcut <output.lnk>\n");
        return 2;
    }
    if (GetFileAttributesA(kTarget) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "make_shortcut: %s must exist so the shell can describe it\n", kTarget);
        return 1;
    }
    CoInitialize(nullptr);
    HRESULT hr = SaveShortcut(argv[1]);
    CoUninitialize();
    if (FAILED(hr)) {
        std::fprintf(stderr, "make_shortcut: failed, HRESULT 0x%08lx\n", (unsigned long)hr);
        return 1;
    }
    return 0;
}
