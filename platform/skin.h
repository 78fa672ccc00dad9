// The shapes and colours of the themed look, shared by its files. Everything
// here draws into a device context and knows nothing of windows.
#pragma once

#include <windows.h>

struct SkinColours {
    // Push buttons.
    COLORREF border, faceTop, faceBottom, faceShade, pressedTop, pressedBottom;
    COLORREF defaultRingTop, defaultRingBottom, hotRingTop, hotRingBottom;
    COLORREF disabledBorder, disabledFace, text, disabledText;
    // Check boxes and radio buttons.
    COLORREF boxBorder, boxTop, boxBottom, boxPressedTop, boxPressedBottom, mark;
    // Group boxes; the frames of edit fields and lists.
    COLORREF groupFrame, groupText, fieldBorder;
    // The small arrow buttons of combo boxes and up-down controls.
    COLORREF arrowBorder, arrowTop, arrowBottom, arrowHotTop, arrowHotBottom, arrowPressedTop,
        arrowPressedBottom, arrowGlyph;
};

// Scheme 1 blue, 2 olive green, 3 silver; any other value gives scheme 1.
const SkinColours &SkinColoursOf(int scheme);

// What a part looks like at the moment; flags combine.
enum SkinLook : unsigned {
    SkinHot = 1,     // the mouse is over it
    SkinPressed = 2, // held down, or a push-like button that is checked
    SkinFocused = 4, // has the keyboard focus
    SkinDefault = 8, // the default push button
    SkinDisabled = 16,
    SkinChecked = 32, // check box or radio button
    SkinMixed = 64,   // three-state check box in its third state
};

enum class SkinArrow { Up, Down, Left, Right };

// The side of a check box or radio button.
const int SkinBoxSize = 13;

// The rounded push-button face over the whole rectangle. The pixels outside
// the rounding are blended with what the rectangle already holds, so fill
// it with the parent's background first.
void DrawButtonFace(HDC dc, const RECT &rect, const SkinColours &colours, unsigned look);

// A check box or radio button of SkinBoxSize at left, top; background as above.
void DrawCheckBox(HDC dc, int left, int top, const SkinColours &colours, unsigned look);
void DrawRadioButton(HDC dc, int left, int top, const SkinColours &colours, unsigned look);

// A one-pixel frame with rounded corners; the inside is left alone.
void DrawRoundedFrame(HDC dc, const RECT &rect, COLORREF colour);

// A one-pixel rectangle.
void DrawFrame(HDC dc, const RECT &rect, COLORREF colour);

// A small button with an arrow, as on combo boxes and up-down controls.
void DrawArrowButton(HDC dc, const RECT &rect, const SkinColours &colours, unsigned look,
                     SkinArrow arrow);

// Fills a rectangle with one colour.
void FillSolid(HDC dc, const RECT &rect, COLORREF colour);
