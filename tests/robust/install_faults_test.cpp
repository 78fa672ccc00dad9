// Faults around a real install and uninstall with MorvenaSetup.exe: the
// archive or the installed files in use, a folder link inside what the
// uninstall removes, a read-only file in the start-menu folder. The app tests
// hold the plain cases (the application running during repair, one file in
// use at the root during uninstall).
#include "installer_session.h"
#include "platform_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#ifndef INSTALLER_EXE
#error "INSTALLER_EXE must name MorvenaSetup.exe"
#endif

namespace {

using namespace robust;
using testing_support::HostPath;
using testing_support::PathExists;
using testing_support::ReadWholeFile;
using testing_support::RunningUnderWine;
using testing_support::ScratchFolder;
using testing_support::WriteWholeFile;

std::string Bytes(const std::string &path) {
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, bytes))
        return "<missing>";
    return std::string(bytes.begin(), bytes.end());
}

std::string Installed(const std::string &name) {
    return std::string(kInstallFolder) + "\\" + name;
}

// A handle that another program holds on a file, with the given sharing.
class Held {
  public:
    Held(const std::string &path, DWORD sharing)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0,
                              nullptr)) {}
    ~Held() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    bool Open() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

class RobustInstallFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveInstallation();
        exe_ = HostPath(INSTALLER_EXE);
        payload_ = PayloadFiles(HostPath(PAYLOAD_FILE));
        ASSERT_FALSE(payload_.empty());
    }
    void TearDown() override { RemoveInstallation(); }

    void FreshInstall(int desktopAnswer = IDYES) {
        DWORD code = STILL_ACTIVE;
        ASSERT_EQ(Install(exe_, desktopAnswer, IDNO, &code), "安装完成");
        ASSERT_EQ(code, 0u);
    }
    // Every installed file gets other bytes, to tell a rewritten file.
    void MakeEveryFileStale() {
        for (const PayloadFile &file : payload_)
            ASSERT_TRUE(WriteWholeFile(Installed(file.name), "stale", 5)) << file.name;
    }
    bool AllStale() const {
        for (const PayloadFile &file : payload_)
            if (Bytes(Installed(file.name)) != "stale")
                return false;
        return true;
    }

    std::string exe_;
    std::vector<PayloadFile> payload_;
};

