#include "play_command.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "music/music_player.h"
#include "music/song_clock.h"
#include "platform/audio_device.h"
#include "platform/counter.h"

namespace tavrin {
namespace {

std::atomic<bool> interrupted = false;

// The player reads its module through the music file callbacks; here they go to a file on disk.
void* DiskOpen(const char* name) {
    return std::fopen(name, "rb");
}
void DiskClose(void* handle) {
    std::fclose(static_cast<std::FILE*>(handle));
}
uint32_t DiskRead(void* buffer, uint32_t byteCount, void* handle) {
    return static_cast<uint32_t>(std::fread(buffer, 1, byteCount, static_cast<std::FILE*>(handle)));
}
void DiskSeek(void* handle, int32_t offset, uint8_t origin) {
    std::fseek(static_cast<std::FILE*>(handle), offset, origin == 1 ? SEEK_CUR : SEEK_SET);
}
int32_t DiskTell(void* handle) {
    return static_cast<int32_t>(std::ftell(static_cast<std::FILE*>(handle)));
}

void OnInterrupt(int) {
    interrupted = true;
}

// Ctrl-C (or a termination request) ends the playing rather than the process. Installed before the
// sound device opens: SDL puts in a handler of its own only where none is set, and would swallow
// the signal as an event.
class InterruptCatcher {
public:
    InterruptCatcher()
        : previousInterrupt_(std::signal(SIGINT, &OnInterrupt)),
          previousTerminate_(std::signal(SIGTERM, &OnInterrupt)) {
        interrupted = false;
    }
    ~InterruptCatcher() {
        std::signal(SIGINT, previousInterrupt_);
        std::signal(SIGTERM, previousTerminate_);
    }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

private:
    void (*previousInterrupt_)(int);
    void (*previousTerminate_)(int);
};

// Puts the terminal into single-key mode so Escape arrives without Enter, and restores it on
// every way out.
class KeyReader {
public:
    KeyReader() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~KeyReader() {
        if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    KeyReader(const KeyReader&) = delete;
    KeyReader& operator=(const KeyReader&) = delete;

    bool EscapePressed() {
        if (!active_) return false;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        unsigned char key = 0;
        while (poll(&input, 1, 0) > 0 && read(STDIN_FILENO, &key, 1) == 1) {
            if (key == 27) return true;
        }
        return false;
    }

private:
    termios saved_{};
    bool active_ = false;
};

}  // namespace
}  // namespace tavrin

namespace tavrin::xmtool {

int Play(const cli::Arguments& arguments) {
    const char* fileName = arguments.operands[0].c_str();
    if (std::FILE* file = std::fopen(fileName, "rb")) {
        std::fclose(file);
    } else {
        std::fprintf(stderr, "tavrin-xm: cannot open %s\n", fileName);
        return 1;
    }
    const InterruptCatcher catcher;
    SystemCounter counter;
    const auto device = CreateSystemAudioDevice(counter);
    MusicPlayer player(fileName, {&DiskOpen, &DiskClose, &DiskRead, &DiskSeek, &DiskTell}, *device);
    if (player.Module() == nullptr) {
        std::fprintf(stderr, "tavrin-xm: cannot load %s as an XM module\n", fileName);
        return 1;
    }
    player.Play();
    if (PlayingModule() == nullptr) {
        std::fprintf(stderr, "tavrin-xm: no sound output could be opened\n");
        return 1;
    }
    std::printf("Playing %s through the %s device; Escape or Ctrl-C stops.\n", fileName,
                device->Name());

    {
        KeyReader keys;
        while (!interrupted && !keys.EscapePressed()) {
            const XmModule* module = player.Module();
            std::printf("\r  song time %9.3f s   order %3u   row %3u ", player.SongTime(),
                        PlayedOrder(module), PlayedRow(module));
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    }
    player.Stop();
    std::printf("\n");
    return 0;
}

}  // namespace tavrin::xmtool
