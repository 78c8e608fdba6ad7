#pragma once

#include <array>
#include <cstdint>

namespace tarvik {

// The assembled bytes in the order the encoder produced them, each with its byte address
// (twice the word address; low byte of a word first). It holds the chip's whole program
// memory, since the address pass admits 1024 words, and refuses anything beyond it.
class HexImage {
public:
    static constexpr int kProgramWords = 1024;
    static constexpr int kCapacity = 2 * kProgramWords;

    // Forgets the bytes; the end address and the next address go back to 0.
    void reset();
    // The next byte goes to twice the word address (an ORG line).
    void setOrigin(int wordAddress);
    // False, and nothing stored, when the image is full or the next address lies beyond
    // program memory.
    bool appendByte(int value);
    // Whether a whole word of two bytes would be taken.
    bool hasRoomForWord() const;

    int count() const { return count_; }
    int byteAt(int index) const { return bytes_[static_cast<std::size_t>(index)]; }
    int addressAt(int index) const { return addresses_[static_cast<std::size_t>(index)]; }
    int endAddress() const { return endAddress_; }
    int nextAddress() const { return nextAddress_; }

private:
    int count_ = 0;
    std::array<std::uint8_t, kCapacity> bytes_{};
    std::array<std::uint16_t, kCapacity> addresses_{};
    int endAddress_ = 0;
    int nextAddress_ = 0;
};

} // namespace tarvik
