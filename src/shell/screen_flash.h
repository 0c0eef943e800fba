#pragma once

#include <cstdint>
#include <optional>
#include <span>

struct IDirect3DDevice8;

namespace tavrin {

// A full-screen colour change fired at a song time: from then on the opacity starts at `alpha`
// and loses `rate` per second (a negative rate makes the colour grow in).
struct FlashCue {
    float time;
    float rate;
    float alpha;
    uint32_t colour;  // RGB; the top byte is ignored
};

// Covers the screen with one colour whose opacity follows a cue table on the song time. The cue
// index only moves forward and alpha, rate and colour carry over between cues.
class ScreenFlash {
public:
    // The table stays owned by the caller. Its last cue is meant to lie beyond any song time;
    // should it ever fire, no cue after it is read.
    void Attach(std::span<const FlashCue> table) {
        table_ = table;
        nextCue_ = 0;
    }

    // Fires at most one due cue and fades; returns the quad's ARGB colour, or nothing when the
    // flash is fully transparent this frame.
    std::optional<uint32_t> Advance(double frameSeconds, float songTime);

    // Advance, then draw the quad over the whole back buffer. States it sets stay set; when the
    // flash is transparent it neither draws nor touches the device.
    void Draw(IDirect3DDevice8* device, int width, int height, double frameSeconds, float songTime);

    float alpha() const { return alpha_; }
    float rate() const { return rate_; }
    uint32_t colour() const { return colour_; }
    size_t nextCue() const { return nextCue_; }

private:
    std::span<const FlashCue> table_;
    size_t nextCue_ = 0;
    float alpha_ = 0.0f;
    float rate_ = 0.1f;
    uint32_t colour_ = 0x00FFFFFF;
};

}  // namespace tavrin
