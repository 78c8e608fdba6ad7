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
    bytes_[static_cast<std::size_t>(count_)] = static_cast<std::uint8_t>(value & 0xFF);
    addresses_[static_cast<std::size_t>(count_)] = static_cast<std::uint16_t>(nextAddress_);
    ++count_;
    ++nextAddress_;
    return true;
}

bool HexImage::hasRoomForWord() const
{
    return count_ + 2 <= kCapacity && nextAddress_ + 2 <= kCapacity;
}

} // namespace tarvik
