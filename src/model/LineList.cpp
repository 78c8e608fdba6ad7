#include "model/LineList.h"

#include "model/NameValueTable.h"

#include <new>

namespace tarvik {

LineList::LineList()
{
    head_.next = &end_;
    end_.prev = &head_;
    cursor_ = &head_;
}

LineList::~LineList()
{
    clear();
}

ProgramLine* LineList::insertAfterCursor(const ProgramLine& source)
{
    auto* line = new (std::nothrow) ProgramLine;
    if (!line)
        return nullptr;
    line->copyContentsFrom(source);
    ProgramLine* after = cursor_->next;
    line->prev = cursor_;
    line->next = after;
    cursor_->next = line;
    after->prev = line;
    cursor_ = line;
    ++count_;
    return line;
}

void LineList::unlinkAndDestroy(ProgramLine* line)
{
    line->prev->next = line->next;
    line->next->prev = line->prev;
    delete line;
    --count_;
}

void LineList::removeAtCursor()
{
    if (!isLine(cursor_))
        return;
    ProgramLine* line = cursor_;
    cursor_ = line->next != &end_ ? line->next : line->prev;
    unlinkAndDestroy(line);
}

void LineList::removeSelected(NameValueTable* labels)
{
    ProgramLine* line = head_.next;
    while (line != &end_) {
        ProgramLine* next = line->next;
        if (line->isSelected()) {
            if (labels && line->hasLabel() && labels->positionOf(line->labelText()) != 0)
                labels->remove(line->labelText());
            if (cursor_ == line)
                cursor_ = line->prev;
            unlinkAndDestroy(line);
        }
        line = next;
    }
}

void LineList::clear()
{
    ProgramLine* line = head_.next;
    while (line != &end_) {
        ProgramLine* next = line->next;
        delete line;
        line = next;
    }
    head_.next = &end_;
    end_.prev = &head_;
    cursor_ = &head_;
    count_ = 0;
}

int LineList::countSelected() const
{
    int n = 0;
    for (const ProgramLine& line : *this)
        n += line.isSelected() ? 1 : 0;
    return n;
}

int LineList::positionOf(const ProgramLine* line) const
{
    int position = 0;
    for (; line && line != &head_; line = line->prev)
        ++position;
    return position;
}

void LineList::moveCursor(int fromRow, int toRow)
{
    for (int steps = toRow - fromRow; steps < 0 && cursor_->prev && cursor_->prev != &head_; ++steps)
        cursor_ = cursor_->prev;
    for (int steps = toRow - fromRow; steps > 0 && cursor_->next != &end_; --steps)
        cursor_ = cursor_->next;
}

ProgramLine* LineList::stepForward(ProgramLine* start, int steps) const
{
    while (steps-- > 0 && start && start != &end_)
        start = start->next;
    return start;
}

void copySelectedLines(const LineList& from, LineList& clipboard)
{
    clipboard.clear();
    for (const ProgramLine& line : from)
        if (line.isSelected())
            clipboard.insertAfterCursor(line);
}

void pasteLines(LineList& clipboard, LineList& target)
{
    for (ProgramLine& line : clipboard) {
        line.state = LineState::Normal;
        line.commentIndex = -1;
        target.insertAfterCursor(line);
    }
}

} // namespace tarvik
