#include <cmath>
#include <vector>

#include "replay_fixture.h"

namespace tavrin::testing {
namespace {

XmInstrumentSpec Looped(uint8_t volume = 64) {
    XmSampleSpec sample = SawSample(256);
    sample.loopMode = kLoopForward;
    sample.loopLength = 256;
    sample.volume = volume;
    return InstrumentOf(sample);
}

XmSongSpec Song(XmInstrumentSpec instrument, XmNote first, int rows = 16) {
    XmSongSpec song = EmptySong(1, rows);
    song.speed = 4;
    song.instruments.push_back(std::move(instrument));
    Cell(song, 0, 0, 0) = first;
    return song;
}

// Runs ticks and collects what one field reads after each.
template <typename Read>
std::vector<int> Trace(SongPlayer& player, int ticks, Read read) {
    std::vector<int> values;
    for (int i = 0; i < ticks; ++i) {
        player.Tick();
        values.push_back(read(player));
    }
    return values;
}

int ChannelVolume(SongPlayer& p) {
    return p.Channel(0).volume + p.Channel(0).volumeDelta;
}

TEST(ReplayVolume, VoiceVolumeIsTheProductOfAllVolumes) {
    XmSongSpec song = Song(Looped(), {49, 1, 0, 0, 0});
    Cell(song, 0, 1, 0) = {0, 0, 0x30, 0, 0};   // channel volume 32
    Cell(song, 0, 2, 0) = {0, 0, 0, 16, 0x20};  // global volume 32
    Cell(song, 0, 3, 0) = {0, 0, 0, 16, 0x7F};  // limited to 64
    SongPlayer player(song);
    player.FinishRow();
    EXPECT_EQ(player.Voice(0).volume, 127);
    player.FinishRow();
    EXPECT_EQ(player.Voice(0).volume, 63);
    player.FinishRow();
    EXPECT_EQ(player.Module().globalVolume, 32);
    EXPECT_EQ(player.Voice(0).volume, 31);
    player.FinishRow();
    EXPECT_EQ(player.Module().globalVolume, 64);
}

TEST(ReplayVolume, SustainHoldsTheEnvelopeUntilKeyOff) {
    XmInstrumentSpec instrument = Looped();
    instrument.volumeEnvelope = {
        {{0, 64}, {4, 32}, {8, 0}}, kEnvelopeOn | kEnvelopeSustain, 1, 0, 0};
    instrument.fadeout = 0;
    XmSongSpec song = Song(instrument, {49, 1, 0, 0, 0});
    Cell(song, 0, 3, 0) = {kKeyOffNote, 0, 0, 0, 0};
    SongPlayer player(song);
    const std::vector<int> out =
        Trace(player, 20, [](SongPlayer& p) { return p.Channel(0).volEnvOutput; });
    EXPECT_EQ(out, (std::vector<int>{64, 56, 48, 40, 32, 32, 32, 32, 32, 32,
                                     32, 32, 32, 24, 16, 8,  0,  0,  0,  0}));
    EXPECT_EQ(player.Channel(0).volEnvDone, 1);
}

TEST(ReplayVolume, EnvelopeLoopRepeats) {
    XmInstrumentSpec instrument = Looped();
    instrument.volumeEnvelope = {{{0, 0}, {2, 64}, {4, 0}}, kEnvelopeOn | kEnvelopeLoop, 0, 0, 2};
    SongPlayer player(Song(instrument, {49, 1, 0, 0, 0}));
    const std::vector<int> out =
        Trace(player, 9, [](SongPlayer& p) { return p.Channel(0).volEnvOutput; });
    EXPECT_EQ(out, (std::vector<int>{0, 32, 64, 32, 0, 32, 64, 32, 0}));
}

TEST(ReplayVolume, KeyOffFadesWithTheEnvelopeAndCutsWithout) {
    XmInstrumentSpec withEnvelope = Looped();
    withEnvelope.volumeEnvelope = {{{0, 64}, {100, 64}}, kEnvelopeOn, 0, 0, 0};
    withEnvelope.fadeout = 1000;
    XmSongSpec song = Song(withEnvelope, {49, 1, 0, 0, 0});
    Cell(song, 0, 1, 0) = {kKeyOffNote, 0, 0, 0, 0};
    SongPlayer fading(song);
    fading.FinishRow();
    const std::vector<int> fade =
        Trace(fading, 4, [](SongPlayer& p) { return p.Channel(0).fadeVolume; });
    EXPECT_EQ(fade, (std::vector<int>{65536 - 2000, 65536 - 4000, 65536 - 6000, 65536 - 8000}));
    EXPECT_GT(fading.Voice(0).volume, 0);

    song.instruments[0].volumeEnvelope = {};
    SongPlayer cut(song);
    cut.FinishRow();
    cut.Tick();
    EXPECT_EQ(cut.Channel(0).volEnvOutput, 0);
    EXPECT_EQ(cut.Voice(0).volume, 0);
}

TEST(ReplayVolume, OnlyANoteWithAnInstrumentEndsAKeyOff) {
    XmInstrumentSpec instrument = Looped();
    instrument.volumeEnvelope = {{{0, 64}, {100, 64}}, kEnvelopeOn, 0, 0, 0};
    instrument.fadeout = 100;
    XmSongSpec song = Song(instrument, {49, 1, 0, 0, 0});
    Cell(song, 0, 1, 0) = {0, 0, 0, 20, 0};  // K00
    Cell(song, 0, 2, 0) = {50, 0, 0, 0, 0};
    Cell(song, 0, 3, 0) = {51, 1, 0, 0, 0};
    SongPlayer player(song);
    player.FinishRow();
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).keyOff, 1);
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).keyOff, 1);
    EXPECT_EQ(player.Channel(0).fadeVolume, 65536 - 8 * 200);
    player.Tick();
    EXPECT_EQ(player.Channel(0).keyOff, 0);
    EXPECT_EQ(player.Channel(0).fadeVolume, 65536);
}

