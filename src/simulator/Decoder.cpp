#include "simulator/Decoder.h"

namespace tarvik::sim {

namespace {

// Byte-oriented operations by bits 11:8 of the word, from 2 (subwf) on.
constexpr Op kByteOps[16] = {kNop,  kNop,  kSubwf, kDecf,   kIorwf, kAndwf, kXorwf, kAddwf,
                             kMovf, kComf, kIncf,  kDecfsz, kRrf,   kRlf,   kSwapf, kIncfsz};

} // namespace

Decoded decode(std::uint16_t word)
{
    word &= 0x3FFF;
    const auto low = static_cast<std::uint8_t>(word & 0xFF);
    switch (word >> 12) {
    case 0: {
        const unsigned group = (word >> 8) & 0xF;
        if (group == 0) {
            if (word & 0x80)
                return {kMovwf, static_cast<std::uint8_t>(word & 0x7F), 0};
            switch (word) {
            case 0x0008: return {kReturn, 0, 0};
            case 0x0009: return {kRetfie, 0, 0};
            case 0x0062: return {kOption, 0, 0};
            case 0x0063: return {kSleep, 0, 0};
            case 0x0064: return {kClrwdt, 0, 0};
            case 0x0065:
            case 0x0066:
            case 0x0067: return {kTris, static_cast<std::uint8_t>(word & 0x07), 0};
            // nop, and (choice) every undefined word of this group runs as nop.
            default: return {kNop, 0, 0};
            }
        }
        // clrw whatever bits 6:0 hold.
        if (group == 1)
            return (word & 0x80) ? Decoded{kClrf, low, 0} : Decoded{kClrw, 0, 0};
        return {kByteOps[group], low, 0};
    }
    case 1: {
        constexpr Op kBitOps[4] = {kBcf, kBsf, kBtfsc, kBtfss};
        return {kBitOps[(word >> 10) & 3], static_cast<std::uint8_t>(word & 0x7F),
                static_cast<std::uint16_t>(1u << ((word >> 7) & 7))};
    }
    case 2:
        return {(word & 0x0800) ? kGoto : kCall, 0, static_cast<std::uint16_t>(word & 0x7FF)};
    default:
        switch ((word >> 8) & 0xF) {
        // Bits 9:8 of movlw and retlw, and bit 8 of sublw and addlw, are free.
        case 0: case 1: case 2: case 3: return {kMovlw, 0, low};
        case 4: case 5: case 6: case 7: return {kRetlw, 0, low};
        case 8: return {kIorlw, 0, low};
        case 9: return {kAndlw, 0, low};
        case 10: return {kXorlw, 0, low};
        case 12: case 13: return {kSublw, 0, low};
        case 14: case 15: return {kAddlw, 0, low};
        default: return {kNop, 0, 0};  // 0x3Bxx is undefined; choice: nop
        }
    }
}

} // namespace tarvik::sim
