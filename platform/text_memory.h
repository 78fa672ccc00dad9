// Memory for the texts that the platform hands out. The two primitives live
// alone in text_memory.cpp so that a program can link its own in their place.
#pragma once

#include <cstddef>

// size bytes from the process heap, or nullptr.
void *AllocateTextMemory(size_t size);
// Gives back memory from AllocateTextMemory.
void FreeTextMemory(void *memory);

// size bytes for a new text; when there are none to be had, the program ends
// through ReportFatalError naming the size.
char *AllocateText(size_t size);
