#include "platform/window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/scoped_environment.h"

namespace tavrin {
namespace {

// Neither an X server nor a Wayland compositor answers at these names.
constexpr std::pair<const char*, const char*> kNoX{"DISPLAY", ":"};
constexpr std::pair<const char*, const char*> kNoWayland{"WAYLAND_DISPLAY", "/nonexistent/tavrin-test"};

TEST(Window, WithoutADisplayNoInvisibleWindowIsMade) {
    ScopedEnvironment environment{kNoX, kNoWayland, {"SDL_VIDEODRIVER", nullptr}};
    EXPECT_EQ(Window::Create("Tavrin", 800, 600, false), nullptr);
    EXPECT_NE(Window::LastError().find("no display"), std::string::npos) << Window::LastError();
}

TEST(Window, AnInvisibleDriverNamedByTheUserIsTaken) {
    ScopedEnvironment environment{kNoX, kNoWayland, {"SDL_VIDEODRIVER", "offscreen"}};
    const std::unique_ptr<Window> window = Window::Create("Tavrin", 800, 600, false);
    ASSERT_NE(window, nullptr) << Window::LastError();
    EXPECT_FALSE(window->IsFullScreen());
}

}  // namespace
}  // namespace tavrin
