// The music as the show sees it: made on a file name, played, stopped, asked for the song time.
#pragma once

#include "music/output.h"
#include "music/xm_module.h"

namespace tavrin {

class AudioDevice;

class MusicPlayer {
public:
    // Installs `callbacks` for every music load, opens the output on `device` at 44.1 kHz and loads
    // the module. Either may fail: the player then stays silent and its song time stays 0.
    MusicPlayer(const char* fileName, const MusicFileCallbacks& callbacks, AudioDevice& device,
                RefillDriver driver = RefillDriver::kThread);
    // Releases the module (stopping it first) and closes the output.
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Starts the song from its beginning (stopping it first if it plays).
    void Play();
    void Stop();
    // Seconds of music heard so far.
    float SongTime() const;

    // Null when loading failed.
    XmModule* Module() const { return module_; }

private:
    XmModule* module_ = nullptr;
};

}  // namespace tavrin
