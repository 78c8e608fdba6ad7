#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarvik::mpasm {

// Thrown inside the importer; caught once at its top and turned into a refusal.
struct Refusal {
    int line;
    std::string text;
    bool inMacro = false;  // the text already names the macro whose line it is
};

[[noreturn]] inline void refuse(int line, std::string text) { throw Refusal{line, std::move(text)}; }

// How a number was written, so that a literal keeps its notation where the program can.
enum class Notation { Decimal, Hex, Binary, Char, Other };

struct ExprValue {
    std::int32_t value = 0;
    // The whole expression was this one symbol: the name then takes a role in the program.
    std::string bareName;
    // The whole expression was one number written in this notation.
    std::optional<Notation> notation;
    std::string token;  // that number's text
};

struct ExprContext {
    int line = 0;
    int radix = 16;
    std::optional<int> dollar;  // $ where the expression may use it
    // The value of a symbol; refuses for an unknown one.
    std::function<std::int32_t(std::string_view name)> lookup;
};

// A number token in any MPASM notation; nullopt when the text is no number.
std::optional<std::int32_t> parseNumberToken(std::string_view token, int radix, Notation* notation = nullptr);

// A quoted character with the escapes MPASM knows; the token includes both quotes.
std::optional<int> parseCharToken(std::string_view token);

// Evaluates a constant expression: + - * / % << >> & | ^ the comparisons && || ~ ! unary
// minus, parentheses, high, low, upper, $ and every number notation. The whole text must be
// one expression.
ExprValue evaluate(std::string_view text, const ExprContext& context);

bool isSymbolStart(char c);
bool isSymbolChar(char c);
std::string lowerCase(std::string_view text);

} // namespace tarvik::mpasm
