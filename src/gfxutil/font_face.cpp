#include "gfxutil/font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <bit>
#include <cmath>

#include "gfxutil/font_locate.h"

namespace tavrin {

namespace {

struct FreeTypeLibrary {
    FT_Library library = nullptr;
    FreeTypeLibrary() {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
    ~FreeTypeLibrary() {
        if (library != nullptr) FT_Done_FreeType(library);
    }
};

struct FreeTypeFace {
    FT_Face face = nullptr;
    ~FreeTypeFace() {
        if (face != nullptr) FT_Done_Face(face);
    }
};

// GDI's vertical metrics for a positive height: the cell (usWinAscent + usWinDescent) is scaled
// to the height, the em follows from that. Faces without those metrics use the hhea values.
struct CellMetrics {
    int pixelsPerEm;
    int ascent;
};

CellMetrics MeasureCell(FT_Face face, int cellHeight) {
    double ascender = face->ascender;
    double descender = -static_cast<double>(face->descender);
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        ascender = os2->usWinAscent;
        descender = os2->usWinDescent;
    }
    const double designCell = ascender + descender;
    if (designCell <= 0.0) return {cellHeight, cellHeight};
    const double scale = cellHeight / designCell;
    return {std::max(1, static_cast<int>(std::lround(face->units_per_EM * scale))),
            static_cast<int>(std::lround(ascender * scale))};
}

struct RenderedGlyph {
    std::vector<uint8_t> pixels;
    Glyph glyph;
};

RenderedGlyph RenderGlyph(FT_Face face, uint32_t codePoint, int ascent, bool antialiased) {
    RenderedGlyph out;
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    const FT_Int32 target = antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | target) != 0) return out;
    FT_GlyphSlot slot = face->glyph;
    out.glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) {
        return out;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    out.glyph.width = static_cast<int>(bitmap.width);
    out.glyph.height = static_cast<int>(bitmap.rows);
    out.glyph.left = slot->bitmap_left;
    out.glyph.top = ascent - slot->bitmap_top;
    out.pixels.resize(static_cast<size_t>(out.glyph.width) * out.glyph.height);
    for (int y = 0; y < out.glyph.height; ++y) {
        const uint8_t* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < out.glyph.width; ++x) {
            const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
            const uint8_t value = mono ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : row[x];
            out.pixels[static_cast<size_t>(y) * out.glyph.width + x] = value;
        }
    }
    return out;
}

// Lays the glyph bitmaps out on a grid of equal cells with a pixel of air around each, so linear
// sampling at a glyph's edge never picks up its neighbour.
void PackIntoAtlas(std::vector<RenderedGlyph>& rendered, GlyphAtlas& atlas) {
    int cellWidth = 1, cellHeight = 1;
    for (const RenderedGlyph& r : rendered) {
        cellWidth = std::max(cellWidth, r.glyph.width + 2);
        cellHeight = std::max(cellHeight, r.glyph.height + 2);
    }
    constexpr int kColumns = 16;
    constexpr int kRows = kGlyphCount / kColumns;
    atlas.width = std::bit_ceil(static_cast<unsigned>(cellWidth * kColumns));
    atlas.height = std::bit_ceil(static_cast<unsigned>(cellHeight * kRows));
    atlas.coverage.assign(static_cast<size_t>(atlas.width) * atlas.height, 0);
    for (int i = 0; i < kGlyphCount; ++i) {
        RenderedGlyph& r = rendered[i];
        r.glyph.atlasX = (i % kColumns) * cellWidth + 1;
        r.glyph.atlasY = (i / kColumns) * cellHeight + 1;
        for (int y = 0; y < r.glyph.height; ++y) {
            std::copy_n(r.pixels.begin() + static_cast<ptrdiff_t>(y) * r.glyph.width,
                        r.glyph.width,
                        atlas.coverage.begin() +
                            static_cast<ptrdiff_t>(r.glyph.atlasY + y) * atlas.width +
                            r.glyph.atlasX);
        }
        atlas.glyphs[i] = r.glyph;
    }
}

}  // namespace

std::unique_ptr<FontHandle> FontHandle::Create(int cellHeight, int weight, bool antialiased,
                                               const char* faceName) {
    if (cellHeight <= 0) return nullptr;
    std::optional<FontFile> file = LocateFontFile(faceName, weight);
    if (!file) return nullptr;
    return std::unique_ptr<FontHandle>(
        new FontHandle(std::move(file->path), file->faceIndex, cellHeight, antialiased));
}

uint32_t CodePointFromWindows1252(uint8_t byte) {
    static constexpr uint16_t kHighControls[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return byte;
}

std::unique_ptr<GlyphAtlas> GlyphAtlas::Build(const FontHandle& font) {
    FreeTypeLibrary freeType;
    if (freeType.library == nullptr) return nullptr;
    FreeTypeFace face;
    if (FT_New_Face(freeType.library, font.file().c_str(), font.faceIndex(), &face.face) != 0) {
        return nullptr;
    }
    if (!FT_IS_SCALABLE(face.face)) return nullptr;
    const CellMetrics cell = MeasureCell(face.face, font.cellHeight());
    if (FT_Set_Pixel_Sizes(face.face, 0, static_cast<FT_UInt>(cell.pixelsPerEm)) != 0) {
        return nullptr;
    }
    std::vector<RenderedGlyph> rendered;
    rendered.reserve(kGlyphCount);
    for (int i = 0; i < kGlyphCount; ++i) {
        const auto byte = static_cast<uint8_t>(kFirstGlyphByte + i);
        rendered.push_back(RenderGlyph(face.face, CodePointFromWindows1252(byte), cell.ascent,
                                       font.antialiased()));
    }
    auto atlas = std::make_unique<GlyphAtlas>();
    atlas->cellHeight = font.cellHeight();
    atlas->ascent = cell.ascent;
    PackIntoAtlas(rendered, *atlas);
    return atlas;
}

}  // namespace tavrin
