// The data that travels inside the installer, placed by the build.
#pragma once

#include "platform/byte_block.h"

extern "C" {
// The application's files as one ZIP archive.
extern const ByteBlock PayloadArchive;
// The shell link written to the start menu and the desktop.
extern const ByteBlock ShortcutTemplate;
// The window's picture: a 32-bit little-endian length, then the JPEG bytes.
extern const unsigned char BackgroundPicture[];
}
