#include "mpasm/ImportExpression.h"

#include "model/HexDigit.h"

#include <algorithm>
#include <cstdint>

namespace tarvik::mpasm {

namespace {

constexpr int kMaxNesting = 64;

// Digits in a base; anything beyond 32 bits is no number we could place anywhere.
std::optional<std::int32_t> digitsIn(std::string_view digits, int base)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0 || d >= base)
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::int32_t wrap(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

class Parser {
public:
    Parser(std::string_view text, const ExprContext& context) : text_(text), ctx_(context) {}

    ExprValue parseAll()
    {
        skipSpace();
        if (atEnd())
            refuse(ctx_.line, "missing operand");
        const std::size_t start = pos_;
        tokensRead_ = 0;
        ExprValue result;
        result.value = parseBinary(0, 0);
        skipSpace();
        if (!atEnd())
            refuse(ctx_.line, "cannot read '" + std::string(text_.substr(start)) + "'");
        if (tokensRead_ == 1) {
            result.bareName = singleName_;
            result.notation = singleNotation_;
            result.token = singleToken_;
        }
        return result;
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek(std::size_t ahead = 0) const
    {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    void skipSpace()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t'))
            ++pos_;
    }

    // Binary operators by precedence level, lowest first, as gpasm ranks them: &, | and ^
    // share one level, and so do the comparisons.
    static int precedence(std::string_view op)
    {
        if (op == "||")
            return 1;
        if (op == "&&")
            return 2;
        if (op == "&" || op == "|" || op == "^")
            return 3;
        if (op == "==" || op == "!=" || op == "<" || op == "<=" || op == ">" || op == ">=")
            return 4;
        if (op == "<<" || op == ">>")
            return 5;
        if (op == "+" || op == "-")
            return 6;
        if (op == "*" || op == "/" || op == "%")
            return 7;
        return 0;
    }

    std::string_view peekOperator()
    {
        skipSpace();
        const char c = peek();
        const char next = peek(1);
        const bool twoCharacters = ((c == '<' || c == '>' || c == '&' || c == '|') && next == c)
            || ((c == '=' || c == '!' || c == '<' || c == '>') && next == '=');
        if (twoCharacters)
            return text_.substr(pos_, 2);
        if (c == '|' || c == '^' || c == '&' || c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == '<'
            || c == '>')
            return text_.substr(pos_, 1);
        return {};
    }

    std::int32_t parseBinary(int minLevel, int depth)
    {
        std::int32_t left = parseUnary(depth);
        for (;;) {
            const std::string_view op = peekOperator();
            const int level = precedence(op);
            if (level == 0 || level <= minLevel)
                return left;
            pos_ += op.size();
            ++tokensRead_;
            const std::int32_t right = parseBinary(level, depth + 1);
            left = apply(op, left, right);
        }
    }

    std::int32_t apply(std::string_view op, std::int64_t a, std::int64_t b)
    {
        if (op == "+")
            return wrap(a + b);
        if (op == "-")
            return wrap(a - b);
        if (op == "*")
            return wrap(a * b);
        if (op == "/" || op == "%") {
            if (b == 0)
                refuse(ctx_.line, "division by zero");
            return wrap(op == "/" ? a / b : a % b);
        }
        if (op == "&")
            return wrap(a & b);
        if (op == "|")
            return wrap(a | b);
        if (op == "^")
            return wrap(a ^ b);
        if (op == "||")
            return a != 0 || b != 0;
        if (op == "&&")
            return a != 0 && b != 0;
        if (op == "==")
            return a == b;
        if (op == "!=")
            return a != b;
        if (op == "<")
            return a < b;
        if (op == "<=")
            return a <= b;
        if (op == ">")
            return a > b;
        if (op == ">=")
            return a >= b;
        const std::uint32_t bits = static_cast<std::uint32_t>(a);
        if (b < 0 || b > 31)
            return op == ">>" && a < 0 ? -1 : 0;
        if (op == "<<")
            return wrap(static_cast<std::int64_t>(bits << b));
        return wrap(a >> b);
    }

    std::int32_t parseUnary(int depth)
    {
        if (depth > kMaxNesting)
            refuse(ctx_.line, "expression nested too deeply");
        skipSpace();
        const char c = peek();
        if (c == '-' || c == '+' || c == '~' || c == '!') {
            ++pos_;
            ++tokensRead_;
            const std::int64_t v = parseUnary(depth + 1);
            if (c == '-')
                return wrap(-v);
            if (c == '~')
                return wrap(~v);
            if (c == '!')
                return v == 0 ? 1 : 0;
            return wrap(v);
        }
        if (c == '(') {
            ++pos_;
            ++tokensRead_;
            const std::int32_t v = parseBinary(0, depth + 1);
            skipSpace();
            if (peek() != ')')
                refuse(ctx_.line, "missing ')'");
            ++pos_;
            return v;
        }
        return parsePrimary(depth);
    }

    std::int32_t parsePrimary(int depth)
    {
        skipSpace();
        if (atEnd())
            refuse(ctx_.line, "missing operand");
        const char c = peek();
        const std::size_t start = pos_;
        ++tokensRead_;
        if (c == '$') {
            ++pos_;
            if (!ctx_.dollar)
                refuse(ctx_.line, "$ cannot be used here");
            return *ctx_.dollar;
        }
        if (c == '\'' || c == '"') {
            const std::size_t end = quotedEnd(pos_);
            const std::string_view token = text_.substr(start, end - start);
            pos_ = end;
            const std::optional<int> ch = parseCharToken(token);
            if (!ch)
                refuse(ctx_.line, "cannot read " + std::string(token) + " as a character");
            singleNotation_ = Notation::Char;
            singleToken_ = std::string(token);
            return *ch;
        }
        if (c == '.' || (c >= '0' && c <= '9')) {
            ++pos_;
            while (!atEnd() && (isSymbolChar(peek())))
                ++pos_;
            return number(text_.substr(start, pos_ - start));
        }
        if (isSymbolStart(c)) {
            // H'1F', D'10', B'101', O'17' and A'c' carry their base in front of a quote.
            const char base = lower(c);
            if (peek(1) == '\'' && (base == 'h' || base == 'd' || base == 'b' || base == 'o' || base == 'a')) {
                const std::size_t end = quotedEnd(pos_ + 1);
                pos_ = end;
                return number(text_.substr(start, end - start));
            }
            while (!atEnd() && isSymbolChar(peek()))
                ++pos_;
            const std::string_view name = text_.substr(start, pos_ - start);
            const auto is = [&](std::string_view word) {
                return name.size() == word.size()
                    && std::equal(name.begin(), name.end(), word.begin(), [](char x, char y) { return lower(x) == y; });
            };
            if (is("high") || is("low") || is("upper")) {
                const std::string_view word = name;
                const std::int32_t v = parseUnary(depth + 1);
                if (lower(word[0]) == 'h')
                    return (v >> 8) & 0xFF;
                if (lower(word[0]) == 'l')
                    return v & 0xFF;
                return (v >> 16) & 0xFF;
            }
            singleName_ = std::string(name);
            return ctx_.lookup(name);
        }
        refuse(ctx_.line, "cannot read '" + std::string(text_.substr(start)) + "'");
    }

    // The position after the quote that closes the one at open.
    std::size_t quotedEnd(std::size_t open) const
    {
        const char quote = text_[open];
        std::size_t i = open + 1;
        while (i < text_.size() && text_[i] != quote) {
            if (text_[i] == '\\' && i + 1 < text_.size())
                ++i;
            ++i;
        }
        if (i >= text_.size())
            refuse(ctx_.line, "missing closing quote");
        return i + 1;
    }

    std::int32_t number(std::string_view token)
    {
        Notation notation = Notation::Other;
        const std::optional<std::int32_t> value = parseNumberToken(token, ctx_.radix, &notation);
        if (!value)
            refuse(ctx_.line, "cannot read the number " + std::string(token));
        singleNotation_ = notation;
        singleToken_ = std::string(token);
        return *value;
    }

    std::string_view text_;
    const ExprContext& ctx_;
    std::size_t pos_ = 0;
    int tokensRead_ = 0;
    std::string singleName_;
    std::optional<Notation> singleNotation_;
    std::string singleToken_;
};

} // namespace

bool isSymbolStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '?';
}

bool isSymbolChar(char c) { return isSymbolStart(c) || (c >= '0' && c <= '9'); }

std::string lowerCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = lower(c);
    return result;
}

