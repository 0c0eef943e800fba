#include "soundtrack/song_instruments.h"

#include <algorithm>
#include <cmath>

#include "lib/noise.h"
#include "lib/vecmath.h"

namespace tavrin::forge {
namespace {

constexpr double kRate = 8363.0 * 4.0;
constexpr int8_t kRelativeNote = 24;
constexpr double kMiddleC = 261.6256;

// Deterministic white noise in [-1, 1].
double Noise(uint32_t i, uint32_t seed) { return HashUnit(static_cast<int32_t>(i), 0, 0, seed) * 2.0 - 1.0; }

std::vector<int16_t> ToPcm(const std::vector<double>& wave, double gain) {
    double peak = 1e-9;
    for (double v : wave) peak = std::max(peak, std::fabs(v));
    std::vector<int16_t> pcm(wave.size());
    for (size_t i = 0; i < wave.size(); ++i) {
        pcm[i] = static_cast<int16_t>(std::lround(std::clamp(wave[i] / peak * gain, -1.0, 1.0) * 32767.0));
    }
    return pcm;
}

XmSampleSpec Sample(std::string name, std::vector<int16_t> pcm, bool sixteenBit) {
    XmSampleSpec s;
    s.name = std::move(name);
    s.pcm = std::move(pcm);
    s.sixteenBit = sixteenBit;
    s.relativeNote = kRelativeNote;
    return s;
}

XmInstrumentSpec Instrument(std::string name, XmSampleSpec sample) {
    XmInstrumentSpec instrument;
    instrument.name = std::move(name);
    instrument.samples.push_back(std::move(sample));
    instrument.sampleForNote.fill(0);
    return instrument;
}

XmEnvelopeSpec Envelope(std::vector<EnvelopePoint> points, uint8_t type, uint8_t sustain = 0,
                        uint8_t loopStart = 0, uint8_t loopEnd = 0) {
    return {std::move(points), type, sustain, loopStart, loopEnd};
}

// A band-limited sawtooth of the given frequency at time t (additive, harmonics below 12 kHz).
double Saw(double frequency, double t) {
    double sum = 0.0;
    for (int h = 1; h * frequency < 12000.0; ++h) sum += std::sin(2.0 * kPi * h * frequency * t) / h;
    return sum;
}

XmInstrumentSpec Kick() {
    std::vector<double> wave(static_cast<size_t>(kRate * 0.4));
    double phase = 0.0;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = i / kRate;
        phase += 2.0 * kPi * (45.0 + 120.0 * std::exp(-t * 28.0)) / kRate;
        const double click = Noise(static_cast<uint32_t>(i), 1) * std::exp(-t * 400.0) * 0.3;
        wave[i] = std::sin(phase) * std::exp(-t * 7.0) + click;
    }
    return Instrument("kick", Sample("kick", ToPcm(wave, 0.95), true));
}

XmInstrumentSpec Snare() {
    std::vector<double> wave(static_cast<size_t>(kRate * 0.3));
    double low = 0.0;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = i / kRate;
        const double n = Noise(static_cast<uint32_t>(i), 2);
        low += (n - low) * 0.35;  // soften the top of the noise a little
        wave[i] = low * std::exp(-t * 14.0) + 0.6 * std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t * 30.0);
    }
    // Stored as 8-bit: the grit suits a snare and halves its size.
    return Instrument("snare", Sample("snare", ToPcm(wave, 0.9), false));
}

XmInstrumentSpec Hat() {
    std::vector<double> wave(static_cast<size_t>(kRate * 0.25));
    double previous = 0.0;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = i / kRate;
        const double n = Noise(static_cast<uint32_t>(i), 3);
        wave[i] = (n - previous) * std::exp(-t * 9.0);  // a first difference: high-passed noise
        previous = n;
    }
    XmInstrumentSpec hat = Instrument("hihat", Sample("hihat", ToPcm(wave, 0.8), false));
    // The written volume decides open or closed: the envelope cuts the tail after key-off.
    hat.volumeEnvelope = Envelope({{0, 64}, {4, 40}, {40, 0}}, kEnvelopeOn | kEnvelopeSustain, 1);
    hat.fadeout = 4000;
    return hat;
}

// One period of a rich wave, looped forward: pitch comes from the note.
XmSampleSpec Cycle(std::string name, int length, double (*shape)(double), bool sixteenBit) {
    std::vector<double> wave(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) wave[i] = shape(double(i) / length);
    XmSampleSpec s = Sample(std::move(name), ToPcm(wave, 0.9), sixteenBit);
    s.loopMode = kLoopForward;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(length);
    return s;
}

// Period length for middle C at the sample rate is 127.86; 128 samples sound 2 cents flat,
// which a finetune of +2 (steps of 1/128 semitone) mostly corrects.
constexpr int kCycle = 128;

