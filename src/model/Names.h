#pragma once

#include "model/OperandError.h"
#include "model/FixedText.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvik {

// The one place where operand texts and symbol names are read. Every other part of the
// program (assembler, dialogs, find and replace) asks these functions.

inline constexpr std::size_t kMaxNameLength = 14;  // a label or operand field less its terminator

// Shows a message box captioned "Tarvik message" with the printf-formatted text.
void ReportError(Screen& screen, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Letters and digits only, not starting with a digit, at most kMaxNameLength characters.
// Reports "Sintax error: %s is not valid!" otherwise. The empty text passes.
bool IsValidName(Screen& screen, std::string_view text);
// Letters and digits only, first a letter; says nothing. Tells a literal name from a number.
bool LooksLikeName(std::string_view text);
bool NameInUse(const ProgramDocument& doc, std::string_view name);
// Adds a label typed in an instruction dialog to the label table. An empty text adds nothing
// and succeeds; an invalid or already used name is reported and refused.
bool AddLabel(ProgramDocument& doc, Screen& screen, std::string_view label);

bool IsAllDigits(std::string_view text);
// Decimal digits only (the empty text reads as 0). Values too large for an int saturate at
// INT_MAX, which every caller refuses as out of range.
bool IsDecimalNumber(std::string_view text, int& value);
// 'c', H'hh' or B'bbbbbbbb' (either case of the prefix letter).
bool ParseLiteralValue(std::string_view text, int& value);
void ShowSyntaxError(Screen& screen, std::string_view text);
// Validates the operand of a literal instruction. A positive selection means the caller knows
// the text names a literal; 0 offers the literals dialog for an unknown name (which may rename
// the text); a negative selection (the assembler) offers nothing and returns 0 for any name.
// Returns nonzero when acceptable and, for a number, sets the value.
int CheckLiteralOperand(ProgramDocument& doc, Screen& screen, int selection, std::string& text,
                        int& value);
// An ORG address: decimal digits, or H'...' with one or more hexadecimal digits.
bool ParseAddress(std::string_view text, int& value);

// A bit name (user bits win over the chip's), or REGISTER,n with n from 0 to 7. The register
// address is 0 to 255, bank 1 from 128.
bool ResolveBitOperand(const ProgramDocument& doc, std::string_view text, int& registerAddress,
                       int& bit);
std::string BitDisplayName(const ProgramDocument& doc, const RegisterEntry& reg, int bit);

// Definition dialogs preset with a name. 1 when the user added a symbol, and then the
// caller's text holds the name finally added; 0 otherwise.
int OfferNewRegister(ProgramDocument& doc, Screen& screen, std::string& name);
int OfferNewBit(ProgramDocument& doc, Screen& screen, std::string& name);
// Opens nothing and returns 0 for a negative selection.
int OfferNewLiteral(ProgramDocument& doc, Screen& screen, std::string& name, int selection);
int OfferNewLabel(ProgramDocument& doc, Screen& screen, std::string& name);

// The same for a fixed text field of a line: the name added is written back without ever
// spilling out of the field.
template <std::size_t N>
int OfferNewRegister(ProgramDocument& doc, Screen& screen, char (&field)[N]);
template <std::size_t N>
int OfferNewBit(ProgramDocument& doc, Screen& screen, char (&field)[N]);
template <std::size_t N>
int OfferNewLiteral(ProgramDocument& doc, Screen& screen, char (&field)[N], int selection);
template <std::size_t N>
int OfferNewLabel(ProgramDocument& doc, Screen& screen, char (&field)[N]);

// 1 when known is nonzero, otherwise what the definition dialog answers.
int EnsureRegister(ProgramDocument& doc, Screen& screen, int known, std::string& name);
int EnsureBit(ProgramDocument& doc, Screen& screen, int known, std::string& name);

// After the assembler reported an unresolved operand: the dialog that can define it, preset
// with the line's operand (registers, bits or literals; nothing for a label).
void OfferDefinition(ProgramDocument& doc, Screen& screen, ProgramLine& line, OperandError error);

namespace detail {
template <std::size_t N, typename Offer>
int offerIntoField(char (&field)[N], Offer&& offer)
{
    std::string name(textOf(field));
    const int result = offer(name);
    if (result)
        setText(field, name);
    return result;
}
} // namespace detail

template <std::size_t N>
int OfferNewRegister(ProgramDocument& doc, Screen& screen, char (&field)[N])
{
    return detail::offerIntoField(field, [&](std::string& name) { return OfferNewRegister(doc, screen, name); });
}

template <std::size_t N>
int OfferNewBit(ProgramDocument& doc, Screen& screen, char (&field)[N])
{
    return detail::offerIntoField(field, [&](std::string& name) { return OfferNewBit(doc, screen, name); });
}

template <std::size_t N>
int OfferNewLiteral(ProgramDocument& doc, Screen& screen, char (&field)[N], int selection)
{
    return detail::offerIntoField(field, [&](std::string& name) {
        return OfferNewLiteral(doc, screen, name, selection);
    });
}

template <std::size_t N>
int OfferNewLabel(ProgramDocument& doc, Screen& screen, char (&field)[N])
{
    return detail::offerIntoField(field, [&](std::string& name) { return OfferNewLabel(doc, screen, name); });
}

} // namespace tarvik
