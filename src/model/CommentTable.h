#pragma once

#include "model/FixedText.h"
#include "model/TableCursor.h"

#include <cstdint>
#include <string_view>

namespace tarvik {

inline constexpr std::size_t kCommentWidth = 52;

struct CommentRecord {
    char text[kCommentWidth] = {};
    std::int32_t index = 0;

    std::string_view textView() const { return textOf(text); }
};

// Line comments by 1-based index. Comments are never removed: a deleted line's comment
// stays and is saved with the program.
class CommentTable : public CursorTable<CommentRecord> {
public:
    // Appends a comment and returns its index.
    int append(std::string_view text);
    // The text at a 1-based index; empty for any index outside the table.
    std::string_view textAt(int index) const;
    void overwrite(int index, std::string_view text);
};

} // namespace tarvik
