// The two things the installer does, one per button. Each runs inside the
// dispatch of the click and ends the program itself.
#pragma once

[[noreturn]] void InstallAction();
[[noreturn]] void UninstallAction();
