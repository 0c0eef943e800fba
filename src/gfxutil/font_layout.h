#pragma once

#include <cstdint>
#include <vector>

#include "d3d/d3dtypes.h"
#include "gfxutil/font_face.h"

namespace tavrin {

// Win32 DrawText format flags the font understands. Left and top alignment are the zero default.
constexpr uint32_t DT_TOP = 0x0000;
constexpr uint32_t DT_LEFT = 0x0000;
constexpr uint32_t DT_CENTER = 0x0001;
constexpr uint32_t DT_RIGHT = 0x0002;
constexpr uint32_t DT_NOCLIP = 0x0100;
constexpr uint32_t DT_CALCRECT = 0x0400;

// One character's screen rectangle and the atlas pixels it shows, clipped to the text rectangle.
struct GlyphQuad {
    float x0, y0, x1, y1;  // screen pixels
    int atlasX0, atlasY0, atlasX1, atlasY1;
};

// Sets `count` bytes of text (all bytes up to the zero byte when count is negative) in lines
// broken at CR, LF or CR LF, as DrawText does. With DT_CALCRECT it only measures: the rectangle's
// right and bottom become its left and top plus the text's widest line and its line count times
// the cell height. Otherwise each line is placed at the rectangle's top, one cell below the
// previous, left-aligned or centred or right-aligned in it, clipped to it unless DT_NOCLIP, and
// its glyphs are appended to `quads`. Returns the height of the text.
int LayoutText(const GlyphAtlas& atlas, const char* text, int count, RECT& rect,
               uint32_t format, std::vector<GlyphQuad>& quads);

}  // namespace tavrin
