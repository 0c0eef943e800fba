#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/xm_writer.h"

// "KVB.xm", the show's soundtrack: composed here as data (theme, chords, bass, drums,
// counter-melodies) and cut so that every scene change of the show starts a pattern.

namespace tavrin::forge {

inline constexpr int kSongChannels = 10;
inline constexpr uint16_t kSongSpeed = 6;
inline constexpr uint16_t kSongBpm = 125;

// Where the music changes, in song-clock seconds (the clock the show's schedule reads).
struct SongSection {
    const char* name;
    float start;
};
const std::vector<SongSection>& SongSections();

// Song seconds one row lasts at the song's speed and tempo, measured by rendering a probe module
// with the engine; 0 if the engine cannot load it.
double SongSecondsPerRow();

// The module, ready for WriteXm; its pattern lengths come from SongSecondsPerRow.
XmSongSpec ComposeSoundtrack();

// Song-clock time of every order's first row, rendering the module offline in 20 ms blocks as
// the show's output thread does, until it first jumps back (or maxSeconds pass). Uses the
// process-wide mixer and channel table: one caller at a time.
struct OrderStart {
    int order;
    int pattern;
    double seconds;
};
struct SongTimeline {
    std::vector<OrderStart> starts;  // empty when the module does not load
    double loopSeconds = 0.0;        // when it first jumped back; 0 if not within maxSeconds
    int loopOrder = -1;              // the order it jumped back to
    double peak = 0.0;               // largest mixed sample, 1.0 = 16-bit full scale
    size_t clipped = 0;              // samples that reached the 16-bit limits
};
SongTimeline PlaySongTimeline(const std::vector<uint8_t>& xm, double maxSeconds);

}  // namespace tavrin::forge
