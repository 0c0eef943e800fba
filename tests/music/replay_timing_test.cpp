#include <utility>
#include <vector>

#include "replay_fixture.h"

namespace tavrin::testing {
namespace {

using Position = std::pair<int, int>;  // order, row

// Plays rows and records the (order, row) each one plays.
std::vector<Position> RowStarts(SongPlayer& player, int rows) {
    std::vector<Position> starts;
    for (int i = 0; i < rows; ++i) {
        const XmModule& m = player.Module();
        starts.emplace_back(m.nextOrder >= 0 ? m.nextOrder : m.order,
                            m.nextRow >= 0 ? m.nextRow : m.row);
        player.FinishRow();
    }
    return starts;
}

XmSongSpec Orders(int count, int rows = 16, uint16_t channels = 2) {
    XmSongSpec song = EmptySong(channels, rows);
    song.patterns.resize(count, song.patterns[0]);
    song.orders.clear();
    for (int i = 0; i < count; ++i) song.orders.push_back(static_cast<uint8_t>(i));
    return song;
}

TEST(ReplayTiming, SpeedAndPatternDelaySetTheTicksOfARow) {
    XmSongSpec song = EmptySong(1, 8);
    Cell(song, 0, 1, 0) = {0, 0, 0, 0xE, 0xE2};
    Cell(song, 0, 2, 0) = {0, 0, 0, 0xF, 0x03};
    Cell(song, 0, 3, 0) = {0, 0, 0, 0xF, 0x1F};
    Cell(song, 0, 4, 0) = {0, 0, 0, 0xF, 0x20};
    SongPlayer player(song);
    ASSERT_TRUE(player.Loaded());
    EXPECT_EQ(player.FinishRow(), 6);
    EXPECT_EQ(player.FinishRow(), 18);
    EXPECT_EQ(player.FinishRow(), 3);
    EXPECT_EQ(player.FinishRow(), 31);
    EXPECT_EQ(player.Module().speed, 31);
    player.FinishRow();
    EXPECT_EQ(player.Module().bpm, 32);
    EXPECT_EQ(player.Module().tickLength, 3445);
}

TEST(ReplayTiming, TempoGivesTheTickLength) {
    SongPlayer player(EmptySong(1));
    EXPECT_EQ(player.Module().bpm, 125);
    EXPECT_EQ(player.Module().tickLength, 882);
    SetBpm(&player.Module(), 255);
    EXPECT_EQ(player.Module().tickLength, 432);
}

TEST(ReplayTiming, SpeedZeroMakesEveryTickARowStart) {
    XmSongSpec song = EmptySong(1, 8);
    Cell(song, 0, 0, 0) = {0, 0, 0, 0xF, 0x00};
    SongPlayer player(song);
    for (int row = 0; row < 5; ++row) {
        player.Tick();
        EXPECT_EQ(player.Module().row, row);
    }
}

TEST(ReplayTiming, JumpAndBreakInOneRow) {
    XmSongSpec jumpFirst = Orders(8);
    Cell(jumpFirst, 0, 0, 0) = {0, 0, 0, 0xB, 5};
    Cell(jumpFirst, 0, 0, 1) = {0, 0, 0, 0xD, 0x10};
    SongPlayer a(jumpFirst);
    EXPECT_EQ(RowStarts(a, 2)[1], Position(5, 10));

    XmSongSpec breakFirst = Orders(8);
    Cell(breakFirst, 0, 0, 0) = {0, 0, 0, 0xD, 0x10};
    Cell(breakFirst, 0, 0, 1) = {0, 0, 0, 0xB, 5};
    SongPlayer b(breakFirst);
    EXPECT_EQ(RowStarts(b, 2)[1], Position(5, 0));
}

TEST(ReplayTiming, BreaksAndJumpsOutOfRange) {
    XmSongSpec song = Orders(3);
    song.restartPosition = 1;
    Cell(song, 0, 0, 0) = {0, 0, 0, 0xD, 0x64};  // above 63: row 0
    Cell(song, 1, 0, 0) = {0, 0, 0, 0xB, 0x09};  // past the song: order 0
    Cell(song, 0, 1, 0) = {0, 0, 0, 0xD, 0x15};
    SongPlayer player(song);
    const std::vector<Position> starts = RowStarts(player, 5);
    EXPECT_EQ(starts[1], Position(1, 0));
    EXPECT_EQ(starts[2], Position(0, 0));
    EXPECT_EQ(starts[3], Position(1, 0));

    XmSongSpec last = Orders(3);
    last.restartPosition = 1;
    Cell(last, 2, 0, 0) = {0, 0, 0, 0xD, 0x00};
    Cell(last, 0, 0, 0) = {0, 0, 0, 0xB, 0x02};
    SongPlayer breakAtEnd(last);
    EXPECT_EQ(RowStarts(breakAtEnd, 3)[2], Position(0, 0));  // not the restart position
}

TEST(ReplayTiming, TheSongContinuesAtItsRestartPosition) {
    XmSongSpec song = Orders(3, 2);
    song.restartPosition = 1;
    SongPlayer player(song);
    const std::vector<Position> starts = RowStarts(player, 8);
    EXPECT_EQ(starts[5], Position(2, 1));
    EXPECT_EQ(starts[6], Position(1, 0));
}

TEST(ReplayTiming, PatternLoopRepeatsItsRows) {
    XmSongSpec song = EmptySong(1, 12);
    Cell(song, 0, 4, 0) = {0, 0, 0, 0xE, 0x60};
    Cell(song, 0, 8, 0) = {0, 0, 0, 0xE, 0x62};
    SongPlayer player(song);
    std::vector<int> rows;
    for (const Position& p : RowStarts(player, 20)) rows.push_back(p.second);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 9}));
}

