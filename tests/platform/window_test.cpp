#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavrin {
namespace {

// Sets environment variables for one case (null unsets) and puts the old values back after.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> variables) {
        for (const auto& [name, value] : variables) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
            value != nullptr ? setenv(name, value, 1) : unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, old] : saved_) old ? setenv(name, old->c_str(), 1) : unsetenv(name);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

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