TEST(ReplayVolume, VolumeColumnSlidesActOnEveryTick) {
    SongPlayer down(Song(Looped(), {49, 1, 0x65, 0, 0}));
    EXPECT_EQ(Trace(down, 4, ChannelVolume), (std::vector<int>{59, 54, 49, 44}));
    SongPlayer fine(Song(Looped(40), {49, 1, 0x93, 0, 0}));
    EXPECT_EQ(Trace(fine, 4, ChannelVolume), (std::vector<int>{43, 43, 43, 43}));
    SongPlayer up(Song(Looped(60), {49, 1, 0x73, 0, 0}));
    EXPECT_EQ(Trace(up, 4, ChannelVolume), (std::vector<int>{63, 64, 64, 64}));
}

TEST(ReplayVolume, VolumeSlideWithMemory) {
    XmSongSpec song = Song(Looped(), {49, 1, 0, 0xA, 0x03});
    Cell(song, 0, 1, 0) = {0, 0, 0, 0xA, 0x00};
    SongPlayer player(song);
    EXPECT_EQ(Trace(player, 8, ChannelVolume), (std::vector<int>{64, 61, 58, 55, 55, 52, 49, 46}));
}

TEST(ReplayVolume, TremoloOffsetsTheVolumeAndLeavesItsLastOffset) {
    XmSongSpec song = Song(Looped(32), {49, 1, 0, 0x7, 0x88});
    song.speed = 6;
    Cell(song, 0, 1, 0) = {0, 0, 0, 0x0, 0x00};
    SongPlayer player(song);
    const std::vector<int> deltas =
        Trace(player, 6, [](SongPlayer& p) { return p.Channel(0).volumeDelta; });
    const auto sine = [](int position) {
        return static_cast<int>(std::fabs(std::sin(position * 2 * 3.141592 / 64)) * 256);
    };
    EXPECT_EQ(deltas[0], 0);
    EXPECT_EQ(deltas[1], (sine(0) * 8) >> 6);
    EXPECT_EQ(deltas[2], (sine(8) * 8) >> 6);
    EXPECT_EQ(deltas[5], -((sine(-32 + 0) * 8) >> 6));
    player.Tick();  // next row without tremolo keeps the last offset in the volume
    EXPECT_EQ(player.Channel(0).volume, 32 + deltas[5]);
}

TEST(ReplayVolume, TremorAlternatesOnAndOff) {
    XmSongSpec song = Song(Looped(40), {49, 1, 0, 29, 0x21});  // on 3 ticks, off 2
    song.speed = 10;
    SongPlayer player(song);
    EXPECT_EQ(Trace(player, 10, ChannelVolume),
              (std::vector<int>{40, 40, 40, 0, 0, 40, 40, 40, 0, 0}));
}

TEST(ReplayVolume, GlobalVolumeSlide) {
    XmSongSpec song = Song(Looped(), {49, 1, 0, 17, 0x02});
    Cell(song, 0, 1, 0) = {0, 0, 0, 17, 0x30};
    SongPlayer player(song);
    const std::vector<int> global =
        Trace(player, 8, [](SongPlayer& p) { return p.Module().globalVolume; });
    EXPECT_EQ(global, (std::vector<int>{64, 62, 60, 58, 58, 61, 64, 64}));
}

TEST(ReplayVolume, MultiRetriggerChangesVolumeAndRestartsTheSample) {
    XmSongSpec song = Song(Looped(), {49, 1, 0, 27, 0x52});  // -16 every 2 ticks
    song.speed = 8;
    SongPlayer player(song);
    player.Tick(2);
    player.Voice(0).position = 99;
    EXPECT_EQ(Trace(player, 6, ChannelVolume), (std::vector<int>{48, 48, 32, 32, 16, 16}));
    player.Voice(0).position = 99;
    player.Tick();  // tick 0 of the next row: the note is not retriggered (no note in it)
    EXPECT_EQ(player.Voice(0).position, 99u);
}

