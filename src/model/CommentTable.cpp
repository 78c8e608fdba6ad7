#include "model/CommentTable.h"

namespace tarvik {

int CommentTable::append(std::string_view text)
{
    CommentRecord record;
    setText(record.text, text);
    record.index = count() + 1;
    // Nothing is ever removed, so the cursor is always the last record.
    return insertEntry(record).index;
}

// A line's index comes from a file as stored, so any int32 may arrive here.
std::string_view CommentTable::textAt(int index) const
{
    const CommentRecord* record = index >= 1 ? at(index - 1) : nullptr;
    return record ? record->textView() : std::string_view{};
}

void CommentTable::overwrite(int index, std::string_view text)
{
    if (CommentRecord* record = index >= 1 ? at(index - 1) : nullptr)
        setText(record->text, text);
}

} // namespace tarvik
