#pragma once

#include "model/Device.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tarvik {

// The assembled bytes in the order the encoder produced them, each with its byte address
// (twice the word address; low byte of a word first). It holds the chip's whole program
// memory, since the address pass admits 1024 words, and refuses anything beyond it; then
// the configuration word and the data EEPROM bytes, when the program has them.
class HexImage {
public:
    static constexpr int kProgramWords = 1024;
    static constexpr int kCapacity = 2 * kProgramWords;
    static constexpr int kDeviceDataBytes = 2 + 2 * kEepromSize;

    // Forgets the bytes; the end address and the next address go back to 0.
    void reset();
    // The next byte goes to twice the word address (an ORG line).
    void setOrigin(int wordAddress);
    // False, and nothing stored, when the image is full or the next address lies beyond
    // program memory.
    bool appendByte(int value);
    // Whether a whole word of two bytes would be taken.
    bool hasRoomForWord() const;
    // After the program: the word at 0x2007, then each set EEPROM byte in a word of its own
    // from 0x2100, as a programmer reads them.
    void appendDeviceData(std::optional<int> configWord, const EepromData& eeprom);

    int count() const { return count_; }
    int byteAt(int index) const { return bytes_[static_cast<std::size_t>(index)]; }
    int addressAt(int index) const { return addresses_[static_cast<std::size_t>(index)]; }
    int endAddress() const { return endAddress_; }
    int nextAddress() const { return nextAddress_; }

private:
    int count_ = 0;
    void store(int address, int value);

    std::array<std::uint8_t, kCapacity + kDeviceDataBytes> bytes_{};
    std::array<std::uint16_t, kCapacity + kDeviceDataBytes> addresses_{};
    int endAddress_ = 0;
    int nextAddress_ = 0;
};

} // namespace tarvik
