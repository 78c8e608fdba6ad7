#include "model/DeviceDefaults.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace tarvik {

namespace {

constexpr std::array<std::string_view, 12> kBank0Names{
    "INDF", "TMR0", "PCL", "STATUS", "FSR", "PORTA", "PORTB", "<Reserved>",
    "EEDATA", "EEADR", "PCLATH", "INTCON"};
constexpr std::array<std::string_view, 12> kBank1Names{
    "INDF", "OPTION", "PCL", "STATUS", "FSR", "TRISA", "TRISB", "<Reserved>",
    "EECON1", "EECON2", "PCLATH", "INTCON"};

struct DefaultBits {
    int address;
    int banks;
    std::array<std::string_view, 8> names;  // from bit 0 up; empty where the bit has no name
};

constexpr std::array<DefaultBits, 8> kDefaultBits{{
    {0x03, 2, {"C", "DC", "Z", "NOT_PD", "NOT_TO", "RP0", "RP1", "IRP"}},
    {0x0B, 2, {"RBIF", "INTF", "T0IF", "RBIE", "INTE", "T0IE", "EEIE", "GIE"}},
    {0x81, 1, {"PS0", "PS1", "PS2", "PSA", "T0SE", "T0CS", "INTEDG", "NOT_RBPU"}},
    {0x88, 1, {"RD", "WR", "WREN", "WRERR", "EEIF"}},
    {0x06, 1, {"RB0", "RB1", "RB2", "RB3", "RB4", "RB5", "RB6", "RB7"}},
    {0x05, 1, {"RA0", "RA1", "RA2", "RA3"}},
    {0x83, 2, {"C", "DC", "Z", "NOT_PD", "NOT_TO", "RP0", "RP1", "IRP"}},
    {0x8B, 2, {"RBIF", "INTF", "T0IF", "RBIE", "INTE", "T0IE", "EEIE", "GIE"}},
}};

} // namespace

DeviceDefaults::DeviceDefaults()
{
    for (int i = 0; i < 12; ++i) {
        bank0_.insert(kBank0Names[static_cast<std::size_t>(i)], i);
        bank1_.insert(kBank1Names[static_cast<std::size_t>(i)], 128 + i);
    }
    for (const DefaultBits& reg : kDefaultBits)
        for (int bit = 0; bit < 8; ++bit)
            if (!reg.names[static_cast<std::size_t>(bit)].empty())
                bits_.insert(reg.names[static_cast<std::size_t>(bit)], bit, reg.banks, reg.address);
}

bool isMirroredSfr(int address)
{
    switch (address & 0x7F) {
    case 0x00: case 0x02: case 0x03: case 0x04: case 0x0A: case 0x0B:
        return true;
    default:
        return false;
    }
}

std::string generalPurposeName(int address)
{
    char name[16];
    std::snprintf(name, sizeof name, address >= 128 ? "GPR1H%02X" : "GPR0H%02X",
                  static_cast<unsigned>(address) & 0xFFu);
    return name;
}

} // namespace tarvik