// Three channels with the loop on the middle one: each row gives every channel its own note, and
// the row before the loop start slides the outer channels' volume down on its later ticks. On
// every pass each channel must play its own cell of the row, at tick 0 and on the later ticks.
struct LoopPass {
    std::vector<int> rows;
    bool everyCellPlayed = true;
};

LoopPass PlayPatternLoop(int loopStart, int loopEnd, int rowsToPlay) {
    XmSongSpec song = EmptySong(3, 8);
    song.instruments.push_back(InstrumentOf(SawSample(4096)));
    auto noteOf = [](int row, int channel) { return static_cast<uint8_t>(10 + row * 3 + channel); };
    for (int row = 0; row < 8; ++row)
        for (int k = 0; k < 3; ++k) Cell(song, 0, row, k) = {noteOf(row, k), 1, 0, 0, 0};
    if (loopStart > 0)
        for (int k : {0, 2})
            Cell(song, 0, loopStart - 1, k) = {noteOf(loopStart - 1, k), 1, 0, 0xA, 0x0F};
    Cell(song, 0, loopStart, 1).effect = 0xE;
    Cell(song, 0, loopStart, 1).parameter = 0x60;
    Cell(song, 0, loopEnd, 1).effect = 0xE;
    Cell(song, 0, loopEnd, 1).parameter = 0x62;
    SongPlayer player(song);
    LoopPass pass;
    if (!player.Loaded()) return {{}, false};
    for (int i = 0; i < rowsToPlay; ++i) {
        player.FinishRow();
        const int row = player.Module().row;
        pass.rows.push_back(row);
        for (int k = 0; k < 3; ++k) {
            const bool slid = loopStart > 0 && row == loopStart - 1 && k != 1;
            if (row < 0 || player.Channel(k).note + 1 != noteOf(row, k) ||
                player.Channel(k).volume != (slid ? 0 : 64))
                pass.everyCellPlayed = false;
        }
    }
    return pass;
}

TEST(ReplayTiming, PatternLoopPlaysEveryChannelsOwnCellsOnEveryPass) {
    const LoopPass later = PlayPatternLoop(2, 4, 12);
    EXPECT_EQ(later.rows, (std::vector<int>{0, 1, 2, 3, 4, 2, 3, 4, 2, 3, 4, 5}));
    EXPECT_TRUE(later.everyCellPlayed);

    const LoopPass fromTop = PlayPatternLoop(0, 3, 14);
    EXPECT_EQ(fromTop.rows, (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(fromTop.everyCellPlayed);
}

TEST(ReplayTiming, APatternBreakInTheLoopRowWinsOverTheLoop) {
    XmSongSpec song = Orders(2, 8, 2);
    Cell(song, 0, 2, 0) = {0, 0, 0, 0xE, 0x61};
    Cell(song, 0, 2, 1) = {0, 0, 0, 0xD, 0x05};
    SongPlayer player(song);
    const std::vector<Position> starts = RowStarts(player, 4);
    EXPECT_EQ(starts[3], Position(1, 5));
}

TEST(ReplayTiming, RowsAndOrdersOutsideTheSongReadAsEmpty) {
    XmSongSpec song = Orders(2, 4, 1);
    song.orders = {0, 9};        // pattern 9 is not in the file: 64 empty rows
    song.restartPosition = 300;  // beyond the order table
    Cell(song, 0, 0, 0) = {49, 1, 0, 0xD, 0x30};
    song.instruments.push_back(InstrumentOf(SawSample(32)));
    SongPlayer player(song);
    const std::vector<Position> starts = RowStarts(player, 70);
    EXPECT_EQ(starts[1], Position(1, 30));
    EXPECT_EQ(starts[35], Position(300, 0));
    EXPECT_EQ(starts[36], Position(300, 1));
}

TEST(ReplayTiming, ResetPlaybackRewindsTheSong) {
    XmSongSpec song = EmptySong(2, 4);
    song.speed = 3;
    song.bpm = 150;
    SongPlayer player(song);
    player.Tick(20);
    ResetPlayback(&player.Module());
    XmModule& m = player.Module();
    EXPECT_EQ(m.order, 0);
    EXPECT_EQ(m.row, 0);
    EXPECT_EQ(m.tick, 0);
    EXPECT_EQ(m.speed, 3);
    EXPECT_EQ(m.tickLength, 735);
    EXPECT_EQ(m.nextRow, -1);
    EXPECT_EQ(m.globalVolume, 64);
    EXPECT_EQ(player.Channel(1).voice, &player.Voice(1));
    EXPECT_EQ(player.Channel(1).index, 1);
}

}  // namespace
}  // namespace tavrin::testing
