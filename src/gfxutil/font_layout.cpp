#include "gfxutil/font_layout.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tavrin {

namespace {

// Splits text into its lines; a CR LF pair is one break.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    size_t start = 0;
    while (true) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            visit(text.substr(start));
            return;
        }
        visit(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

int LineWidth(const GlyphAtlas& atlas, std::string_view line) {
    int width = 0;
    for (char c : line) width += atlas.ForByte(static_cast<uint8_t>(c)).advance;
    return width;
}

void AppendClipped(const Glyph& glyph, int penX, int cellTop, const RECT& clip, bool clipped,
                   std::vector<GlyphQuad>& quads) {
    int x0 = penX + glyph.left, y0 = cellTop + glyph.top;
    int x1 = x0 + glyph.width, y1 = y0 + glyph.height;
    int u0 = glyph.atlasX, v0 = glyph.atlasY;
    if (clipped) {
        const int cutLeft = std::max(0, clip.left - x0), cutTop = std::max(0, clip.top - y0);
        x0 += cutLeft, u0 += cutLeft;
        y0 += cutTop, v0 += cutTop;
        x1 = std::min(x1, clip.right);
        y1 = std::min(y1, clip.bottom);
    }
    if (x1 <= x0 || y1 <= y0) return;
    quads.push_back({static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1),
                     static_cast<float>(y1), u0, v0, u0 + (x1 - x0), v0 + (y1 - y0)});
}

}  // namespace

int LayoutText(const GlyphAtlas& atlas, const char* text, int count, RECT& rect,
               uint32_t format, std::vector<GlyphQuad>& quads) {
    if (text == nullptr) return 0;
    const std::string_view all(text, count < 0 ? std::strlen(text) : static_cast<size_t>(count));
    if (all.empty()) {
        if (format & DT_CALCRECT) rect.right = rect.left, rect.bottom = rect.top;
        return 0;
    }
    if (format & DT_CALCRECT) {
        int widest = 0, lines = 0;
        ForEachLine(all, [&](std::string_view line) {
            widest = std::max(widest, LineWidth(atlas, line));
            ++lines;
        });
        rect.right = rect.left + widest;
        rect.bottom = rect.top + lines * atlas.cellHeight;
        return lines * atlas.cellHeight;
    }
    const bool clipped = (format & DT_NOCLIP) == 0;
    int cellTop = rect.top;
    ForEachLine(all, [&](std::string_view line) {
        int penX = rect.left;
        if (format & (DT_CENTER | DT_RIGHT)) {
            const int spare = rect.right - rect.left - LineWidth(atlas, line);
            penX += (format & DT_CENTER) ? spare / 2 : spare;
        }
        for (char c : line) {
            const Glyph& glyph = atlas.ForByte(static_cast<uint8_t>(c));
            AppendClipped(glyph, penX, cellTop, rect, clipped, quads);
            penX += glyph.advance;
        }
        cellTop += atlas.cellHeight;
    });
    return cellTop - rect.top;
}

}  // namespace tavrin
