#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio_manual.h"
#include "platform/counter.h"
#include "platform/messages.h"
#include "shell/show.h"

namespace tavrin {

// A headless show on a manual counter, a manual sound device and a message queue, reading an
// archive written for the test.
class HeadlessShow {
public:
    static constexpr int64_t kTicksPerSecond = 10'000'000;

    explicit HeadlessShow(const std::string& archivePath);

    ShowEnvironment Environment();

    // Passes of the loading loop, `seconds` of clock time each, until it is left; returns how many.
    int FinishLoading(double seconds);
    // One pass `seconds` of clock time after the previous one, with the sound device and its
    // refill moving on by the same time.
    Show::Pass Pass(Show& show, double seconds);

    ManualCounter counter{kTicksPerSecond};
    ManualAudioDevice audio;
    MessageQueue messages;
    std::vector<std::pair<std::string, std::string>> errors;  // caption, text
    std::string archivePath;
    Show* show = nullptr;
};

// Writes a ZIP archive holding the given entries; returns its path.
std::string WriteTestArchive(const std::string& name,
                             const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries);

// A short silent module, enough for the song clock to run.
std::vector<uint8_t> SilentModule();

// The back buffer, top row first, as 0xAARRGGBB.
std::vector<uint32_t> ReadBack(IDirect3DDevice8& device, int width, int height);

// Saves pixels as a PNG for people to look at.
bool SavePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace tavrin
