#include "shell/captions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/show_tables.h"

namespace tavrin {
namespace {

struct Printed {
    int x, y;
    std::string text;
    uint32_t colour;
};

class CaptionsTest : public ::testing::Test {
protected:
    std::vector<Printed> printed;
    Captions captions{[this](int x, int y, const char* text, uint32_t colour) {
        printed.push_back({x, y, text, colour});
    }};

    // The colour printed at song time t, or 0 when nothing was printed.
    uint32_t ColourAt(float t) {
        printed.clear();
        captions.Draw(0.016, t);
        return printed.empty() ? 0 : printed.back().colour;
    }
};

TEST_F(CaptionsTest, ShowCaptionFadesInHoldsFadesOutAndRetires) {
    ShowCaptionTable table = MakeShowCaptions();
    captions.Attach(table);

    EXPECT_EQ(ColourAt(8.0f), 0u);  // start is strict
    EXPECT_EQ(ColourAt(9.0f), 0x7FFFFFFFu);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].x, 400);
    EXPECT_EQ(printed[0].y, 100);
    EXPECT_EQ(printed[0].text, "");
    EXPECT_EQ(ColourAt(10.5f), 0xFFFFFFFFu);
    EXPECT_EQ(ColourAt(12.0f), 0xD4FFFFFFu);  // one of six seconds into the fade-out
    EXPECT_EQ(ColourAt(16.9f), 0x04FFFFFFu);

    EXPECT_EQ(ColourAt(17.1f), 0u);
    EXPECT_EQ(table[0].start, Captions::kRetiredStart);
    EXPECT_EQ(ColourAt(500.0f), 0u);
    EXPECT_EQ(table[1].start, 99999.0f);  // the end record is never touched
}

TEST_F(CaptionsTest, WalksPastRetiredCaptionsAndStopsAtTheEndRecord) {
    Caption table[] = {
        {1.0f, 0, 0, "first", 0x000011, 1.0f, 1.0f, 1.0f},
        {2.0f, 5, 6, "second", 0x000022, 0.0f, 10.0f, 1.0f},
        {9999.0f, 0, 0, "", 0, 0.0f, 0.0f, 0.0f},
        {3.0f, 0, 0, "beyond the end", 0x000033, 0.0f, 10.0f, 1.0f},
    };
    captions.Attach(table);
    EXPECT_EQ(ColourAt(4.5f), 0xFF000022u);  // the first has retired, the walk goes on
    EXPECT_EQ(table[0].start, Captions::kRetiredStart);
    EXPECT_EQ(printed.size(), 1u);
}

TEST_F(CaptionsTest, TableWithoutEndRecordEndsAtItsLastCaption) {
    Caption table[] = {{0.0f, 1, 2, "only", 0x0000FF, 0.0f, 5.0f, 1.0f}};
    captions.Attach(table);
    EXPECT_EQ(ColourAt(1.0f), 0xFF0000FFu);
    Captions unattached([](int, int, const char*, uint32_t) { FAIL(); });
    unattached.Draw(0.0, 1.0f);
}

}  // namespace
}  // namespace tavrin
