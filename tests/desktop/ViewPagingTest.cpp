#include "editor/ViewPaging.h"

#include <gtest/gtest.h>

using namespace tarvik;

namespace {

// Every spot the keys leave: the cursor on a line, the top no further than the last top,
// the cursor in sight.
void expectSound(const ViewSpot& spot, int n, int rows)
{
    EXPECT_GE(spot.cursorPosition, 0);
    EXPECT_LT(spot.cursorPosition, n);
    EXPECT_GE(spot.topIndex, 0);
    EXPECT_LE(spot.topIndex, lastTopIndex(n, rows));
    EXPECT_GE(spot.cursorPosition - spot.topIndex, 0);
    EXPECT_LT(spot.cursorPosition - spot.topIndex, std::max(1, rows));
}

} // namespace

TEST(ViewPaging, KeysLeaveTheCursorOnALineInSightFromAnySpot)
{
    for (int n : {1, 2, 9, 10, 11, 31, 200})
        for (int rows : {0, 1, 3, 10})
            for (int top = 0; top < n; ++top)
                for (int cursor = 0; cursor < n; ++cursor) {
                    SCOPED_TRACE(testing::Message() << "n " << n << " rows " << rows << " top " << top
                                                    << " cursor " << cursor);
                    const ViewSpot spot{top, cursor};
                    expectSound(paged(spot, n, rows, 1), n, rows);
                    expectSound(paged(spot, n, rows, -1), n, rows);
                    expectSound(atLastLine(n, rows), n, rows);
                    expectSound(atFirstLine(), n, rows);
                }
}

TEST(ViewPaging, PagesMoveCursorAndViewTogetherAndStopAtTheEnds)
{
    // The header and 30 lines in ten whole rows.
    EXPECT_EQ(paged({0, 3}, 31, 10, 1), (ViewSpot{10, 13}));
    EXPECT_EQ(paged({10, 13}, 31, 10, 1), (ViewSpot{20, 23}));
    EXPECT_EQ(paged({20, 23}, 31, 10, 1), (ViewSpot{21, 30}));  // the view stops, the cursor goes on
    EXPECT_EQ(paged({21, 30}, 31, 10, 1), (ViewSpot{21, 30}));
    EXPECT_EQ(paged({21, 30}, 31, 10, -1), (ViewSpot{11, 20}));
    EXPECT_EQ(paged({5, 7}, 31, 10, -1), (ViewSpot{0, 0}));
    // A cursor scrolled out of sight comes back into view.
    EXPECT_EQ(paged({20, 2}, 31, 10, 1), (ViewSpot{12, 12}));
    EXPECT_EQ(atLastLine(31, 10), (ViewSpot{21, 30}));
    EXPECT_EQ(atLastLine(5, 10), (ViewSpot{0, 4}));
}

TEST(ViewPaging, TheWheelMovesTheViewOnlyAndStopsWhereTheScrollBarStops)
{
    EXPECT_EQ(wheelScrolled({0, 4}, 31, 10, 3), (ViewSpot{3, 4}));
    EXPECT_EQ(wheelScrolled({20, 4}, 31, 10, 3), (ViewSpot{21, 4}));
    EXPECT_EQ(wheelScrolled({2, 4}, 31, 10, -3), (ViewSpot{0, 4}));
    EXPECT_EQ(wheelScrolled({0, 0}, 5, 10, 3), (ViewSpot{0, 0}));
    // A window grown taller than its program needs stays until scrolled up.
    EXPECT_EQ(wheelScrolled({25, 26}, 31, 10, 3), (ViewSpot{25, 26}));
    EXPECT_EQ(wheelScrolled({25, 26}, 31, 10, -3), (ViewSpot{22, 26}));
}
