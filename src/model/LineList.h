#pragma once

#include "model/ProgramLine.h"

#include <cstdint>
#include <iterator>

namespace tarvik {

class NameValueTable;

// The ordered lines of a program (or of the line clipboard): a doubly linked list
// between two sentinels, with a cursor that every insertion goes after. Records keep
// their addresses for as long as they are in the list, so views may hold pointers.
class LineList {
public:
    LineList();
    ~LineList();
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;

    // Inserts a copy of the source's contents after the cursor; the copy becomes the cursor.
    ProgramLine* insertAfterCursor(const ProgramLine& source);
    // Removes the cursor line; the cursor moves to its successor, or to its predecessor
    // when it was the last line. Does nothing on an empty list.
    void removeAtCursor();
    // Removes every Selected line, and the label of each from the label table when given.
    // The cursor is left for the caller to reset.
    void removeSelected(NameValueTable* labels);
    void clear();

    int countSelected() const;
    // 1 for the first line, 0 for the head sentinel.
    int positionOf(const ProgramLine* line) const;
    // Moves the cursor by toRow - fromRow lines; it never leaves the lines (or the head
    // sentinel of an empty list).
    void moveCursor(int fromRow, int toRow);
    // The record reached after the given number of forward steps; stops at the end sentinel.
    ProgramLine* stepForward(ProgramLine* start, int steps) const;

    int count() const { return count_; }
    bool empty() const { return count_ == 0; }
    ProgramLine* head() { return &head_; }
    ProgramLine* endSentinel() { return &end_; }
    const ProgramLine* endSentinel() const { return &end_; }
    ProgramLine* first() { return head_.next; }
    const ProgramLine* first() const { return head_.next; }
    ProgramLine* last() { return end_.prev; }
    ProgramLine* cursor() { return cursor_; }
    const ProgramLine* cursor() const { return cursor_; }
    void setCursor(ProgramLine* line) { cursor_ = line; }
    bool isLine(const ProgramLine* line) const { return line && line != &head_ && line != &end_; }

    template <typename Line>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ProgramLine;
        using difference_type = std::ptrdiff_t;
        using pointer = Line*;
        using reference = Line&;
        Iterator() = default;
        explicit Iterator(Line* line) : line_(line) {}
        reference operator*() const { return *line_; }
        pointer operator->() const { return line_; }
        Iterator& operator++() { line_ = line_->next; return *this; }
        Iterator operator++(int) { Iterator old = *this; ++*this; return old; }
        bool operator==(const Iterator&) const = default;
    private:
        Line* line_ = nullptr;
    };
    using iterator = Iterator<ProgramLine>;
    using const_iterator = Iterator<const ProgramLine>;
    iterator begin() { return iterator(head_.next); }
    iterator end() { return iterator(&end_); }
    const_iterator begin() const { return const_iterator(head_.next); }
    const_iterator end() const { return const_iterator(&end_); }

private:
    void unlinkAndDestroy(ProgramLine* line);

    ProgramLine head_;
    ProgramLine end_;
    ProgramLine* cursor_;
    int count_ = 0;
};

// Clears the clipboard and fills it with copies of the document's Selected lines, in order.
void copySelectedLines(const LineList& from, LineList& clipboard);
// Inserts a copy of every clipboard line after the target's cursor, each arriving Normal
// and without comment; the clipboard records are reset the same way and kept.
void pasteLines(LineList& clipboard, LineList& target);

} // namespace tarvik
