// The built installer file: a 32-bit GUI program that imports only DLLs the
// system always loads from its own folder, with our version resource and icon.
#include "test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

using namespace testing_support;

namespace {

std::string InstallerPath() { return HostPath(INSTALLER_EXE); }

struct PeImage {
    std::vector<unsigned char> bytes;
    const IMAGE_NT_HEADERS32 *nt = nullptr;

    bool Load(const std::string &path) {
        if (!ReadWholeFile(path, bytes) || bytes.size() < sizeof(IMAGE_DOS_HEADER))
            return false;
        auto dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(bytes.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE ||
            static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32) > bytes.size())
            return false;
        nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(bytes.data() + dos->e_lfanew);
        return nt->Signature == IMAGE_NT_SIGNATURE;
    }
    // The file offset of a relative virtual address, or 0.
    size_t Offset(DWORD rva) const {
        auto section = IMAGE_FIRST_SECTION(nt);
        for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
            DWORD size = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size)
                return rva - section->VirtualAddress + section->PointerToRawData;
        }
        return 0;
    }
    std::set<std::string> ImportedDlls() const {
        std::set<std::string> names;
        DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (size_t at = Offset(rva); at && at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= bytes.size();
             at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            auto import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(bytes.data() + at);
            if (import->Name == 0)
                break;
            std::string name(reinterpret_cast<const char *>(bytes.data() + Offset(import->Name)));
            std::transform(name.begin(), name.end(), name.begin(), ::tolower);
            names.insert(name);
        }
        return names;
    }
};

TEST(ProgramFile, IsA32BitGuiProgram) {
    PeImage image;
    ASSERT_TRUE(image.Load(InstallerPath()));
    EXPECT_EQ(image.nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(image.nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(image.nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST(ProgramFile, ImportsOnlyDllsTheSystemLoadsFromItsOwnFolder) {
    PeImage image;
    ASSERT_TRUE(image.Load(InstallerPath()));
    // Known DLLs of every Windows from XP on: never looked for beside the program.
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                           "advapi32.dll", "msvcrt.dll"};
    std::set<std::string> imported = image.ImportedDlls();
    EXPECT_FALSE(imported.empty());
    for (const std::string &name : imported)
        EXPECT_TRUE(allowed.count(name)) << "imports " << name;
}

class ProgramResources : public ::testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module_) << GetLastError();
    }
    void TearDown() override {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<std::string> *>(names)->push_back(
        IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name)) : name);
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD> *>(languages)->push_back(language);
    return TRUE;
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(ProgramResources, FirstIconGroupIsDefaultIconWithOne32BitImage) {
    std::vector<std::string> groups;
    EnumResourceNamesA(module_, RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front(), "DEFAULT_ICON");

    std::vector<WORD> languages;
    EnumResourceLanguagesA(module_, RT_GROUP_ICON, "DEFAULT_ICON", CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)});

    HRSRC found = FindResourceA(module_, "DEFAULT_ICON", RT_GROUP_ICON);
    ASSERT_TRUE(found);
    auto group = static_cast<const WORD *>(LockResource(LoadResource(module_, found)));
    ASSERT_TRUE(group);
    EXPECT_EQ(group[1], 1) << "type: icon";
    ASSERT_EQ(group[2], 1) << "one image";
    auto entry = reinterpret_cast<const IconGroupEntry *>(group + 3);
    EXPECT_EQ(entry->width, 32);
    EXPECT_EQ(entry->height, 32);
    EXPECT_EQ(entry->bitCount, 32);
}

TEST_F(ProgramResources, CarriesNoApplicationManifest) {
    std::vector<std::string> manifests;
    EnumResourceNamesA(module_, MAKEINTRESOURCEA(24), CollectName,
                       reinterpret_cast<LONG_PTR>(&manifests));
    EXPECT_TRUE(manifests.empty());
}

TEST(ProgramVersion, FixedPartStringsAndTranslation) {
    std::string path = InstallerPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileSubtype, 0u);

    WORD *translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void **>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 1200);

    const struct {
        const char *name, *value;
    } strings[] = {{"FileVersion", "1.0.0.0"}, {"ProductVersion", "1.0.0.0"},
                   {"FileDescription", "Morvena"}, {"ProductName", "Morvena"},
                   {"Comments", "Morvena"}};
    for (const auto &s : strings) {
        char *value = nullptr;
        std::string query = std::string("\\StringFileInfo\\080404B0\\") + s.name;
        ASSERT_TRUE(VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void **>(&value),
                                   &length))
            << s.name;
        EXPECT_STREQ(value, s.value) << s.name;
    }
}

} // namespace
