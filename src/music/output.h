// The music output: one sound device looping over a ring of mixed blocks, refilled behind the
// play cursor. There is one output per program; the main thread opens it and starts and stops
// play, and during play only the refill pass touches the module.
#pragma once

#include <cstdint>

#include "music/xm_module.h"

namespace tavrin {

class AudioDevice;

// Who runs the refill pass during play: the output thread every 5 ms, or the caller, which
// advances a manual device itself and then calls RefillPass (capture, tests).
enum class RefillDriver { kThread, kCaller };

inline constexpr int32_t kOutputRate = 44100;

// Opens `device` for 16-bit stereo at `rate` and sets up the mixer for that rate, after stopping
// whatever was playing and closing the device opened before. False when any music file callback
// is missing (then nothing changes), or, with no output left open, when the rate is outside
// 1000..384000 or the device cannot be opened. `device` must stay alive until CloseOutput or the
// next OpenOutput.
bool OpenOutput(int32_t rate, AudioDevice& device, RefillDriver driver = RefillDriver::kThread);

// Stops play and closes the device. Harmless when no output is open.
void CloseOutput();

// Rewinds the module, mixes the whole ring, hands it to the device and starts the refill driver.
// Stops the module playing before. False with no module or no open output.
bool StartPlay(XmModule* module);

// Ends the output thread, silences the device and releases the ring. False with no module.
bool StopPlay(XmModule* module);

// With the caller driving: mixes again the blocks the device cursor has left. Returns the number of
// blocks mixed; 0 when nothing plays or the output thread drives.
int32_t RefillPass();

// The module playing now, or null.
XmModule* PlayingModule();

}  // namespace tavrin
