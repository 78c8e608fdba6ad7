#pragma once

#include "model/BitTable.h"
#include "model/RegisterTable.h"

#include <string>

namespace tarvik {

// The chip's own names: its special function registers in both banks and their bits.
// Built once and shared by every document.
class DeviceDefaults {
public:
    DeviceDefaults();

    const RegisterTable& bank0() const { return bank0_; }
    const RegisterTable& bank1() const { return bank1_; }
    const BitTable& bits() const { return bits_; }

private:
    RegisterTable bank0_;
    RegisterTable bank1_;
    BitTable bits_;
};

// INDF, PCL, STATUS, FSR, PCLATH and INTCON exist in both banks.
bool isMirroredSfr(int address);

// "GPR0H%02X" or "GPR1H%02X" of an address, by its bank.
std::string generalPurposeName(int address);

} // namespace tarvik
