#pragma once

// Instruction words by mnemonic, for programs written straight into program memory.

#include "simulator/Pic16c84.h"

#include <cstdint>
#include <initializer_list>

namespace tarvik::sim::words {

constexpr bool F = true, W = false;

constexpr std::uint16_t byteOp(int op, int f, bool toF) { return static_cast<std::uint16_t>(op << 8 | (toF ? 0x80 : 0) | (f & 0x7F)); }
constexpr std::uint16_t addwf(int f, bool d) { return byteOp(0x07, f, d); }
constexpr std::uint16_t andwf(int f, bool d) { return byteOp(0x05, f, d); }
constexpr std::uint16_t clrf(int f) { return byteOp(0x01, f, true); }
constexpr std::uint16_t clrw() { return 0x0100; }
constexpr std::uint16_t comf(int f, bool d) { return byteOp(0x09, f, d); }
constexpr std::uint16_t decf(int f, bool d) { return byteOp(0x03, f, d); }
constexpr std::uint16_t decfsz(int f, bool d) { return byteOp(0x0B, f, d); }
constexpr std::uint16_t incf(int f, bool d) { return byteOp(0x0A, f, d); }
constexpr std::uint16_t incfsz(int f, bool d) { return byteOp(0x0F, f, d); }
constexpr std::uint16_t iorwf(int f, bool d) { return byteOp(0x04, f, d); }
constexpr std::uint16_t movf(int f, bool d) { return byteOp(0x08, f, d); }
constexpr std::uint16_t movwf(int f) { return byteOp(0x00, f, true); }
constexpr std::uint16_t rlf(int f, bool d) { return byteOp(0x0D, f, d); }
constexpr std::uint16_t rrf(int f, bool d) { return byteOp(0x0C, f, d); }
constexpr std::uint16_t subwf(int f, bool d) { return byteOp(0x02, f, d); }
constexpr std::uint16_t swapf(int f, bool d) { return byteOp(0x0E, f, d); }
constexpr std::uint16_t xorwf(int f, bool d) { return byteOp(0x06, f, d); }
constexpr std::uint16_t nop() { return 0x0000; }
constexpr std::uint16_t bitOp(int op, int f, int b) { return static_cast<std::uint16_t>(0x1000 | op << 10 | b << 7 | (f & 0x7F)); }
constexpr std::uint16_t bcf(int f, int b) { return bitOp(0, f, b); }
constexpr std::uint16_t bsf(int f, int b) { return bitOp(1, f, b); }
constexpr std::uint16_t btfsc(int f, int b) { return bitOp(2, f, b); }
constexpr std::uint16_t btfss(int f, int b) { return bitOp(3, f, b); }
constexpr std::uint16_t literal(int op, int k) { return static_cast<std::uint16_t>(op << 8 | (k & 0xFF)); }
constexpr std::uint16_t addlw(int k) { return literal(0x3E, k); }
constexpr std::uint16_t andlw(int k) { return literal(0x39, k); }
constexpr std::uint16_t iorlw(int k) { return literal(0x38, k); }
constexpr std::uint16_t movlw(int k) { return literal(0x30, k); }
constexpr std::uint16_t retlw(int k) { return literal(0x34, k); }
constexpr std::uint16_t sublw(int k) { return literal(0x3C, k); }
constexpr std::uint16_t xorlw(int k) { return literal(0x3A, k); }
constexpr std::uint16_t call(int a) { return static_cast<std::uint16_t>(0x2000 | (a & 0x7FF)); }
constexpr std::uint16_t goto_(int a) { return static_cast<std::uint16_t>(0x2800 | (a & 0x7FF)); }
constexpr std::uint16_t ret() { return 0x0008; }
constexpr std::uint16_t retfie() { return 0x0009; }
constexpr std::uint16_t sleep() { return 0x0063; }
constexpr std::uint16_t clrwdt() { return 0x0064; }

// Program memory holding the words from an address on, the rest erased.
inline std::array<std::uint16_t, kProgramWords> memory(std::initializer_list<std::uint16_t> code, int origin = 0)
{
    std::array<std::uint16_t, kProgramWords> words;
    words.fill(kErasedWord);
    for (std::uint16_t word : code)
        words[static_cast<std::size_t>(origin++)] = word;
    return words;
}

// Adds words at an address to a memory.
inline void place(std::array<std::uint16_t, kProgramWords>& words, int origin, std::initializer_list<std::uint16_t> code)
{
    for (std::uint16_t word : code)
        words[static_cast<std::size_t>(origin++)] = word;
}

} // namespace tarvik::sim::words
