#include "code_page.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace payload {
namespace {

// One iconv conversion of a whole text. Returns false on an invalid or
// unconvertible sequence.
bool Convert(const char *to, const char *from, const std::string &in, std::string &out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.clear();
    char *inPtr = const_cast<char *>(in.data());
    size_t inLeft = in.size();
    char buffer[256];
    bool ok = true;
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

void AppendEscaped(std::string &out, unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    out += text;
}

} // namespace

bool Utf8ToCodePage936(const std::string &utf8, std::string &out) {
    return Convert("CP936", "UTF-8", utf8, out);
}

std::string CodePage936ForDisplay(const std::string &bytes) {
    std::string out;
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            if (byte == '"' || byte == '\\')
                out += '\\';
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        std::string converted;
        if (IsLeadByte936(byte) && i + 1 < bytes.size() &&
            IsTrailByte936(static_cast<unsigned char>(bytes[i + 1])) &&
            Convert("UTF-8", "CP936", bytes.substr(i, 2), converted)) {
            out += converted;
            i += 2;
            continue;
        }
        AppendEscaped(out, byte);
        ++i;
    }
    return out;
}

} // namespace payload
