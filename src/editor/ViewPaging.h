#pragma once

#include <algorithm>

namespace tarvik {

// Where the view stands: the index of its top line and the position of the cursor line,
// both counted with the header line as 0. The cursor row is their difference.
struct ViewSpot {
    int topIndex;
    int cursorPosition;
    bool operator==(const ViewSpot&) const = default;
};

// The top index at which the last line sits on the last whole row, as far as the scroll
// bar's line down goes.
constexpr int lastTopIndex(int lineCount, int visibleRows)
{
    return std::max(0, lineCount - std::max(1, visibleRows));
}

// The mouse wheel moves the view like the scroll bar's arrows, by lines (negative: up),
// and leaves the cursor on its line even when that takes it out of sight.
constexpr ViewSpot wheelScrolled(ViewSpot spot, int lineCount, int visibleRows, int lines)
{
    // A view that stands further down than the last top (the window grew) stays there
    // until scrolled up.
    const int bottom = std::max(spot.topIndex, lastTopIndex(lineCount, visibleRows));
    return {std::clamp(spot.topIndex + lines, 0, bottom), spot.cursorPosition};
}

// Page Up and Page Down move the cursor and the view together by a page of whole rows; a
// cursor out of sight comes back into view. At the ends the cursor goes on to the first or
// the last line while the view stops.
constexpr ViewSpot paged(ViewSpot spot, int lineCount, int visibleRows, int pages)
{
    const int page = std::max(1, visibleRows);
    const int rows = std::max(1, visibleRows);
    const int last = std::max(0, lineCount - 1);
    const int cursor = std::clamp(spot.cursorPosition + pages * page, 0, last);
    int top = std::clamp(spot.topIndex + pages * page, 0, lastTopIndex(lineCount, visibleRows));
    if (cursor < top)
        top = cursor;
    else if (cursor >= top + rows)
        top = cursor - rows + 1;
    return {top, cursor};
}

// Ctrl+Home: the header line on the top row. Ctrl+End: the last line on the last whole row.
constexpr ViewSpot atFirstLine()
{
    return {0, 0};
}

constexpr ViewSpot atLastLine(int lineCount, int visibleRows)
{
    return {lastTopIndex(lineCount, visibleRows), std::max(0, lineCount - 1)};
}

} // namespace tarvik
