#include "editor/LineCommands.h"

#include "model/InstructionCode.h"

#include <algorithm>

namespace tarvik {

namespace {

void removeLabelOf(ProgramDocument& document, const ProgramLine& line)
{
    if (line.hasLabel() && document.labels.holds(line.labelText()))
        document.labels.remove(line.labelText());
}

} // namespace

LineEdit insertAfterCursorLine(ProgramDocument& document, ViewPlace& view, const ProgramLine& line)
{
    LineList& lines = document.lines;
    const int n = lines.count();
    const int k = lines.positionOf(lines.cursor());
    const int newRow = k - view.topIndex;
    LineEdit edit;
    if (newRow > 0)
        edit.oldCursorRow = {view.cursorRow, 1};
    if (!lines.insertAfterCursor(line))
        return {};
    edit.done = true;
    // With the cursor scrolled out above the view the new line goes in above the top
    // line too: the top line moves one place down and the cursor stays out of sight.
    if (view.cursorRow < 0)
        ++view.topIndex;
    else
        view.cursorRow = newRow;
    edit.repaint = {newRow, n - k + 1};
    return edit;
}

LineEdit insertBlankLine(ProgramDocument& document, ViewPlace& view)
{
    ProgramLine blank;
    blank.code = kBlankCode;
    const LineEdit edit = insertAfterCursorLine(document, view, blank);
    if (edit.done)
        document.modified = true;
    return edit;
}

LineEdit deleteCursorLine(ProgramDocument& document, ViewPlace& view)
{
    LineList& lines = document.lines;
    ProgramLine* line = lines.cursor();
    if (!lines.isLine(line) || line == lines.first())
        return {};
    const int n = lines.count();
    const int k = lines.positionOf(line);
    const bool last = line->next == lines.endSentinel();
    if (view.cursorRow == 0 && last)
        return {};
    const bool aboveTop = view.cursorRow < 0;
    if (last)
        --view.cursorRow;
    if (view.cursorRow == 0 && !last)
        view.topLine = line->next;  // the line after the removed one takes its row
    removeLabelOf(document, *line);
    lines.removeAtCursor();
    // A cursor scrolled out above the view: the removed line stood above the top line,
    // which so moves one place up, and the following line, now the cursor, one row down.
    if (aboveTop) {
        --view.topIndex;
        ++view.cursorRow;
    }
    document.modified = true;
    return {true, {}, {view.cursorRow, n - k + 2}};
}

bool toggleInactive(ProgramDocument& document)
{
    ProgramLine* line = document.lines.cursor();
    if (!document.lines.isLine(line) || line->isSelected())
        return false;
    line->state = line->isInactive() ? LineState::Normal : LineState::Inactive;
    // The mark is saved with the program and decides what is assembled, so closing
    // must not drop it unasked; the header line is neither saved nor assembled.
    if (line != document.lines.first())
        document.modified = true;
    return true;
}

SelectToggle toggleSelected(ProgramDocument& document, ProgramLine& line)
{
    if (!document.lines.isLine(&line) || &line == document.lines.first() || line.isInactive())
        return SelectToggle::Refused;
    if (line.isSelected()) {
        line.state = LineState::Normal;
        return SelectToggle::Deselected;
    }
    line.state = LineState::Selected;
    return SelectToggle::Selected;
}

int selectAll(ProgramDocument& document)
{
    int selected = 0;
    for (ProgramLine* line = document.lines.first()->next; document.lines.isLine(line); line = line->next) {
        line->state = LineState::Selected;
        ++selected;
    }
    return selected;
}

int deselectAll(ProgramDocument& document)
{
    int deselected = 0;
    for (ProgramLine& line : document.lines) {
        if (line.isSelected()) {
            line.state = LineState::Normal;
            ++deselected;
        }
    }
    return deselected;
}

void SelectionRun::start(int anchor)
{
    anchor_ = anchor;
    end_ = anchor;
    lineCount_ = -1;
    selectedByRun_.clear();
}

bool SelectionRun::continuesAt(int position, int lineCount) const
{
    return anchor_ >= 0 && position == end_ && lineCount == lineCount_;
}

bool SelectionRun::extendTo(ProgramDocument& document, int position)
{
    if (anchor_ < 0)
        start(position);
    const int low = std::min(anchor_, position);
    const int high = std::max(anchor_, position);
    bool changed = false;
    std::vector<int> kept;
    int index = 0;
    for (ProgramLine& line : document.lines) {
        const bool taken = std::find(selectedByRun_.begin(), selectedByRun_.end(), index) != selectedByRun_.end();
        const bool inRange = index >= low && index <= high && &line != document.lines.first();
        if (inRange && line.state == LineState::Normal) {
            line.state = LineState::Selected;
            kept.push_back(index);
            changed = true;
        } else if (taken && inRange) {
            kept.push_back(index);
        } else if (taken && line.isSelected()) {
            line.state = LineState::Normal;
            changed = true;
        }
        ++index;
    }
    selectedByRun_ = std::move(kept);
    end_ = position;
    lineCount_ = document.lines.count();
    return changed;
}

void copySelection(const ProgramDocument& document, LineList& clipboard)
{
    copySelectedLines(document.lines, clipboard);
}

void deleteSelection(ProgramDocument& document)
{
    // The header line heads every program; whatever its state, it is never removed.
    ProgramLine* header = document.lines.first();
    if (document.lines.isLine(header) && header->isSelected())
        header->state = LineState::Normal;
    document.lines.removeSelected(&document.labels);
    document.resetCursorToTop();
    document.modified = true;
}

void cutSelection(ProgramDocument& document, LineList& clipboard)
{
    copySelection(document, clipboard);
    deleteSelection(document);
}

void pasteClipboard(LineList& clipboard, ProgramDocument& document)
{
    pasteLines(clipboard, document.lines);
    document.modified = true;
}

} // namespace tarvik
