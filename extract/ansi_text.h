// Double-byte aware walking of ANSI texts: a lead byte of the ANSI code page
// and the byte after it form one character, so a trail byte 0x5C (as in
// 淺, 9C 5C) is never taken for "\".
#pragma once

#include <windows.h>

#include <cstddef>

namespace zip_extract {

// Bytes in the character at text (1 or 2); a lead byte before the NUL counts alone.
inline size_t AnsiCharLength(const char *text) {
    return IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0' ? 2 : 1;
}

inline bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Whether the last character of text is "\".
bool EndsWithBackslash(const char *text);

} // namespace zip_extract
