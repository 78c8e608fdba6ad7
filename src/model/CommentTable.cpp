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

std::string_view CommentTable::textAt(int index) const
{
    const CommentRecord* record = at(index - 1);
    return record ? record->textView() : std::string_view{};
}

void CommentTable::overwrite(int index, std::string_view text)
{
    if (CommentRecord* record = at(index - 1))
        setText(record->text, text);
}

} // namespace tarvik
