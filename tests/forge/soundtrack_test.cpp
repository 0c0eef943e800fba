// The soundtrack as the show's engine loads and plays it: its shape, not its notes.

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "forge_fixture.h"
#include "music/memory_module.h"
#include "soundtrack/soundtrack.h"

namespace tavrin::forge::test {
namespace {

class Soundtrack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bytes_ = new std::vector<uint8_t>(LoadEntry("KVB.xm"));
        timeline_ = new SongTimeline(PlaySongTimeline(*bytes_, 400.0));
    }
    static void TearDownTestSuite() {
        delete bytes_;
        delete timeline_;
    }
    static std::vector<uint8_t>* bytes_;
    static SongTimeline* timeline_;
};
std::vector<uint8_t>* Soundtrack::bytes_ = nullptr;
SongTimeline* Soundtrack::timeline_ = nullptr;

TEST_F(Soundtrack, RunsOverTwoHundredSecondsThenLoopsIntoTheOutroUnderTheScroller) {
    ASSERT_FALSE(timeline_->starts.empty()) << "KVB.xm does not load";
    EXPECT_GE(timeline_->loopSeconds, 200.0);
    ASSERT_GE(timeline_->loopOrder, 0) << "the song must loop, not end";
    const OrderStart& back = timeline_->starts.at(static_cast<size_t>(timeline_->loopOrder));
    EXPECT_NEAR(back.seconds, 171.0, 0.3) << "the loop goes back to the outro";
}

TEST_F(Soundtrack, EverySceneChangeFallsWithinOneRowOfAPatternStart) {
    const double row = SongSecondsPerRow();
    ASSERT_GT(row, 0.05);
    ASSERT_LT(row, 0.2);
    for (float scene : {0.0f, 8.35f, 24.6f, 40.8f, 49.2f, 57.0f, 81.0f, 86.0f, 138.0f, 138.7f, 155.0f, 170.9f, 171.0f}) {
        double nearest = 1e9;
        for (const OrderStart& s : timeline_->starts) nearest = std::min(nearest, std::fabs(s.seconds - scene));
        EXPECT_LE(nearest, row) << "scene change at " << scene << " s";
    }
}

TEST_F(Soundtrack, StaysBetweenMinusSixAndMinusPointThreeDecibelsWithoutClipping) {
    const double peak = 20.0 * std::log10(timeline_->peak);
    EXPECT_GT(peak, -6.0);
    EXPECT_LT(peak, -0.3);
    EXPECT_EQ(timeline_->clipped, 0u);
}

TEST_F(Soundtrack, UsesTheEnginesInstrumentAndEffectFeatures) {
    XmModule* module = LoadModuleFromMemory(bytes_->data(), bytes_->size());
    ASSERT_NE(module, nullptr);
    EXPECT_GE(module->channelCount, 8);
    EXPECT_GE(module->instrumentCount, 8);
    EXPECT_TRUE(module->flags & kLinearFrequencies);
    std::set<int> bits, loops;
    bool volumeSustain = false, panningLoop = false, fadeout = false, autoVibrato = false;
    for (int i = 0; i < module->instrumentCount; ++i) {
        const XmInstrument& instrument = module->instruments[i];
        for (int s = 0; s < instrument.sampleCount; ++s) {
            // The loader widens 8-bit samples to 16 bits: those keep a zero low byte throughout.
            const XmSample& sample = *instrument.samples[s];
            bool lowBytes = false;
            for (uint32_t k = 0; k < sample.length; ++k) lowBytes |= (sample.data[k] & 0xFF) != 0;
            bits.insert(lowBytes ? 16 : 8);
            loops.insert(sample.loopMode);
        }
        volumeSustain |= (instrument.volumeType & (kEnvelopeOn | kEnvelopeSustain)) == (kEnvelopeOn | kEnvelopeSustain);
        panningLoop |= (instrument.panningType & (kEnvelopeOn | kEnvelopeLoop)) == (kEnvelopeOn | kEnvelopeLoop);
        fadeout |= instrument.fadeout > 0;
        autoVibrato |= instrument.vibratoDepth > 0 && instrument.vibratoRate > 0;
    }
    EXPECT_EQ(bits, (std::set<int>{8, 16}));
    EXPECT_TRUE(loops.count(kLoopForward) && loops.count(kLoopPingPong) && loops.count(kLoopNone));
    EXPECT_TRUE(volumeSustain && panningLoop && fadeout && autoVibrato);
    // Effects, by their command (extended ones as 0xE0 + sub-command), and the volume column.
    std::set<int> effects;
    bool volumeColumn = false;
    for (int o = 0; o < module->songLength; ++o) {
        const XmPattern& pattern = module->patterns[module->orderTable[o]];
        if (!pattern.notes) continue;
        for (int c = 0; c < pattern.rows * module->channelCount; ++c) {
            const XmNote& n = pattern.notes[c];
            if (n.effect || n.parameter) effects.insert(n.effect == 0xE ? 0xE0 + (n.parameter >> 4) : n.effect);
            volumeColumn |= n.volume >= 0x10;
        }
    }
    FreeModule(module);
    EXPECT_TRUE(volumeColumn);
    for (int wanted : {0x0, 0x1, 0x2, 0x3, 0x4, 0xA, 0xB, 0xD, 0xF, 0x1B, 0xE9, 0xED}) {
        EXPECT_TRUE(effects.count(wanted)) << "effect " << std::hex << wanted << " unused";
    }
}

}  // namespace
}  // namespace tavrin::forge::test
