#include "music/music_player.h"

#include "music/song_clock.h"

namespace tavrin {

MusicPlayer::MusicPlayer(const char* fileName, const MusicFileCallbacks& callbacks,
                         AudioDevice& device, RefillDriver driver) {
    SetFileCallbacks(callbacks.open, callbacks.close, callbacks.read, callbacks.seek,
                     callbacks.tell);
    // Without an output the module still loads; it just never plays.
    OpenOutput(kOutputRate, device, driver);
    module_ = LoadModule(fileName);
}

MusicPlayer::~MusicPlayer() {
    FreeModule(module_);
    CloseOutput();
}

void MusicPlayer::Play() {
    StartPlay(module_);
}

void MusicPlayer::Stop() {
    StopPlay(module_);
}

float MusicPlayer::SongTime() const {
    return SongSeconds(PlayedMilliseconds(module_));
}

}  // namespace tavrin
