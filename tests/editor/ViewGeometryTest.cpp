#include "editor/ViewGeometry.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(ViewGeometry, VisibleRowsAreTheWholeRowsUnderTheHeader)
{
    const struct { int height, rows; } cases[] = {{187, 10}, {203, 10}, {204, 11}, {34, 1}, {33, 0}, {16, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(visibleRowsFor(c.height), c.rows) << c.height;
}

TEST(ViewGeometry, RowRectanglesAndTheRowOfAPoint)
{
    EXPECT_EQ(rowRect(0, 400), (RowRectangle{0, 17, 375, 34}));
    EXPECT_EQ(rowRect(3, 400), (RowRectangle{0, 68, 375, 85}));
    EXPECT_EQ(rowRect(2, 3, 400), (RowRectangle{0, 51, 375, 102}));
    EXPECT_EQ(rowRect(-1, 400), (RowRectangle{0, 0, 375, 17}));

    const struct { int y, row; } cases[] = {{17, 0}, {33, 0}, {34, 1}, {50, 1}, {51, 2}, {5, 0}, {0, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(rowAt(c.y), c.row) << c.y;
}

TEST(ViewGeometry, OnlyClicksOnRowsHoldingLinesCount)
{
    const int width = 400;
    const int span = drawnSpan(3, 0);  // three lines: y 17 to 67
    EXPECT_EQ(span, 51);
    EXPECT_EQ(drawnSpan(31, 4), 27 * 17);
    const struct { int x, y; bool hits; } cases[] = {
        {0, 18, true},    {375, 40, true},  {376, 40, false}, {-1, 40, false},
        {10, 17, false},  {10, 67, true},   {10, 68, false},  {10, 5, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hitsDrawnRow(c.x, c.y, width, span), c.hits) << c.x << "," << c.y;
    EXPECT_FALSE(hitsDrawnRow(10, 18, width, 0));
}

TEST(ViewGeometry, ScrollBarFigures)
{
    const struct { int lines, rows, top; ScrollBarFigures figures; } cases[] = {
        {31, 10, 0, {true, 48, 0, 1008}},
        {31, 10, 1, {true, 48, 48, 1008}},
        {31, 10, 21, {true, 48, 1008, 1008}},
        {11, 10, 1, {true, 1001, 1001, 1001}},
        {1025, 10, 3, {true, 1, 3, 1015}},
        {10, 10, 0, {false, 0, 0, 0}},
        {1, 10, 0, {false, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrollBarFigures(c.lines, c.rows, c.top), c.figures) << c.lines << " lines, top " << c.top;
}

TEST(ViewGeometry, TheThumbAtTheEndOfItsTrackShowsTheLastLines)
{
    for (int rows : {1, 10, 26})
        for (int lines = rows + 1; lines <= 1100; ++lines) {
            const ScrollBarFigures figures = scrollBarFigures(lines, rows, 0);
            ASSERT_EQ(scrollTargetFor(figures.maximum, figures.step).topIndex, lines - rows)
                << lines << " lines in " << rows << " rows";
        }
}

TEST(ViewGeometry, ThumbSnapsToTheNearestTopIndexHalvesUp)
{
    const struct { int position, step; ScrollTarget target; } cases[] = {
        {100, 48, {2, 96}},  {120, 48, {3, 144}}, {0, 48, {0, 0}},       {23, 48, {0, 0}},
        {24, 48, {1, 48}},   {1000, 48, {21, 1008}}, {500, 1001, {0, 0}}, {501, 1001, {1, 1001}},
        {7, 0, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrollTargetFor(c.position, c.step), c.target) << c.position << "/" << c.step;
}

TEST(ViewGeometry, ColumnsAndLayoutFollowTheirSources)
{
    EXPECT_EQ(columnsFromSections(90, 140, 34, 45), (SectionColumns{90, 258, 264, 309}));
    EXPECT_EQ(columnsFromSections(90, 200, 34, 45), (SectionColumns{90, 318, 324, 369}));
    EXPECT_EQ(columnsFromSections(150, 100, 50, 50), (SectionColumns{150, 294, 300, 350}));
    // The scroll bar starts where the row rectangles end.
    const ChildLayout layout = childLayout(508, 427, 4, 19, 17);
    EXPECT_EQ(layout, (ChildLayout{483, 400, 482}));
    EXPECT_EQ(layout.scrollBarLeft, rowRect(0, 508).right);
}

TEST(ViewGeometry, InsertedLinesComeIntoViewWithTheLeastScroll)
{
    const struct { const char* what; int top, first, last, rows, shown; } cases[] = {
        {"in view already", 5, 7, 12, 10, 5},
        {"filling the view exactly", 5, 5, 14, 10, 5},
        {"running past the bottom", 5, 10, 16, 10, 7},
        {"above the view", 20, 3, 8, 10, 3},
        {"more than the rows", 0, 3, 30, 10, 21},
        {"a window without a whole row", 4, 9, 9, 0, 9},
        {"the cursor above the top row", 8, 4, 6, 10, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(topIndexShowing(c.top, c.first, c.last, c.rows), c.shown) << c.what;
}
