#include "gfxutil/font_layout.h"

#include <gtest/gtest.h>

#include <memory>

namespace tavrin {
namespace {

// The show's font: bold "Courier New" at a 26-pixel cell, found through fontconfig.
class FontLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        handle = FontHandle::Create(26, 700, true, "Courier New").release();
        ASSERT_NE(handle, nullptr);
        atlas = GlyphAtlas::Build(*handle).release();
        ASSERT_NE(atlas, nullptr);
    }
    static void TearDownTestSuite() {
        delete atlas;
        delete handle;
    }

    static int Advance() { return atlas->ForByte('M').advance; }

    static inline FontHandle* handle = nullptr;
    static inline GlyphAtlas* atlas = nullptr;
};

TEST_F(FontLayoutTest, FaceHasGdiCellMetricsAndOneFixedPitch) {
    EXPECT_EQ(atlas->cellHeight, 26);
    EXPECT_GT(atlas->ascent, 13);
    EXPECT_LT(atlas->ascent, 26);
    // Courier New's advance is 1229/2048 of an em of about 23 pixels.
    EXPECT_EQ(Advance(), 14);
    for (int byte = 32; byte < 256; ++byte) {
        EXPECT_EQ(atlas->ForByte(static_cast<uint8_t>(byte)).advance, Advance()) << byte;
    }
    // Every visible glyph lies inside the atlas and, apart from accents, inside the cell.
    const Glyph& g = atlas->ForByte('g');
    EXPECT_GT(g.top + g.height, atlas->ascent);  // descender below the baseline
    EXPECT_LE(g.top + g.height, 26);
    const Glyph& capital = atlas->ForByte('L');
    EXPECT_GE(capital.top, 0);
    EXPECT_LE(capital.top + capital.height, atlas->ascent + 1);
    for (const Glyph& glyph : atlas->glyphs) {
        EXPECT_LE(glyph.atlasX + glyph.width, atlas->width);
        EXPECT_LE(glyph.atlasY + glyph.height, atlas->height);
    }
    EXPECT_EQ(atlas->ForByte(' ').width, 0);
}

TEST_F(FontLayoutTest, Windows1252HighBytes) {
    EXPECT_EQ(CodePointFromWindows1252(0x80), 0x20ACu);
    EXPECT_EQ(CodePointFromWindows1252(0x9F), 0x0178u);
    EXPECT_EQ(CodePointFromWindows1252(0x81), 0x0081u);
    EXPECT_EQ(CodePointFromWindows1252(0xE9), 0x00E9u);
    EXPECT_EQ(CodePointFromWindows1252('A'), 0x41u);
    EXPECT_GT(atlas->ForByte(0x80).width, 0);  // the euro sign is drawn
}

TEST_F(FontLayoutTest, CalcRectMeasuresLinesAndKeepsTheTopLeft) {
    std::vector<GlyphQuad> quads;
    RECT rect{19, 10, 0, 0};
    EXPECT_EQ(LayoutText(*atlas, "Loading..", -1, rect, DT_CALCRECT, quads), 26);
    EXPECT_EQ(rect.left, 19);
    EXPECT_EQ(rect.top, 10);
    EXPECT_EQ(rect.right, 19 + 9 * Advance());
    EXPECT_EQ(rect.bottom, 36);
    EXPECT_TRUE(quads.empty());

    rect = {0, 0, 0, 0};
    EXPECT_EQ(LayoutText(*atlas, "ab\r\nlonger\rc\nd", -1, rect, DT_CALCRECT, quads), 4 * 26);
    EXPECT_EQ(rect.right, 6 * Advance());

    rect = {0, 0, 0, 0};
    EXPECT_EQ(LayoutText(*atlas, "abc\ndef", 2, rect, DT_CALCRECT, quads), 26);
    EXPECT_EQ(rect.right, 2 * Advance());

    rect = {400, 100, 0, 0};  // an empty text measures as nothing and draws nothing
    EXPECT_EQ(LayoutText(*atlas, "", -1, rect, DT_CALCRECT, quads), 0);
    EXPECT_EQ(rect.right, 400);
    EXPECT_EQ(rect.bottom, 100);
    EXPECT_EQ(LayoutText(*atlas, "", -1, rect, 0, quads), 0);
    EXPECT_TRUE(quads.empty());
}

TEST_F(FontLayoutTest, PlacesGlyphsLeftTopOrCentredAndClipsToTheRectangle) {
    std::vector<GlyphQuad> quads;
    RECT rect{19, 10, 0, 0};
    LayoutText(*atlas, "L\nL", -1, rect, DT_CALCRECT, quads);
    LayoutText(*atlas, "L\nL", -1, rect, DT_LEFT | DT_TOP, quads);
    const Glyph& l = atlas->ForByte('L');
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[0].x0, 19 + l.left);
    EXPECT_EQ(quads[0].y0, 10 + l.top);
    EXPECT_EQ(quads[0].x1 - quads[0].x0, l.width);
    EXPECT_EQ(quads[0].atlasX0, l.atlasX);
    EXPECT_EQ(quads[0].atlasY1 - quads[0].atlasY0, l.height);
    EXPECT_EQ(quads[1].y0, 10 + 26 + l.top);  // the second line one cell lower

    quads.clear();
    rect = {0, 300, 800, 330};
    LayoutText(*atlas, "LL", -1, rect, DT_CENTER, quads);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[0].x0, 400 - Advance() + l.left);

    // A rectangle narrower than the text cuts the glyphs at its edges, texels included.
    quads.clear();
    rect = {0, 0, Advance() + 4, 26};
    LayoutText(*atlas, "LL", -1, rect, 0, quads);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[1].x1, Advance() + 4);
    EXPECT_EQ(quads[1].atlasX1 - quads[1].atlasX0, 4 - l.left);
    quads.clear();
    LayoutText(*atlas, "LL", -1, rect, DT_NOCLIP, quads);
    EXPECT_EQ(quads[1].x1 - quads[1].x0, l.width);
}

TEST(FontHandleTest, RefusesAnEmptyCell) {
    EXPECT_EQ(FontHandle::Create(0, 700, true, "Courier New"), nullptr);
    auto fallback = FontHandle::Create(26, 400, true, "No Such Face Anywhere");
    ASSERT_NE(fallback, nullptr);  // mapped to a face that exists, as GDI does
    EXPECT_NE(GlyphAtlas::Build(*fallback), nullptr);
}

}  // namespace
}  // namespace tavrin
