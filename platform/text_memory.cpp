#include "platform/text_memory.h"

#include <windows.h>

void *AllocateTextMemory(size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void FreeTextMemory(void *memory) {
    HeapFree(GetProcessHeap(), 0, memory);
}
