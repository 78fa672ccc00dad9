// Morvena: the application that the installer carries. One window with a
// quiet evening landscape and a greeting; closing it ends the program.
#include <windows.h>

#include <cmath>

namespace {

const char kClassName[] = "MorvenaApplication";
const char kTitle[] = "Morvena";
const char kGreeting[] = "欢迎使用 Morvena";
const char kHint[] = "关闭窗口即可退出。";

struct Rgb {
    int r, g, b;
};

// Sky from deep blue at the top to a warm glow at the horizon, as in the
// installer's picture.
const Rgb kSkyTop = {28, 44, 92};
const Rgb kSkyHorizon = {236, 170, 132};
const Rgb kFarHills = {140, 106, 156};
const Rgb kMiddleHills = {90, 80, 140};
const Rgb kNearHills = {38, 42, 88};

int Mix(int from, int to, int step, int steps) {
    return from + (to - from) * step / steps;
}

COLORREF MixColour(const Rgb &from, const Rgb &to, int step, int steps) {
    return RGB(Mix(from.r, to.r, step, steps), Mix(from.g, to.g, step, steps),
               Mix(from.b, to.b, step, steps));
}

void FillSolid(HDC dc, const RECT &area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void PaintSky(HDC dc, int width, int height) {
    const int bands = 64;
    for (int i = 0; i < bands; ++i) {
        RECT band = {0, height * i / bands, width, height * (i + 1) / bands};
        FillSolid(dc, band, MixColour(kSkyTop, kSkyHorizon, i, bands - 1));
    }
}

// A row of soft hills: a polygon along a sum of two slow waves, closed at the
// bottom edge. Levels are thousandths of the client height.
void PaintHills(HDC dc, int width, int height, int level, int swing, double phase,
                const Rgb &colour) {
    const int steps = 64;
    POINT points[steps + 3];
    for (int i = 0; i <= steps; ++i) {
        double x = static_cast<double>(i) / steps;
        double wave = 0.65 * std::sin(x * 5.1 + phase) + 0.35 * std::sin(x * 11.3 + 2 * phase);
        points[i].x = width * i / steps;
        points[i].y = static_cast<LONG>(height * (level - swing * wave) / 1000);
    }
    points[steps + 1] = {width, height};
    points[steps + 2] = {0, height};

    HBRUSH brush = CreateSolidBrush(RGB(colour.r, colour.g, colour.b));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(colour.r, colour.g, colour.b));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Polygon(dc, points, steps + 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void PaintSun(HDC dc, int width, int height) {
    int radius = height / 14 + 4;
    int x = width * 7 / 10;
    int y = height * 66 / 100;
    HBRUSH brush = CreateSolidBrush(RGB(255, 242, 214));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, x - radius, y - radius, x + radius, y + radius);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
}

void PaintText(HDC dc, int width, int height) {
    SetBkMode(dc, TRANSPARENT);
    HFONT large = CreateFontA(-(height / 9 + 8), 0, 0, 0, FW_LIGHT, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, nullptr);
    HFONT small = CreateFontA(-(height / 28 + 8), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, nullptr);

    HGDIOBJ oldFont = SelectObject(dc, large);
    SetTextColor(dc, RGB(250, 244, 236));
    RECT greeting = {0, height / 6, width, height / 2};
    DrawTextA(dc, kGreeting, -1, &greeting, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);

    SelectObject(dc, small);
    SetTextColor(dc, RGB(222, 214, 232));
    RECT hint = {0, height * 2 / 5, width, height};
    DrawTextA(dc, kHint, -1, &hint, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);

    SelectObject(dc, oldFont);
    DeleteObject(small);
    DeleteObject(large);
}

void OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    int width = client.right;
    int height = client.bottom;

    // Drawn off screen first so that resizing does not flicker.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width > 0 ? width : 1, height > 0 ? height : 1);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    PaintSky(memory, width, height);
    PaintSun(memory, width, height);
    PaintHills(memory, width, height, 700, 45, 0.7, kFarHills);
    PaintHills(memory, width, height, 780, 40, 2.9, kMiddleHills);
    PaintHills(memory, width, height, 880, 35, 4.6, kNearHills);
    PaintText(memory, width, height);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);

    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers the whole client area.
    case WM_SIZE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "MORVENA_ICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass))
        return 1;

    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 420, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
