#include <gtest/gtest.h>

#include <cstring>

#include "music/memory_module.h"
#include "music/xm_writer.h"
#include "song_fixtures.h"

namespace tavrin::testing {
namespace {

TEST(XmLoader, PackedAndUnpackedCellsDecodeToTheSameNotes) {
    XmSongSpec song = EmptySong(2, 4);
    song.instruments.push_back(InstrumentOf(SawSample(16)));
    Cell(song, 0, 0, 0) = {49, 1, 0x40, 0xA, 0x0F};   // all five fields: written unpacked
    Cell(song, 0, 1, 1) = {0, 0, 0, 0xF, 0x03};       // packed, effect and parameter only
    Cell(song, 0, 2, 0) = {kKeyOffNote, 0, 0, 0, 0};  // written as 97
    ModulePtr module = LoadSong(song);
    ASSERT_TRUE(module);
    const XmNote* notes = module->patterns[0].notes;
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(0, std::memcmp(&notes[0], &song.patterns[0].cells[0], sizeof(XmNote)));
    EXPECT_EQ(notes[3].effect, 0xF);
    EXPECT_EQ(notes[3].parameter, 3);
    EXPECT_EQ(notes[3].note, 0);
    EXPECT_EQ(notes[4].note, kKeyOffNote);
    EXPECT_EQ(notes[1].note | notes[1].instrument | notes[1].effect, 0);
}

TEST(XmLoader, CellBytesFollowTheFileRules) {
    // An unpacked cell of 5 bytes with instrument 200, then 0x80 (one byte, empty cell).
    const std::vector<uint8_t> data = {49, 200, 0x10, 0, 0, 0x80, 0x81, 97};
    std::vector<uint8_t> file = WriteXm(EmptySong(3, 1));
    // Patch the one pattern to hold our raw bytes.
    const size_t patternAt = 60 + 276;
    file.resize(patternAt + 9);
    file[patternAt + 7] = static_cast<uint8_t>(data.size());
    file.insert(file.end(), data.begin(), data.end());
    ModulePtr module = LoadBytes(file);
    ASSERT_TRUE(module);
    const XmNote* notes = module->patterns[0].notes;
    EXPECT_EQ(notes[0].note, 49);
    EXPECT_EQ(notes[0].instrument, 0);  // above 128 reads as none
    EXPECT_EQ(notes[0].volume, 0x10);
    EXPECT_EQ(notes[1].note, 0);
    EXPECT_EQ(notes[2].note, kKeyOffNote);
}

TEST(XmLoader, PatternsWithoutDataAndPatternsMissingFromTheFile) {
    XmSongSpec song = EmptySong(4, 32);  // nothing in it: written with packed size 0
    song.orders = {0, 3};                // pattern 3 is not in the file
    ModulePtr module = LoadSong(song);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->referencedPatterns, 4);
    EXPECT_EQ(module->allocatedPatterns, 4);
    EXPECT_EQ(module->patterns[0].rows, 32);
    EXPECT_EQ(module->patterns[0].notes, nullptr);
    for (int p = 1; p < 4; ++p) EXPECT_EQ(module->patterns[p].rows, 64);
}

TEST(XmLoader, SampleDataIsDeltaDecodedAndWidened) {
    XmSongSpec song = EmptySong(1);
    XmSampleSpec eight;
    eight.sixteenBit = false;
    eight.pcm = {0x0A00, 0x0000, -0x8000, 0x7F00};
    XmSampleSpec sixteen;
    sixteen.pcm = {1000, -1000, 32767, -32768};
    XmInstrumentSpec instrument = InstrumentOf(eight);
    instrument.samples.push_back(sixteen);
    song.instruments.push_back(instrument);
    ModulePtr module = LoadSong(song);
    ASSERT_TRUE(module);
    const XmSample& a = *module->instruments[0].samples[0];
    const XmSample& b = *module->instruments[0].samples[1];
    EXPECT_EQ(a.bits, 16);
    EXPECT_EQ(a.length, 4u);
    EXPECT_EQ(std::vector<int16_t>(a.data, a.data + 5),
              (std::vector<int16_t>{0x0A00, 0, -0x8000, 0x7F00, 0}));
    EXPECT_EQ(std::vector<int16_t>(b.data, b.data + 4), sixteen.pcm);
    EXPECT_EQ(module->instruments[0].samples[2], &EmptySample);
}

TEST(XmLoader, EightBitDeltasTenThenMinusTen) {
    // Raw file deltas 10 and 246 decode to 0x0A00 then 0.
    XmSongSpec song = EmptySong(1);
    XmSampleSpec sample;
    sample.sixteenBit = false;
    sample.pcm = {0x0A00, 0};
    song.instruments.push_back(InstrumentOf(sample));
    std::vector<uint8_t> file = WriteXm(song);
    ASSERT_EQ(file[file.size() - 2], 10);
    ASSERT_EQ(file[file.size() - 1], 246);
    ModulePtr module = LoadBytes(file);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->instruments[0].samples[0]->data[0], 0x0A00);
    EXPECT_EQ(module->instruments[0].samples[0]->data[1], 0);
}

