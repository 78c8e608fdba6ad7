#pragma once

#include "model/BitTable.h"
#include "model/CommentTable.h"
#include "model/Device.h"
#include "model/DeviceDefaults.h"
#include "model/LineList.h"
#include "model/NameValueTable.h"
#include "model/RegisterTable.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

inline constexpr std::size_t kPendingCommentWidth = 52;

// The model of one document window: its program, its symbols and its file state.
// A new document already holds its header line and both register files.
class ProgramDocument {
public:
    explicit ProgramDocument(const DeviceDefaults& defaults);
    ProgramDocument(const ProgramDocument&) = delete;
    ProgramDocument& operator=(const ProgramDocument&) = delete;

    const DeviceDefaults& defaults() const { return *defaults_; }

    ProgramLine* headerLine() { return lines.first(); }
    // The number the user sees: the header line is 0.
    int lineNumberOf(const ProgramLine* line) const { return lines.positionOf(line) - 1; }
    // Makes the header line the cursor.
    void resetCursorToTop() { lines.setCursor(lines.first()); }

    // True when a register file, the labels, the user or default bits, or the literals
    // hold the name: one name space covers the whole program.
    bool nameInUse(std::string_view name) const;
    // The name a location falls back to when its user name goes: the GPR pattern for a
    // general purpose register, the device name for an SFR.
    std::string defaultNameOf(int address) const;
    // Sets pendingComment, cut to what the comment field holds.
    void setPendingComment(std::string_view text);

    Device device() const { return device_; }
    // Grows or shrinks both register files to the device's RAM; the locations a smaller
    // device lacks go with their names (see canChangeDeviceTo).
    void setDevice(Device device);
    // False when a location the device lacks has a user name or a bit: changing would lose it.
    bool canChangeDeviceTo(Device device) const;
    // Whether anything beyond a 16C84 program without word or EEPROM data is set.
    bool usesDeviceSettings() const
    {
        return device_ != Device::Pic16C84 || configWord.has_value() || eepromData != kNoEepromData;
    }

    LineList lines;
    RegisterTable registerFile0;
    RegisterTable registerFile1;
    RegisterTable userRegisters0;
    RegisterTable userRegisters1;
    RegisterTable userSfrNames0;
    RegisterTable userSfrNames1;
    BitTable userBits;
    NameValueTable literals;
    NameValueTable labels;
    CommentTable comments;
    std::string pendingComment;
    // The configuration word written at 0x2007; none for a program that leaves it to the
    // programmer.
    std::optional<int> configWord;
    EepromData eepromData = kNoEepromData;
    bool editMode = false;

    std::string fileName;
    bool untitled = true;
    bool modified = false;
    // The MPASM source an imported program was read from, which no writer may replace.
    std::string importedFrom;

private:
    const DeviceDefaults* defaults_;
    Device device_ = Device::Pic16C84;
};

} // namespace tarvik
