// Decoding a JPEG picture into a 24-bit bitmap the window can draw.
#pragma once

#include <windows.h>

#include <cstddef>

// A DIB section of the picture's own size, or null when the bytes are not a
// picture this decoder can read. The caller deletes the bitmap.
HBITMAP DecodeJpegToBitmap(const unsigned char *bytes, size_t length);
