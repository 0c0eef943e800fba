#include <string>

#include <gtest/gtest.h>

#include "text/scroller_text.h"

namespace tavrin::forge::test {
namespace {

TEST(ScrollerText, IsShortPrintableLinesEndingWithTheStopMarker) {
    const std::vector<uint8_t> bytes = ScrollerText();
    const std::string text(bytes.begin(), bytes.end());
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.back(), '\n');
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(lines.back(), kScrollerEndMarker);
    EXPECT_EQ(text.find(std::string(kScrollerEndMarker)), text.size() - kScrollerEndMarker.size() - 1)
        << "the marker must appear once, at the end";
    size_t nonEmpty = 0;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), kScrollerMaxLine) << line;
        for (char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "unprintable byte in: " << line;
        nonEmpty += !line.empty();
    }
    EXPECT_GT(nonEmpty, 20u);
}

}  // namespace
}  // namespace tavrin::forge::test
