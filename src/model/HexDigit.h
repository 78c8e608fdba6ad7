#pragma once

#include <optional>
#include <string_view>

namespace tarvik {

// The upper-case hexadecimal digit of the low four bits.
constexpr char hexDigit(unsigned value)
{
    return "0123456789ABCDEF"[value & 0xF];
}

// The value of a hexadecimal digit of either case; -1 for any other byte.
constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A byte as a person types it in hexadecimal: one or two digits, "0x" before or "h" after
// allowed, blanks around ignored ("3C", "0x3c", "3Ch", "a"); nullopt for anything else.
constexpr std::optional<int> parseHexByte(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace tarvik
