#include "platform/messages.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace tavrin {
namespace {

TEST(MessagesTest, QueueHandsOutPostedMessagesInOrderOneAtATime) {
    MessageQueue queue;
    Message message;
    EXPECT_FALSE(queue.PeekMessage(message));
    queue.PostKey('W');
    queue.Post({WM_CLOSE, 0});
    ASSERT_TRUE(queue.PeekMessage(message));
    EXPECT_EQ(message.message, WM_KEYDOWN);
    EXPECT_EQ(message.wParam, 'W');
    ASSERT_TRUE(queue.PeekMessage(message));
    EXPECT_EQ(message.message, WM_CLOSE);
    EXPECT_FALSE(queue.PeekMessage(message));
}

TEST(MessagesTest, SdlKeysBecomeWindowsVirtualKeys) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), 27u);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a), 0x41u);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_f), 0x46u);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_w), 0x57u);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_y), 0x59u);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 0x5Au);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_7), 0x37u);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), 0x7Bu);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LSHIFT), 0u);
}

TEST(MessagesTest, PumpTranslatesSdlEventsAndDropsTheRest) {
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    SDL_PushEvent(&event);
    event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_y;
    event.key.repeat = 1;  // Windows repeats WM_KEYDOWN while a key is held
    SDL_PushEvent(&event);
    event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_LCTRL;
    SDL_PushEvent(&event);
    event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
    event = {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);

    SdlMessagePump pump;
    Message message;
    ASSERT_TRUE(pump.PeekMessage(message));
    EXPECT_EQ(message.message, WM_KEYDOWN);
    EXPECT_EQ(message.wParam, 'Y');
    ASSERT_TRUE(pump.PeekMessage(message));
    EXPECT_EQ(message.message, WM_CLOSE);
    ASSERT_TRUE(pump.PeekMessage(message));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_FALSE(pump.PeekMessage(message));
    SDL_Quit();
}

}  // namespace
}  // namespace tavrin
