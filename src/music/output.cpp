#include "music/output.h"

#include <memory>

#include "music/mixer.h"
#include "music/output_ring.h"
#include "music/output_state.h"
#include "music/output_thread.h"
#include "music/replay.h"
#include "platform/audio_device.h"

namespace tavrin {
namespace {

constexpr int kRefillPeriodMilliseconds = 5;

struct Output {
    AudioDevice* device = nullptr;  // null while no output is open
    OutputConfig config;
    RefillDriver driver = RefillDriver::kThread;
    XmModule* module = nullptr;  // the one playing
    std::unique_ptr<OutputRing> ring;
    OutputThread thread;
};

Output& TheOutput() {
    static Output output;
    return output;
}

int32_t Refill(Output& output) {
    return output.ring->Refill(output.module, output.device->PositionBytes());
}

// A module about to be released must not stay in the ring's hands.
void StopIfPlaying(XmModule* module) {
    if (module != nullptr && module == TheOutput().module) StopPlay(module);
}

}  // namespace

bool OpenOutput(int32_t rate, AudioDevice& device, RefillDriver driver) {
    SetModuleReleaseHook(&StopIfPlaying);
    if (!FileCallbacksComplete()) return false;
    CloseOutput();
    if (rate < 1000 || rate > 384000) return false;
    if (!device.Open(AudioFormat{rate, kOutputChannels})) return false;
    Output& output = TheOutput();
    output.device = &device;
    output.config = MakeOutputConfig(rate);
    output.driver = driver;
    ResetMixer(rate);
    return true;
}

void CloseOutput() {
    Output& output = TheOutput();
    if (output.device == nullptr) return;
    StopPlay(output.module);
    output.device->Close();
    output.device = nullptr;
}

bool StartPlay(XmModule* module) {
    if (module == nullptr) return false;
    Output& output = TheOutput();
    StopPlay(module);
    if (output.device == nullptr) return false;

    ResetPlayback(module);
    output.module = module;
    output.ring = std::make_unique<OutputRing>(output.config);
    output.ring->FillAll(module);
    output.device->PlayLoop(output.ring->PcmBytes(), output.ring->PcmSize());
    if (output.driver == RefillDriver::kThread) {
        output.thread.Start([&output] { Refill(output); }, kRefillPeriodMilliseconds);
    }
    return true;
}

bool StopPlay(XmModule* module) {
    if (module == nullptr) return false;
    Output& output = TheOutput();
    output.thread.Stop();
    if (output.ring != nullptr) {
        // A stopped show should not keep looping the last two seconds of sound.
        output.device->Reset();
        output.ring.reset();
    }
    output.module = nullptr;
    return true;
}

int32_t RefillPass() {
    Output& output = TheOutput();
    if (output.ring == nullptr || output.driver != RefillDriver::kCaller) return 0;
    return Refill(output);
}

XmModule* PlayingModule() {
    return TheOutput().module;
}

const OutputRing* PlayingRing() {
    return TheOutput().ring.get();
}

}  // namespace tavrin
