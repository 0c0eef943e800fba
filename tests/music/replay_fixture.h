// Runs a module tick by tick with the mixer at 44.1 kHz, for checks on channel and voice state.
#pragma once

#include <gtest/gtest.h>

#include "music/mixer.h"
#include "music/replay.h"
#include "song_fixtures.h"

namespace tavrin::testing {

class SongPlayer {
public:
    explicit SongPlayer(const XmSongSpec& song) : module_(LoadSong(song)) {
        ResetMixer(44100);
        if (module_) ResetPlayback(module_.get());
    }

    bool Loaded() const { return module_ != nullptr; }
    XmModule& Module() { return *module_; }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) module_->tickHandler(module_.get());
    }
    // Runs ticks until a new row starts; returns the ticks the current row lasted.
    int FinishRow() {
        int ticks = 0;
        do {
            Tick();
            ++ticks;
        } while (module_->tick != 0 && ticks < 10000);
        return ticks;
    }
    ChannelState& Channel(int k) { return *tavrin::Channel(k); }
    MixVoice& Voice(int k) { return *tavrin::Voice(k); }

private:
    ModulePtr module_;
};

}  // namespace tavrin::testing
