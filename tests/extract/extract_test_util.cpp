#include "extract_test_util.h"

namespace extract_test {

using testing_support::ReadWholeFile;
using testing_support::ScratchFolder;
using testing_support::WriteWholeFile;

std::string WriteArchive(const ScratchFolder &folder, const std::string &name,
                         const std::string &bytes) {
    std::string path = folder / name;
    WriteWholeFile(path, bytes.data(), bytes.size());
    return path;
}

int Extract(const std::string &archivePath, const std::string &targetFolder) {
    ZipUnit unit;
    return ExtractArchive(unit, archivePath.c_str(), targetFolder.c_str());
}

std::string Contents(const std::string &path) {
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, bytes))
        return "<missing>";
    return std::string(bytes.begin(), bytes.end());
}

DWORD Attributes(const std::string &path) {
    return GetFileAttributesA(path.c_str());
}

DWORD ReportedNormalAttributes() {
    return testing_support::RunningUnderWine() ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
}

bool IsFolder(const std::string &path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned long long Ticks(const FILETIME &time) {
    return static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

FileTimes TimesOf(const std::string &path) {
    FileTimes times;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        times.creation = Ticks(data.ftCreationTime);
        times.access = Ticks(data.ftLastAccessTime);
        times.write = Ticks(data.ftLastWriteTime);
    }
    return times;
}

unsigned long long DosTicks(uint32_t dosDateTime) {
    FILETIME time{};
    DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                          static_cast<WORD>(dosDateTime & 0xFFFF), &time);
    return Ticks(time);
}

unsigned long long UnixTicks(long long seconds) {
    return static_cast<unsigned long long>((seconds + 11644473600LL) * 10000000LL);
}

ProgressWindow::ProgressWindow() {
    unit_.window = CreateWindowExA(0, "STATIC", "ZIP", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    unit_.extractProgress = &ProgressWindow::OnProgress;
    unit_.progressContext = this;
}

ProgressWindow::~ProgressWindow() {
    Destroy();
}

void ProgressWindow::Destroy() {
    if (unit_.window && IsWindow(unit_.window))
        DestroyWindow(unit_.window);
}

bool ProgressWindow::OnProgress(void *context, int percentage) {
    auto *self = static_cast<ProgressWindow *>(context);
    self->percentages.push_back(percentage);
    return self->answer ? self->answer(percentage) : false;
}

} // namespace extract_test

#include <algorithm>

namespace extract_test {
namespace {
void ListInto(const std::string &root, const std::string &relative, std::vector<std::string> &out) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((root + "\\" + relative + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(relative + name + "\\");
            ListInto(root, relative + name + "\\", out);
        } else {
            out.push_back(relative + name);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}
} // namespace

std::vector<std::string> ListTree(const std::string &root) {
    std::vector<std::string> out;
    ListInto(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}
} // namespace extract_test
