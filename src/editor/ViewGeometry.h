#pragma once

#include <algorithm>

namespace tarvik {

// Rows are 17 pixels high under a 17-pixel column header.
inline constexpr int kRowHeight = 17;
inline constexpr int kHeaderHeight = 17;
// The row rectangles stop this far short of the window's outer width: the frame on both
// sides and the scroll bar.
inline constexpr int kRowRightMargin = 25;
inline constexpr int kScrollRange = 1000;

struct RowRectangle {
    int left, top, right, bottom;
    bool operator==(const RowRectangle&) const = default;
};

// Whole rows that fit under the header.
constexpr int visibleRowsFor(int clientHeight)
{
    return clientHeight / kRowHeight - 1;
}

constexpr int rowTop(int row)
{
    return kRowHeight * row + kHeaderHeight;
}

// Rows r to r + count - 1; outerWidth is the window's width including its frame.
constexpr RowRectangle rowRect(int row, int count, int outerWidth)
{
    return {0, rowTop(row), outerWidth - kRowRightMargin, rowTop(row + count)};
}

constexpr RowRectangle rowRect(int row, int outerWidth)
{
    return rowRect(row, 1, outerWidth);
}

// Truncates toward zero, so the pixel rows just under the header still count as row 0;
// hitsDrawnRow guards against them.
constexpr int rowAt(int y)
{
    return (y - kHeaderHeight) / kRowHeight;
}

// Height of the rows that hold lines, from topIndex on.
constexpr int drawnSpan(int lineCount, int topIndex)
{
    return (lineCount - topIndex) * kRowHeight;
}

// Whether a click lands on a row that holds a line.
constexpr bool hitsDrawnRow(int x, int y, int outerWidth, int span)
{
    return x >= 0 && x <= outerWidth - kRowRightMargin && y >= kHeaderHeight + 1
        && y < span + kHeaderHeight;
}

struct ScrollBarFigures {
    bool enabled;
    int step;      // small and large change alike
    int position;  // before the scroll bar clamps it into 0..maximum
    int maximum;   // the end of the track
    bool operator==(const ScrollBarFigures&) const = default;
};

// With no more lines than rows the scroll bar is disabled and its other figures are
// left as they were (step, position and maximum 0 here). The track ends at step times
// the overflow rather than at 1000: the thumb at its end then shows the last lines
// whatever the length of the program, where 1000 over a step of 1000 div overflow + 1
// falls short of the overflow (for a long program, by half).
constexpr ScrollBarFigures scrollBarFigures(int lineCount, int visibleRows, int topIndex)
{
    const int overflow = lineCount - visibleRows;
    if (overflow <= 0)
        return {false, 0, 0, 0};
    const int step = kScrollRange / overflow + 1;
    return {true, step, step * topIndex, step * overflow};
}

struct ScrollTarget {
    int topIndex;
    int position;
    bool operator==(const ScrollTarget&) const = default;
};

// Page moves and thumb releases: the requested position over the step, rounded to the
// nearest top index with halves going up; the thumb snaps to that index.
ScrollTarget scrollTargetFor(int position, int step);

// The cycles stand right-aligned this far short of their column's right edge.
inline constexpr int kCyclesMargin = 6;

// Column starts follow the widths of the first four header sections: Label, Instruction,
// Cycles, Bank. The cycles column is told by where its texts end.
struct SectionColumns {
    int instructionX, cyclesRight, bankX, commentX;
    bool operator==(const SectionColumns&) const = default;
};
constexpr SectionColumns columnsFromSections(int labelWidth, int instructionWidth, int cyclesWidth, int bankWidth)
{
    const int bankX = labelWidth + instructionWidth + cyclesWidth;
    return {labelWidth, bankX - kCyclesMargin, bankX, bankX + bankWidth};
}

// The top index that brings the lines at positions first to last (header 0) into view,
// moving the view as little as it can: none when they are in view already. Lines that do
// not all fit end on the bottom row.
constexpr int topIndexShowing(int topIndex, int first, int last, int visibleRows)
{
    const int rows = std::max(1, visibleRows);
    if (last - first >= rows || last >= topIndex + rows)
        return std::max(0, last - rows + 1);
    return std::min(topIndex, first);
}

// Placement of the scroll bar and the header from the window's outer size, its frame
// width, its menu-bar allowance and the scroll bar's width.
struct ChildLayout {
    int scrollBarLeft, scrollBarHeight, headerWidth;
    bool operator==(const ChildLayout&) const = default;
};
constexpr ChildLayout childLayout(int outerWidth, int outerHeight, int frame, int menu, int scrollBar)
{
    return {outerWidth - 2 * frame - scrollBar, outerHeight - 2 * frame - menu,
            outerWidth - 2 * frame - scrollBar - 1};
}

} // namespace tarvik
