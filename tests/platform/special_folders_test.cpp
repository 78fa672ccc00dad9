#include "platform/file_operations.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <climits>
#include <string>

using testing_support::RunningUnderWine;
using testing_support::ScratchFolder;

namespace {

// The returned text, released at once; "<none>" for nullptr.
std::string Take(char *text) {
    if (!text)
        return "<none>";
    std::string copy = text;
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, text), copy.size() + 1)
        << "a process-heap text of its length";
    ReleaseText(text);
    return copy;
}

std::string WithBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder;
}

// Points the user's favourites somewhere else for the length of a test, by
// the per-user setting the shell reads, and puts the setting back after.
class FavoritesRedirect {
  public:
    FavoritesRedirect() {
        RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
        savedSize_ = sizeof saved_;
        had_ = key_ &&
               RegQueryValueExA(key_, "Favorites", nullptr, &savedType_,
                                reinterpret_cast<BYTE *>(saved_), &savedSize_) == ERROR_SUCCESS;
    }
    ~FavoritesRedirect() {
        if (!key_)
            return;
        if (had_)
            RegSetValueExA(key_, "Favorites", 0, savedType_, reinterpret_cast<BYTE *>(saved_),
                           savedSize_);
        else
            RegDeleteValueA(key_, "Favorites");
        RegCloseKey(key_);
    }
    bool To(const std::string &folder) {
        return key_ && RegSetValueExA(key_, "Favorites", 0, REG_SZ,
                                      reinterpret_cast<const BYTE *>(folder.c_str()),
                                      static_cast<DWORD>(folder.size() + 1)) == ERROR_SUCCESS;
    }

  private:
    static constexpr const char *kKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    char saved_[1024];
    DWORD savedSize_ = 0;
    DWORD savedType_ = REG_SZ;
    bool had_ = false;
};

// A folder whose path is exactly `length` bytes, nested below base.
std::string MakeFolderOfLength(const std::string &base, size_t length) {
    std::string path = base;
    while (path.size() < length) {
        size_t room = length - path.size() - 1; // the separator takes one
        std::string name(room > 60 ? 60 : room, 'f');
        if (room > 60 && room - 60 < 2)
            name.resize(room - 2); // leave at least "\x" for the last step
        path += "\\" + name;
        if (!CreateDirectoryA(path.c_str(), nullptr))
            return "";
    }
    return path;
}

} // namespace

TEST(GetSpecialFolder, CodesOutsideTheTableGiveNone) {
    for (int code : {0, -1, 12, 13, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(GetSpecialFolder(code), nullptr);
    }
}

TEST(GetSpecialFolder, ShellFoldersByTheirCodes) {
    // The codes as numbers: they are what callers pass.
    struct Case {
        int code;
        int csidl;
    } cases[] = {
        {1, CSIDL_PERSONAL},  {2, CSIDL_FAVORITES}, {3, CSIDL_DESKTOPDIRECTORY}, {4, CSIDL_FONTS},
        {5, CSIDL_STARTMENU}, {6, CSIDL_PROGRAMS},  {7, CSIDL_STARTUP},          {8, CSIDL_APPDATA},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        char expected[MAX_PATH] = "";
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, expected, c.csidl, FALSE));
        EXPECT_EQ(Take(GetSpecialFolder(c.code)), WithBackslash(expected));
    }
}

TEST(GetSpecialFolder, SystemFoldersEndInExactlyOneBackslash) {
    char windows[MAX_PATH], system[MAX_PATH], temporary[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    ASSERT_NE(GetTempPathA(MAX_PATH, temporary), 0u);
    struct Case {
        int code;
        std::string expected;
    } cases[] = {
        {9, WithBackslash(windows)},
        {10, WithBackslash(system)},
        {11, temporary}, // already ends in a backslash
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        std::string folder = Take(GetSpecialFolder(c.code));
        EXPECT_EQ(folder, c.expected);
        ASSERT_GE(folder.size(), 2u);
        EXPECT_EQ(folder.back(), '\\');
        EXPECT_NE(folder[folder.size() - 2], '\\');
    }
}

TEST(GetSpecialFolder, JoinedWithANameGivesADoubledSeparatorThatStillWorks) {
    char *folder = GetSpecialFolder(SpecialFolderTemporary);
    ASSERT_NE(folder, nullptr);
    ScratchFolder scratch("special-join");
    std::string name = scratch.Path().substr(std::string(folder).size() - 1); // "\morvena-..."
    char *path = JoinTexts({folder, name.c_str()});
    ReleaseText(folder);
    EXPECT_NE(std::string(path).find("\\\\"), std::string::npos);
    EXPECT_TRUE(CreateFolder((std::string(path) + "\\inner").c_str()));
    EXPECT_TRUE(testing_support::PathExists(scratch / "inner"));
    ReleaseText(path);
}

// The shell takes a folder of up to 259 bytes; one that long leaves no room
// for the backslash and gives none rather than a cut path, and a folder that
// does not exist is neither found nor created.
TEST(GetSpecialFolder, ALookupThatCannotEndInABackslashGivesNone) {
    // This redirects the user's favourites through the registry, which is
    // fine in Wine's throwaway prefix but not on a real user's Windows.
    if (!RunningUnderWine())
        GTEST_SKIP() << "would redirect the real user's favourites";
    ScratchFolder scratch("special-long");
    std::string longest = MakeFolderOfLength(scratch.Path(), MAX_PATH - 1);
    ASSERT_EQ(longest.size(), 259u);
    ASSERT_TRUE(CreateDirectoryA((scratch / "r").c_str(), nullptr));
    std::string roomy = MakeFolderOfLength(scratch / "r", MAX_PATH - 2);
    ASSERT_EQ(roomy.size(), 258u);

    FavoritesRedirect favorites;
    struct Case {
        const char *name;
        std::string folder;
        std::string expected;
    } cases[] = {
        {"258 bytes", roomy, roomy + "\\"},
        {"259 bytes", longest, "<none>"},
        {"missing", scratch / "missing", "<none>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(favorites.To(c.folder));
        EXPECT_EQ(Take(GetSpecialFolder(SpecialFolderFavorites)), c.expected);
    }
    EXPECT_FALSE(testing_support::PathExists(scratch / "missing"));
}