XmSampleSpec LoopedSample(uint8_t mode, uint32_t start, uint32_t length) {
    XmSampleSpec sample;
    for (int i = 0; i < 200; ++i) sample.pcm.push_back(static_cast<int16_t>(i * 7));
    sample.loopMode = mode;
    sample.loopStart = start;
    sample.loopLength = length;
    return sample;
}

TEST(XmLoader, LoopKindsAndTheirGuardElements) {
    XmSongSpec song = EmptySong(1);
    XmInstrumentSpec instrument = InstrumentOf(LoopedSample(kLoopForward, 100, 50));
    instrument.samples.push_back(LoopedSample(kLoopPingPong, 100, 50));
    instrument.samples.push_back(LoopedSample(kLoopNone, 100, 50));
    instrument.samples.push_back(LoopedSample(kLoopForward, 100, 0));    // empty loop
    instrument.samples.push_back(LoopedSample(kLoopForward, 150, 500));  // beyond the end
    instrument.samples.push_back(LoopedSample(kLoopForward, 900, 10));   // starts beyond it
    song.instruments.push_back(instrument);
    ModulePtr module = LoadSong(song);
    ASSERT_TRUE(module);
    XmSample* const* s = module->instruments[0].samples;
    EXPECT_EQ(s[0]->loopMode, kLoopForward);
    EXPECT_EQ(s[0]->data[150], s[0]->data[100]);
    EXPECT_EQ(s[1]->loopMode, kLoopPingPong);
    EXPECT_EQ(s[1]->data[150], s[1]->data[149]);
    EXPECT_EQ(s[2]->loopMode, kLoopNone);
    EXPECT_EQ(s[2]->loopStart, 0u);
    EXPECT_EQ(s[2]->loopLength, 200u);
    EXPECT_EQ(s[2]->data[200], 0);
    EXPECT_EQ(s[3]->loopMode, kLoopNone);
    EXPECT_EQ(s[3]->loopLength, 200u);
    EXPECT_EQ(s[4]->loopStart, 150u);
    EXPECT_EQ(s[4]->loopLength, 50u);
    EXPECT_EQ(s[4]->data[200], s[4]->data[150]);
    EXPECT_EQ(s[5]->loopMode, kLoopNone);
}

TEST(XmLoader, SixteenBitLengthsAreHalvedAndBothLoopBitsMeanPingPong) {
    XmSongSpec song = EmptySong(1);
    XmSampleSpec sample;
    sample.pcm.assign(501, 0);
    song.instruments.push_back(InstrumentOf(sample));
    std::vector<uint8_t> file = WriteXm(song);
    // Sample header follows the 263-byte instrument header; make it 1001 bytes with type 0x13.
    const size_t header = file.size() - 1002 - 40;
    file[header] = 1001 & 0xFF;
    file[header + 1] = 1001 >> 8;
    file[header + 8] = 100;  // loop length in bytes
    file[header + 14] = 0x13;
    ModulePtr module = LoadBytes(file);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->instruments[0].samples[0]->length, 500u);
    EXPECT_EQ(module->instruments[0].samples[0]->loopMode, kLoopPingPong);
    EXPECT_EQ(module->instruments[0].samples[0]->loopLength, 50u);
}

