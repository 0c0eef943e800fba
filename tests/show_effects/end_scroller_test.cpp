#include "effects/end_scroller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_fixture.h"

namespace tavrin {
namespace {

using Row = EndScroller::Row;

class EndScrollerTest : public testing::DisplayTest {
protected:
    std::vector<Row> Rows(const EndScroller& scroller) {
        std::vector<Row> rows(static_cast<size_t>(scroller.LinesOnScreen()));
        rows.resize(static_cast<size_t>(scroller.LayOutRows(rows.data())));
        return rows;
    }
    // Bytes of the text kept alive for the scroller, without a terminator after them.
    const uint8_t* Bytes(const std::string& text) {
        storage.emplace_back(text.begin(), text.end());
        return storage.back().data();
    }
    std::vector<std::vector<uint8_t>> storage;
};

const std::string kNumbered = [] {
    std::string text;
    for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\n";
    return text + std::string(EndScroller::kMarker) + "\nnever shown\n";
}();

TEST_F(EndScrollerTest, TextEntersFromTheBottomFullyTransparent) {
    EndScroller scroller(display.get(), Bytes(kNumbered), kNumbered.size());
    EXPECT_EQ(scroller.LinesOnScreen(), 19);
    scroller.Render(0.016);  // scroll position -17.984: whole part -17, first row top 59
    const std::vector<Row> rows = Rows(scroller);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].y, 59 + 18 * 30);
    EXPECT_EQ(rows[0].line, "line 0");
    EXPECT_EQ(rows[0].colour >> 24, 0u);
    EXPECT_EQ(rows[0].colour & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(EndScrollerTest, RowsMapToLinesAndFadeTowardsTheEdges) {
    EndScroller scroller(display.get(), Bytes(kNumbered), kNumbered.size());
    scroller.Render(18.5);  // position 0.5: whole part 0, rows from 1 show lines from 0
    std::vector<Row> rows = Rows(scroller);
    ASSERT_EQ(rows.size(), 18u);
    EXPECT_EQ(rows[0].y, 45);
    EXPECT_EQ(rows[0].line, "line 0");
    EXPECT_EQ(rows[17].line, "line 17");

    scroller.Render(1.0);  // position 1.5: row r shows line 1 + r, first row top 15
    rows = Rows(scroller);
    ASSERT_EQ(rows.size(), 19u);
    EXPECT_EQ(rows[0].y, 15);
    EXPECT_EQ(rows[0].line, "line 1");
    EXPECT_EQ(rows[9].y, 285);  // the middle of the screen: opaque
    EXPECT_EQ(rows[9].colour, 0xFFFFFFFFu);
    EXPECT_EQ(rows[0].colour >> 24, 26u);  // 1 - (2 * (15 / 570 - 0.5))^2 = 0.1025
    EXPECT_EQ(rows[18].colour >> 24, 26u);  // y 555 mirrors y 15 about the middle
}

TEST_F(EndScrollerTest, MarkerEndsTheTextAndEveryRowBelowIt) {
    const std::string text = "A\n\nB\n" + std::string(EndScroller::kMarker) + "\nC\n";
    EndScroller scroller(display.get(), Bytes(text), text.size());
    scroller.Render(19.0);  // position 1: row r shows line 1 + r
    const std::vector<Row> rows = Rows(scroller);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].line, "");  // an empty line takes a row
    EXPECT_EQ(rows[1].line, "B");

    scroller.Render(10.0);  // the marker has reached the top: nothing more is drawn, ever
    EXPECT_TRUE(Rows(scroller).empty());
    scroller.Render(100.0);
    EXPECT_TRUE(Rows(scroller).empty());
}

TEST_F(EndScrollerTest, TextWithoutMarkerEndsAtItsLastByte) {
    const std::string text = "first\r\nsecond\nthird without LF";
    EndScroller scroller(display.get(), Bytes(text), text.size());
    scroller.Render(18.5);
    const std::vector<Row> rows = Rows(scroller);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].line, "first\r");  // a CR before the LF stays part of the line
    EXPECT_EQ(rows[2].line, "third without LF");
    scroller.Render(50.0);  // skipping past the end stops at the end
    EXPECT_TRUE(Rows(scroller).empty());
    scroller.Render(0.0);   // drawing with a real device reads nothing beyond the text either
}

TEST_F(EndScrollerTest, LongLinesAreCutToTheRowBuffer) {
    const std::string text = std::string(300, 'x') + "\nnext\n";
    EndScroller scroller(display.get(), Bytes(text), text.size());
    scroller.Render(18.5);
    const std::vector<Row> rows = Rows(scroller);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].line.size(), EndScroller::kLineBufferSize - 1);
    EXPECT_EQ(rows[1].line, "next");
}

TEST_F(EndScrollerTest, RenderLeavesAdditiveStatesWithoutDepth) {
    EndScroller scroller(display.get(), Bytes(kNumbered), kNumbered.size());
    BeginFrame();
    scroller.Render(20.0);
    EndFrame();
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
}

}  // namespace
}  // namespace tavrin
