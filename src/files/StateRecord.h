#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// A 64-bit checksum that catches a damaged or cut file, not tampering. Eight bytes a step,
// so that the megabytes of a big file take little time even in a debug build.
inline std::uint64_t checksum64(std::span<const std::uint8_t> bytes, std::uint64_t hash = 0xcbf29ce484222325ull)
{
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    const auto mix = [&hash](std::uint64_t word) {
        hash ^= word;
        hash *= 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
    };
    for (; left >= 8; data += 8, left -= 8) {
        std::uint64_t word;
        std::memcpy(&word, data, 8);
        mix(word);
    }
    std::uint64_t tail = left;  // the length of the tail, so that trailing zeros count
    for (std::size_t i = 0; i < left; ++i)
        tail |= std::uint64_t(data[i]) << (8 * (i + 1));
    mix(tail);
    return hash;
}

// The files Tarvik keeps in its state folder: a magic, little-endian fields and a closing
// checksum over everything before it, so a file cut short or damaged reads as nothing
// rather than as wrong data.
class StateRecordWriter {
public:
    explicit StateRecordWriter(std::string_view magic) { append(magic.data(), magic.size()); }

    void u64(std::uint64_t value)
    {
        for (int i = 0; i < 8; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void blob(std::span<const std::uint8_t> data)
    {
        u64(data.size());
        append(data.data(), data.size());
    }
    void text(std::string_view data) { blob({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}); }

    std::vector<std::uint8_t> finish()
    {
        u64(checksum64(bytes_));
        return std::move(bytes_);
    }

private:
    void append(const void* data, std::size_t size)
    {
        const auto* from = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + size);
    }

    std::vector<std::uint8_t> bytes_;
};

class StateRecordReader {
public:
    // Fails at once unless the magic and the checksum are right.
    StateRecordReader(std::span<const std::uint8_t> bytes, std::string_view magic)
    {
        ok_ = bytes.size() >= magic.size() + 8
            && std::memcmp(bytes.data(), magic.data(), magic.size()) == 0;
        if (!ok_)
            return;
        const std::span<const std::uint8_t> body = bytes.first(bytes.size() - 8);
        rest_ = bytes.subspan(bytes.size() - 8);
        ok_ = u64() == checksum64(body);
        rest_ = body.subspan(magic.size());
    }

    bool ok() const { return ok_; }
    // Everything read and nothing left over.
    bool done() const { return ok_ && rest_.empty(); }

    std::uint64_t u64()
    {
        if (!ok_ || rest_.size() < 8)
            return fail(), 0;
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value |= std::uint64_t(rest_[static_cast<std::size_t>(i)]) << (8 * i);
        rest_ = rest_.subspan(8);
        return value;
    }
    std::span<const std::uint8_t> blob()
    {
        const std::uint64_t size = u64();
        if (!ok_ || size > rest_.size())
            return fail(), std::span<const std::uint8_t>{};
        const auto data = rest_.first(static_cast<std::size_t>(size));
        rest_ = rest_.subspan(static_cast<std::size_t>(size));
        return data;
    }
    std::string text()
    {
        const auto data = blob();
        return std::string(data.begin(), data.end());
    }

private:
    void fail() { ok_ = false; }

    std::span<const std::uint8_t> rest_;
    bool ok_ = false;
};

} // namespace tarvik
