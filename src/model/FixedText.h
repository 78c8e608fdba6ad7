#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
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

// Whether a field holds exactly this text.
template <std::size_t N>
bool fieldHolds(const char (&field)[N], std::string_view text)
{
    const std::size_t n = text.size();
    if (n >= N || field[n] != '\0')
        return false;
    return std::memcmp(field, text.data(), n) == 0;
}

// A name prepared for scanning many name fields: the assembler looks names up thousands
// of times per run, so a field is first compared as one 8-byte word (its first bytes, with
// the terminator when the name is shorter than 8) and only then byte for byte.
class NameKey {
public:
    explicit NameKey(std::string_view name) : name_(name)
    {
        const std::size_t head = std::min<std::size_t>(name.size() + 1, 8);
        char bytes[8] = {};
        char mask[8] = {};
        if (!name.empty())
            std::memcpy(bytes, name.data(), std::min<std::size_t>(name.size(), 8));
        std::memset(mask, 0xFF, head);
        std::memcpy(&key_, bytes, 8);
        std::memcpy(&mask_, mask, 8);
    }

    template <std::size_t N>
    bool matches(const char (&field)[N]) const
    {
        static_assert(N >= 8);
        std::uint64_t word;
        std::memcpy(&word, field, 8);
        if ((word & mask_) != key_)
            return false;
        return name_.size() < 8 || fieldHolds(field, name_);
    }

private:
    std::string_view name_;
    std::uint64_t key_ = 0;
    std::uint64_t mask_ = 0;
};

} // namespace tarvik
