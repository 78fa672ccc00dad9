// The themed look of the standard controls of the program's thread.
#pragma once

// Colour scheme 1, 2 or 3 switches the look on for every control of the
// thread, present and future; 0 or any other value switches it off.
void SetThemedLook(int scheme);

// The scheme in force, 0 when off.
int ThemedLookScheme();
