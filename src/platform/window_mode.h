// What differs between the platforms in making the show's window: the GL its context asks for,
// and how it takes the screen.
#pragma once

#include <cstdint>

namespace tavrin {

struct WindowMode {
    uint32_t flags = 0;  // SDL window flags beyond OpenGL and shown
    int width = 0;
    int height = 0;
    bool takesDesktop = false;  // full screen at the desktop's size
};

// Sets SDL's attributes for the window's GL context: OpenGL 3.3 core on the desktop, OpenGL ES
// 3.0 (WebGL2) in the browser. Video must be initialised.
void RequestWindowGl();

// The mode for a window of `width` x `height` that asks for the full screen or not.
WindowMode ChooseWindowMode(bool fullScreen, int width, int height);

}  // namespace tavrin
