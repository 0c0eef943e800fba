// Music files held in memory for the player tests: a small XM module made on the spot and the
// five music file callbacks serving named byte buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/xm_module.h"

namespace tavrin::test {

struct TinySong {
    int bpm = 125;
    int speed = 6;
    int rows = 16;
    int orders = 1;  // the one pattern played this many times
};

// One channel, one instrument whose 8-bit sample loops forever, struck on the first row of the
// pattern, so every mixed frame carries sound.
std::vector<uint8_t> MakeTinyXm(const TinySong& song);

// Makes `bytes` openable as `name` through MemoryMusicCallbacks.
void AddMemoryFile(const std::string& name, std::vector<uint8_t> bytes);

MusicFileCallbacks MemoryMusicCallbacks();

}  // namespace tavrin::test
