#include "frame_timings.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tavrin::record {

double FrameTimings::Scene::Median() const {
    if (milliseconds.empty()) return 0.0;
    std::vector<double> sorted = milliseconds;
    const size_t middle = sorted.size() / 2;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(middle), sorted.end());
    if (sorted.size() % 2 == 1) return sorted[middle];
    const double below = *std::max_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(middle));
    return (below + sorted[middle]) / 2.0;
}

double FrameTimings::Scene::Worst() const {
    return milliseconds.empty() ? 0.0 : *std::max_element(milliseconds.begin(), milliseconds.end());
}

void FrameTimings::Add(float songTime, const std::string& sceneName, double milliseconds) {
    if (scenes_.empty() || scenes_.back().name != sceneName) scenes_.push_back({sceneName, {}, {}});
    scenes_.back().songTimes.push_back(songTime);
    scenes_.back().milliseconds.push_back(milliseconds);
}

std::string FrameTimings::Summary() const {
    std::string text;
    char line[256];
    for (const Scene& scene : scenes_) {
        std::snprintf(line, sizeof line, "%7.2f - %7.2f s  %-40s %6zu frames  median %7.2f ms  worst %7.2f ms\n",
                      scene.songTimes.front(), scene.songTimes.back(), scene.name.c_str(), scene.milliseconds.size(),
                      scene.Median(), scene.Worst());
        text += line;
    }
    return text;
}

bool FrameTimings::WriteCsv(const std::string& path) const {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "w"), std::fclose);
    if (!file) return false;
    bool ok = std::fputs("frame,song_time,scene,milliseconds\n", file.get()) >= 0;
    long frame = 0;
    for (const Scene& scene : scenes_) {
        for (size_t i = 0; i < scene.milliseconds.size(); ++i) {
            ok = std::fprintf(file.get(), "%ld,%.4f,%s,%.3f\n", frame++, scene.songTimes[i], scene.name.c_str(),
                              scene.milliseconds[i]) > 0 && ok;
        }
    }
    return ok;
}

}  // namespace tavrin::record
