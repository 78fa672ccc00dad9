// The committed shortcut template, read two ways: field by field as
// [MS-SHLLINK] lays it out, and through the shell's own Shell Link object.
#include "test_support.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace testing_support;

namespace {

const char kTarget[] = "C:\\WINDOWS\\ten\\Morvena.exe";
const char kWorkingFolder[] = "C:\\WINDOWS\\ten";

enum LinkFlags : uint32_t {
    HasLinkTargetIDList = 0x1,
    HasLinkInfo = 0x2,
    HasName = 0x4,
    HasRelativePath = 0x8,
    HasWorkingDir = 0x10,
    HasArguments = 0x20,
    HasIconLocation = 0x40,
    IsUnicode = 0x80,
};

// Bounds-checked little-endian reads over the file's bytes.
struct Reader {
    const std::vector<unsigned char> &bytes;
    bool ok = true;
    uint32_t U16(size_t at) {
        if (at + 2 > bytes.size())
            return ok = false;
        return bytes[at] | bytes[at + 1] << 8;
    }
    uint32_t U32(size_t at) {
        if (at + 4 > bytes.size())
            return ok = false;
        return U16(at) | U16(at + 2) << 16;
    }
    std::string Ansi(size_t at) {
        std::string text;
        while (at < bytes.size() && bytes[at])
            text += static_cast<char>(bytes[at++]);
        ok = ok && at < bytes.size();
        return text;
    }
};

std::string Lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

class ShortcutTemplate : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(ReadWholeFile(HostPath(SHORTCUT_FILE), bytes_)); }
    std::vector<unsigned char> bytes_;
};

TEST_F(ShortcutTemplate, HeaderAsTheFormatLaysItOut) {
    Reader r{bytes_};
    ASSERT_GE(bytes_.size(), 76u);
    EXPECT_EQ(r.U32(0), 0x4Cu) << "HeaderSize";
    static const unsigned char kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0,
                                                      0xC0, 0,    0,    0, 0, 0, 0, 0x46};
    EXPECT_EQ(0, std::memcmp(bytes_.data() + 4, kShellLinkClsid, 16)) << "LinkCLSID";
    uint32_t flags = r.U32(20);
    EXPECT_TRUE(flags & HasLinkTargetIDList);
    EXPECT_TRUE(flags & HasLinkInfo);
    EXPECT_TRUE(flags & HasWorkingDir);
    EXPECT_FALSE(flags & HasArguments);
    EXPECT_FALSE(flags & HasIconLocation);
    EXPECT_EQ(r.U32(60), 1u) << "ShowCommand SW_SHOWNORMAL";
    EXPECT_EQ(r.U16(64), 0u) << "HotKey";
}

// Walks the structures in file order and checks where each leads.
TEST_F(ShortcutTemplate, IdListLinkInfoAndWorkingDirNameTheApplication) {
    Reader r{bytes_};
    uint32_t flags = r.U32(20);
    size_t at = 76;

    // LinkTargetIDList: computer, "C:\", then one item per name on the path.
    size_t listSize = r.U16(at);
    size_t item = at + 2, listEnd = at + 2 + listSize;
    std::vector<std::string> names;
    static const unsigned char kComputer[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
    ASSERT_EQ(r.U16(item + 2) & 0xFF, 0x1Fu) << "root item";
    EXPECT_EQ(0, std::memcmp(bytes_.data() + item + 4, kComputer, 16));
    item += r.U16(item);
    ASSERT_EQ(r.U16(item + 2) & 0x70, 0x20u) << "volume item";
    EXPECT_EQ(r.Ansi(item + 3), "C:\\");
    item += r.U16(item);
    while (r.ok && item + 2 <= listEnd && r.U16(item) != 0) {
        uint32_t type = r.U16(item + 2) & 0x70;
        EXPECT_EQ(type, 0x30u) << "file system item";
        names.push_back(Lower(r.Ansi(item + 14))); // short name after size, type, file size, date
        item += r.U16(item);
    }
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(names, (std::vector<std::string>{"windows", "ten", "morvena.exe"}));
    at = listEnd;

    // LinkInfo: a local target with a fixed drive, its path in the ANSI code page.
    size_t info = at;
    uint32_t infoSize = r.U32(info);
    EXPECT_EQ(r.U32(info + 4), 0x1Cu) << "LinkInfoHeaderSize";
    EXPECT_EQ(r.U32(info + 8) & 1u, 1u) << "VolumeIDAndLocalBasePath";
    size_t volume = info + r.U32(info + 12);
    EXPECT_EQ(r.U32(volume + 4), 3u) << "DRIVE_FIXED";
    EXPECT_EQ(r.Ansi(info + r.U32(info + 16)), kTarget) << "LocalBasePath";
    EXPECT_EQ(r.Ansi(info + r.U32(info + 24)), "") << "CommonPathSuffix";
    at = info + infoSize;

    // StringData in UTF-16, each with its character count in front.
    auto unicode = [&](size_t &pos) {
        size_t count = r.U16(pos);
        std::string text;
        for (size_t i = 0; i < count; ++i)
            text += static_cast<char>(r.U16(pos + 2 + 2 * i));
        pos += 2 + 2 * count;
        return text;
    };
    ASSERT_TRUE(flags & IsUnicode);
    if (flags & HasName)
        unicode(at);
    if (flags & HasRelativePath) {
        EXPECT_EQ(Lower(unicode(at)), Lower("..\\..\\..\\WINDOWS\\ten\\Morvena.exe"));
    }
    ASSERT_TRUE(flags & HasWorkingDir);
    std::string workingFolder = unicode(at);
    // Wine's shell counts the terminating NUL in; a reader takes the string
    // up to it, so the folder named is the same.
    if (!workingFolder.empty() && workingFolder.back() == '\0')
        workingFolder.pop_back();
    EXPECT_EQ(workingFolder, kWorkingFolder);
    ASSERT_TRUE(r.ok);

    // ExtraData ends with the terminal block.
    while (r.ok && r.U32(at) >= 4)
        at += r.U32(at);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(at + 4, bytes_.size()) << "nothing after the terminal block";
}

TEST_F(ShortcutTemplate, ShellLinkObjectReadsTheSameTarget) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IShellLinkA *link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkA, reinterpret_cast<void **>(&link))));
    IPersistFile *file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, HostPath(SHORTCUT_FILE).c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(file->Load(wide, STGM_READ)));

    char text[MAX_PATH] = "";
    ASSERT_TRUE(SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)));
    EXPECT_STRCASEEQ(text, kTarget);
    ASSERT_TRUE(SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)));
    EXPECT_STREQ(text, kWorkingFolder);
    text[0] = 'x';
    link->GetArguments(text, MAX_PATH);
    EXPECT_STREQ(text, "");
    int icon = -1;
    text[0] = 'x';
    link->GetIconLocation(text, MAX_PATH, &icon);
    EXPECT_STREQ(text, "");
    int show = 0;
    ASSERT_TRUE(SUCCEEDED(link->GetShowCmd(&show)));
    EXPECT_EQ(show, SW_SHOWNORMAL);

    file->Release();
    link->Release();
    CoUninitialize();
}

} // namespace
