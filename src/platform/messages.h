#pragma once

#include <cstdint>
#include <deque>

namespace tavrin {

// The few window messages the show answers, with the values Windows gives them.
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;

// Windows virtual-key codes; letters and digits are their upper-case ASCII codes.
constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;
constexpr uint32_t VK_F1 = 0x70;

struct Message {
    uint32_t message = 0;
    uint64_t wParam = 0;  // the virtual-key code for WM_KEYDOWN
};

// Where the main loop takes its messages from, one at a time and without blocking.
class MessageSource {
public:
    virtual ~MessageSource() = default;
    // Removes the oldest waiting message into `out`; false when none is waiting.
    virtual bool PeekMessage(Message& out) = 0;
};

// Messages posted by hand: tests and offline capture.
class MessageQueue final : public MessageSource {
public:
    void Post(const Message& message) { waiting_.push_back(message); }
    void PostKey(uint32_t virtualKey) { Post({WM_KEYDOWN, virtualKey}); }
    bool PeekMessage(Message& out) override;
    bool empty() const { return waiting_.empty(); }

private:
    std::deque<Message> waiting_;
};

// Translates SDL's events into window messages: quit and window close, and key presses (key
// repeats included, as Windows repeats WM_KEYDOWN) for keys with a virtual-key code. Other events
// are dropped. SDL's video subsystem must be running for events to arrive.
class SdlMessagePump final : public MessageSource {
public:
    bool PeekMessage(Message& out) override;
};

// The virtual-key code of an SDL key code, 0 for keys the show has no code for.
uint32_t VirtualKeyFromSdl(int32_t sdlKey);

}  // namespace tavrin