XmInstrumentSpec Bass() {
    XmSampleSpec s = Cycle("bass", kCycle, [](double x) {
        double sum = 0.0;
        for (int h = 1; h <= 12; ++h) sum += std::sin(2.0 * kPi * h * x) / h * (h % 2 ? 1.0 : 0.6);
        return sum;
    }, true);
    s.finetune = 2;  // the period is rounded up, so tune up
    XmInstrumentSpec bass = Instrument("bass", std::move(s));
    bass.volumeEnvelope = Envelope({{0, 64}, {10, 48}, {30, 40}, {60, 0}}, kEnvelopeOn | kEnvelopeSustain, 2);
    bass.fadeout = 1200;
    return bass;
}

XmInstrumentSpec Lead() {
    XmSampleSpec s = Cycle("lead", kCycle, [](double x) {
        // A pulse of 30 % width, softened by summing a few harmonics only.
        double sum = 0.0;
        for (int h = 1; h <= 16; ++h) sum += std::sin(kPi * h * 0.3) / h * std::cos(2.0 * kPi * h * (x - 0.15));
        return sum;
    }, false);  // 8-bit: the lead's edge
    s.finetune = 2;
    XmInstrumentSpec lead = Instrument("lead", std::move(s));
    lead.volumeEnvelope = Envelope({{0, 0}, {2, 64}, {12, 50}, {200, 40}, {240, 0}}, kEnvelopeOn | kEnvelopeSustain, 2);
    lead.fadeout = 900;
    lead.vibratoType = 0;  // sine
    lead.vibratoSweep = 40;
    lead.vibratoDepth = 6;
    lead.vibratoRate = 10;
    return lead;
}

XmInstrumentSpec Pad() {
    // Three detuned saws through a gentle low-pass, a stretch of it looped back and forth.
    const size_t length = static_cast<size_t>(kRate * 0.7);
    std::vector<double> wave(length);
    double low = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double t = i / kRate;
        const double raw = Saw(kMiddleC * 0.996, t) + Saw(kMiddleC, t + 0.1) + Saw(kMiddleC * 1.005, t + 0.2);
        low += (raw - low) * 0.12;
        wave[i] = low;
    }
    XmSampleSpec s = Sample("pad", ToPcm(wave, 0.85), true);
    s.loopMode = kLoopPingPong;
    s.loopStart = static_cast<uint32_t>(length / 5);
    s.loopLength = static_cast<uint32_t>(length - length / 5);
    XmInstrumentSpec pad = Instrument("pad", std::move(s));
    pad.volumeEnvelope = Envelope({{0, 0}, {24, 56}, {48, 48}, {80, 0}}, kEnvelopeOn | kEnvelopeSustain, 2);
    // The pad drifts slowly between the speakers while it sounds.
    pad.panningEnvelope = Envelope({{0, 32}, {30, 16}, {90, 48}, {150, 16}},
                                   kEnvelopeOn | kEnvelopeLoop, 0, 1, 3);
    pad.fadeout = 300;
    return pad;
}

XmInstrumentSpec Pluck() {
    // Karplus-Strong: a burst of noise circulating through an averaging delay line.
    const int period = 128;
    std::vector<double> line(period);
    for (int i = 0; i < period; ++i) line[i] = Noise(static_cast<uint32_t>(i), 7);
    std::vector<double> wave(static_cast<size_t>(kRate * 0.6));
    for (size_t i = 0; i < wave.size(); ++i) {
        const size_t k = i % period;
        wave[i] = line[k];
        line[k] = 0.5 * (line[k] + line[(k + 1) % period]) * 0.996;
    }
    XmSampleSpec s = Sample("pluck", ToPcm(wave, 0.9), false);
    s.finetune = 2;
    return Instrument("pluck", std::move(s));
}

XmInstrumentSpec Crash() {
    std::vector<double> wave(static_cast<size_t>(kRate * 1.6));
    double previous = 0.0;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = i / kRate;
        const double n = Noise(static_cast<uint32_t>(i), 8);
        const double shimmer = 1.0 + 0.3 * std::sin(2.0 * kPi * 7.0 * t);
        wave[i] = (n - 0.6 * previous) * std::exp(-t * 2.2) * shimmer;
        previous = n;
    }
    return Instrument("crash", Sample("crash", ToPcm(wave, 0.85), false));
}

XmInstrumentSpec Riser() {
    // Noise with a resonant sweep baked in, looped; the patterns slide its pitch up as well.
    const size_t length = static_cast<size_t>(kRate * 0.5);
    std::vector<double> wave(length);
    double low = 0.0, band = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double n = Noise(static_cast<uint32_t>(i), 9);
        const double f = 0.08;
        low += f * band;
        band += f * (n - low - 0.4 * band);
        wave[i] = band;
    }
    XmSampleSpec s = Sample("riser", ToPcm(wave, 0.8), true);
    s.loopMode = kLoopForward;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(length);
    XmInstrumentSpec riser = Instrument("riser", std::move(s));
    riser.volumeEnvelope = Envelope({{0, 4}, {100, 40}, {180, 64}, {190, 0}}, kEnvelopeOn | kEnvelopeSustain, 2);
    riser.fadeout = 2000;
    return riser;
}

}  // namespace

std::vector<XmInstrumentSpec> SongInstruments() {
    return {Kick(), Snare(), Hat(), Bass(), Pad(), Lead(), Pluck(), Crash(), Riser()};
}

}  // namespace tavrin::forge
