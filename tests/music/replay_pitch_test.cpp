#include <cmath>

#include "replay_fixture.h"

namespace tavrin::testing {
namespace {

// One note with an effect that every later row repeats.
XmSongSpec OneNote(uint16_t flags, XmNote cell, XmSampleSpec sample = SawSample(256)) {
    XmSongSpec song = EmptySong(1, 8);
    for (int row = 1; row < 8; ++row)
        Cell(song, 0, row, 0) = {0, 0, 0, cell.effect, cell.parameter};
    song.flags = flags;
    sample.loopMode = kLoopForward;
    sample.loopLength = static_cast<uint32_t>(sample.pcm.size());
    song.instruments.push_back(InstrumentOf(sample));
    Cell(song, 0, 0, 0) = cell;
    return song;
}

TEST(ReplayPitch, MiddleCInBothTables) {
    SongPlayer linear(OneNote(kLinearFrequencies, {49, 1, 0, 0, 0}));
    linear.Tick();
    EXPECT_EQ(linear.Channel(0).period, 4608);
    EXPECT_EQ(linear.Voice(0).frequency, 8363);

    SongPlayer amiga(OneNote(0, {49, 1, 0, 0, 0}));
    amiga.Tick();
    EXPECT_EQ(amiga.Channel(0).period, 1712);
    EXPECT_EQ(amiga.Voice(0).frequency, 8362);
}

TEST(ReplayPitch, RelativeNoteAndFinetuneMoveThePeriod) {
    XmSampleSpec sample = SawSample(64);
    sample.relativeNote = 12;
    sample.finetune = -128;
    SongPlayer linear(OneNote(kLinearFrequencies, {49, 1, 0, 0, 0}, sample));
    linear.Tick();
    EXPECT_EQ(linear.Channel(0).period, 4608 - 768 + 64);
    EXPECT_EQ(linear.Voice(0).frequency, 8363 * 2 * 8363 / 8860);  // a semitone below C-5, roughly
}

TEST(ReplayPitch, AmigaPeriodsAndFinetune) {
    EXPECT_EQ(AmigaPeriod(48, 0), 1712);
    EXPECT_EQ(AmigaPeriod(60, 0), 856);
    EXPECT_EQ(AmigaPeriod(48, 127), 1712 + (AmigaPeriod(49, 0) - 1712) * 127 / 128);
    EXPECT_EQ(AmigaPeriod(48, -128), AmigaPeriod(47, 0));
    EXPECT_EQ(AmigaPeriod(0, -64),
              AmigaPeriod(0, 0) + (AmigaPeriod(1, 0) - AmigaPeriod(0, 0)) * -64 / 128);
}

TEST(ReplayPitch, PortamentoLimits) {
    SongPlayer up(OneNote(kLinearFrequencies, {1, 1, 0, 0x1, 0xFF}));
    up.Tick(400);
    EXPECT_EQ(up.Channel(0).period, 56);

    SongPlayer down(OneNote(kLinearFrequencies, {96, 1, 0, 0x2, 0xFF}));
    down.Tick(6);
    EXPECT_EQ(down.Channel(0).period, 7680 - 95 * 64 + 5 * 4 * 255);
    down.Tick(40);
    EXPECT_GT(down.Channel(0).period, 7680);  // beyond the lowest note
    EXPECT_EQ(down.Voice(0).frequency,
              static_cast<int32_t>(8363 * std::pow(2.0, (4608.0 - down.Channel(0).period) / 768)));
    // Every downward slide stops at the same limit, in either table, however long it runs.
    for (uint16_t flags : {kLinearFrequencies, uint16_t{0}})
        for (XmNote cell : {XmNote{1, 1, 0, 0x2, 0xFF}, XmNote{1, 1, 0, 0xE, 0x2F},
                            XmNote{1, 1, 0, 0x21, 0x2F}}) {
            XmSongSpec song = OneNote(flags, cell);
            song.patterns.push_back(song.patterns[0]);
            song.patterns[1].cells[0] = {0, 0, 0, cell.effect, cell.parameter};
            song.orders = {0, 1};
            song.restartPosition = 1;  // the slide repeats without a new note
            SongPlayer slide(song);
            slide.Tick(8 * 6 * 600);
            EXPECT_EQ(slide.Channel(0).period, 32000) << int{cell.effect} << " " << flags;
        }
}

TEST(ReplayPitch, TonePortamentoSlidesToTheNewNoteWithoutRetriggering) {
    XmSongSpec song = OneNote(kLinearFrequencies, {49, 1, 0, 0, 0});
    Cell(song, 0, 1, 0) = {50, 0, 0, 0x3, 0x05};
    SongPlayer player(song);
    player.FinishRow();
    player.Voice(0).position = 77;  // a retrigger would reset this
    player.Tick();
    EXPECT_EQ(player.Channel(0).period, 4608);
    EXPECT_EQ(player.Channel(0).portaTarget, 4544);
    EXPECT_EQ(player.Voice(0).position, 77u);
    player.Tick();
    EXPECT_EQ(player.Channel(0).period, 4588);
    player.Tick(3);
    EXPECT_EQ(player.Channel(0).period, 4544);  // stops at the target
}

TEST(ReplayPitch, ArpeggioCyclesThroughTheChord) {
    SongPlayer linear(OneNote(kLinearFrequencies, {49, 1, 0, 0x0, 0x47}));
    std::vector<int> deltas;
    for (int t = 0; t < 6; ++t) {
        linear.Tick();
        deltas.push_back(linear.Channel(0).periodDelta);
    }
    EXPECT_EQ(deltas, (std::vector<int>{0, 4 * 64, 7 * 64, 0, 4 * 64, 7 * 64}));
    EXPECT_EQ(linear.Voice(0).frequency,
              static_cast<int32_t>(8363 * std::pow(2.0, 7 * 64 / 768.0)));

    SongPlayer amiga(OneNote(0, {49, 1, 0, 0x0, 0x0C}));
    amiga.Tick(3);
    EXPECT_EQ(amiga.Channel(0).periodDelta, 856 - 1712);
    EXPECT_EQ(amiga.Voice(0).frequency, 14317056 / 856);
}

TEST(ReplayPitch, VibratoFollowsASineOfItsDepth) {
    XmSongSpec song = OneNote(kLinearFrequencies, {49, 1, 0, 0x4, 0x8F});
    song.speed = 16;
    SongPlayer player(song);
    player.Tick();
    EXPECT_EQ(player.Channel(0).periodDelta, 0);  // position 0
    player.Tick();                                // vibrato at 0, then position 8
    player.Tick();                                // position 8: a quarter of the way round
    const int v = static_cast<int>(std::fabs(std::sin(8 * 2 * 3.141592 / 64)) * 256);
    EXPECT_EQ(player.Channel(0).periodDelta, -((v * 15) >> 7) * 4);
    player.Tick(4);  // 16, 24, then 32 wraps to -32, then -24: the lower half of the wave
    EXPECT_EQ(player.Channel(0).vibratoPosition, -16);
    EXPECT_EQ(player.Channel(0).periodDelta, ((v * 15) >> 7) * 4);
}

TEST(ReplayPitch, AutoVibratoSweepsIn) {
    XmSongSpec song = OneNote(kLinearFrequencies, {49, 1, 0, 0, 0});
    XmInstrumentSpec& instrument = song.instruments[0];
    instrument.vibratoType = 1;  // square: +64 for the first half turn
    instrument.vibratoDepth = 8;
    instrument.vibratoSweep = 4;
    instrument.vibratoRate = 1;
    SongPlayer player(song);
    std::vector<int> deltas;
    for (int t = 0; t < 6; ++t) {
        player.Tick();
        deltas.push_back(player.Channel(0).periodDelta);
    }
    EXPECT_EQ(deltas, (std::vector<int>{0, 2, 4, 6, 8, 8}));

    instrument.vibratoType = 7;  // no such waveform: no vibrato
    SongPlayer undefined(song);
    undefined.Tick(3);
    EXPECT_EQ(undefined.Channel(0).periodDelta, 0);
}

TEST(ReplayPitch, FinePortamentoAndExtraFinePortamentoActOnceARow) {
    XmSongSpec song = OneNote(kLinearFrequencies, {49, 1, 0, 0xE, 0x13});
    Cell(song, 0, 1, 0) = {0, 0, 0, 0xE, 0x20};  // memory of E2 is its own: 0 so far
    Cell(song, 0, 2, 0) = {0, 0, 0, 33, 0x15};
    Cell(song, 0, 3, 0) = {0, 0, 0, 33, 0x23};
    SongPlayer player(song);
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).period, 4608 - 12);
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).period, 4608 - 12);
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).period, 4608 - 12 - 5);
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).period, 4608 - 12 - 5 + 3);
}

TEST(ReplayPitch, NotesOutsideTheRangeAreNoNotes) {
    XmSongSpec song = OneNote(kLinearFrequencies, {49, 1, 0, 0, 0});
    Cell(song, 0, 1, 0) = {150, 1, 0, 0, 0};
    SongPlayer player(song);
    player.FinishRow();
    player.Tick();
    EXPECT_EQ(player.Channel(0).period, 4608);
    EXPECT_EQ(player.Channel(0).note, 48);
}

}  // namespace
}  // namespace tavrin::testing
