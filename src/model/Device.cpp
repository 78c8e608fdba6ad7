#include "model/Device.h"

#include <cctype>
#include <cstdio>

namespace tarvik {

namespace {

constexpr int kWatchdogBit = 1 << 2;
constexpr int kPowerUpBit = 1 << 3;
constexpr int kC84CodeProtection = 1 << 4;
constexpr int kF84CodeProtection = 0x3FF0;  // bits 13-4

bool isF84(Device device) { return device != Device::Pic16C84; }

int codeProtectionBits(Device device) { return isF84(device) ? kF84CodeProtection : kC84CodeProtection; }

} // namespace

std::string_view deviceName(Device device)
{
    switch (device) {
    case Device::Pic16F84: return "PIC16F84";
    case Device::Pic16F84A: return "PIC16F84A";
    default: return "PIC16C84";
    }
}

std::string_view deviceShortName(Device device)
{
    switch (device) {
    case Device::Pic16F84: return "16f84";
    case Device::Pic16F84A: return "16f84a";
    default: return "16c84";
    }
}

std::optional<Device> parseDevice(std::string_view name)
{
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.starts_with("pic"))
        lower.erase(0, 3);
    else if (lower.starts_with("p"))
        lower.erase(0, 1);
    for (Device device : kDevices)
        if (lower == deviceShortName(device))
            return device;
    return std::nullopt;
}

bool isValidDevice(std::int32_t value)
{
    return value >= 0 && value < static_cast<std::int32_t>(kDevices.size());
}

int lastGeneralPurpose(Device device)
{
    return isF84(device) ? 0x4F : 0x2F;
}

int configWord(Device device, const ConfigFields& fields)
{
    int word = kErasedWord & ~0x3;
    word |= static_cast<int>(fields.oscillator);
    if (!fields.watchdog)
        word &= ~kWatchdogBit;
    // The power-up timer bit is active high on the 16C84 and active low on the F84s.
    if (fields.powerUpTimer == isF84(device))
        word &= ~kPowerUpBit;
    if (fields.codeProtection)
        word &= ~codeProtectionBits(device);
    return word;
}

ConfigFields configFields(Device device, int word)
{
    ConfigFields fields;
    fields.oscillator = static_cast<Oscillator>(word & 0x3);
    fields.watchdog = (word & kWatchdogBit) != 0;
    fields.powerUpTimer = ((word & kPowerUpBit) != 0) != isF84(device);
    fields.codeProtection = (word & codeProtectionBits(device)) == 0;
    return fields;
}

std::string configWordText(std::optional<int> word)
{
    if (!word)
        return "none";
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(*word) & 0x3FFFu);
    return text;
}

} // namespace tarvik
