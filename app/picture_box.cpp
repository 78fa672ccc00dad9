#include "app/picture_box.h"

#include "app/jpeg_picture.h"
#include "platform/byte_block.h"

const char PictureBoxClassName[] = "MorvenaPictureBox";

namespace {

HBITMAP PictureOf(HWND box) {
    return reinterpret_cast<HBITMAP>(GetWindowLongPtrA(box, GWLP_USERDATA));
}

void OnCreate(HWND box, const CREATESTRUCTA &create) {
    const unsigned char *picture = static_cast<const unsigned char *>(create.lpCreateParams);
    if (!picture)
        return;
    int32_t length = ReadLittleEndian32(picture);
    if (length <= 0)
        return;
    HBITMAP bitmap = DecodeJpegToBitmap(picture + 4, static_cast<size_t>(length));
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bitmap));
}

int StretchModeForDisplay() {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmBitsPerPel > 16)
        return HALFTONE;
    return COLORONCOLOR;
}

// Background, then the whole picture stretched over the whole box. Drawn off
// screen first so the background never shows on its own.
void OnPaint(HWND box) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(box, &paint);
    RECT client;
    GetClientRect(box, &client);
    const int width = client.right, height = client.bottom;
    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP canvas = buffer ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    HDC target = canvas ? buffer : dc;
    HGDIOBJ oldCanvas = canvas ? SelectObject(buffer, canvas) : nullptr;

    FillRect(target, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (HBITMAP picture = PictureOf(box)) {
        BITMAP info;
        GetObjectA(picture, sizeof info, &info);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ oldPicture = SelectObject(source, picture);
        SetStretchBltMode(target, StretchModeForDisplay());
        SetBrushOrgEx(target, 0, 0, nullptr); // HALFTONE wants the origin set after it
        StretchBlt(target, 0, 0, width, height, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(source, oldPicture);
        DeleteDC(source);
    }
    if (canvas) {
        BitBlt(dc, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
        SelectObject(buffer, oldCanvas);
        DeleteObject(canvas);
    }
    if (buffer)
        DeleteDC(buffer);
    EndPaint(box, &paint);
}

LRESULT CALLBACK PictureBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(box, *reinterpret_cast<const CREATESTRUCTA *>(lParam));
        return 0;
    case WM_PAINT:
        OnPaint(box);
        return 0;
    case WM_DESTROY:
        if (HBITMAP picture = PictureOf(box)) {
            SetWindowLongPtrA(box, GWLP_USERDATA, 0);
            DeleteObject(picture);
        }
        return 0;
    }
    return DefWindowProcA(box, message, wParam, lParam);
}

} // namespace

bool RegisterPictureBoxClass(HINSTANCE instance) {
    WNDCLASSEXA box = {};
    box.cbSize = sizeof box;
    box.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    box.lpfnWndProc = PictureBoxProc;
    box.hInstance = instance;
    box.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    box.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    box.lpszClassName = PictureBoxClassName;
    return RegisterClassExA(&box) != 0;
}
