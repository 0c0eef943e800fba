#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrin::forge {

// The line the end scroller stops at; nothing from it on is ever shown.
inline constexpr std::string_view kScrollerEndMarker = "<Dear Endscroller, please stop here>";
// Longest line the scroller's layout is meant for (a line of a 26-pixel font across 800 pixels).
inline constexpr size_t kScrollerMaxLine = 59;

// "Scrollertext.txt": LF-separated lines ending with the marker line and its LF.
std::vector<uint8_t> ScrollerText();

}  // namespace tavrin::forge
