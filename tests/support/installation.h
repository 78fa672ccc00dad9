// The installation as the tests see it in the test prefix: where the
// installer puts things, what the payload holds, and a clean slate.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

extern const char kInstallFolder[]; // C:\WINDOWS\ten
extern const char kShortcutName[];  // Morvena旗舰版.lnk

std::string SpecialFolder(int csidl);
std::string StartMenuFolder(); // ...\Start Menu\Morvena
std::string StartMenuShortcut();
std::string DesktopShortcut();

// Every file entry of the payload with its bytes ("\" between folders), as
// the ZIP reader sees it.
struct PayloadFile {
    std::string name;
    std::vector<unsigned char> bytes;
};
std::vector<PayloadFile> PayloadFiles(const std::string &payloadPath);

// Ends every running installed application.
void EndApplications();
// Removes the installation, the start-menu folder and the desktop shortcut
// whatever their attributes, and ends any running installed application.
void RemoveInstallation();

} // namespace testing_support
