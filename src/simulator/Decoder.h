#pragma once

#include <cstdint>

namespace tarvik::sim {

// What a word runs as. The 35 instructions carry their code in kInstructions; option and
// tris, which the data sheet keeps for compatibility only, follow.
enum Op : std::uint8_t {
    kAddwf = 1, kAndwf, kMovf, kIorwf, kXorwf, kSubwf, kMovwf, kIncf, kDecf, kComf, kRlf, kSwapf,
    kClrf, kClrw, kNop, kBsf, kBcf, kBtfss, kBtfsc, kIncfsz, kDecfsz, kAddlw, kAndlw, kMovlw,
    kIorlw, kXorlw, kGoto, kCall, kRetlw, kRetfie, kClrwdt, kSleep, kReturn, kSublw, kRrf,
    kOption, kTris,
};

struct Decoded {
    std::uint8_t op;
    std::uint8_t arg;   // file address (bit 7: destination f), a tris port, or 0
    std::uint16_t k;    // literal, jump target, or bit mask
};

// Any 14-bit word (higher bits are ignored).
Decoded decode(std::uint16_t word);

} // namespace tarvik::sim
