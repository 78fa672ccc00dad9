// The program's entry procedure: harden, build the window, run the loop.
#pragma once

#include <cstdint>

int32_t StartUp();

// The folder of the program file: its full path cut at the last backslash,
// without a trailing backslash ("C:" for a program in a drive's root); empty
// when the path holds no backslash.
void ProgramFolderOf(const char *programPath, char *folder, unsigned folderSize);
