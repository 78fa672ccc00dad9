// The shapes of the themed look, drawn pixel row by pixel row with plain GDI:
// gradients as one-row fills, rounded corners and circles blended by hand,
// so nothing beyond what every Windows from XP on has is needed.
#include "platform/skin.h"

namespace {

// weightOfB of 256 gives b.
COLORREF Mix(COLORREF a, COLORREF b, int weightOfB) {
    if (weightOfB <= 0)
        return a;
    if (weightOfB >= 256)
        return b;
    auto channel = [&](int shift) {
        int x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
        return static_cast<COLORREF>(x + (y - x) * weightOfB / 256) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

// Brush selection for the fills of one drawing call.
class SolidFills {
  public:
    explicit SolidFills(HDC dc) : dc_(dc), old_(SelectObject(dc, GetStockObject(DC_BRUSH))) {}
    ~SolidFills() { SelectObject(dc_, old_); }
    SolidFills(const SolidFills &) = delete;
    SolidFills &operator=(const SolidFills &) = delete;
    void Fill(int left, int top, int right, int bottom, COLORREF colour) const {
        if (right <= left || bottom <= top)
            return;
        SetDCBrushColor(dc_, colour);
        PatBlt(dc_, left, top, right - left, bottom - top, PATCOPY);
    }
    void Pixel(int x, int y, COLORREF colour) const { SetPixelV(dc_, x, y, colour); }
    // The pixel blended toward the colour, over whatever it holds now.
    void Blend(int x, int y, COLORREF colour, int weight) const {
        COLORREF under = GetPixel(dc_, x, y);
        if (under != CLR_INVALID)
            SetPixelV(dc_, x, y, Mix(under, colour, weight));
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// 0 at the first of count steps, 256 at the last.
int Step(int index, int count) {
    return count > 1 ? index * 256 / (count - 1) : 0;
}

// A one-pixel outline whose corners are cut by one pixel and smoothed
// against the pixels outside; the corner pixel inside gets cornerInside.
void DrawRoundedOutline(const SolidFills &fills, int l, int t, int r, int b, COLORREF colour,
                        const COLORREF *cornerInside) {
    fills.Fill(l + 2, t, r - 2, t + 1, colour);
    fills.Fill(l + 2, b - 1, r - 2, b, colour);
    fills.Fill(l, t + 2, l + 1, b - 2, colour);
    fills.Fill(r - 1, t + 2, r, b - 2, colour);
    const POINT outside[] = {{l + 1, t}, {l, t + 1},     {r - 2, t},     {r - 1, t + 1},
                             {l, b - 2}, {l + 1, b - 1}, {r - 1, b - 2}, {r - 2, b - 1}};
    for (const POINT &p : outside)
        fills.Blend(p.x, p.y, colour, 110);
    const POINT corners[] = {{l + 1, t + 1}, {r - 2, t + 1}, {l + 1, b - 2}, {r - 2, b - 2}};
    for (int i = 0; i < 4; ++i)
        if (cornerInside)
            fills.Pixel(corners[i].x, corners[i].y, Mix(colour, cornerInside[i], 72));
        else
            fills.Pixel(corners[i].x, corners[i].y, colour);
}

} // namespace

void FillSolid(HDC dc, const RECT &rect, COLORREF colour) {
    SolidFills(dc).Fill(rect.left, rect.top, rect.right, rect.bottom, colour);
}

void DrawFrame(HDC dc, const RECT &rect, COLORREF colour) {
    SolidFills fills(dc);
    int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    fills.Fill(l, t, r, t + 1, colour);
    fills.Fill(l, b - 1, r, b, colour);
    fills.Fill(l, t + 1, l + 1, b - 1, colour);
    fills.Fill(r - 1, t + 1, r, b - 1, colour);
}

void DrawRoundedFrame(HDC dc, const RECT &rect, COLORREF colour) {
    if (rect.right - rect.left < 4 || rect.bottom - rect.top < 4)
        return DrawFrame(dc, rect, colour);
    DrawRoundedOutline(SolidFills(dc), rect.left, rect.top, rect.right, rect.bottom, colour,
                       nullptr);
}

void DrawButtonFace(HDC dc, const RECT &rect, const SkinColours &c, unsigned look) {
    SolidFills fills(dc);
    int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    int h = b - t;
    bool disabled = (look & SkinDisabled) != 0;
    bool pressed = !disabled && (look & SkinPressed);
    COLORREF border = disabled ? c.disabledBorder : c.border;
    if (r - l < 6 || h < 6) {
        fills.Fill(l, t, r, b, disabled ? c.disabledFace : c.faceBottom);
        DrawFrame(dc, rect, border);
        return;
    }

    // The face: light at the top and darkening toward the bottom, the
    // darkening gathered in the lower part; pressed, the other way round.
    auto faceAt = [&](int y) -> COLORREF {
        if (disabled)
            return c.disabledFace;
        int k = Step(y - t - 1, h - 2);
        if (pressed)
            return Mix(c.pressedTop, c.pressedBottom, k);
        return Mix(c.faceTop, c.faceBottom, k * k / 256);
    };
    for (int y = t + 1; y < b - 1; ++y)
        fills.Fill(l + 1, y, r - 1, y + 1, faceAt(y));
    if (pressed) {
        fills.Fill(l + 1, t + 1, r - 1, t + 2, Mix(c.pressedTop, border, 48));
    } else if (!disabled) {
        fills.Fill(l + 1, b - 2, r - 1, b - 1, c.faceShade);
        fills.Fill(l + 1, b - 3, r - 1, b - 2, Mix(faceAt(b - 3), c.faceShade, 128));
        fills.Fill(r - 2, t + 2, r - 1, b - 2, Mix(faceAt(b - 3), c.faceShade, 96));
    }

    // The ring inside the border: warm under the mouse, the scheme's own
    // colour on the focused or default button.
    if (!disabled && !pressed && (look & (SkinHot | SkinFocused | SkinDefault))) {
        bool hot = (look & SkinHot) != 0;
        COLORREF top = hot ? c.hotRingTop : c.defaultRingTop;
        COLORREF bottom = hot ? c.hotRingBottom : c.defaultRingBottom;
        for (int y = t + 1; y < b - 1; ++y) {
            COLORREF ring = Mix(top, bottom, Step(y - t - 1, h - 2));
            COLORREF soft = Mix(ring, faceAt(y), 110);
            if (y == t + 1 || y == b - 2) {
                fills.Fill(l + 2, y, r - 2, y + 1, ring);
            } else if (y == t + 2 || y == b - 3) {
                fills.Pixel(l + 1, y, ring);
                fills.Pixel(r - 2, y, ring);
                fills.Fill(l + 2, y, r - 2, y + 1, soft);
            } else {
                fills.Pixel(l + 1, y, ring);
                fills.Pixel(r - 2, y, ring);
                fills.Pixel(l + 2, y, soft);
                fills.Pixel(r - 3, y, soft);
            }
        }
    }

    const COLORREF inside[] = {faceAt(t + 1), faceAt(t + 1), faceAt(b - 2), faceAt(b - 2)};
    DrawRoundedOutline(fills, l, t, r, b, border, inside);
}

void DrawCheckBox(HDC dc, int left, int top, const SkinColours &c, unsigned look) {
    SolidFills fills(dc);
    const int n = SkinBoxSize;
    bool disabled = (look & SkinDisabled) != 0;
    bool pressed = !disabled && (look & SkinPressed);
    DrawFrame(dc, {left, top, left + n, top + n}, disabled ? c.disabledBorder : c.boxBorder);
    for (int i = 1; i < n - 1; ++i) {
        int k = Step(i - 1, n - 2);
        COLORREF colour = disabled  ? c.disabledFace
                          : pressed ? Mix(c.boxPressedTop, c.boxPressedBottom, k)
                                    : Mix(c.boxTop, c.boxBottom, k);
        fills.Fill(left + 1, top + i, left + n - 1, top + i + 1, colour);
    }
    if (!disabled && !pressed && (look & SkinHot)) {
        for (int i = 1; i < n - 1; ++i) {
            COLORREF ring = Mix(c.hotRingTop, c.hotRingBottom, Step(i - 1, n - 2));
            if (i <= 2 || i >= n - 3) {
                fills.Fill(left + 1, top + i, left + n - 1, top + i + 1, ring);
            } else {
                fills.Fill(left + 1, top + i, left + 3, top + i + 1, ring);
                fills.Fill(left + n - 3, top + i, left + n - 1, top + i + 1, ring);
            }
        }
    }
    COLORREF mark = disabled ? c.disabledBorder : c.mark;
    if (look & SkinMixed) {
        fills.Fill(left + 3, top + 3, left + n - 3, top + n - 3, Mix(mark, c.boxBottom, 64));
    } else if (look & SkinChecked) {
        // A tick seven pixels wide, each column three pixels high.
        static const int kTickTop[] = {2, 3, 4, 3, 2, 1, 0};
        for (int i = 0; i < 7; ++i)
            fills.Fill(left + 3 + i, top + 3 + kTickTop[i], left + 4 + i, top + 6 + kTickTop[i],
                       mark);
    }
}

void DrawRadioButton(HDC dc, int left, int top, const SkinColours &c, unsigned look) {
    SolidFills fills(dc);
    const int n = SkinBoxSize;
    bool disabled = (look & SkinDisabled) != 0;
    bool pressed = !disabled && (look & SkinPressed);
    bool hot = !disabled && !pressed && (look & SkinHot);
    COLORREF border = disabled ? c.disabledBorder : c.boxBorder;
    COLORREF mark = disabled ? c.disabledBorder : c.mark;
    // Distances in eighths of a pixel from the centre; each pixel is sampled
    // four by four and blended by the share of samples inside each circle.
    const int centre = n * 4;
    auto coverage = [&](int x, int y, int radius) {
        int inside = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                int dx = x * 8 + 2 * i + 1 - centre, dy = y * 8 + 2 * j + 1 - centre;
                inside += dx * dx + dy * dy <= radius * radius;
            }
        return inside * 16;
    };
    for (int y = 0; y < n; ++y) {
        int k = Step(y, n);
        COLORREF face = disabled  ? c.disabledFace
                        : pressed ? Mix(c.boxPressedTop, c.boxPressedBottom, k)
                                  : Mix(c.boxTop, c.boxBottom, k);
        COLORREF ring = Mix(c.hotRingTop, c.hotRingBottom, k);
        COLORREF dot = Mix(mark, RGB(255, 255, 255), y < n / 2 ? (n / 2 - y) * 24 : 0);
        for (int x = 0; x < n; ++x) {
            COLORREF colour = GetPixel(dc, left + x, top + y);
            if (colour == CLR_INVALID)
                continue;
            colour = Mix(colour, border, coverage(x, y, 52));
            if (hot) {
                colour = Mix(colour, ring, coverage(x, y, 44));
                colour = Mix(colour, face, coverage(x, y, 30));
            } else {
                colour = Mix(colour, face, coverage(x, y, 44));
            }
            if (look & SkinChecked)
                colour = Mix(colour, dot, coverage(x, y, 21));
            fills.Pixel(left + x, top + y, colour);
        }
    }
}

void DrawArrowButton(HDC dc, const RECT &rect, const SkinColours &c, unsigned look,
                     SkinArrow arrow) {
    SolidFills fills(dc);
    int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    int w = r - l, h = b - t;
    if (w <= 0 || h <= 0)
        return;
    bool disabled = (look & SkinDisabled) != 0;
    bool pressed = !disabled && (look & SkinPressed);
    bool hot = !disabled && !pressed && (look & SkinHot);
    COLORREF top = disabled  ? c.disabledFace
                   : pressed ? c.arrowPressedTop
                   : hot     ? c.arrowHotTop
                             : c.arrowTop;
    COLORREF bottom = disabled  ? c.disabledFace
                      : pressed ? c.arrowPressedBottom
                      : hot     ? c.arrowHotBottom
                                : c.arrowBottom;
    COLORREF border = disabled ? c.disabledBorder : c.arrowBorder;
    if (w < 3 || h < 3) {
        fills.Fill(l, t, r, b, border);
        return;
    }
    for (int y = t + 1; y < b - 1; ++y)
        fills.Fill(l + 1, y, r - 1, y + 1, Mix(top, bottom, Step(y - t - 1, h - 2)));
    fills.Fill(l + 1, t, r - 1, t + 1, border);
    fills.Fill(l + 1, b - 1, r - 1, b, border);
    fills.Fill(l, t + 1, l + 1, b - 1, border);
    fills.Fill(r - 1, t + 1, r, b - 1, border);
    // The corners keep half of what lies under them.
    const POINT corners[] = {{l, t}, {r - 1, t}, {l, b - 1}, {r - 1, b - 1}};
    for (const POINT &p : corners)
        fills.Blend(p.x, p.y, border, 128);

    // A solid triangle: base 2k + 1 pixels, height k + 1.
    int k = (w < h ? w : h) / 4;
    if (k < 2)
        k = 2;
    if (k > 4)
        k = 4;
    COLORREF glyph = disabled ? c.disabledText : c.arrowGlyph;
    int cx = l + w / 2, cy = t + h / 2;
    if (pressed) {
        ++cx;
        ++cy;
    }
    for (int i = 0; i <= k; ++i) {
        int half = (arrow == SkinArrow::Down || arrow == SkinArrow::Right) ? k - i : i;
        if (arrow == SkinArrow::Up || arrow == SkinArrow::Down) {
            int y = cy - (k + 1) / 2 + i;
            fills.Fill(cx - half, y, cx + half + 1, y + 1, glyph);
        } else {
            int x = cx - (k + 1) / 2 + i;
            fills.Fill(x, cy - half, x + 1, cy + half + 1, glyph);
        }
    }
}
