#include "simulator/SimProgram.h"

#include "assembler/ConvertToHex.h"
#include "model/HexDigit.h"
#include "model/Names.h"

#include <algorithm>

namespace tarvik::sim {

namespace {

constexpr std::uint32_t kConfigByteAddress = 0x2007 * 2;
constexpr std::uint32_t kEepromByteAddress = 0x2100 * 2;

void setByte(std::uint16_t& word, bool high, std::uint8_t value)
{
    word = high ? static_cast<std::uint16_t>((word & 0x00FF) | (value << 8))
                : static_cast<std::uint16_t>((word & 0xFF00) | value);
}

void storeByte(SimProgram& program, std::uint32_t address, std::uint8_t value)
{
    if (address < 2u * kProgramWords) {
        std::uint16_t& word = program.words[address / 2];
        setByte(word, address & 1, value);
        word &= 0x3FFF;
    } else if (address == kConfigByteAddress || address == kConfigByteAddress + 1) {
        std::uint16_t word = program.configuration.value_or(kErasedWord);
        setByte(word, address & 1, value);
        program.configuration = word & 0x3FFF;
    } else if (address >= kEepromByteAddress && address < kEepromByteAddress + 2 * kEepromBytes
               && !(address & 1)) {
        program.eeprom[(address - kEepromByteAddress) / 2] = value;
    }
}

} // namespace

int SimProgram::addressOfLine(int lineNumber) const
{
    const auto it = std::find(lines.begin(), lines.end(), lineNumber);
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

SimProgram programFromImage(const HexImage& image)
{
    SimProgram program;
    for (int i = 0; i < image.count(); ++i)
        storeByte(program, static_cast<std::uint32_t>(image.addressAt(i)),
                  static_cast<std::uint8_t>(image.byteAt(i)));
    return program;
}

bool assembleForSimulation(ProgramDocument& doc, Screen& screen, SimProgram& program)
{
    HexImage image;
    if (!assembleProgram(doc, screen, image))
        return false;
    program = programFromImage(image);
    program.device = doc.device();
    // Word addresses as the encoding pass gives them: Inactive lines are skipped, an ORG
    // line moves the address (pinned to the end of memory, like the image's origin).
    int address = 0;
    int lineNumber = 0;
    for (const ProgramLine& line : doc.lines) {
        if (!line.isInactive()) {
            if (line.code == kOrgCode) {
                if (int origin = 0; ParseAddress(line.operandText(), origin))
                    address = std::clamp(origin, 0, kProgramWords);
            } else if (line.isInstruction() && address < kProgramWords) {
                program.lines[static_cast<std::size_t>(address++)] = lineNumber;
            }
        }
        ++lineNumber;
    }
    return true;
}

HexReadOutcome parseIntelHex(std::string_view text)
{
    HexReadOutcome outcome;
    SimProgram program;
    std::uint32_t base = 0;
    int lineNumber = 0;
    bool ended = false;
    const auto fail = [&](const std::string& why) {
        outcome.error = "line " + std::to_string(lineNumber) + ": " + why;
        return outcome;
    };
    while (!text.empty() && !ended) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (line.front() != ':' || line.size() < 11 || (line.size() - 1) % 2 != 0)
            return fail("not an Intel HEX record");
        std::uint8_t bytes[256 + 5];
        const std::size_t count = (line.size() - 1) / 2;
        if (count > sizeof bytes)
            return fail("record too long");
        unsigned sum = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const int hi = hexDigitValue(line[1 + 2 * i]);
            const int lo = hexDigitValue(line[2 + 2 * i]);
            if (hi < 0 || lo < 0)
                return fail("not a hexadecimal digit");
            bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
            sum += bytes[i];
        }
        if (count != bytes[0] + 5u)
            return fail("record length does not match its count");
        if (sum & 0xFF)
            return fail("bad checksum");
        const std::uint32_t offset = (bytes[1] << 8) | bytes[2];
        const std::uint8_t* data = bytes + 4;
        switch (bytes[3]) {
        case 0x00:
            for (unsigned i = 0; i < bytes[0]; ++i)
                storeByte(program, base + offset + i, data[i]);
            break;
        case 0x01: ended = true; break;
        case 0x02:
        case 0x04:
            if (bytes[0] != 2)
                return fail("bad address record");
            base = static_cast<std::uint32_t>((data[0] << 8) | data[1]) << (bytes[3] == 0x02 ? 4 : 16);
            break;
        case 0x03:
        case 0x05: break;  // start addresses mean nothing to this chip
        default: return fail("unknown record type");
        }
    }
    if (!ended) {
        outcome.error = "no end record";
        return outcome;
    }
    outcome.program = program;
    return outcome;
}

} // namespace tarvik::sim
