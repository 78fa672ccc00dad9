// Conversions between UTF-8, in which our sources are written, and code page
// 936, in which the installer's names and texts are stored.
#pragma once

#include <string>

namespace payload {

// Converts UTF-8 text to code page 936. Fails on input that is not UTF-8 or
// holds a character that code page 936 lacks.
bool Utf8ToCodePage936(const std::string &utf8, std::string &out);

// Renders code page 936 bytes as printable UTF-8 for messages: what does not
// convert, and control bytes, come out as \xNN.
std::string CodePage936ForDisplay(const std::string &bytes);

// Whether a byte starts a double-byte character in code page 936.
inline bool IsLeadByte936(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}
inline bool IsTrailByte936(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

} // namespace payload
