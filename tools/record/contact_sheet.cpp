#include "contact_sheet.h"

#include <algorithm>
#include <memory>

#include "gfxutil/font_face.h"

namespace tavrin::record {
namespace {

constexpr int kColumns = 3;
constexpr int kGap = 8;
constexpr int kLabelHeight = 28;
constexpr uint32_t kBackground = 0xFF202020u;

uint32_t Average(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    uint32_t result = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sum = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) +
                             ((d >> shift) & 0xFF);
        result |= ((sum + 2) / 4) << shift;
    }
    return result;
}

void DrawLabel(Sheet& sheet, const GlyphAtlas* atlas, const std::string& label, int left, int top) {
    if (!atlas) return;
    int pen = left;
    for (unsigned char c : label) {
        const Glyph& glyph = atlas->ForByte(c);
        for (int gy = 0; gy < glyph.height; ++gy) {
            const int y = top + glyph.top + gy;
            if (y < 0 || y >= sheet.height) continue;
            for (int gx = 0; gx < glyph.width; ++gx) {
                const int x = pen + glyph.left + gx;
                if (x < 0 || x >= sheet.width) continue;
                const uint32_t coverage =
                    atlas->coverage[static_cast<size_t>(glyph.atlasY + gy) * atlas->width +
                                    glyph.atlasX + gx];
                uint32_t& pixel = sheet.pixels[static_cast<size_t>(y) * sheet.width + x];
                const uint32_t grey = (0x20 * (255 - coverage) + 0xFF * coverage) / 255;
                pixel = 0xFF000000u | grey << 16 | grey << 8 | grey;
            }
        }
        pen += glyph.advance;
    }
}

}  // namespace

Sheet MakeContactSheet(const std::vector<Still>& stills) {
    Sheet sheet;
    if (stills.empty()) return sheet;
    const int thumbWidth = stills[0].width / 2, thumbHeight = stills[0].height / 2;
    const int columns = std::min<int>(kColumns, static_cast<int>(stills.size()));
    const int rows = (static_cast<int>(stills.size()) + kColumns - 1) / kColumns;
    sheet.width = kGap + columns * (thumbWidth + kGap);
    sheet.height = kGap + rows * (thumbHeight + kLabelHeight + kGap);
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height, kBackground);

    std::unique_ptr<FontHandle> font = FontHandle::Create(20, 700, true, "Courier New");
    std::unique_ptr<GlyphAtlas> atlas = font ? GlyphAtlas::Build(*font) : nullptr;

    for (size_t i = 0; i < stills.size(); ++i) {
        const Still& still = stills[i];
        const int left = kGap + static_cast<int>(i % kColumns) * (thumbWidth + kGap);
        const int top = kGap + static_cast<int>(i / kColumns) * (thumbHeight + kLabelHeight + kGap);
        if (still.width / 2 == thumbWidth && still.height / 2 == thumbHeight) {
            for (int y = 0; y < thumbHeight; ++y) {
                const uint32_t* above = still.pixels.data() + static_cast<size_t>(2 * y) * still.width;
                const uint32_t* below = above + still.width;
                uint32_t* out = sheet.pixels.data() + static_cast<size_t>(top + y) * sheet.width + left;
                for (int x = 0; x < thumbWidth; ++x) {
                    out[x] = Average(above[2 * x], above[2 * x + 1], below[2 * x], below[2 * x + 1]);
                }
            }
        }
        DrawLabel(sheet, atlas.get(), still.label, left + 4, top + thumbHeight + 4);
    }
    return sheet;
}

}  // namespace tavrin::record
