#pragma once

#include "model/FixedText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvik {

// Appends little-endian fields to a byte buffer. Text fields are written up to their
// terminator and zero-filled to their width, so equal documents give equal files.
class ByteWriter {
public:
    explicit ByteWriter(std::size_t expectedSize) : bytes_(expectedSize) {}

    void int32(std::int32_t value)
    {
        const auto bits = static_cast<std::uint32_t>(value);
        const std::uint8_t raw[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                     static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
        std::memcpy(grow(sizeof raw), raw, sizeof raw);
    }

    template <std::size_t N>
    void text(const char (&field)[N])
    {
        const std::string_view view = textOf(field);
        const std::size_t n = view.size() < N - 1 ? view.size() : N - 1;
        std::memcpy(grow(N), view.data(), n);
    }

    void zeros(std::size_t n) { grow(n); }

    void bytes(std::span<const std::uint8_t> raw)
    {
        if (!raw.empty())
            std::memcpy(grow(raw.size()), raw.data(), raw.size());
    }

    std::vector<std::uint8_t> take()
    {
        bytes_.resize(size_);
        return std::move(bytes_);
    }

private:
    // Appends n zero bytes and returns where they start. The buffer is zeroed once up
    // front, which beats growing it field by field.
    std::uint8_t* grow(std::size_t n)
    {
        if (bytes_.size() - size_ < n)
            bytes_.resize(std::max(2 * bytes_.size(), size_ + n));
        std::uint8_t* at = bytes_.data() + size_;
        size_ += n;
        return at;
    }

    std::vector<std::uint8_t> bytes_;
    std::size_t size_ = 0;
};

} // namespace tarvik
