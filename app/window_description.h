// The constant description from which the main window and its controls are
// built: the window first, then its controls in z-order, top first.
#pragma once

#include <windows.h>

enum class ControlKind { ProgressBar, PictureBox, Button, ZipUnit };

// An event binding: a procedure with no arguments and no result, or none.
using EventProcedure = void (*)();

struct ControlDescription {
    const char *name; // as the designer named it, e.g. "按钮1"
    ControlKind kind;
    int left, top, width, height; // client coordinates of the window
    DWORD style;                  // without WS_VISIBLE: shown after the build
    const char *text;
    bool visible;
    int tabOrderKey;
    EventProcedure onClick;
    const unsigned char *picture; // 32-bit little-endian length, then JPEG bytes
};

struct WindowDescription {
    const char *title;
    int left, top; // stored with the description; the window is centred instead
    int width, height; // outer size
    DWORD style;
    EventProcedure onCreated;
    const ControlDescription *controls;
    int controlCount;
};

extern const WindowDescription MainWindowDescription;
