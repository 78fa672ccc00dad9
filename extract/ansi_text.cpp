#include "extract/ansi_text.h"

namespace zip_extract {

bool EndsWithBackslash(const char *text) {
    bool last = false;
    for (const char *p = text; *p; p += AnsiCharLength(p))
        last = *p == '\\';
    return last;
}

} // namespace zip_extract
