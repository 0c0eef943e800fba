#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrin {

// What a GDI font handle stands for here: a face file chosen by fontconfig for a requested face
// name and weight, and the cell height (ascent + descent) the text is set at.
class FontHandle {
public:
    // Null when no face is found at all or the height is not positive. Like GDI, a face
    // name that is not installed is mapped to the closest face fontconfig offers ("Courier New"
    // becomes its metric twin Liberation Mono).
    static std::unique_ptr<FontHandle> Create(int cellHeight, int weight, bool antialiased,
                                              const char* faceName);

    const std::string& file() const { return file_; }
    int faceIndex() const { return faceIndex_; }
    int cellHeight() const { return cellHeight_; }
    bool antialiased() const { return antialiased_; }

private:
    FontHandle(std::string file, int faceIndex, int cellHeight, bool antialiased)
        : file_(std::move(file)),
          faceIndex_(faceIndex),
          cellHeight_(cellHeight),
          antialiased_(antialiased) {}

    std::string file_;
    int faceIndex_;
    int cellHeight_;
    bool antialiased_;
};

// The characters a font draws: bytes 32..255, read as Windows-1252.
constexpr int kFirstGlyphByte = 32;
constexpr int kGlyphCount = 224;

// The Unicode code point of a Windows-1252 byte. Bytes the code page leaves undefined map to the
// C1 control of the same value, which draws as the face's missing-glyph box.
uint32_t CodePointFromWindows1252(uint8_t byte);

// Where one character sits in the atlas and how it is placed relative to the pen.
struct Glyph {
    int atlasX = 0, atlasY = 0;  // top-left of its bitmap in the atlas
    int width = 0, height = 0;   // bitmap size in pixels
    int left = 0;                // bitmap's left edge relative to the pen
    int top = 0;                 // bitmap's top edge relative to the cell top
    int advance = 0;             // pen movement in pixels
};

// Every character of a font rasterised by FreeType into one 8-bit coverage image.
struct GlyphAtlas {
    int width = 0, height = 0;
    std::vector<uint8_t> coverage;  // width × height, row 0 at the top
    int cellHeight = 0;             // height of a text line
    int ascent = 0;                 // baseline below the cell top
    std::array<Glyph, kGlyphCount> glyphs{};

    const Glyph& ForByte(uint8_t byte) const {
        static const Glyph kNone{};
        return byte < kFirstGlyphByte ? kNone : glyphs[byte - kFirstGlyphByte];
    }

    // Null when FreeType cannot open or size the face.
    static std::unique_ptr<GlyphAtlas> Build(const FontHandle& font);
};

}  // namespace tavrin
