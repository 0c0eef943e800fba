#pragma once

namespace tavrin {

struct DisplayDevice;

// Base of every effect of the show: the entry point keeps effects behind this interface, the
// schedule picks one per frame and calls Render with the frame time.
class Effect {
public:
    // A null device leaves aspect at 0 (an effect used only as a token, as in tests).
    explicit Effect(DisplayDevice* device);
    virtual ~Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // Draws one frame; frameSeconds is the time since the previous frame. The base draws nothing.
    virtual void Render(double frameSeconds);

protected:
    DisplayDevice* device;  // not owned
    float aspect;           // back-buffer width / height
};

}  // namespace tavrin
