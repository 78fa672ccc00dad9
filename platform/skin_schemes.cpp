#include "platform/skin.h"

namespace {

// Faces stay near white with a hint of the scheme's colour toward the
// bottom; the scheme shows most in the borders and the rings.
const SkinColours kSchemes[] = {
    // 1: blue.
    {
        RGB(0, 60, 116), RGB(255, 255, 255), RGB(228, 235, 248), RGB(196, 210, 236),
        RGB(196, 209, 236), RGB(239, 243, 251),       // pressed
        RGB(206, 231, 255), RGB(105, 130, 238),       // default ring
        RGB(255, 240, 207), RGB(229, 151, 0),         // hot ring
        RGB(201, 199, 186), RGB(245, 244, 234), RGB(0, 0, 0), RGB(161, 161, 146),
        RGB(28, 81, 128), RGB(220, 220, 215), RGB(255, 255, 255), RGB(176, 176, 167),
        RGB(220, 220, 215), RGB(33, 161, 33),         // boxes
        RGB(208, 208, 191), RGB(0, 70, 213), RGB(127, 157, 185),
        RGB(171, 191, 238), RGB(226, 234, 253), RGB(181, 201, 247), RGB(243, 248, 255),
        RGB(199, 218, 253), RGB(140, 166, 236), RGB(208, 220, 248), RGB(77, 97, 133),
    },
    // 2: olive green.
    {
        RGB(55, 98, 6), RGB(255, 255, 250), RGB(234, 238, 220), RGB(207, 216, 178),
        RGB(209, 218, 182), RGB(244, 246, 236),       // pressed
        RGB(220, 234, 170), RGB(134, 164, 62),        // default ring
        RGB(255, 240, 207), RGB(229, 151, 0),         // hot ring
        RGB(201, 199, 186), RGB(245, 244, 234), RGB(0, 0, 0), RGB(161, 161, 146),
        RGB(85, 120, 40), RGB(222, 224, 210), RGB(255, 255, 252), RGB(180, 184, 160),
        RGB(222, 224, 210), RGB(60, 140, 20),         // boxes
        RGB(200, 207, 170), RGB(83, 114, 20), RGB(164, 185, 127),
        RGB(176, 192, 132), RGB(240, 244, 226), RGB(200, 212, 160), RGB(250, 252, 240),
        RGB(216, 228, 180), RGB(163, 182, 110), RGB(218, 226, 190), RGB(86, 102, 45),
    },
    // 3: silver.
    {
        RGB(99, 98, 124), RGB(255, 255, 255), RGB(222, 222, 232), RGB(190, 190, 205),
        RGB(192, 192, 210), RGB(238, 238, 245),       // pressed
        RGB(236, 236, 246), RGB(138, 136, 176),       // default ring
        RGB(255, 246, 214), RGB(228, 172, 36),        // hot ring
        RGB(201, 199, 186), RGB(245, 244, 234), RGB(0, 0, 0), RGB(161, 161, 146),
        RGB(118, 116, 146), RGB(222, 222, 230), RGB(255, 255, 255), RGB(178, 178, 194),
        RGB(222, 222, 230), RGB(60, 60, 92),          // boxes
        RGB(192, 192, 206), RGB(50, 50, 80), RGB(165, 172, 178),
        RGB(182, 182, 200), RGB(251, 251, 253), RGB(208, 208, 222), RGB(255, 255, 255),
        RGB(226, 226, 238), RGB(170, 170, 192), RGB(224, 224, 234), RGB(72, 72, 94),
    },
};

} // namespace

const SkinColours &SkinColoursOf(int scheme) {
    return kSchemes[(scheme >= 1 && scheme <= 3) ? scheme - 1 : 0];
}
