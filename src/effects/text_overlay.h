#pragma once

#include <cstdint>

#include "gfxutil/font.h"

struct IDirect3DDevice8;

namespace tavrin {

// The show's one text font: 26-pixel bold "Courier New", anti-aliased. Program-wide, like the
// display it draws on; the end scroller borrows its device font. Without a font every call does
// nothing. Drawing calls belong between BeginScene and EndScene.
class TextOverlay {
public:
    static constexpr int kCellHeight = 26;
    static constexpr int kWeightBold = 700;

    static void Init(IDirect3DDevice8* device, const char* faceName);
    static void Shutdown();

    // Draws text with its top-left corner at pixel (x, y); line breaks start new lines.
    static void Print(int x, int y, const char* text, uint32_t colour);
    // Formats like printf into at most 255 characters (longer output is cut), then prints.
    static void Printf(int x, int y, const char* format, uint32_t colour, ...)
        __attribute__((format(printf, 3, 5)));
    // Draws characters 32..255 once at (0, 0), so every glyph has been used before the show.
    static void PrintCharacterSet();

    // The device font, or null.
    static DeviceFont* Font();
};

}  // namespace tavrin
