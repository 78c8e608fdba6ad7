#include "assembler/Encoder.h"

#include "model/Names.h"
#include "model/InstructionCode.h"

#include <string>

namespace tarvik {

namespace {

constexpr int kDestinationBit = 0x80;
constexpr int kFileMask = 0x7F;
constexpr int kJumpAddressMask = 0x7FF;

// Position in bank 0 first, so a mirrored name takes its bank-0 address; the position within
// either file is the address within its bank.
int fileAddressOf(const ProgramDocument& doc, std::string_view name)
{
    int position = doc.registerFile0.positionOf(name);
    if (!position)
        position = doc.registerFile1.positionOf(name);
    return position - 1;
}

bool resolveLiteral(const ProgramLine& line, ProgramDocument& doc, Screen& screen, int& k)
{
    std::string text(line.operandText());
    if (CheckLiteralOperand(doc, screen, -1, text, k))
        return true;
    const NameValueEntry* literal = doc.literals.findByName(line.operandText());
    if (!literal)
        return false;
    // A value the literals dialog would never have accepted (only a file written elsewhere
    // holds one) fails the line rather than encoding a made-up constant.
    std::string valueText(literal->valueText());
    return CheckLiteralOperand(doc, screen, -1, valueText, k) != 0;
}

} // namespace

OperandError EncodeLine(const ProgramLine& line, ProgramDocument& doc, Screen& screen,
                        HexImage& image)
{
    const InstructionInfo* info = instructionInfo(line.code);
    if (!info) {
        if (line.code == kOrgCode) {
            if (int address = 0; ParseAddress(line.operandText(), address))
                image.setOrigin(address);
        }
        return OperandError::None;
    }

    int word = info->opcode;
    switch (info->shape) {
    case OperandShape::NoOperand:
        break;
    case OperandShape::F:
    case OperandShape::FD: {
        const int f = fileAddressOf(doc, line.operandText());
        if (f < 0)
            return OperandError::Register;
        word |= (f & kFileMask) | (destinationIsF(line.code, line.destination) ? kDestinationBit : 0);
        break;
    }
    case OperandShape::FB: {
        int address = 0;
        int bit = 0;
        if (!ResolveBitOperand(doc, line.operandText(), address, bit))
            return OperandError::Bit;
        word |= (bit << 7) | (address & kFileMask);
        break;
    }
    case OperandShape::K: {
        int k = 0;
        if (!resolveLiteral(line, doc, screen, k))
            return OperandError::Literal;
        word |= k & 0xFF;
        break;
    }
    case OperandShape::Label: {
        const NameValueEntry* label = doc.labels.findByName(line.operandText());
        // A label in the table but on no line has no address: jumping to 0 in its stead would
        // be a wrong program reported as assembled.
        int address = 0;
        if (!label || label->value[0] == '\0' || !IsDecimalNumber(label->valueText(), address))
            return OperandError::Label;
        word |= address & kJumpAddressMask;
        break;
    }
    }

    if (!image.hasRoomForWord())
        return OperandError::NoRoom;
    image.appendByte(word & 0xFF);
    image.appendByte(word >> 8);
    return OperandError::None;
}

} // namespace tarvik
