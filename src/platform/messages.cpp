#include "platform/messages.h"

#include <SDL.h>

namespace tavrin {

bool MessageQueue::PeekMessage(Message& out) {
    if (waiting_.empty()) return false;
    out = waiting_.front();
    waiting_.pop_front();
    return true;
}

uint32_t VirtualKeyFromSdl(int32_t sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return static_cast<uint32_t>('A' + (sdlKey - SDLK_a));
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return static_cast<uint32_t>('0' + (sdlKey - SDLK_0));
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) {
        return VK_F1 + static_cast<uint32_t>(sdlKey - SDLK_F1);
    }
    switch (sdlKey) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        default: return 0;
    }
}

namespace {

// The message an SDL event stands for, if any.
bool Translate(const SDL_Event& event, Message& out) {
    switch (event.type) {
        case SDL_QUIT:
            out = {WM_QUIT, 0};
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event != SDL_WINDOWEVENT_CLOSE) return false;
            out = {WM_CLOSE, 0};
            return true;
        case SDL_KEYDOWN: {
            const uint32_t key = VirtualKeyFromSdl(event.key.keysym.sym);
            if (key == 0) return false;
            out = {WM_KEYDOWN, key};
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

bool SdlMessagePump::PeekMessage(Message& out) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (Translate(event, out)) return true;
    }
    return false;
}

}  // namespace tavrin
