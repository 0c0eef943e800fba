#include "soundtrack/soundtrack.h"

#include <algorithm>
#include <cmath>

#include "music/memory_module.h"
#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/replay.h"
#include "soundtrack/song_instruments.h"

namespace tavrin::forge {
namespace {

// Channels.
enum : int { kKickCh, kSnareCh, kHatCh, kBassCh, kPadCh, kLeadCh = 7, kPluckCh, kFxCh };

// Effects as the file numbers them.
enum : uint8_t {
    kArpeggio = 0x0,
    kPortaUp = 0x1,
    kPortaDown = 0x2,
    kTonePorta = 0x3,
    kVibrato = 0x4,
    kVolumeSlide = 0xA,
    kPositionJump = 0xB,
    kPatternBreak = 0xD,
    kExtended = 0xE,
    kSpeed = 0xF,
    kMultiRetrig = 0x1B,
};
constexpr uint8_t kRetrigger = 0x90, kNoteDelay = 0xD0;  // extended sub-commands
constexpr uint8_t Volume(int v) { return static_cast<uint8_t>(0x10 + v); }
constexpr uint8_t kVolSlideUp = 0x70, kVolSlideDown = 0x60;

constexpr int kBar = 16;  // rows
constexpr int kOutputRate = 44100;
constexpr int kBlockFrames = 884;  // the show mixes in blocks of about 20 ms, a multiple of 4

// Note numbers: C-0 is 1.
constexpr uint8_t N(int octave, int semitone) { return static_cast<uint8_t>(octave * 12 + semitone + 1); }
enum Pitch { C = 0, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };

struct Chord {
    int root;      // pitch class
    bool minor;
};

// The progressions, one chord per bar.
const std::vector<Chord> kVerseChords{{A, true}, {F, false}, {C, false}, {G, false}};
const std::vector<Chord> kTensionChords{{D, true}, {E, false}};
const std::vector<Chord> kOutroChords{{A, true}, {F, false}, {D, true}, {E, false}};

// The theme: four bars over the verse, as (row, note) with 0 for a held note ended by key-off.
struct Step {
    int row;
    uint8_t note;
    uint8_t effect = 0, parameter = 0;
};
const std::vector<Step> kTheme{
    {0, N(5, E)},  {6, N(5, D)},  {8, N(5, C)},  {12, N(4, B)}, {14, N(5, C)},
    {16, N(4, A)}, {22, 0, kVibrato, 0x46}, {24, N(5, C)},  {28, N(5, F)},
    {32, N(5, E)}, {38, N(5, D)}, {40, N(5, C)}, {44, N(4, G)},
    {48, N(4, B)}, {52, 0, kVibrato, 0x46}, {56, N(5, D), kTonePorta, 0x20}, {62, kKeyOffNote},
};
// An answering line for the second half of long sections.
const std::vector<Step> kAnswer{
    {0, N(5, A)},  {4, N(5, G)},  {6, N(5, E)},  {8, N(5, C)},  {12, N(5, E)},
    {16, N(5, F)}, {20, N(5, E)}, {24, N(5, C)}, {28, N(5, A), kTonePorta, 0x18},
    {32, N(5, G)}, {36, N(5, E)}, {40, N(5, C)}, {44, N(5, E)},
    {48, N(5, D)}, {54, 0, kVibrato, 0x38}, {60, kKeyOffNote},
};
// A slow line for the outro.
const std::vector<Step> kLullaby{
    {0, N(4, E)},  {8, N(4, C)},  {16, N(4, A)}, {24, N(4, C)},
    {32, N(4, D)}, {40, N(4, F)}, {48, N(4, E)}, {56, 0, kVibrato, 0x24}, {62, kKeyOffNote},
};

enum Part : unsigned {
    kPadPart = 1 << 0,
    kBassPart = 1 << 1,
    kKickPart = 1 << 2,
    kSnarePart = 1 << 3,
    kHatPart = 1 << 4,
    kThemePart = 1 << 5,
    kArpPart = 1 << 6,
    kHighPart = 1 << 7,   // the lead an octave up
    kBusyHats = 1 << 8,   // sixteenths with swung ghosts
    kSwell = 1 << 9,      // a riser through the whole section
    kHalfBass = 1 << 10,  // bass on the downbeats only
};

enum class Mood { kIntro, kVerse, kTension, kBreak, kOutro };

struct Plan {
    const char* name;
    float start;
    Mood mood;
    unsigned parts;
};

// The song, cut to the show: each entry starts where the show changes.
const std::vector<Plan> kPlan{
    {"intro under the black opening", 0.0f, Mood::kIntro, kPadPart | kSwell},
    {"title and lens flare", 8.35f, Mood::kVerse, kPadPart | kArpPart | kHatPart | kHalfBass | kBassPart},
    {"stadium", 24.6f, Mood::kVerse, kPadPart | kBassPart | kKickPart | kSnarePart | kHatPart | kThemePart},
    {"trophy", 40.8f, Mood::kVerse, kPadPart | kBassPart | kKickPart | kHatPart | kArpPart},
    {"tori", 49.2f, Mood::kVerse, kBassPart | kKickPart | kSnarePart | kBusyHats | kArpPart},
    {"trophy again", 57.0f, Mood::kVerse, kPadPart | kBassPart | kKickPart | kSnarePart | kHatPart | kThemePart | kArpPart},
    {"breakdown", 81.0f, Mood::kTension, kPadPart | kSwell},
    {"drop", 86.0f, Mood::kVerse, kPadPart | kBassPart | kKickPart | kSnarePart | kBusyHats | kThemePart | kArpPart},
    {"climax hit", 138.0f, Mood::kBreak, 0},
    {"climax", 138.7f, Mood::kVerse, kPadPart | kBassPart | kKickPart | kSnarePart | kBusyHats | kThemePart | kHighPart | kArpPart},
    {"stadium finale", 155.0f, Mood::kVerse, kPadPart | kBassPart | kKickPart | kSnarePart | kHatPart | kThemePart},
    {"break", 170.9f, Mood::kBreak, 0},
    {"outro", 171.0f, Mood::kOutro, kPadPart | kArpPart | kHatPart | kThemePart},
};
constexpr float kOutroLength = 33.0f;  // song seconds before the outro loops onto itself

using Grid = std::vector<XmNote>;  // rows x channels

XmNote& Cell(Grid& grid, int row, int channel) { return grid[size_t(row) * kSongChannels + channel]; }

void Put(Grid& grid, int row, int channel, uint8_t note, uint8_t instrument, uint8_t volume = 0,
         uint8_t effect = 0, uint8_t parameter = 0) {
    XmNote& c = Cell(grid, row, channel);
    c = {note, instrument, volume, effect, parameter};
}

uint8_t ChordNote(const Chord& chord, int degree, int octave) {
    const int third = chord.minor ? 3 : 4;
    const int offsets[3] = {0, third, 7};
    const int semitones = chord.root + offsets[degree % 3] + 12 * (degree / 3);
    return N(octave + semitones / 12, semitones % 12);
}

const std::vector<Chord>& Progression(Mood mood) {
    switch (mood) {
        case Mood::kTension: return kTensionChords;
        case Mood::kOutro: return kOutroChords;
        default: return kVerseChords;
    }
}

// Writes one section's rows [0, rows) into grid starting at 'first'.
void Arrange(Grid& grid, int first, int rows, const Plan& plan, bool lastSection) {
    const std::vector<Chord>& chords = Progression(plan.mood);
    if (plan.mood == Mood::kBreak) {
        // A hit: crash and kick on the first row, then silence cut off by the pattern's end.
        Put(grid, first, kFxCh, N(4, C), kCrash, Volume(56));
        Put(grid, first, kKickCh, N(4, C), kKick, Volume(64));
        for (int ch : {int{kBassCh}, kPadCh + 0, kPadCh + 1, kPadCh + 2, int{kLeadCh}, int{kPluckCh}}) {
            Put(grid, first, ch, kKeyOffNote, 0);
        }
        return;
    }
    for (int r = 0; r < rows; ++r) {
        const int g = first + r;
        const int inBar = r % kBar;
        const Chord& chord = chords[(r / kBar) % chords.size()];
        const bool lastBar = rows - r <= kBar;
        if ((plan.parts & kPadPart) && inBar == 0) {
            const bool quiet = plan.mood == Mood::kIntro || plan.mood == Mood::kOutro;
            for (int v = 0; v < 3; ++v) {
                // Voicing: root and fifth low, third on top, so chords move smoothly.
                Put(grid, g, kPadCh + v, ChordNote(chord, v == 2 ? 4 : v * 2, 3), kPad,
                    Volume(quiet ? 24 : 36));
            }
            if (plan.mood == Mood::kIntro) {
                // Fade in across the first bars with the volume column, then swell by effect.
                for (int v = 0; v < 3; ++v) {
                    Cell(grid, g, kPadCh + v).volume = r == 0 ? Volume(8) : Cell(grid, g, kPadCh + v).volume;
                    if (r + 4 < rows) Cell(grid, g + 4, kPadCh + v).volume = kVolSlideUp | 2;
                    if (r + 8 < rows) Put(grid, g + 8, kPadCh + v, 0, 0, 0, kVolumeSlide, 0x10);
                }
            }
            if (plan.mood == Mood::kTension && inBar == 0 && r + 8 < rows) {
                for (int v = 0; v < 3; ++v) Put(grid, g + 8, kPadCh + v, 0, 0, 0, kVolumeSlide, 0x01);
            }
        }
        if (plan.parts & kBassPart) {
            const uint8_t root = ChordNote(chord, 0, 2);
            if (plan.parts & kHalfBass) {
                if (inBar == 0) Put(grid, g, kBassCh, root, kBass, Volume(48));
                if (inBar == 8) Put(grid, g, kBassCh, root, kBass, Volume(40));
            } else {
                static constexpr int kRhythm[] = {0, 3, 6, 8, 10, 12, 14};
                for (int k : kRhythm) {
                    if (inBar != k) continue;
                    const bool octave = k == 6 || k == 14;
                    Put(grid, g, kBassCh, octave ? static_cast<uint8_t>(root + 12) : root, kBass,
                        Volume(k == 0 ? 64 : 50));
                }
                // Slide down into the next bar's root on the last step of every second bar.
                if (inBar == 14 && (r / kBar) % 2 == 1) {
                    Cell(grid, g, kBassCh).effect = kPortaDown;
                    Cell(grid, g, kBassCh).parameter = 0x08;
                }
            }
        }
        if ((plan.parts & kKickPart) && inBar % 4 == 0) Put(grid, g, kKickCh, N(4, C), kKick, Volume(64));
        if ((plan.parts & kSnarePart) && (inBar == 4 || inBar == 12)) Put(grid, g, kSnareCh, N(4, C), kSnare, Volume(52));
        if ((plan.parts & kSnarePart) && lastBar && !lastSection) {
            // A roll into the next section: retriggered faster and louder through the bar.
            if (inBar == 8) Put(grid, g, kSnareCh, N(4, C), kSnare, Volume(30), kMultiRetrig, 0x93);
            if (inBar == 12) Put(grid, g, kSnareCh, N(4, C), kSnare, Volume(44), kExtended, kRetrigger | 2);
        }
        if (plan.parts & (kHatPart | kBusyHats)) {
            if (inBar % 4 == 2) Put(grid, g, kHatCh, N(4, C), kHat, Volume(40));
            if ((plan.parts & kBusyHats) && inBar % 2 == 1) {
                // Ghost notes pushed late by a tick or two: the swing of the groove.
                Put(grid, g, kHatCh, N(4, C), kHat, Volume(18), kExtended, kNoteDelay | (inBar % 4 == 1 ? 2 : 1));
            }
            if ((plan.parts & kBusyHats) && inBar % 4 == 0) Put(grid, g, kHatCh, N(4, C), kHat, Volume(26));
        }
        if ((plan.parts & kArpPart) && inBar % 2 == 0) {
            // Broken chords: the pluck walks the chord, and every fourth step arpeggiates it.
            const int degree = (inBar / 2) % 4;
            const uint8_t note = ChordNote(chord, degree == 3 ? 3 : degree, 4);
            if (inBar % 8 == 6) {
                Put(grid, g, kPluckCh, ChordNote(chord, 0, 4), kPluck, Volume(34), kArpeggio, chord.minor ? 0x37 : 0x47);
            } else {
                Put(grid, g, kPluckCh, note, kPluck, Volume(inBar % 4 == 0 ? 36 : 26));
            }
        }
        // The swell: a riser over the last two bars, sliding up and getting louder row by row.
        const int swellRows = 2 * kBar;
        if ((plan.parts & kSwell) && rows - r == swellRows) {
            Put(grid, g, kFxCh, N(3, C), kRiser, Volume(12), kPortaUp, 0x04);
        } else if ((plan.parts & kSwell) && rows - r < swellRows) {
            Put(grid, g, kFxCh, 0, 0, kVolSlideUp | 1, kPortaUp, 0x04);
        }
    }
    if (plan.parts & kThemePart) {
        const std::vector<Step>& theme = plan.mood == Mood::kOutro ? kLullaby : kTheme;
        const int shift = (plan.parts & kHighPart) ? 12 : 0;
        for (int start = 0; start < rows; start += 64) {
            const std::vector<Step>& line = (start / 64) % 2 == 1 && plan.mood != Mood::kOutro ? kAnswer : theme;
            for (const Step& s : line) {
                if (start + s.row >= rows) continue;
                const uint8_t note = s.note == 0 || s.note == kKeyOffNote ? s.note : static_cast<uint8_t>(s.note + shift);
                const bool glide = s.effect == kTonePorta;
                Put(grid, first + start + s.row, kLeadCh, note, note && note != kKeyOffNote && !glide ? kLead : 0,
                    note && note != kKeyOffNote ? Volume(plan.mood == Mood::kOutro ? 30 : 44) : 0, s.effect, s.parameter);
            }
        }
    }
    if (plan.mood != Mood::kIntro) Put(grid, first, kFxCh, N(4, C), kCrash, Volume(plan.mood == Mood::kOutro ? 24 : 44));
}

}  // namespace

double SongSecondsPerRow() {
    XmSongSpec probe;
    probe.name = "probe";
    probe.channelCount = 1;
    probe.speed = kSongSpeed;
    probe.bpm = kSongBpm;
    probe.orders = {0, 0, 0, 0};
    probe.patterns.push_back({256, {}});
    const std::vector<uint8_t> bytes = WriteXm(probe);
    const std::vector<OrderStart> starts = PlaySongTimeline(bytes, 1000.0).starts;
    if (starts.size() < 4) return 0.0;
    return (starts[3].seconds - starts[0].seconds) / (3 * 256.0);
}

const std::vector<SongSection>& SongSections() {
    static const std::vector<SongSection> sections = [] {
        std::vector<SongSection> out;
        for (const Plan& p : kPlan) out.push_back({p.name, p.start});
        return out;
    }();
    return sections;
}

XmSongSpec ComposeSoundtrack() {
    XmSongSpec song;
    song.name = "KVB";
    song.channelCount = kSongChannels;
    song.flags = kLinearFrequencies;
    song.speed = kSongSpeed;
    song.bpm = kSongBpm;
    song.instruments = SongInstruments();
    const double rowSeconds = SongSecondsPerRow();
    if (rowSeconds <= 0.0) return {};
    // Section boundaries in rows: each start rounded to the nearest row of the song clock.
    std::vector<int> startRow;
    for (const Plan& p : kPlan) startRow.push_back(static_cast<int>(std::lround(p.start / rowSeconds)));
    const int outroRows = static_cast<int>(std::lround(kOutroLength / rowSeconds / kBar)) * kBar;
    startRow.push_back(startRow.back() + outroRows);
    Grid grid(size_t(startRow.back()) * kSongChannels, XmNote{0, 0, 0, 0, 0});
    for (size_t s = 0; s < kPlan.size(); ++s) {
        Arrange(grid, startRow[s], startRow[s + 1] - startRow[s], kPlan[s], s + 1 == kPlan.size());
    }
    Put(grid, 0, kKickCh, 0, 0, 0, kSpeed, kSongSpeed);
    Cell(grid, 0, kSnareCh).effect = kSpeed;
    Cell(grid, 0, kSnareCh).parameter = kSongBpm;
    // Cut every section into patterns of whole bars (at most four), the remainder last.
    for (size_t s = 0; s < kPlan.size(); ++s) {
        if (s + 1 == kPlan.size()) song.restartPosition = static_cast<uint16_t>(song.orders.size());
        for (int row = startRow[s]; row < startRow[s + 1];) {
            const int length = std::min(4 * kBar, startRow[s + 1] - row);
            XmPatternSpec pattern;
            pattern.rows = length;
            pattern.cells.assign(grid.begin() + ptrdiff_t(row) * kSongChannels,
                                 grid.begin() + ptrdiff_t(row + length) * kSongChannels);
            if (kPlan[s].mood == Mood::kBreak) {
                // A hit is a whole bar on paper that breaks off after its few rows.
                pattern.rows = kBar;
                pattern.cells.resize(size_t(kBar) * kSongChannels, XmNote{0, 0, 0, 0, 0});
                XmNote& cut = pattern.cells[size_t(length - 1) * kSongChannels + kSnareCh];
                cut.effect = kPatternBreak;
                cut.parameter = 0;
            }
            song.orders.push_back(static_cast<uint8_t>(song.patterns.size()));
            song.patterns.push_back(std::move(pattern));
            row += length;
        }
    }
    // The song's last row jumps back to the outro (the restart position says the same).
    XmPatternSpec& last = song.patterns.back();
    XmNote& jump = last.cells[size_t(last.rows - 1) * kSongChannels + kFxCh];
    jump.effect = kPositionJump;
    jump.parameter = static_cast<uint8_t>(song.restartPosition);
    return song;
}

SongTimeline PlaySongTimeline(const std::vector<uint8_t>& xm, double maxSeconds) {
    SongTimeline timeline;
    XmModule* module = LoadModuleFromMemory(xm.data(), xm.size());
    if (!module) return timeline;
    ResetMixer(kOutputRate);
    ResetPlayback(module);
    const float inverse = InverseRate(kOutputRate);
    std::vector<float> mix(size_t(kBlockFrames) * 2);
    std::vector<int16_t> pcm(mix.size());
    int lastOrder = -1;
    for (int block = 0; block * kBlockFrames < maxSeconds * kOutputRate; ++block) {
        const double before = module->playedMilliseconds / 1000.0;
        std::fill(mix.begin(), mix.end(), 0.0f);
        RenderFrames(module, mix.data(), kBlockFrames, inverse);
        ConvertToPcm16(pcm.data(), mix.data(), kBlockFrames);
        for (size_t i = 0; i < pcm.size(); ++i) {
            timeline.peak = std::max(timeline.peak, std::fabs(mix[i]) / 32768.0);
            timeline.clipped += pcm[i] == 32767 || pcm[i] == -32768;
        }
        if (module->order != lastOrder) {
            if (module->order < lastOrder) {  // jumped back: the song has looped
                timeline.loopSeconds = before;
                timeline.loopOrder = module->order;
                break;
            }
            // The order changed within this block: its first row sounded at the block's start
            // at the latest; the song clock reads the block's start until the block is heard.
            timeline.starts.push_back({module->order, module->orderTable[module->order], before});
            lastOrder = module->order;
        }
    }
    FreeModule(module);
    return timeline;
}

}  // namespace tavrin::forge
