// Creating a folder with every missing folder above it.
#pragma once

namespace zip_extract {

// Creates each missing folder along path, parents first; only "\" separates
// levels, double-byte aware. False when a level cannot be created or the
// path (with its "\" appended) does not fit in MAX_PATH.
bool CreateFolderPath(const char *path);

} // namespace zip_extract