TEST(ReplayVolume, NoteCutAndNoteDelay) {
    XmSongSpec song = Song(Looped(), {49, 1, 0, 0xE, 0xC2});
    Cell(song, 0, 1, 0) = {49, 1, 0x20, 0xE, 0xD2};
    SongPlayer player(song);
    EXPECT_EQ(Trace(player, 4, ChannelVolume), (std::vector<int>{64, 64, 0, 0}));
    player.Tick(2);
    EXPECT_EQ(player.Voice(0).volume, 0);  // the delayed note has not sounded yet
    player.Voice(0).position = 50;
    player.Tick();
    EXPECT_EQ(player.Channel(0).volume, 0x10);  // volume column applied at the delayed tick
    EXPECT_EQ(player.Voice(0).position, 0u);    // and the note triggered
}

TEST(ReplayVolume, SampleOffsetStartsLaterOrStopsPastTheEnd) {
    XmSongSpec song = Song(Looped(), {49, 1, 0, 0x9, 0x01});
    Cell(song, 0, 1, 0) = {49, 1, 0, 0x9, 0x00};  // memory: 256 again, the loop end
    song.instruments[0].samples[0].pcm.resize(300);
    song.instruments[0].samples[0].loopLength = 300;
    SongPlayer player(song);
    player.Tick();
    EXPECT_EQ(player.Voice(0).position, 256u);
    player.FinishRow();
    EXPECT_NE(player.Voice(0).sample, nullptr);
    song.instruments[0].samples[0].loopLength = 256;
    SongPlayer past(song);
    past.Tick();
    EXPECT_EQ(past.Voice(0).sample, nullptr);
}

TEST(ReplayVolume, PanningCommandsAndThePanningEnvelope) {
    XmInstrumentSpec instrument = Looped();
    instrument.panningEnvelope = {{{0, 0}, {4, 64}}, kEnvelopeOn, 0, 0, 0};
    XmSongSpec song = Song(instrument, {49, 1, 0, 0x8, 0x80});
    Cell(song, 0, 1, 0) = {0, 0, 0xC2, 0, 0};
    Cell(song, 0, 2, 0) = {0, 0, 0, 25, 0x30};  // slide right by 3 a tick
    SongPlayer player(song);
    EXPECT_EQ(Trace(player, 4, [](SongPlayer& p) { return p.Voice(0).pan; }),
              (std::vector<int>{0, 64, 128, 192}));  // 128 + (env - 32) * 4
    player.Tick();
    EXPECT_EQ(player.Channel(0).pan, 32);
    EXPECT_EQ(player.Voice(0).pan, 32 + 32 * 1);
    player.Tick(3 + 4);
    EXPECT_EQ(player.Channel(0).pan, 32 + 9);
}

TEST(ReplayVolume, VolumeColumnPanSlidesStopAtTheEdges) {
    XmSongSpec song = Song(Looped(), {49, 1, 0, 0x8, 0x08});
    Cell(song, 0, 1, 0) = {0, 0, 0xDF, 0, 0};  // left by 15 on every tick
    Cell(song, 0, 2, 0) = {0, 0, 0xE1, 0, 0};  // then right by 1
    Cell(song, 0, 3, 0) = {0, 0, 0, 0x8, 0xF8};
    Cell(song, 0, 4, 0) = {0, 0, 0xEF, 0, 0};
    SongPlayer player(song);
    player.FinishRow();
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).pan, 0);
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).pan, 4);  // climbing from the edge, not from below it
    player.FinishRow();
    player.FinishRow();
    EXPECT_EQ(player.Channel(0).pan, 255);
}

TEST(ReplayVolume, EnvelopePositionJumpsIntoTheEnvelope) {
    XmInstrumentSpec instrument = Looped();
    instrument.volumeEnvelope = {{{0, 64}, {10, 0}, {20, 64}}, kEnvelopeOn, 0, 0, 0};
    XmSongSpec song = Song(instrument, {49, 1, 0, 21, 15});
    Cell(song, 0, 1, 0) = {0, 0, 0, 21, 40};
    SongPlayer player(song);
    player.Tick();
    EXPECT_EQ(player.Channel(0).volEnvOutput, 31);  // halfway from 0 to 64, in 16.16 steps
    player.FinishRow();
    player.Tick();
    EXPECT_EQ(player.Channel(0).volEnvOutput, 64);
    EXPECT_EQ(player.Channel(0).volEnvDone, 1);
}

}  // namespace
}  // namespace tavrin::testing
