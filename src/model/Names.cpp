#include "model/Names.h"

#include "model/HexDigit.h"

#include <climits>
#include <cstdarg>
#include <cstdio>

namespace tarvik {

namespace {

// ASCII only: a byte outside it is neither letter nor digit, whatever the locale says.
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetterOrDigit(char c) { return isLetter(c) || isDigit(c); }

// Appends a digit to a value, saturating at INT_MAX instead of overflowing.
int accumulate(int value, int base, int digit)
{
    if (value > (INT_MAX - digit) / base)
        return INT_MAX;
    return value * base + digit;
}

std::string vformat(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

template <typename Ask>
int offerCopy(std::string& name, Ask&& ask)
{
    std::string offered = name;
    const int result = ask(offered) ? 1 : 0;
    if (result)
        name = std::move(offered);
    return result;
}

} // namespace

void ReportError(Screen& screen, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    screen.showMessage(kMessageCaption, text, MessageButtons::Ok);
}

bool IsValidName(Screen& screen, std::string_view text)
{
    bool valid = text.size() <= kMaxNameLength && (text.empty() || !isDigit(text.front()));
    for (char c : text)
        valid = valid && isLetterOrDigit(c);
    if (!valid)
        ReportError(screen, "Sintax error: %s is not valid!", std::string(text).c_str());
    return valid;
}

bool LooksLikeName(std::string_view text)
{
    if (text.empty() || !isLetter(text.front()))
        return false;
    for (char c : text)
        if (!isLetterOrDigit(c))
            return false;
    return true;
}

bool NameInUse(const ProgramDocument& doc, std::string_view name)
{
    return doc.nameInUse(name);
}

bool AddLabel(ProgramDocument& doc, Screen& screen, std::string_view label)
{
    if (label.empty())
        return true;
    if (!IsValidName(screen, label))
        return false;
    if (NameInUse(doc, label)) {
        screen.showMessage(kTarvikCaption,
                           formatMessage("'%s' is already exist!", std::string(label).c_str()),
                           MessageButtons::Ok);
        return false;
    }
    doc.labels.insert(label, {});
    return true;
}

bool IsAllDigits(std::string_view text)
{
    for (char c : text)
        if (!isDigit(c))
            return false;
    return true;
}

bool IsDecimalNumber(std::string_view text, int& value)
{
    if (!IsAllDigits(text))
        return false;
    int result = 0;
    for (char c : text)
        result = accumulate(result, 10, c - '0');
    value = result;
    return true;
}

bool ParseLiteralValue(std::string_view text, int& value)
{
    switch (text.size()) {
    case 3:
        if (text[0] == '\'' && text[2] == '\'' && isLetterOrDigit(text[1])) {
            value = static_cast<unsigned char>(text[1]);
            return true;
        }
        return false;
    case 5: {
        if ((text[0] != 'H' && text[0] != 'h') || text[1] != '\'' || text[4] != '\'')
            return false;
        const int high = hexDigitValue(text[2]);
        const int low = hexDigitValue(text[3]);
        if (high < 0 || low < 0)
            return false;
        value = high * 16 + low;
        return true;
    }
    case 11: {
        if ((text[0] != 'B' && text[0] != 'b') || text[1] != '\'' || text[10] != '\'')
            return false;
        int result = 0;
        for (std::size_t i = 2; i < 10; ++i) {
            if (text[i] != '0' && text[i] != '1')
                return false;
            result = result * 2 + (text[i] - '0');
        }
        value = result;
        return true;
    }
    default:
        return false;
    }
}

void ShowSyntaxError(Screen& screen, std::string_view text)
{
    screen.showMessage(kMessageCaption, formatMessage("Syntax error:'%s'", std::string(text).c_str()),
                       MessageButtons::Ok);
}

int CheckLiteralOperand(ProgramDocument& doc, Screen& screen, int selection, std::string& text,
                        int& value)
{
    if (selection > 0)
        return 1;
    if (LooksLikeName(text))
        return OfferNewLiteral(doc, screen, text, selection);
    if (int decimal = 0; IsDecimalNumber(text, decimal)) {
        if (decimal > 255) {
            ShowSyntaxError(screen, text);
            return 0;
        }
        value = decimal;
        return 1;
    }
    if (ParseLiteralValue(text, value))
        return 1;
    ShowSyntaxError(screen, text);
    return 0;
}

bool ParseAddress(std::string_view text, int& value)
{
    if (IsDecimalNumber(text, value))
        return true;
    if (text.size() < 4)  // H' + at least one digit + '
        return false;
    const std::size_t last = text.size() - 1;
    if ((text[0] != 'H' && text[0] != 'h') || text[1] != '\'' || text[last] != '\'')
        return false;
    int result = 0;
    for (std::size_t i = 2; i < last; ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0)
            return false;
        result = accumulate(result, 16, digit);
    }
    value = result;
    return true;
}

bool ResolveBitOperand(const ProgramDocument& doc, std::string_view text, int& registerAddress,
                       int& bit)
{
    // A bit entry from a damaged file may hold any numbers; such an entry resolves nothing.
    const auto usable = [](const BitEntry* entry) {
        return entry && entry->bit >= 0 && entry->bit <= 7 && entry->address >= 0
            && entry->address <= 255;
    };
    const BitEntry* named = doc.userBits.findByName(text);
    if (!usable(named))
        named = doc.defaults().bits().findByName(text);
    if (!usable(named))
        named = nullptr;
    if (named) {
        registerAddress = named->address;
        bit = named->bit;
    }
    const bool byName = named != nullptr;

    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return byName;
    const std::string_view registerName = text.substr(0, comma);
    const std::string_view rest = text.substr(comma + 1);
    if (rest.empty() || !IsAllDigits(rest))
        return byName;

    const int p0 = doc.registerFile0.positionOf(registerName);
    const int p1 = p0 ? 0 : doc.registerFile1.positionOf(registerName);
    int n = 0;
    IsDecimalNumber(rest, n);
    if (n > 7 || (!p0 && !p1))
        return false;
    bit = n;
    registerAddress = p0 ? p0 - 1 : p1 + 127;
    return true;
}

std::string BitDisplayName(const ProgramDocument& doc, const RegisterEntry& reg, int bit)
{
    const BitEntry* named = doc.userBits.find(reg.address, bit);
    if (!named)
        named = doc.defaults().bits().find(reg.address, bit);
    if (named)
        return std::string(named->nameText());
    return formatMessage("%s,%d", std::string(reg.nameText()).c_str(), bit);
}

int OfferNewRegister(ProgramDocument& doc, Screen& screen, std::string& name)
{
    return offerCopy(name, [&](std::string& offered) { return screen.offerNewRegister(doc, offered); });
}

int OfferNewBit(ProgramDocument& doc, Screen& screen, std::string& name)
{
    return offerCopy(name, [&](std::string& offered) { return screen.offerNewBit(doc, offered); });
}

int OfferNewLiteral(ProgramDocument& doc, Screen& screen, std::string& name, int selection)
{
    if (selection < 0)
        return 0;
    return offerCopy(name, [&](std::string& offered) { return screen.offerNewLiteral(doc, offered); });
}

int OfferNewLabel(ProgramDocument& doc, Screen& screen, std::string& name)
{
    return offerCopy(name, [&](std::string& offered) { return screen.offerNewLabel(doc, offered); });
}

int EnsureRegister(ProgramDocument& doc, Screen& screen, int known, std::string& name)
{
    return known ? 1 : OfferNewRegister(doc, screen, name);
}

int EnsureBit(ProgramDocument& doc, Screen& screen, int known, std::string& name)
{
    return known ? 1 : OfferNewBit(doc, screen, name);
}

void OfferDefinition(ProgramDocument& doc, Screen& screen, ProgramLine& line, OperandError error)
{
    switch (error) {
    case OperandError::Register: OfferNewRegister(doc, screen, line.operand); break;
    case OperandError::Bit: OfferNewBit(doc, screen, line.operand); break;
    case OperandError::Literal: OfferNewLiteral(doc, screen, line.operand, 1); break;
    default: break;
    }
}

} // namespace tarvik
