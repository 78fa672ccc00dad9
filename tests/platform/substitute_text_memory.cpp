#include "substitute_text_memory.h"

#include "platform/text_memory.h"

#include <windows.h>

namespace substitute_text_memory {

namespace {

bool failing = false;
std::vector<Allocation> allocations;
std::vector<void *> releases;

} // namespace

void FailAllocations(bool fail) {
    failing = fail;
}
const std::vector<Allocation> &Allocations() {
    return allocations;
}
const std::vector<void *> &Releases() {
    return releases;
}
void Forget() {
    allocations.clear();
    releases.clear();
}

} // namespace substitute_text_memory

using namespace substitute_text_memory;

void *AllocateTextMemory(size_t size) {
    void *memory = failing ? nullptr : HeapAlloc(GetProcessHeap(), 0, size);
    allocations.push_back({memory, size});
    return memory;
}

void FreeTextMemory(void *memory) {
    releases.push_back(memory);
    HeapFree(GetProcessHeap(), 0, memory);
}
