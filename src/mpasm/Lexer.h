#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::mpasm {

// One source line taken apart. The views point into the line.
struct Statement {
    int line = 0;
    bool empty = true;       // nothing but white space and perhaps a comment
    bool hasComment = false;
    std::string_view code;   // the text before the comment
    std::string comment;     // after the semicolon, as Lexer::cleanComment leaves it
    std::string_view label;
    std::string_view op;
    std::string opLower;
    std::string_view operands;
};

// Turns a source line into a statement: label, operation, operands and comment. A word in
// column 1 is a label when a colon ends it or when it is no operation the importer knows, so
// the lexer asks the caller which words those are.
class Lexer {
public:
    using IsOperation = bool (*)(std::string_view lowerCaseWord);

    explicit Lexer(IsOperation isOperation) : isOperation_(isOperation) {}

    Statement statement(std::string_view text, int line) const;

    // The operands, split at commas outside quotes and parentheses and trimmed; none for a
    // blank text.
    static std::vector<std::string_view> splitOperands(std::string_view text);

    // Where the comment starts: the first semicolon outside quotes, or npos.
    static std::size_t commentStart(std::string_view text);

    // A comment kept as the program keeps text: one leading blank and the trailing ones
    // dropped, tabs and other control characters as blanks.
    static std::string cleanComment(std::string_view text);

    static bool isSpace(char c) { return c == ' ' || c == '\t'; }
    static std::string_view trim(std::string_view text);

private:
    IsOperation isOperation_;
};

} // namespace tarvik::mpasm
