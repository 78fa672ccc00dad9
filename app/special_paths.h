// Paths below the user's special folders, as the actions compose them.
#pragma once

// The special folder (which ends in a backslash) joined with a suffix that
// begins with one; the folder text is released at once, the caller releases
// the path right after its one use. Null when the folder cannot be had: the
// caller then skips the step rather than act at the root of the current drive.
char *PathBelowSpecialFolder(int folderCode, const char *suffix);
