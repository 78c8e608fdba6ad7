#pragma once

#include "model/FixedText.h"

#include <cstdint>
#include <string_view>

namespace tarvik {

enum class LineState : std::int32_t { Normal = 0, Inactive = 1, Selected = 2 };

// Line kinds that are not instructions; instructions use codes 1 to 35.
inline constexpr std::int32_t kHeaderCode = 100;
inline constexpr std::int32_t kOrgCode = 101;
inline constexpr std::int32_t kBlankCode = 102;

inline constexpr std::size_t kLabelWidth = 15;
inline constexpr std::size_t kOperandWidth = 15;
inline constexpr std::size_t kAffectedWidth = 10;

// One program line. The field order and widths are those of the 64-byte record in the
// program file; the links are ordinary pointers in memory.
struct ProgramLine {
    char label[kLabelWidth] = {};
    char operand[kOperandWidth] = {};
    char affected[kAffectedWidth] = {};
    std::int32_t destination = 0;
    std::int32_t commentIndex = -1;
    std::int32_t code = 0;
    LineState state = LineState::Normal;
    ProgramLine* next = nullptr;
    ProgramLine* prev = nullptr;

    std::string_view labelText() const { return textOf(label); }
    std::string_view operandText() const { return textOf(operand); }
    std::string_view affectedText() const { return textOf(affected); }
    void setLabel(std::string_view text) { setText(label, text); }
    void setOperand(std::string_view text) { setText(operand, text); }
    void setAffected(std::string_view text) { setText(affected, text); }

    // Copies everything but the links.
    void copyContentsFrom(const ProgramLine& other);

    bool hasLabel() const { return label[0] != '\0'; }
    bool isInstruction() const { return code >= 1 && code <= 35; }
    bool occupiesAddress() const
    {
        return code != kHeaderCode && code != kOrgCode && code != kBlankCode
            && state != LineState::Inactive;
    }
    bool isSelected() const { return state == LineState::Selected; }
    bool isInactive() const { return state == LineState::Inactive; }
};

} // namespace tarvik
