// Where the program loads DLLs from. A program started from a downloads
// folder must not pick up a DLL that was planted beside it.
#pragma once

#include <windows.h>

// Restricts the DLL search of the process to the system folder where the
// system can (looked up at run time: older systems lack it), else takes the
// current folder out of the search; and keeps the system from showing error
// boxes of its own for missing media or DLLs. Call it first.
void RestrictDllSearchToSystemFolder();

// Loads a DLL of the system by its full path in the system folder.
HMODULE LoadSystemLibrary(const char *name);
