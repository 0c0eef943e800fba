#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "music/mixer.h"

namespace tavrin {
namespace {

constexpr int32_t kRate = 44100;

// A sample record over its own buffer, with the loader's 8 guard elements.
struct TestSample {
    std::vector<int16_t> buffer;
    XmSample sample{};

    TestSample(std::vector<int16_t> values, uint8_t loopMode = kLoopNone, uint32_t loopStart = 0,
               uint32_t loopLength = 0)
        : buffer(std::move(values)) {
        sample.length = static_cast<uint32_t>(buffer.size());
        sample.loopMode = loopMode;
        sample.loopStart = loopMode == kLoopNone ? 0 : loopStart;
        sample.loopLength = loopMode == kLoopNone ? sample.length : loopLength;
        buffer.resize(buffer.size() + 8, 0);
        const uint32_t end = sample.loopStart + sample.loopLength;
        if (loopMode == kLoopForward) buffer[end] = buffer[loopStart];
        if (loopMode == kLoopPingPong) buffer[end] = buffer[end - 1];
        sample.data = buffer.data();
        sample.bits = 16;
    }
};

std::vector<int16_t> Ramp(int count) {
    std::vector<int16_t> values;
    for (int i = 0; i < count; ++i) values.push_back(static_cast<int16_t>(i * 10));
    return values;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override { ResetMixer(kRate); }

    MixVoice* Play(TestSample& s, int32_t volume, int32_t pan, int32_t hz = kRate) {
        return Play(s.sample, hz, volume, pan);
    }

    MixVoice* Play(XmSample& sample, int32_t hz, int32_t volume = 127, int32_t pan = 128) {
        MixVoice* voice = Voice(0);
        TriggerVoice(voice, &sample);
        SetVoiceVolume(voice, volume);
        SetVoicePan(voice, pan);
        SetVoiceFrequency(voice, hz);
        return voice;
    }

    std::vector<float> Mix(int32_t frames) {
        std::vector<float> out(2 * static_cast<size_t>(frames), 0.0f);
        MixFrames(out.data(), frames);
        return out;
    }
};

TEST_F(MixerTest, LevelsFollowXmPanning) {
    TestSample s({1000});
    MixVoice* voice = Play(s, 127, 128);
    EXPECT_EQ(voice->leftLevel, 63);
    EXPECT_EQ(voice->rightLevel, 63);
    SetVoicePan(voice, 0);
    EXPECT_EQ(voice->leftLevel, 127);
    EXPECT_EQ(voice->rightLevel, 0);
    SetVoicePan(voice, 255);
    EXPECT_EQ(voice->leftLevel, 0);
    EXPECT_EQ(voice->rightLevel, 127);
}

TEST_F(MixerTest, ANewNoteFadesInLinearlyOverOneRamp) {
    TestSample s(std::vector<int16_t>(1000, 10000), kLoopForward, 0, 1000);
    Play(s, 127, 0);
    const std::vector<float> out = Mix(300);
    EXPECT_EQ(RampLength(), 128);
    for (int i = 0; i < 128; ++i) {
        EXPECT_NEAR(out[2 * i], 10000.0f * 127 / 255 * i / 128, 0.5f) << i;
        EXPECT_EQ(out[2 * i + 1], 0.0f);
    }
    for (int i = 128; i < 300; ++i) EXPECT_NEAR(out[2 * i], 10000.0f * 127 / 255, 0.01f);
}

TEST_F(MixerTest, AVolumeChangeRampsFromTheOldLevelToTheNew) {
    TestSample s(std::vector<int16_t>(1000, 10000), kLoopForward, 0, 1000);
    MixVoice* voice = Play(s, 102, 0);
    Mix(200);
    SetVoiceVolume(voice, 51);
    const std::vector<float> out = Mix(200);
    const float from = 10000.0f * 102 / 255;
    const float to = 10000.0f * 51 / 255;
    for (int i = 0; i < 128; ++i) EXPECT_NEAR(out[2 * i], from + (to - from) * i / 128, 0.5f) << i;
    EXPECT_NEAR(out[2 * 150], to, 0.01f);
    EXPECT_EQ(voice->currentLeft, 51 * 256);
}

TEST_F(MixerTest, MixingInPiecesGivesTheSameSound) {
    TestSample s(Ramp(700), kLoopPingPong, 200, 300);
    Play(s, 120, 40, 30000);
    const std::vector<float> whole = Mix(5000);
    ResetMixer(kRate);
    MixVoice* voice = Play(s, 120, 40, 30000);
    std::vector<float> pieces(whole.size(), 0.0f);
    for (int at = 0; at < 5000; at += 7) {
        if (at == 3003) SetVoiceFrequency(voice, 30000);  // no change: no effect
        MixFrames(pieces.data() + 2 * at, std::min(7, 5000 - at));
    }
    for (size_t i = 0; i < whole.size(); ++i) ASSERT_NEAR(whole[i], pieces[i], 0.01f) << i;
}

TEST_F(MixerTest, AOneShotSampleEndsAfterItsLastElement) {
    TestSample s(std::vector<int16_t>(1000, 5000));
    MixVoice* voice = Play(s, 127, 0);
    const std::vector<float> out = Mix(1100);
    for (int i = 1; i < 1000; ++i) ASSERT_GT(out[2 * i], 0.0f) << i;
    for (int i = 1000; i < 1100; ++i) ASSERT_EQ(out[2 * i], 0.0f) << i;
    EXPECT_EQ(voice->sample, nullptr);
    EXPECT_EQ(voice->position, 0u);
}

TEST_F(MixerTest, ForwardLoopReturnsToItsStart) {
    TestSample s(Ramp(200), kLoopForward, 100, 50);
    MixVoice* voice = Play(s, 127, 0);
    Mix(150);
    EXPECT_EQ(voice->position, 100u);
    const std::vector<float> out = Mix(60);
    const float gain = 127.0f / 255;
    EXPECT_NEAR(out[0], 1000 * gain, 0.01f);
    EXPECT_NEAR(out[2 * 49], 1490 * gain, 0.01f);
    EXPECT_NEAR(out[2 * 50], 1000 * gain, 0.01f);  // element 100 right after 149
}

TEST_F(MixerTest, PingPongReflectsAtItsEnds) {
    TestSample s(Ramp(200), kLoopPingPong, 100, 50);
    MixVoice* voice = Play(s, 127, 0);
    voice->position = 148;
    Mix(2);
    EXPECT_EQ(voice->position, 149u);
    EXPECT_EQ(voice->positionFraction, 0xFFFFFFFFu);
    EXPECT_EQ(voice->direction, 2);
    Mix(50);  // back down through the loop to its start
    EXPECT_EQ(voice->direction, 1);
    EXPECT_GE(voice->position, 99u);
    EXPECT_LE(voice->position, 100u);
}

TEST_F(MixerTest, PingPongLandingOnAStartOfZeroStaysInsideTheSample) {
    TestSample s(Ramp(8), kLoopPingPong, 0, 8);
    MixVoice* voice = Play(s, 127, 0);
    voice->direction = 2;
    voice->position = 2;
    Mix(2);
    EXPECT_EQ(voice->direction, 1);
    EXPECT_EQ(voice->position, 0u);
    EXPECT_EQ(voice->positionFraction, 0u);
    Mix(1000);
    EXPECT_LT(voice->position, 8u);
}

TEST_F(MixerTest, StepsLongerThanTheLoopStayInside) {
    TestSample forward(Ramp(64), kLoopForward, 10, 3);
    TestSample pingPong(Ramp(64), kLoopPingPong, 10, 3);
    for (TestSample* s : {&forward, &pingPong}) {
        ResetMixer(kRate);
        MixVoice* voice = Play(*s, 127, 128, 40 * kRate + 123);
        for (int i = 0; i < 100; ++i) {
            Mix(3);
            ASSERT_GE(voice->position, 9u);
            ASSERT_LE(voice->position, 13u);
        }
    }
}

// A silent loop fenced by loud elements: one element before it and everything after its guard
// element. Any read outside the loop and its guard makes the mix nonzero.
TEST_F(MixerTest, ReadsStayInsideTheLoopAtAnyRateAndCallLength) {
    constexpr int16_t kFence = 30000;
    constexpr uint32_t kLoop = 64;
    for (uint8_t mode : {kLoopForward, kLoopPingPong}) {
        for (int32_t hz : {100, 1001, 33333, 700001}) {
            std::vector<int16_t> storage(1 + kLoop + 8, kFence);
            std::fill_n(storage.begin() + 1, kLoop + 1, int16_t{0});  // the loop and its guard
            XmSample sample{};
            sample.data = storage.data() + 1;
            sample.length = sample.loopLength = kLoop;
            sample.loopMode = mode;
            sample.bits = 16;
            ResetMixer(384000);
            MixVoice* voice = Play(sample, hz);
            for (int call = 0; call < 3; ++call) {
                const std::vector<float> out = Mix(1 << 19);
                const bool silent =
                    std::all_of(out.begin(), out.end(), [](float v) { return v == 0; });
                ASSERT_TRUE(silent)
                    << "loop mode " << int{mode} << ", " << hz << " Hz, call " << call;
            }
            EXPECT_LT(voice->position, kLoop);
        }
    }
}

TEST_F(MixerTest, FrequencySetsTheStepWithA100HzFloor) {
    TestSample s({0});
    MixVoice* voice = Play(s, 0, 0, 50);
    EXPECT_EQ(voice->frequency, 50);
    EXPECT_EQ(voice->stepInteger, 0);
    EXPECT_EQ(voice->stepFraction, static_cast<uint32_t>((uint64_t{100} << 32) / kRate));
    SetVoiceFrequency(voice, 3 * kRate + kRate / 2);
    EXPECT_EQ(voice->stepInteger, 3);
    EXPECT_EQ(voice->stepFraction, 0x80000000u);
}

TEST_F(MixerTest, InterpolatesBetweenElements) {
    TestSample s({0, 1000, 2000, 3000}, kLoopForward, 0, 4);
    MixVoice* voice = Play(s, 255, 0, kRate / 4);
    voice->currentLeft = voice->leftLevel * 256;  // skip the fade-in
    voice->rampFramesLeft = 0;
    voice->rampLeftTarget = voice->leftLevel;
    voice->rampRightTarget = voice->rightLevel;
    const std::vector<float> out = Mix(6);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[2 * i], 250.0f * i, 0.05f) << i;
}

TEST_F(MixerTest, TriggerStartsAtTheOffsetUnlessPastTheLoopEnd) {
    TestSample s(Ramp(100));
    MixVoice* voice = Voice(3);
    voice->startOffset = 40;
    TriggerVoice(voice, &s.sample);
    EXPECT_EQ(voice->position, 40u);
    EXPECT_EQ(voice->startOffset, 0u);
    voice->startOffset = 100;
    TriggerVoice(voice, &s.sample);
    EXPECT_EQ(voice->position, 0u);
    StopVoice(voice);
    EXPECT_EQ(voice->sample, nullptr);
}

TEST(ConvertToPcm16, LongRunsMatchTheScalarRule) {
    std::vector<float> source;
    for (int i = 0; i < 203; ++i) source.push_back(static_cast<float>(i - 101) * 431.25f);
    std::vector<int16_t> pcm(source.size());
    ConvertToPcm16(pcm.data(), source.data(), 101);  // the last element is not converted
    for (int i = 0; i < 202; ++i) {
        const float clipped = std::max(-32768.0f, std::min(32767.0f, source[i]));
        ASSERT_EQ(pcm[i], static_cast<int16_t>(std::lrintf(clipped))) << i;
    }
    EXPECT_EQ(pcm[202], 0);
}

TEST(ConvertToPcm16, RoundsAndClips) {
    const float source[6] = {40000.4f, -40000.0f, 1.5f, -1.4f, 32767.4f, 0.4f};
    int16_t pcm[6] = {};
    ConvertToPcm16(pcm, source, 3);
    EXPECT_EQ(pcm[0], 32767);
    EXPECT_EQ(pcm[1], -32768);
    EXPECT_EQ(pcm[2], 2);
    EXPECT_EQ(pcm[3], -1);
    EXPECT_EQ(pcm[4], 32767);
    EXPECT_EQ(pcm[5], 0);
    ConvertToPcm16(nullptr, source, 3);
    ConvertToPcm16(pcm, source, 0);
}

}  // namespace
}  // namespace tavrin