TEST(XmLoader, InstrumentFieldsEnvelopesAndFadeout) {
    XmSongSpec song = EmptySong(1);
    XmInstrumentSpec instrument = InstrumentOf(SawSample(8));
    instrument.volumeEnvelope = {{{0, 64}, {10, 90}}, kEnvelopeOn | kEnvelopeLoop, 0, 5, 1};
    instrument.panningEnvelope = {{{0, 32}}, kEnvelopeOn, 0, 0, 0};
    instrument.fadeout = 300;
    instrument.vibratoType = 3;
    instrument.vibratoRate = 9;
    instrument.sampleForNote[48] = 1;
    song.instruments.push_back(instrument);
    ModulePtr module = LoadSong(song);
    ASSERT_TRUE(module);
    const XmInstrument& in = module->instruments[0];
    EXPECT_EQ(in.fadeout, 600);
    EXPECT_EQ(in.volumeEnvelope[1].tick, 10);
    EXPECT_EQ(in.volumeEnvelope[1].value, 64);  // values beyond 64 are limited
    EXPECT_EQ(in.volumeType, kEnvelopeOn);      // loop start past the points: no loop
    EXPECT_EQ(in.panningType, 0);               // a single point cannot be an envelope
    EXPECT_EQ(in.vibratoType, 3);
    EXPECT_EQ(in.vibratoRate, 9);
    EXPECT_EQ(in.sampleForNote[48], 1);
    EXPECT_EQ(module->defaultGlobalVolume, 64);
    EXPECT_EQ(module->tickHandler != nullptr, true);
}

TEST(XmLoader, RefusedFiles) {
    EXPECT_FALSE(LoadBytes({}));
    EXPECT_FALSE(LoadBytes(std::vector<uint8_t>{'E', 'x', 't'}));
    std::vector<uint8_t> file = WriteXm(EmptySong(1));
    file[0] = 'e';
    EXPECT_FALSE(LoadBytes(file));
    EXPECT_FALSE(LoadSong(EmptySong(33)));  // more channels than the mixer has voices
    EXPECT_TRUE(LoadSong(EmptySong(32)));

    XmSongSpec song = EmptySong(1);
    XmInstrumentSpec crowded;
    crowded.samples.assign(17, SawSample(4));
    song.instruments.push_back(InstrumentOf(SawSample(4)));
    song.instruments.push_back(crowded);
    EXPECT_FALSE(LoadSong(song));  // everything read so far is released (checked under ASan)
    song.instruments[1].samples.resize(16);
    EXPECT_TRUE(LoadSong(song));
}

TEST(XmLoader, EveryPrefixOfAFileLoadsOrFailsCleanly) {
    const std::vector<uint8_t> file = WriteXm(EveryEffectSong());
    for (size_t size = 0; size < file.size(); size += 97) {
        ModulePtr module = LoadBytes(std::vector<uint8_t>(file.begin(), file.begin() + size));
        if (size < 17) {
            EXPECT_FALSE(module);
        }
        if (!module) continue;
        for (int i = 0; i < module->instrumentCount; ++i)
            for (int s = 0; s < module->instruments[i].sampleCount; ++s) {
                const XmSample& sample = *module->instruments[i].samples[s];
                EXPECT_LE(uint64_t{sample.loopStart} + sample.loopLength, sample.length);
            }
    }
}

TEST(XmLoader, CallbacksAreAllOrNothing) {
    const MusicFileCallbacks saved = CurrentFileCallbacks();
    SetFileCallbacks(saved.open, nullptr, saved.read, saved.seek, saved.tell);
    EXPECT_FALSE(FileCallbacksComplete());
    EXPECT_EQ(LoadModule("anything"), nullptr);
    EXPECT_FALSE(FreeModule(nullptr));
    SetFileCallbacks(saved.open, saved.close, saved.read, saved.seek, saved.tell);
}

}  // namespace
}  // namespace tavrin::testing
