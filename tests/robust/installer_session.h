// One run of MorvenaSetup.exe driven as a user would: start it, click a
// button, read and answer each message box, wait for the end. It installs
// into and removes from the test prefix's own C:\WINDOWS\ten, start menu and
// desktop, which the tests that use it share: they hold RESOURCE_LOCK desktop.
#pragma once

#include "installation.h"
#include "installer_driver.h"

#include <memory>
#include <string>
#include <vector>

namespace robust {

using testing_support::DesktopShortcut;
using testing_support::kInstallFolder;
using testing_support::kShortcutName;
using testing_support::PayloadFile;
using testing_support::PayloadFiles;
using testing_support::RemoveInstallation;
using testing_support::StartMenuFolder;

// What a message box said, and the window's title behind it.
struct SeenBox {
    std::string text, windowTitle;
};

class InstallerSession {
  public:
    explicit InstallerSession(const std::string &exe);
    bool Started() const { return window_ != nullptr; }
    void Click(const char *caption);
    SeenBox Answer(int button);
    DWORD WaitForExit() { return program_.WaitForExit(); }

  private:
    testing_support::RunningProgram program_;
    HWND window_ = nullptr;
};

// Install with the two answers; the window title seen at the first question.
// Empty when the session did not get that far.
std::string Install(const std::string &exe, int desktopAnswer, int runAnswer, DWORD *exitCode);
// Uninstall; the text of the closing message.
std::string Uninstall(const std::string &exe, DWORD *exitCode);

} // namespace robust
