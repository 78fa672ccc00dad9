#include "screen_pixels.h"

#include "test_support.h"

namespace themed_look_testing {

namespace {

// A top-down 32-bit section to draw into and read from.
class PixelCanvas {
  public:
    PixelCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~PixelCanvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    PixelCanvas(const PixelCanvas &) = delete;
    PixelCanvas &operator=(const PixelCanvas &) = delete;
    HDC Dc() const { return dc_; }
    ScreenPixels Pixels() const {
        GdiFlush();
        ScreenPixels picture;
        if (!bits_)
            return picture;
        picture.width = width_;
        picture.height = height_;
        const unsigned char *row = static_cast<const unsigned char *>(bits_);
        picture.pixels.reserve(static_cast<size_t>(width_) * height_);
        for (int i = 0; i < width_ * height_; ++i, row += 4)
            picture.pixels.push_back(RGB(row[2], row[1], row[0]));
        return picture;
    }

  private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    void *bits_ = nullptr;
};

} // namespace

ScreenPixels CaptureScreen(const RECT &area) {
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return {};
    PixelCanvas canvas(width, height);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Dc(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return canvas.Pixels();
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

ScreenPixels SettledScreen(const RECT &area) {
    ScreenPixels last;
    for (int i = 0; i < 40; ++i) {
        PumpMessages();
        Sleep(60);
        PumpMessages();
        ScreenPixels now = CaptureScreen(area);
        if (!last.Empty() && now.pixels == last.pixels)
            return now;
        last = now;
    }
    return last;
}

ScreenPixels ScreenWhenEqualTo(const RECT &area, const ScreenPixels &expected) {
    ScreenPixels now;
    for (int i = 0; i < 80; ++i) {
        PumpMessages();
        now = CaptureScreen(area);
        if (now.pixels == expected.pixels)
            break;
        Sleep(60);
    }
    return now;
}

ScreenPixels ScreenWhenChangedFrom(const RECT &area, const ScreenPixels &previous) {
    for (int i = 0; i < 80; ++i) {
        PumpMessages();
        if (CaptureScreen(area).pixels != previous.pixels)
            break;
        Sleep(60);
    }
    return SettledScreen(area);
}

ScreenPixels PrintedClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    PixelCanvas canvas(client.right, client.bottom);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    return canvas.Pixels();
}

ScreenPixels Crop(const ScreenPixels &picture, const RECT &rect) {
    ScreenPixels part;
    if (rect.left < 0 || rect.top < 0 || rect.right > picture.width ||
        rect.bottom > picture.height || rect.right <= rect.left || rect.bottom <= rect.top)
        return part;
    part.width = rect.right - rect.left;
    part.height = rect.bottom - rect.top;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            part.pixels.push_back(picture.At(x, y));
    return part;
}

int DifferingInside(const ScreenPixels &a, const ScreenPixels &b, const RECT &rect) {
    return DifferingInsideExcept(a, b, rect, {});
}

int DifferingInsideExcept(const ScreenPixels &a, const ScreenPixels &b, const RECT &rect,
                          const std::vector<RECT> &excluded) {
    if (a.Empty() || a.width != b.width || a.height != b.height)
        return -1;
    RECT within = {0, 0, a.width, a.height};
    IntersectRect(&within, &within, &rect);
    int differing = 0;
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x) {
            POINT at = {x, y};
            bool skip = false;
            for (const RECT &other : excluded)
                skip = skip || PtInRect(&other, at);
            if (!skip)
                differing += a.At(x, y) != b.At(x, y);
        }
    return differing;
}

int DifferingOutside(const ScreenPixels &a, const ScreenPixels &b, const std::vector<RECT> &rects) {
    return DifferingInsideExcept(a, b, {0, 0, a.width, a.height}, rects);
}

bool SaveBitmapFile(const ScreenPixels &picture, const std::string &path) {
    if (picture.Empty())
        return false;
    int rowBytes = (picture.width * 3 + 3) & ~3;
    std::vector<unsigned char> file(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) +
                                    static_cast<size_t>(rowBytes) * picture.height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42; // "BM"
    header.bfSize = static_cast<DWORD>(file.size());
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = picture.height; // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    memcpy(file.data(), &header, sizeof header);
    memcpy(file.data() + sizeof header, &info, sizeof info);
    unsigned char *pixels = file.data() + header.bfOffBits;
    for (int y = 0; y < picture.height; ++y) {
        unsigned char *row = pixels + static_cast<size_t>(picture.height - 1 - y) * rowBytes;
        for (int x = 0; x < picture.width; ++x) {
            COLORREF colour = picture.At(x, y);
            row[x * 3] = GetBValue(colour);
            row[x * 3 + 1] = GetGValue(colour);
            row[x * 3 + 2] = GetRValue(colour);
        }
    }
    return testing_support::WriteWholeFile(path, file.data(), file.size());
}

std::string ScreenshotPath(const std::string &name) {
    std::string folder = testing_support::HostPath(THEMED_LOOK_SCREENSHOT_DIR);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\" + name;
}

} // namespace themed_look_testing
