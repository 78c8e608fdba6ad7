#include "simulator/StateReport.h"

#include <cstdio>

namespace tarvik::sim {

namespace {

void appendBytes(std::string& out, const char* name, int count, auto&& byteAt)
{
    out += name;
    char text[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, " %02x", byteAt(i));
        out += text;
    }
    out += '\n';
}

} // namespace

std::string stateReport(const Pic16c84& chip, std::uint64_t steps)
{
    std::string out;
    char text[64];
    std::snprintf(text, sizeof text, "steps %llu\ncycles %llu\npc 0x%03x\nw 0x%02x\nstack",
                  static_cast<unsigned long long>(steps),
                  static_cast<unsigned long long>(chip.cycles()), chip.pc(), chip.w());
    out += text;
    for (int i = 0; i < chip.stackDepth(); ++i) {
        std::snprintf(text, sizeof text, " 0x%03x", chip.stackEntry(i));
        out += text;
    }
    out += '\n';
    appendBytes(out, "bank0", chip.lastGpr() + 1, [&](int i) { return chip.peek(i); });
    appendBytes(out, "bank1", chip.lastGpr() + 1, [&](int i) { return chip.peek(0x80 + i); });
    appendBytes(out, "eeprom", kEepromBytes, [&](int i) { return chip.eeprom(i); });
    return out;
}

} // namespace tarvik::sim