// Another program (an unpacker, a scanner) holds b.zip: the install cannot
// write it, nor unpack the old one, and says so in its title; it still asks
// both questions, ends normally and leaves the installed files as they were.
TEST_F(RobustInstallFaults, RepairWhileAnotherProgramHoldsTheArchive) {
    FreshInstall();
    const std::string archive = Installed("b.zip");
    const std::string full = Bytes(archive);
    const struct {
        const char *what;
        DWORD sharing;
        std::string before; // b.zip as the other program holds it
    } cases[] = {
        {"held without sharing", 0, full},
        {"held with read sharing, an old b.zip cut in half", FILE_SHARE_READ,
         full.substr(0, full.size() / 2)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        MakeEveryFileStale();
        ASSERT_TRUE(WriteWholeFile(archive, c.before.data(), c.before.size()));
        {
            Held held(archive, c.sharing);
            ASSERT_TRUE(held.Open());
            DWORD code = STILL_ACTIVE;
            EXPECT_EQ(Install(exe_, IDYES, IDNO, &code), "安装失败");
            EXPECT_EQ(code, 0u);
        }
        EXPECT_TRUE(Bytes(archive) == c.before) << "b.zip could not be written";
        EXPECT_TRUE(AllStale()) << "nothing was unpacked";
        EXPECT_TRUE(PathExists(StartMenuFolder() + "\\" + kShortcutName));
    }
}

// Files in use stay with the folders above them; everything else goes.
TEST_F(RobustInstallFaults, UninstallWhileFilesDeepInTheTreeAndTheShortcutAreInUse) {
    FreshInstall();
    const std::string deep = Installed("资源\\淺色主題.ini"); // 淺 ends in the byte 5C
    const std::string shortcut = StartMenuFolder() + "\\" + kShortcutName;
    ASSERT_TRUE(PathExists(deep));
    {
        Held deepHeld(deep, 0), shortcutHeld(shortcut, 0);
        ASSERT_TRUE(deepHeld.Open());
        ASSERT_TRUE(shortcutHeld.Open());
        DWORD code = STILL_ACTIVE;
        EXPECT_EQ(Uninstall(exe_, &code), "完成");
        EXPECT_EQ(code, 0u);
    }
    EXPECT_TRUE(PathExists(deep));
    EXPECT_TRUE(PathExists(shortcut));
    for (const PayloadFile &file : payload_) {
        if (Installed(file.name) != deep) {
            EXPECT_FALSE(PathExists(Installed(file.name))) << file.name;
        }
    }
    EXPECT_FALSE(PathExists(Installed("b.zip")));
    EXPECT_FALSE(PathExists(Installed("help")));
    EXPECT_FALSE(PathExists(DesktopShortcut()));
}

// A folder link inside a folder that the uninstall removes: the link goes
// (as a link), and nothing of what it points to outside.
TEST_F(RobustInstallFaults, UninstallRemovesAFolderLinkButNothingItPointsTo) {
    const struct {
        const char *what;
        std::string (*folder)();
    } cases[] = {
        {"inside C:\\WINDOWS\\ten", [] { return std::string(kInstallFolder); }},
        {"inside the start-menu folder", StartMenuFolder},
    };
    const std::vector<std::string> outsideFiles = {"keep.txt", "sub\\keep too.txt", "Morvena.exe"};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FreshInstall();
        ScratchFolder outside("outside");
        CreateDirectoryA((outside / "sub").c_str(), nullptr);
        for (const std::string &name : outsideFiles)
            ASSERT_TRUE(WriteWholeFile(outside / name, "mine", 4));
        const std::string link = c.folder() + "\\link";
        {
            platform_fixtures::FolderLink made(link, outside.Path());
            ASSERT_TRUE(made.Made()) << "could not make a folder link";
            DWORD code = STILL_ACTIVE;
            EXPECT_EQ(Uninstall(exe_, &code), "完成");
            EXPECT_EQ(code, 0u);
            for (const std::string &name : outsideFiles)
                EXPECT_EQ(Bytes(outside / name), "mine") << name;
            EXPECT_FALSE(PathExists(Installed("Morvena.exe")));
            EXPECT_FALSE(PathExists(StartMenuFolder() + "\\" + kShortcutName));
            // Wine 8 cannot remove a Unix symlink to a folder (RemoveDirectory gives 145).
            if (!RunningUnderWine()) {
                EXPECT_FALSE(PathExists(link));
                EXPECT_FALSE(PathExists(c.folder()));
            }
        }
        RemoveInstallation();
    }
}

// A read-only file stays, and with it the start-menu folder; the rest of
// the uninstall goes on and ends as always.
TEST_F(RobustInstallFaults, UninstallWithAReadOnlyFileInTheStartMenuFolder) {
    FreshInstall();
    const std::string notes = StartMenuFolder() + "\\notes.txt";
    ASSERT_TRUE(WriteWholeFile(notes, "mine", 4));
    ASSERT_TRUE(SetFileAttributesA(notes.c_str(), FILE_ATTRIBUTE_READONLY));
    DWORD code = STILL_ACTIVE;
    EXPECT_EQ(Uninstall(exe_, &code), "完成");
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(Bytes(notes), "mine");
    EXPECT_FALSE(PathExists(StartMenuFolder() + "\\" + kShortcutName));
    EXPECT_FALSE(PathExists(kInstallFolder));
    EXPECT_FALSE(PathExists(DesktopShortcut()));
}

} // namespace
