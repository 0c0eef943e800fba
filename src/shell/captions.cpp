#include "shell/captions.h"

#include "effects/text_overlay.h"

namespace tavrin {

namespace {

// Opacity 0..255 of a caption `age` seconds after its start, or -1 once it has faded out.
int Opacity(const Caption& caption, float age) {
    if (age < caption.fadeIn) return static_cast<int>(255.0f * (age / caption.fadeIn));
    if (age - caption.fadeIn < caption.hold) return 255;
    const float fadingFor = age - caption.fadeIn - caption.hold;
    if (fadingFor < caption.fadeOut) {
        return static_cast<int>(255.0f * (1.0f - fadingFor / caption.fadeOut));
    }
    return -1;
}

}  // namespace

Captions::Captions() : print_(&TextOverlay::Print) {}

void Captions::Draw(double /*frameSeconds*/, float songTime) {
    for (Caption& caption : table_) {
        if (caption.start < songTime) {
            const int opacity = Opacity(caption, songTime - caption.start);
            if (opacity < 0) {
                caption.start = kRetiredStart;
            } else {
                print_(caption.x, caption.y, caption.text,
                       caption.colour + static_cast<uint32_t>(opacity) * 0x01000000u);
            }
        }
        if (caption.start >= kTableEndStart) break;
    }
}

}  // namespace tavrin