std::optional<int> parseCharToken(std::string_view token)
{
    if (token.size() < 3 || token.front() != token.back() || (token.front() != '\'' && token.front() != '"'))
        return std::nullopt;
    const std::string_view body = token.substr(1, token.size() - 2);
    if (body.size() == 1 && body[0] != '\\')
        return static_cast<unsigned char>(body[0]);
    if (body.size() < 2 || body[0] != '\\')
        return std::nullopt;
    if (body.size() == 2) {
        switch (body[1]) {
        case 'a': return 7;
        case 'b': return 8;
        case 'f': return 12;
        case 'n': return 10;
        case 'r': return 13;
        case 't': return 9;
        case 'v': return 11;
        case '0': return 0;
        case '\\':
        case '\'':
        case '"':
        case '?': return body[1];
        default: return std::nullopt;
        }
    }
    if (body.size() <= 4 && (body[1] == 'x' || body[1] == 'X')) {
        const std::optional<std::int32_t> v = digitsIn(body.substr(2), 16);
        if (v)
            return *v;
    }
    return std::nullopt;
}

std::optional<std::int32_t> parseNumberToken(std::string_view token, int radix, Notation* notation)
{
    Notation dummy;
    Notation& kind = notation ? *notation : dummy;
    if (token.empty())
        return std::nullopt;
    if (token[0] == '.') {
        kind = Notation::Decimal;
        return digitsIn(token.substr(1), 10);
    }
    if (token.size() >= 3 && token[1] == '\'' && token.back() == '\'') {
        const std::string_view body = token.substr(2, token.size() - 3);
        switch (lower(token[0])) {
        case 'h': kind = Notation::Hex; return digitsIn(body, 16);
        case 'd': kind = Notation::Decimal; return digitsIn(body, 10);
        case 'b': kind = Notation::Binary; return digitsIn(body, 2);
        case 'o': kind = Notation::Other; return digitsIn(body, 8);
        case 'a': kind = Notation::Char; return parseCharToken(token.substr(1));
        default: return std::nullopt;
        }
    }
    if (token[0] < '0' || token[0] > '9')
        return std::nullopt;
    if (token.size() > 2 && token[0] == '0' && lower(token[1]) == 'x') {
        kind = Notation::Hex;
        return digitsIn(token.substr(2), 16);
    }
    const char last = lower(token.back());
    const std::string_view body = token.substr(0, token.size() - 1);
    if (last == 'h') {
        kind = Notation::Hex;
        return digitsIn(body, 16);
    }
    // In radix hex a trailing b or d is one more hexadecimal digit, as gpasm reads it.
    if (radix == 16) {
        kind = Notation::Hex;
        return digitsIn(token, 16);
    }
    if (last == 'b') {
        kind = Notation::Binary;
        return digitsIn(body, 2);
    }
    if (last == 'd') {
        kind = Notation::Decimal;
        return digitsIn(body, 10);
    }
    if (last == 'o' || last == 'q') {
        kind = Notation::Other;
        return digitsIn(body, 8);
    }
    kind = radix == 10 ? Notation::Decimal : Notation::Other;
    return digitsIn(token, radix);
}

ExprValue evaluate(std::string_view text, const ExprContext& context)
{
    return Parser(text, context).parseAll();
}

} // namespace tarvik::mpasm
