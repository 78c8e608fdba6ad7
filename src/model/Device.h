#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

// The chips a program may be written for; they share the instruction set and the special
// function registers and differ in RAM and in the configuration word's bits.
enum class Device : std::int32_t { Pic16C84 = 0, Pic16F84 = 1, Pic16F84A = 2 };

inline constexpr std::array<Device, 3> kDevices{Device::Pic16C84, Device::Pic16F84, Device::Pic16F84A};

// "PIC16C84", "PIC16F84", "PIC16F84A".
std::string_view deviceName(Device device);
// "16c84", "16f84", "16f84a": the name gputils' header and the processor directive use.
std::string_view deviceShortName(Device device);
// A name as a source or a command line gives it: with or without "PIC" or "P", any case.
std::optional<Device> parseDevice(std::string_view name);
bool isValidDevice(std::int32_t value);

// The last general purpose register of bank 0 (bank 1 mirrors it at + 0x80).
int lastGeneralPurpose(Device device);
// Locations of one bank the register files hold: 0x00 up to the last general purpose register.
inline int bankSize(Device device) { return lastGeneralPurpose(device) + 1; }
inline int generalPurposeCount(Device device) { return lastGeneralPurpose(device) - 0x0C + 1; }

enum class Oscillator : int { LP = 0, XT = 1, HS = 2, RC = 3 };

struct ConfigFields {
    Oscillator oscillator = Oscillator::RC;
    bool watchdog = true;
    bool powerUpTimer = false;
    bool codeProtection = false;

    bool operator==(const ConfigFields&) const = default;
};

inline constexpr int kConfigAddress = 0x2007;
inline constexpr int kEepromAddress = 0x2100;
inline constexpr int kEepromSize = 64;
inline constexpr int kErasedWord = 0x3FFF;

// The word with each device's own bit meanings; unused bits stay 1, as an erased chip has them.
int configWord(Device device, const ConfigFields& fields);
// The fields a word selects on the device.
ConfigFields configFields(Device device, int word);
// "none" or "0x3FF1".
std::string configWordText(std::optional<int> word);

// Initial data EEPROM contents: each of the 64 bytes set or unset.
using EepromData = std::array<std::int16_t, kEepromSize>;  // -1 where unset
inline constexpr EepromData kNoEepromData = [] {
    EepromData data{};
    data.fill(-1);
    return data;
}();

} // namespace tarvik
