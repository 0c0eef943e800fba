#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace tavrin {

// One timed line of text. A caption that has run its course is retired by moving its start to
// kRetiredStart; a record whose start is kTableEndStart or more ends a table.
struct Caption {
    float start;
    int32_t x;
    int32_t y;
    char text[256];
    uint32_t colour;  // RGB; the alpha byte is computed per frame
    float fadeIn;
    float hold;
    float fadeOut;
};

class Captions {
public:
    static constexpr float kRetiredStart = 999.0f;
    static constexpr float kTableEndStart = 9999.0f;

    using Printer = std::function<void(int x, int y, const char* text, uint32_t colour)>;

    // Prints through the text overlay unless tests hand in their own printer.
    Captions();
    explicit Captions(Printer printer) : print_(std::move(printer)) {}

    // The table stays owned by the caller and is written to as captions retire. The walk stops at
    // the end record, or at the table's end should that record be missing.
    void Attach(std::span<Caption> table) { table_ = table; }

    // Fades each due caption in, holds and fades it out against the song time.
    void Draw(double frameSeconds, float songTime);

private:
    Printer print_;
    std::span<Caption> table_;
};

}  // namespace tavrin
