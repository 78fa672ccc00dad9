// The helper programs report what they got to by leaving empty files, named
// after each step, in a folder the test gives them.
#pragma once

#include <windows.h>

#include <string>

namespace platform_marks {

inline std::string &MarkFolder() {
    static std::string folder;
    return folder;
}

inline void Mark(const char *name) {
    HANDLE file = CreateFileA((MarkFolder() + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

// Registered as the end-of-program clean-up: shows that it ran.
inline void MarkCleanup() { Mark("cleanup"); }

} // namespace platform_marks
