#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace tarvik {

// Texts live in fixed-width, NUL-terminated byte fields whose widths are part of the
// program file. Writing always leaves room for the terminator, so a field never spills
// into the next one whatever the caller hands in.
template <std::size_t N>
void setText(char (&field)[N], std::string_view text)
{
    static_assert(N > 0);
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    // An empty view may carry a null pointer, and the text may be a view of this very field.
    if (n > 0)
        std::memmove(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}

template <std::size_t N>
std::string_view textOf(const char (&field)[N])
{
    return std::string_view(field, strnlen(field, N));
}

} // namespace tarvik
