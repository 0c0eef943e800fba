#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "d3d/d3dtypes.h"
#include "effects/effect.h"

namespace tavrin {

class DeviceFont;

// The closing text: one line per second scrolling up the screen, centred, fading in at the bottom
// and out at the top. The text ends at its marker line, or at its end when the marker is missing.
class EndScroller : public Effect {
public:
    static constexpr std::string_view kMarker = "<Dear Endscroller, please stop here>";
    static constexpr size_t kLineBufferSize = 256;  // including the terminator

    // One row of a frame: where it goes, its colour, and the text it shows.
    struct Row {
        int y;
        D3DCOLOR colour;
        std::string_view line;  // already cut to the line buffer
    };

    // The text is borrowed and needs no terminator; size is its length in bytes.
    EndScroller(DisplayDevice* device, const uint8_t* text, size_t size);

    void Render(double frameSeconds) override;

    // The rows to draw at the current scroll position, top to bottom; returns how many were
    // written (at most linesOnScreen). Empty rows and rows after the marker are left out.
    int LayOutRows(Row* rows) const;

    float ScrollPosition() const { return scrollPosition; }
    int LinesOnScreen() const { return linesOnScreen; }

private:
    bool AtEndOfText(size_t position) const;
    size_t NextLine(size_t position) const;
    void DrawRow(DeviceFont& font, const Row& row) const;

    const uint8_t* text;
    size_t textSize;
    int linesOnScreen;
    int lineHeight = 30;
    float scrollPosition = -18.0f;
    float scrollSpeed = 1.0f;
    std::vector<Row> rowBuffer;  // sized once, so a frame allocates nothing
};

}  // namespace tavrin
