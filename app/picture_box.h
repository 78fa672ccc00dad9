// The picture box: a child window that shows one JPEG picture, decoded once
// when the box is created and stretched over the whole box on every paint.
#pragma once

#include <windows.h>

extern const char PictureBoxClassName[];

// The creation parameter of a box is its picture: a 32-bit little-endian
// length, then the JPEG bytes (or null for none).
bool RegisterPictureBoxClass(HINSTANCE instance);
