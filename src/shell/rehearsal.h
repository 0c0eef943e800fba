#pragma once

#include <cstddef>
#include <functional>
#include <vector>

struct IDirect3DDevice8;

namespace tavrin {

// Draws every kind of frame the show will draw once while the loading screen holds, so the
// renderer has built the programs and pipeline variants of the first frame of every scene
// before that frame is due. Each step draws stand-in effects made for it (the show's own
// effects keep their state) into the back buffer, which the loading frame then clears; the
// device's states and the shared random sequence are put back after it.
class Rehearsal {
public:
    explicit Rehearsal(IDirect3DDevice8* device) : device_(device) {}

    // A step makes its stand-ins, draws them and lets them go.
    void Add(std::function<void()> step) { steps_.push_back(std::move(step)); }

    // Runs the next step; false once every step has run.
    bool RunNext();
    bool Done() const { return next_ >= steps_.size(); }

private:
    IDirect3DDevice8* device_;
    std::vector<std::function<void()>> steps_;
    size_t next_ = 0;
};

}  // namespace tavrin
