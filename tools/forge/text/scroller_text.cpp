#include "text/scroller_text.h"

#include <string>

namespace tavrin::forge {
namespace {

// Blank lines space the blocks: the scroller moves one line per second, so each blank line is a
// second of breathing room.
constexpr const char* kLines[] = {
    "T A V R I N",
    "",
    "a realtime show about football,",
    "gold and liquid light",
    "",
    "",
    "- CREDITS -",
    "",
    "code",
    "the night shift",
    "",
    "graphics and models",
    "pixelwerk",
    "",
    "music",
    "the floodlight orchestra",
    "",
    "data forge",
    "a procedural generator: every texture,",
    "mesh and note made from nothing",
    "",
    "",
    "- GREETINGS -",
    "",
    "to everyone who ever wrote a tracker",
    "to the makers of the demo parties",
    "to all mesh and texture artists",
    "to the keepers of old file formats",
    "to whoever still owns a CRT",
    "to the fans in the stands tonight",
    "",
    "",
    "- THANKS -",
    "",
    "for watching till the final whistle",
    "",
    "the music keeps looping,",
    "the effects keep changing,",
    "press escape when you have seen enough",
    "",
    "",
    "see you at the next match",
    "",
    "",
    "",
};

}  // namespace

std::vector<uint8_t> ScrollerText() {
    std::string text;
    for (const char* line : kLines) {
        text += line;
        text += '\n';
    }
    text += kScrollerEndMarker;
    text += '\n';
    return {text.begin(), text.end()};
}

}  // namespace tavrin::forge
