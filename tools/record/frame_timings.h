#pragma once

#include <string>
#include <vector>

namespace tavrin::record {

// Render times of a recording, frame by frame, grouped into scenes: runs of consecutive frames
// that show the same thing.
class FrameTimings {
public:
    struct Scene {
        std::string name;
        std::vector<float> songTimes;      // one per frame, in order
        std::vector<double> milliseconds;  // one per frame, in order

        double Median() const;
        double Worst() const;
    };

    // A frame with its song time, the name of what it showed and how long it took.
    void Add(float songTime, const std::string& sceneName, double milliseconds);

    const std::vector<Scene>& Scenes() const { return scenes_; }

    // One line per scene: span, frames, median and worst.
    std::string Summary() const;
    // One row per frame: frame,song_time,scene,milliseconds. False when it cannot be written.
    bool WriteCsv(const std::string& path) const;

private:
    std::vector<Scene> scenes_;
};

}  // namespace tavrin::record
