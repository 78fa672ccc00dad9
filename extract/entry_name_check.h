// Which entry names may be written below the target folder.
#pragma once

namespace zip_extract {

// True when name, with "/" and "\" as separators, names a place below the
// target folder that Windows writes under exactly this name: not empty, no
// leading separator, no ":" (drive or stream), no empty component, no
// component ending in "." or " " (which covers "." and ".."), no reserved
// device name, and no lead byte without a trail byte after it. A folder
// entry may end in one separator. Double-byte aware in the ANSI code page.
bool IsSafeEntryName(const char *name, bool isFolder);

} // namespace zip_extract
