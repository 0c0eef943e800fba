#include <SDL.h>

#include "platform/window_mode.h"

namespace tavrin {

void RequestWindowGl() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
}

// The canvas fills the page (its style says so) and a resizable window follows the canvas's
// size, so the picture is letterboxed into the whole browser window; the full-screen API would
// need a click first.
WindowMode ChooseWindowMode(bool, int width, int height) {
    return WindowMode{SDL_WINDOW_RESIZABLE, width, height, false};
}

}  // namespace tavrin
