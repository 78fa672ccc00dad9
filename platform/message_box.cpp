#include "platform/messages_and_processes.h"

#include <windows.h>

namespace {

const char kDefaultCaption[] = "信息：";

int MessageResultOf(int boxResult) {
    switch (boxResult) {
    case IDCANCEL:
        return MessageResultCancel;
    case IDABORT:
        return MessageResultAbort;
    case IDRETRY:
        return MessageResultRetry;
    case IDIGNORE:
        return MessageResultIgnore;
    case IDYES:
        return MessageResultYes;
    case IDNO:
        return MessageResultNo;
    default: // IDOK, an answer without a code of its own, or a box that failed (0)
        return MessageResultOk;
    }
}

} // namespace

int ShowMessageBox(const char *message, int flags, const char *caption) {
    UINT type = static_cast<UINT>(flags);
    // With no owner, task-modal is what disables the program's own windows.
    if (!(type & MB_SYSTEMMODAL))
        type |= MB_TASKMODAL;
    return MessageResultOf(
        MessageBoxA(nullptr, message ? message : "", caption ? caption : kDefaultCaption, type));
}
