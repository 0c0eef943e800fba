#pragma once

#include <memory>
#include <string>

struct SDL_Window;

namespace tavrin {

// The show's window: an SDL2 window ready for an OpenGL 3.3 core context. Full screen covers the
// desktop (the 800 x 600 picture is scaled into it); TAVRIN_WINDOWED=1 in the environment turns a
// full-screen request into a plain window of the requested size. Its events are read through
// SdlMessagePump ("platform/messages.h").
class Window {
public:
    // Null (with a message in LastError()) when SDL has no video device or the window fails.
    static std::unique_ptr<Window> Create(const char* title, int width, int height, bool fullScreen);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The drawable area in pixels.
    void ClientSize(int& width, int& height) const;
    bool IsFullScreen() const { return fullScreen_; }
    void ShowCursor(bool show);

    SDL_Window* Handle() const { return window_; }

    static const std::string& LastError();

private:
    Window(SDL_Window* window, bool fullScreen) : window_(window), fullScreen_(fullScreen) {}
    SDL_Window* window_;
    bool fullScreen_;
};

// The desktop's size and refresh rate; false while no window system is running.
bool DesktopDisplayMode(int& width, int& height, int& refreshRate);

// A modal error box with one OK button (MessageBoxA's stand-in); written to stderr as well, so it
// is seen even where no display exists.
void ShowErrorBox(const char* caption, const char* text);

}  // namespace tavrin
