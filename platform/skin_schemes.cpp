#include "platform/skin.h"

namespace {

// What the three colourings share: the warm ring under the mouse, the greys
// of disabled controls, black text. Faces stay near white with a hint of the
// scheme's colour toward the bottom; the scheme shows most in the borders,
// the rings and the small arrow buttons.
SkinColours Common() {
    SkinColours c = {};
    c.hotRingTop = RGB(255, 240, 207);
    c.hotRingBottom = RGB(229, 151, 0);
    c.disabledBorder = RGB(201, 199, 186);
    c.disabledFace = RGB(245, 244, 234);
    c.text = RGB(0, 0, 0);
    c.disabledText = RGB(161, 161, 146);
    c.faceTop = RGB(255, 255, 255);
    c.boxBottom = RGB(255, 255, 255);
    return c;
}

SkinColours Blue() {
    SkinColours c = Common();
    c.border = RGB(0, 60, 116);
    c.faceBottom = RGB(228, 235, 248);
    c.faceShade = RGB(196, 210, 236);
    c.pressedTop = RGB(196, 209, 236);
    c.pressedBottom = RGB(239, 243, 251);
    c.defaultRingTop = RGB(206, 231, 255);
    c.defaultRingBottom = RGB(105, 130, 238);
    c.boxBorder = RGB(28, 81, 128);
    c.boxTop = RGB(220, 220, 215);
    c.boxPressedTop = RGB(176, 176, 167);
    c.boxPressedBottom = RGB(220, 220, 215);
    c.mark = RGB(33, 161, 33);
    c.groupFrame = RGB(208, 208, 191);
    c.groupText = RGB(0, 70, 213);
    c.fieldBorder = RGB(127, 157, 185);
    c.arrowBorder = RGB(171, 191, 238);
    c.arrowTop = RGB(226, 234, 253);
    c.arrowBottom = RGB(181, 201, 247);
    c.arrowHotTop = RGB(243, 248, 255);
    c.arrowHotBottom = RGB(199, 218, 253);
    c.arrowPressedTop = RGB(140, 166, 236);
    c.arrowPressedBottom = RGB(208, 220, 248);
    c.arrowGlyph = RGB(77, 97, 133);
    return c;
}

SkinColours OliveGreen() {
    SkinColours c = Common();
    c.border = RGB(55, 98, 6);
    c.faceTop = RGB(255, 255, 250);
    c.faceBottom = RGB(234, 238, 220);
    c.faceShade = RGB(207, 216, 178);
    c.pressedTop = RGB(209, 218, 182);
    c.pressedBottom = RGB(244, 246, 236);
    c.defaultRingTop = RGB(220, 234, 170);
    c.defaultRingBottom = RGB(134, 164, 62);
    c.boxBorder = RGB(85, 120, 40);
    c.boxTop = RGB(222, 224, 210);
    c.boxBottom = RGB(255, 255, 252);
    c.boxPressedTop = RGB(180, 184, 160);
    c.boxPressedBottom = RGB(222, 224, 210);
    c.mark = RGB(60, 140, 20);
    c.groupFrame = RGB(200, 207, 170);
    c.groupText = RGB(83, 114, 20);
    c.fieldBorder = RGB(164, 185, 127);
    c.arrowBorder = RGB(176, 192, 132);
    c.arrowTop = RGB(240, 244, 226);
    c.arrowBottom = RGB(200, 212, 160);
    c.arrowHotTop = RGB(250, 252, 240);
    c.arrowHotBottom = RGB(216, 228, 180);
    c.arrowPressedTop = RGB(163, 182, 110);
    c.arrowPressedBottom = RGB(218, 226, 190);
    c.arrowGlyph = RGB(86, 102, 45);
    return c;
}

SkinColours Silver() {
    SkinColours c = Common();
    c.border = RGB(99, 98, 124);
    c.faceBottom = RGB(222, 222, 232);
    c.faceShade = RGB(190, 190, 205);
    c.pressedTop = RGB(192, 192, 210);
    c.pressedBottom = RGB(238, 238, 245);
    c.defaultRingTop = RGB(236, 236, 246);
    c.defaultRingBottom = RGB(138, 136, 176);
    c.hotRingTop = RGB(255, 246, 214);
    c.hotRingBottom = RGB(228, 172, 36);
    c.boxBorder = RGB(118, 116, 146);
    c.boxTop = RGB(222, 222, 230);
    c.boxPressedTop = RGB(178, 178, 194);
    c.boxPressedBottom = RGB(222, 222, 230);
    c.mark = RGB(60, 60, 92);
    c.groupFrame = RGB(192, 192, 206);
    c.groupText = RGB(50, 50, 80);
    c.fieldBorder = RGB(165, 172, 178);
    c.arrowBorder = RGB(182, 182, 200);
    c.arrowTop = RGB(251, 251, 253);
    c.arrowBottom = RGB(208, 208, 222);
    c.arrowHotTop = RGB(255, 255, 255);
    c.arrowHotBottom = RGB(226, 226, 238);
    c.arrowPressedTop = RGB(170, 170, 192);
    c.arrowPressedBottom = RGB(224, 224, 234);
    c.arrowGlyph = RGB(72, 72, 94);
    return c;
}

const SkinColours kSchemes[] = {Blue(), OliveGreen(), Silver()};

} // namespace

const SkinColours &SkinColoursOf(int scheme) {
    return kSchemes[(scheme >= 1 && scheme <= 3) ? scheme - 1 : 0];
}
