#include "app/special_paths.h"

#include "platform/file_operations.h"

char *PathBelowSpecialFolder(int folderCode, const char *suffix) {
    char *folder = GetSpecialFolder(folderCode);
    if (!folder)
        return nullptr;
    char *path = JoinTexts({folder, suffix});
    ReleaseText(folder);
    return path;
}
