#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/window.h"
#include "platform/window_mode.h"

namespace tavrin {

namespace {

bool WindowedRequested() {
    const char* value = std::getenv("TAVRIN_WINDOWED");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

void RequestWindowGl() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
}

WindowMode ChooseWindowMode(bool fullScreen, int width, int height) {
    WindowMode mode{0, width, height, fullScreen && !WindowedRequested()};
    if (mode.takesDesktop) {
        mode.flags = SDL_WINDOW_FULLSCREEN_DESKTOP;
        // Made at the desktop's size from the start: an X server without a window manager never
        // resizes the window, while SDL would already report the desktop's size as its drawable,
        // and the picture came out cut off.
        int desktopWidth = 0, desktopHeight = 0, refreshRate = 0;
        if (DesktopDisplayMode(desktopWidth, desktopHeight, refreshRate) && desktopWidth > 0 &&
            desktopHeight > 0) {
            mode.width = desktopWidth;
            mode.height = desktopHeight;
        }
    }
    return mode;
}

}  // namespace tavrin
