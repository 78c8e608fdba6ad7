#pragma once

#include "model/FixedText.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace tarvik {

// Reads little-endian fields through a cursor with a sticky error: a read past the end
// yields zeros and marks the reader failed instead of running off the buffer, so a
// record can be read whole and checked once.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::int32_t int32()
    {
        std::uint8_t raw[4] = {};
        take(raw, sizeof raw);
        const std::uint32_t value = std::uint32_t(raw[0]) | std::uint32_t(raw[1]) << 8
            | std::uint32_t(raw[2]) << 16 | std::uint32_t(raw[3]) << 24;
        return static_cast<std::int32_t>(value);
    }

    // Reads a text field of the field's width; a field without a terminator is cut
    // at its width minus one, as every text in memory holds its NUL.
    template <std::size_t N>
    void text(char (&field)[N])
    {
        const char* raw = reinterpret_cast<const char*>(take(nullptr, N));
        setText(field, raw ? std::string_view(raw, strnlen(raw, N)) : std::string_view{});
    }

    void skip(std::size_t n) { take(nullptr, n); }

    // The next n bytes as they are; empty after a short read.
    std::span<const std::uint8_t> bytes(std::size_t n)
    {
        const std::uint8_t* at = take(nullptr, n);
        return at ? std::span(at, n) : std::span<const std::uint8_t>{};
    }

    std::size_t remaining() const { return bytes_.size() - offset_; }
    bool failed() const { return failed_; }

private:
    // Copies n bytes out when given somewhere to put them; returns where they were, or
    // nullptr after a short read.
    const std::uint8_t* take(void* out, std::size_t n)
    {
        if (failed_ || n > remaining()) {
            failed_ = true;
            offset_ = bytes_.size();
            return nullptr;
        }
        const std::uint8_t* at = bytes_.data() + offset_;
        if (out)
            std::memcpy(out, at, n);
        offset_ += n;
        return at;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

} // namespace tarvik
