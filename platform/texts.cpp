#include "platform/file_operations.h"
#include "platform/messages_and_processes.h"
#include "platform/text_memory.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

const char kOutOfMemoryFormat[] = "内存不足：无法分配 %lu 字节。";

// True when the address lies in a read-only section of a loaded module: a
// literal, which was never allocated and must not reach the heap.
bool IsModuleConstant(const void *address) {
    MEMORY_BASIC_INFORMATION region;
    if (!VirtualQuery(address, &region, sizeof region) || region.Type != MEM_IMAGE)
        return false;
    const auto *base = static_cast<const unsigned char *>(region.AllocationBase);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return false;
    uintptr_t offset = static_cast<const unsigned char *>(address) - base;
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        DWORD size = section->Misc.VirtualSize ? section->Misc.VirtualSize : section->SizeOfRawData;
        if (offset >= section->VirtualAddress && offset - section->VirtualAddress < size)
            return !(section->Characteristics & IMAGE_SCN_MEM_WRITE);
    }
    return false;
}

} // namespace

char *AllocateText(size_t size) {
    void *memory = AllocateTextMemory(size);
    if (!memory) {
        char message[128];
        wsprintfA(message, kOutOfMemoryFormat, static_cast<unsigned long>(size));
        ReportFatalError(message);
    }
    return static_cast<char *>(memory);
}

char *JoinTexts(std::initializer_list<const char *> texts) {
    size_t size = 1;
    for (const char *text : texts) {
        size_t length = text ? std::strlen(text) : 0;
        // The same long text given many times could wrap the sum; ask for
        // what no heap can give instead.
        size = length > SIZE_MAX - size ? SIZE_MAX : size + length;
    }
    char *joined = AllocateText(size);
    char *end = joined;
    for (const char *text : texts) {
        if (!text)
            continue;
        size_t length = std::strlen(text);
        std::memcpy(end, text, length);
        end += length;
    }
    *end = '\0';
    return joined;
}

void ReleaseText(const char *text) {
    if (!text || IsModuleConstant(text))
        return;
    FreeTextMemory(const_cast<char *>(text));
}
