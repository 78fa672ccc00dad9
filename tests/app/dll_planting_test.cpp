// DLLs planted beside the installer (as in a downloads folder) are never
// loaded: it restricts its DLL search before anything else.
#include "installer_driver.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::vector<std::string> PlantedNames() {
    std::vector<std::string> names;
    std::stringstream list(PLANTED_NAMES);
    std::string name;
    while (std::getline(list, name, ','))
        names.push_back(name);
    return names;
}

std::string MarkOf(const std::string &name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "planted-" + name + ".loaded";
}

class DllPlanting : public ::testing::Test {
  protected:
    // Wine prefers its own DLLs to any found beside a program unless its
    // WINEDLLOVERRIDES says otherwise, which it reads from the Unix
    // environment: CTest gives this test program (and so the programs it
    // starts) "<names>=n,b". Windows takes a planted DLL from the program's
    // folder as it is.
    void SetUp() override {
        for (const std::string &name : PlantedNames()) {
            ASSERT_TRUE(CopyFileA((HostPath(PLANTED_DIR) + "\\" + name + ".dll").c_str(),
                                  (folder_ / name + ".dll").c_str(), FALSE));
            DeleteFileA(MarkOf(name).c_str());
        }
    }
    std::string Plant(const char *exe, const char *as) {
        std::string copy = folder_ / as;
        EXPECT_TRUE(CopyFileA(HostPath(exe).c_str(), copy.c_str(), FALSE));
        return copy;
    }
    ScratchFolder folder_{"planting"};
};

TEST_F(DllPlanting, APlantedDllIsFoundWhenTheSearchIsNotHardened) {
    RunningProgram loader;
    ASSERT_TRUE(loader.Start(Plant(UNHARDENED_LOADER_EXE, "loader.exe")));
    EXPECT_EQ(loader.WaitForExit(), 0u);
    EXPECT_TRUE(PathExists(MarkOf("version"))) << "the fixture would not show a planted load";
}

TEST_F(DllPlanting, TheInstallerLoadsNoneOfThem) {
    RunningProgram installer;
    ASSERT_TRUE(installer.Start(Plant(INSTALLER_EXE, "MorvenaSetup.exe")));
    HWND window = WaitForMainWindow(installer.ProcessId());
    ASSERT_TRUE(window);
    // Go through the uninstall too: it looks up special folders and shows a
    // message box, which load more of the system.
    for (HWND child : ChildrenInZOrder(window))
        if (WindowText(child) == "卸载")
            PostMessageA(child, BM_CLICK, 0, 0);
    HWND box = WaitForMessageBox(installer.ProcessId());
    ASSERT_TRUE(box);
    AnswerMessageBox(box, IDOK);
    EXPECT_EQ(installer.WaitForExit(), 0u);
    for (const std::string &name : PlantedNames()) {
        // Wine's own user32 imports version.dll, resolved beside the program
        // before any code of it runs; Windows loads no such DLL.
        if (name == "version" && RunningUnderWine())
            continue;
        EXPECT_FALSE(PathExists(MarkOf(name))) << name << ".dll was loaded from beside the program";
    }
}

} // namespace
