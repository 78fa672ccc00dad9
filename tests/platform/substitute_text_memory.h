// Stands in for platform/text_memory.cpp in the programs that link it: the
// platform's texts then come from here, where every allocation and release
// is recorded and allocations can be made to fail.
#pragma once

#include <cstddef>
#include <vector>

namespace substitute_text_memory {

struct Allocation {
    void *memory;
    size_t size;
};

void FailAllocations(bool fail);
const std::vector<Allocation> &Allocations();
const std::vector<void *> &Releases();
void Forget();

} // namespace substitute_text_memory
