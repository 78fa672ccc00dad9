#include "platform_fixtures.h"

#include "test_support.h"

#include <winioctl.h>

#include <cstdio>
#include <cstring>

namespace platform_fixtures {

namespace {

void PutLittleEndian32(std::vector<unsigned char> &out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

// Quoted for the shell; the paths here hold no single quote.
std::string Quoted(const std::string &text) {
    return "'" + text + "'";
}

bool Exists(const std::string &path) {
    return testing_support::PathExists(path);
}

// Wine's dosdevices folder, which holds the drive letters and unc\ shares.
std::string DosDevicesFolder() {
    std::string drive = UnixPathOf("C:\\");
    const std::string tail = "c:/";
    if (drive.size() < tail.size() || drive.compare(drive.size() - tail.size(), tail.size(), tail))
        return "";
    return drive.substr(0, drive.size() - tail.size());
}

bool CreateMarker(const std::string &path) {
    return testing_support::WriteWholeFile(path, "", 0);
}

// A mount-point reparse buffer, laid out by hand: the DDK header that
// defines it is not part of the user-mode headers.
bool MakeJunction(const std::string &link, const std::string &target) {
    char full[MAX_PATH];
    if (!GetFullPathNameA(target.c_str(), MAX_PATH, full, nullptr))
        return false;
    wchar_t wideTarget[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, full, -1, wideTarget, MAX_PATH))
        return false;
    std::wstring substitute = L"\\??\\" + std::wstring(wideTarget);
    std::wstring print = wideTarget;
    WORD substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    WORD printBytes = static_cast<WORD>(print.size() * sizeof(wchar_t));
    std::vector<unsigned char> buffer(8 + 8 + substituteBytes + 2 + printBytes + 2);
    auto put16 = [&](size_t at, WORD value) { std::memcpy(&buffer[at], &value, 2); };
    DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(&buffer[0], &tag, 4);
    put16(4, static_cast<WORD>(buffer.size() - 8));
    put16(8, 0);
    put16(10, substituteBytes);
    put16(12, static_cast<WORD>(substituteBytes + 2));
    put16(14, printBytes);
    std::memcpy(&buffer[16], substitute.c_str(), substituteBytes + 2);
    std::memcpy(&buffer[16 + substituteBytes + 2], print.c_str(), printBytes + 2);

    if (!CreateDirectoryA(link.c_str(), nullptr))
        return false;
    HANDLE handle = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(),
                              static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(handle);
    return ok != FALSE;
}

} // namespace

TestBlock::TestBlock(const std::string &bytes, uint32_t marker)
    : TestBlock(bytes, static_cast<int32_t>(bytes.size()), marker) {}

TestBlock::TestBlock(const std::string &bytes, int32_t length, uint32_t marker) {
    PutLittleEndian32(storage_, marker);
    PutLittleEndian32(storage_, static_cast<uint32_t>(length));
    storage_.insert(storage_.end(), bytes.begin(), bytes.end());
}

std::string UnixPathOf(const std::string &path) {
    using ToUnix = char *(CDECL *)(const WCHAR *);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return "";
    char *unixPath = toUnix(wide);
    if (!unixPath)
        return "";
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

bool RunUnixCommand(const std::string &command, const std::function<bool()> &done) {
    std::string line = "/bin/sh -c \"" + command + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20))
        if (done())
            return true;
    return false;
}

FolderLink::FolderLink(const std::string &link, const std::string &target) : link_(link) {
    if (testing_support::RunningUnderWine())
        RunUnixCommand("ln -sT " + Quoted(UnixPathOf(target)) + " " + Quoted(UnixPathOf(link)),
                       [this] { return Made(); });
    else
        MakeJunction(link, target);
}

FolderLink::~FolderLink() {
    if (testing_support::RunningUnderWine()) {
        std::string unixLink = UnixPathOf(link_);
        if (!unixLink.empty())
            RunUnixCommand("rm -f " + Quoted(unixLink), [this] { return !Exists(link_); });
    } else {
        RemoveDirectoryA(link_.c_str());
    }
}

bool FolderLink::Made() const {
    DWORD attributes = GetFileAttributesA(link_.c_str());
    const DWORD link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & link) == link;
}

ScratchDrive::ScratchDrive(const std::string &folder) {
    // Another test program may claim a letter at the same moment: a letter
    // counts as ours only when it shows our own marker.
    char marker[64];
    std::snprintf(marker, sizeof marker, ".drive-owner-%lu", GetCurrentProcessId());
    if (!CreateMarker(folder + "\\" + marker))
        return;
    bool wine = testing_support::RunningUnderWine();
    std::string dosDevices = wine ? DosDevicesFolder() : "";
    if (wine && dosDevices.empty())
        return;
    DWORD used = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'D'; --letter) {
        if (used & (1u << (letter - 'A')))
            continue;
        std::string device = std::string(1, letter) + ":";
        std::string marked = device + "\\" + marker;
        if (wine) {
            if (Exists(device + "\\"))
                continue;
            std::string link = dosDevices + static_cast<char>(letter - 'A' + 'a') + ":";
            if (RunUnixCommand("ln -sT " + Quoted(UnixPathOf(folder)) + " " + Quoted(link),
                               [&] { return Exists(marked); })) {
                target_ = link;
                letter_ = letter;
                return;
            }
        } else if (DefineDosDeviceA(0, device.c_str(), folder.c_str())) {
            if (Exists(marked)) {
                target_ = folder;
                letter_ = letter;
                return;
            }
            DefineDosDeviceA(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device.c_str(),
                             folder.c_str());
        }
    }
}

ScratchDrive::~ScratchDrive() {
    if (!letter_)
        return;
    std::string device = std::string(1, letter_) + ":\\";
    if (testing_support::RunningUnderWine())
        RunUnixCommand("rm -f " + Quoted(target_), [&] { return !Exists(device); });
    else
        DefineDosDeviceA(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE,
                         (std::string(1, letter_) + ":").c_str(), target_.c_str());
}

ScratchShare::ScratchShare() {
    static unsigned counter;
    char server[64];
    std::snprintf(server, sizeof server, "morvena-%lu-%u", GetCurrentProcessId(), ++counter);
    if (!testing_support::RunningUnderWine()) {
        root_ = "\\\\localhost\\morvena-no-such-share";
        return;
    }
    root_ = std::string("\\\\") + server + "\\share";
    std::string dosDevices = DosDevicesFolder();
    if (dosDevices.empty())
        return;
    unixServer_ = dosDevices + "unc/" + server;
    exists_ = RunUnixCommand("mkdir -p " + Quoted(unixServer_ + "/share"),
                             [this] { return platform_fixtures::Exists(root_); });
}

ScratchShare::~ScratchShare() {
    if (unixServer_.empty())
        return;
    RunUnixCommand("rm -rf " + Quoted(unixServer_),
                   [this] { return !platform_fixtures::Exists(root_); });
}

} // namespace platform_fixtures
