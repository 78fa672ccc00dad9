// What the screen shows, read back as pixels, compared and saved as pictures
// for people to look at.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace themed_look_testing {

struct ScreenPixels {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels; // row by row from the top, 0x00BBGGRR

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Empty() const { return pixels.empty(); }
};

// The area of the screen (screen coordinates) as it is now.
ScreenPixels CaptureScreen(const RECT &area);

// The area once the windows of this thread have painted and the screen has
// stopped changing (the system may show drawing a little later than it is
// done); gives up after a while and returns the last picture.
ScreenPixels SettledScreen(const RECT &area);

// The area once it shows the expected picture, or, when that does not come,
// the last picture seen after a while.
ScreenPixels ScreenWhenEqualTo(const RECT &area, const ScreenPixels &expected);

// The area once it differs from the given picture and has settled again.
ScreenPixels ScreenWhenChangedFrom(const RECT &area, const ScreenPixels &previous);

// What a window draws for itself through WM_PRINTCLIENT, on a bitmap of its
// client area's size.
ScreenPixels PrintedClient(HWND window);

// The part of a picture inside rect (coordinates of the picture).
ScreenPixels Crop(const ScreenPixels &picture, const RECT &rect);

// How many pixels differ: inside rect, or everywhere but inside the rects;
// -1 when the pictures are not of one size.
int DifferingInside(const ScreenPixels &a, const ScreenPixels &b, const RECT &rect);
int DifferingOutside(const ScreenPixels &a, const ScreenPixels &b, const std::vector<RECT> &rects);
// Inside rect but outside every one of the excluded rects.
int DifferingInsideExcept(const ScreenPixels &a, const ScreenPixels &b, const RECT &rect,
                          const std::vector<RECT> &excluded);

// Saves the picture as a 24-bit BMP; false on failure.
bool SaveBitmapFile(const ScreenPixels &picture, const std::string &path);

// Lets the windows of this thread handle what is waiting for them.
void PumpMessages();

// Where the tests leave their screenshots: the build's folder for them.
std::string ScreenshotPath(const std::string &name);

} // namespace themed_look_testing
