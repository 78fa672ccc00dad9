// A program whose text allocations all fail (it links substitute_text_memory
// in place of the platform's own), to show how the platform ends then.
//   join FOLDER     JoinTexts of 4,097 bytes of text
//   special FOLDER  GetSpecialFolder of the Windows folder
// FOLDER gets "cleanup" from the EndProgram clean-up, and "after" should the
// failed call ever return.
#include "platform/file_operations.h"
#include "platform/messages_and_processes.h"

#include "marks.h"
#include "substitute_text_memory.h"

#include <windows.h>

#include <cstring>
#include <string>

using namespace platform_marks;

int main(int argc, char **argv) {
    if (argc < 3)
        return 100;
    MarkFolder() = argv[2];
    SetEndProgramCleanup(MarkCleanup);
    substitute_text_memory::FailAllocations(true);
    if (!std::strcmp(argv[1], "join")) {
        std::string long_text(4096, 'a');
        ReleaseText(JoinTexts({long_text.c_str(), nullptr, "b"}));
    } else if (!std::strcmp(argv[1], "special")) {
        ReleaseText(GetSpecialFolder(SpecialFolderWindows));
    } else {
        return 100;
    }
    Mark("after");
    return 101;
}
