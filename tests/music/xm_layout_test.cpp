// Files laid out as other trackers write them: our loader must read them as libopenmpt does, and
// still refuse the ones that cannot be read.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <string>

#include "song_fixtures.h"

namespace tavrin::testing {
namespace {

constexpr int kOpenmptNoteOffset = 12;  // OpenMPT counts octaves from one
constexpr int kOpenmptKeyOff = 255;

XmSongSpec LayoutSong(const XmLayoutSpec& layout) {
    XmSongSpec song = EveryEffectSong();
    song.layout = layout;
    song.patterns[1].rows = 0;  // read as 64 rows by the established players
    return song;
}

// Pattern count, rows and song length, the notes and instruments of every cell, and the samples.
void ExpectSameAsOpenmpt(const XmSongSpec& song, const std::string& layout) {
    SCOPED_TRACE(layout);
    const std::vector<uint8_t> file = WriteXm(song);
    ModulePtr ours = LoadBytes(file);
    ASSERT_TRUE(ours);
    openmpt::module theirs(file);
    EXPECT_EQ(ours->songLength, theirs.get_num_orders());
    ASSERT_EQ(ours->allocatedPatterns, theirs.get_num_patterns());
    int samples = 0;
    for (int i = 0; i < ours->instrumentCount; ++i) samples += ours->instruments[i].sampleCount;
    EXPECT_EQ(samples, theirs.get_num_samples());
    int differing = 0;
    for (int p = 0; p < ours->allocatedPatterns; ++p) {
        const XmPattern& pattern = ours->patterns[p];
        ASSERT_EQ(pattern.rows, theirs.get_pattern_num_rows(p)) << "pattern " << p;
        for (int row = 0; row < pattern.rows; ++row)
            for (int k = 0; k < ours->channelCount; ++k) {
                const XmNote cell =
                    pattern.notes ? pattern.notes[row * ours->channelCount + k] : XmNote{};
                const int note = cell.note == kKeyOffNote ? kOpenmptKeyOff
                                 : cell.note              ? cell.note + kOpenmptNoteOffset
                                                          : 0;
                differing += note != theirs.get_pattern_row_channel_command(
                                         p, row, k, openmpt::module::command_note);
                differing += cell.instrument != theirs.get_pattern_row_channel_command(
                                                    p, row, k, openmpt::module::command_instrument);
            }
    }
    EXPECT_EQ(differing, 0);
}

TEST(XmLayout, OddSizesReadAsLibopenmptReadsThem) {
    ExpectSameAsOpenmpt(LayoutSong({}), "FastTracker 2 sizes");
    for (uint32_t length : {12u, 64u}) {
        XmLayoutSpec layout;
        layout.patternHeaderLength = length;
        ExpectSameAsOpenmpt(LayoutSong(layout), "pattern header " + std::to_string(length));
    }
    for (int32_t extra : {-1, -40, 7, 300}) {
        XmLayoutSpec layout;
        layout.extraPackedBytes = extra;
        ExpectSameAsOpenmpt(LayoutSong(layout), "packed size off by " + std::to_string(extra));
    }
    for (uint32_t size : {29u, 33u, 241u, 400u}) {
        XmLayoutSpec layout;
        layout.instrumentHeaderSize = size;
        ExpectSameAsOpenmpt(LayoutSong(layout), "instrument header " + std::to_string(size));
    }
    for (uint32_t size : {0u, 44u}) {
        XmLayoutSpec layout;
        layout.sampleHeaderSize = size;
        ExpectSameAsOpenmpt(LayoutSong(layout), "sample header size " + std::to_string(size));
    }
    XmSongSpec tall = LayoutSong({});
    tall.patterns[2].rows = 1100;  // more than the players keep
    ExpectSameAsOpenmpt(tall, "1100 rows");
}

TEST(XmLayout, CutInstrumentHeadersReadTheirMissingFieldsAsZero) {
    XmLayoutSpec layout;
    layout.instrumentHeaderSize = 33;  // up to the sample header size: no note map, no envelopes
    ModulePtr module = LoadSong(LayoutSong(layout));
    ASSERT_TRUE(module);
    const XmInstrument& instrument = module->instruments[1];
    EXPECT_EQ(instrument.sampleCount, 1);
    EXPECT_EQ(instrument.sampleForNote[60], 0);
    EXPECT_EQ(instrument.volumeType, 0);
    EXPECT_EQ(instrument.fadeout, 0);
    EXPECT_GT(instrument.samples[0]->length, 0u);
}

TEST(XmLayout, PackedBytesBeyondTheStatedSizeAreNotCells) {
    XmSongSpec song = EmptySong(2, 4);
    Cell(song, 0, 0, 0) = {49, 0, 0, 0, 0};
    song.layout.extraPackedBytes = -1;  // the last empty cell's byte is cut
    song.patterns.push_back(song.patterns[0]);
    song.orders = {0, 1};
    ModulePtr module = LoadSong(song);
    ASSERT_TRUE(module);
    for (int p = 0; p < 2; ++p) {
        ASSERT_NE(module->patterns[p].notes, nullptr);
        EXPECT_EQ(module->patterns[p].notes[0].note, 49);
        for (int c = 1; c < 8; ++c) EXPECT_EQ(module->patterns[p].notes[c].note, 0);
    }
}

TEST(XmLayout, HeadersTooShortForTheirOwnFieldsAreRefused) {
    for (uint32_t length : {0u, 8u}) {
        XmSongSpec song = LayoutSong({});
        song.layout.patternHeaderLength = length;
        EXPECT_FALSE(LoadSong(song)) << "pattern header " << length;
    }
    for (uint32_t size : {0u, 28u}) {
        XmSongSpec song = LayoutSong({});
        song.layout.instrumentHeaderSize = size;
        EXPECT_FALSE(LoadSong(song)) << "instrument header " << size;
    }
}

}  // namespace
}  // namespace tavrin::testing
