#include "assembler/HexImage.h"

#include <algorithm>

namespace tarvik {

void HexImage::reset()
{
    count_ = 0;
    endAddress_ = 0;
    nextAddress_ = 0;
}

void HexImage::setOrigin(int wordAddress)
{
    // Anything past the memory is pinned to its end, where no byte is accepted; doubling a
    // huge address would overflow.
    nextAddress_ = 2 * std::clamp(wordAddress, 0, kProgramWords);
}

bool HexImage::appendByte(int value)
{
    if (count_ >= kCapacity || nextAddress_ >= kCapacity)
        return false;
    store(nextAddress_, value);
    ++nextAddress_;
    return true;
}

void HexImage::store(int address, int value)
{
    if (static_cast<std::size_t>(count_) >= bytes_.size())
        return;
    bytes_[static_cast<std::size_t>(count_)] = static_cast<std::uint8_t>(value & 0xFF);
    addresses_[static_cast<std::size_t>(count_)] = static_cast<std::uint16_t>(address);
    ++count_;
}

void HexImage::appendDeviceData(std::optional<int> configWord, const EepromData& eeprom)
{
    if (configWord) {
        store(2 * kConfigAddress, *configWord);
        store(2 * kConfigAddress + 1, *configWord >> 8);
    }
    for (int i = 0; i < kEepromSize; ++i)
        if (const int value = eeprom[static_cast<std::size_t>(i)]; value >= 0) {
            store(2 * (kEepromAddress + i), value);
            store(2 * (kEepromAddress + i) + 1, 0);
        }
}

bool HexImage::hasRoomForWord() const
{
    return count_ + 2 <= kCapacity && nextAddress_ + 2 <= kCapacity;
}

} // namespace tarvik
