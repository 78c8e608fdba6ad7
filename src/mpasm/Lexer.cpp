#include "mpasm/Lexer.h"

#include "mpasm/ImportExpression.h"

namespace tarvik::mpasm {

namespace {

// The one scanner that knows quotes: the position of the first character outside quoted
// text for which stop holds, or npos. A quote opens a string or character literal (alone or
// after a base letter, as in H'1F'); a backslash inside one escapes the character after it,
// so '\'' and ';' hold no end of quote and no comment.
template <typename Stop>
std::size_t firstOutsideQuotes(std::string_view text, Stop&& stop)
{
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == '\\' && i + 1 < text.size())
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (stop(c)) {
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace

std::string_view Lexer::trim(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t Lexer::commentStart(std::string_view text)
{
    return firstOutsideQuotes(text, [](char c) { return c == ';'; });
}

std::vector<std::string_view> Lexer::splitOperands(std::string_view text)
{
    std::vector<std::string_view> parts;
    if (trim(text).empty())
        return parts;
    int depth = 0;
    const auto topLevelComma = [&depth](char c) {
        depth += (c == '(') - (c == ')');
        return c == ',' && depth == 0;
    };
    for (std::size_t comma = 0; (comma = firstOutsideQuotes(text, topLevelComma)) != std::string_view::npos;) {
        parts.push_back(trim(text.substr(0, comma)));
        text.remove_prefix(comma + 1);
    }
    parts.push_back(trim(text));
    return parts;
}

std::string Lexer::cleanComment(std::string_view text)
{
    if (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (isSpace(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    std::string result(text);
    for (char& c : result)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return result;
}

Statement Lexer::statement(std::string_view text, int line) const
{
    Statement s;
    s.line = line;
    const std::size_t semicolon = commentStart(text);
    if (semicolon != std::string_view::npos) {
        s.comment = cleanComment(text.substr(semicolon + 1));
        s.hasComment = true;
        text = text.substr(0, semicolon);
    }
    s.code = text;
    if (trim(text).empty())
        return s;
    s.empty = false;
    std::size_t pos = 0;
    if (!isSpace(text[0])) {
        std::size_t end = 0;
        while (end < text.size() && !isSpace(text[end]) && text[end] != ':')
            ++end;
        const std::string_view word = text.substr(0, end);
        const bool colon = end < text.size() && text[end] == ':';
        if (colon || !isOperation_(lowerCase(word))) {
            s.label = word;
            pos = colon ? end + 1 : end;
        }
    }
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    std::size_t end = pos;
    while (end < text.size() && !isSpace(text[end]))
        ++end;
    s.op = text.substr(pos, end - pos);
    s.opLower = lowerCase(s.op);
    s.operands = trim(text.substr(end));
    return s;
}

} // namespace tarvik::mpasm
