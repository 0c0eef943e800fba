#include "platform/window.h"

#include <SDL.h>

#include <cstdio>

#include "platform/window_mode.h"

namespace tavrin {

namespace {

std::string lastError;  // why the last Create failed

// Where no display answers, SDL falls back on a driver that draws where nobody sees it: the show
// would play its music to an empty room. Only someone naming a driver gets such a window.
bool IsInvisibleUnasked(const char* driver) {
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (asked != nullptr && *asked != '\0') return false;
    return driver != nullptr && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
}

}  // namespace

std::unique_ptr<Window> Window::Create(const char* title, int width, int height, bool fullScreen) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        lastError = std::string("no video device: ") + SDL_GetError();
        return nullptr;
    }
    if (IsInvisibleUnasked(SDL_GetCurrentVideoDriver())) {
        lastError = "no display to show the picture on (DISPLAY and WAYLAND_DISPLAY name none that answers)";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // The device layer renders into its own 800 x 600 target and only shows it here, so the
    // window's surface needs colour but no depth or stencil.
    RequestWindowGl();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

    const WindowMode mode = ChooseWindowMode(fullScreen, width, height);
    SDL_Window* window =
        SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, mode.width,
                         mode.height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | mode.flags);
    if (window == nullptr) {
        lastError = std::string("window creation failed: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::unique_ptr<Window>(new Window(window, mode.takesDesktop));
}

Window::~Window() {
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void Window::ClientSize(int& width, int& height) const {
    SDL_GL_GetDrawableSize(window_, &width, &height);
}

void Window::ShowCursor(bool show) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

const std::string& Window::LastError() {
    return lastError;
}

bool DesktopDisplayMode(int& width, int& height, int& refreshRate) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    width = mode.w;
    height = mode.h;
    refreshRate = mode.refresh_rate;
    return true;
}

void ShowErrorBox(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}

}  // namespace tavrin
