#pragma once

#include "assembler/HexImage.h"
#include "model/DeviceDefaults.h"
#include "model/ProgramDocument.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace tarvik::test {

// Appends lines to a document the way the dialogs would leave them: labels also enter the
// label table unless asked not to.
class ProgramBuilder {
public:
    explicit ProgramBuilder(ProgramDocument& doc) : doc_(doc) { doc_.lines.setCursor(doc_.lines.last()); }

    ProgramLine& line(int code, std::string_view operand = {}, int destination = 0,
                      std::string_view label = {}, LineState state = LineState::Normal)
    {
        ProgramLine record;
        record.code = code;
        record.setOperand(operand);
        record.destination = destination;
        record.setLabel(label);
        record.state = state;
        if (!label.empty() && !doc_.labels.holds(label))
            doc_.labels.insert(label, {});
        return *doc_.lines.insertAfterCursor(record);
    }
    ProgramLine& org(std::string_view address, LineState state = LineState::Normal)
    {
        return line(kOrgCode, address, 0, {}, state);
    }
    ProgramLine& blank(std::string_view label = {}) { return line(kBlankCode, {}, 0, label); }
    ProgramLine& inactive(int code, std::string_view operand = {}, std::string_view label = {})
    {
        return line(code, operand, 0, label, LineState::Inactive);
    }

private:
    ProgramDocument& doc_;
};

// Byte address -> byte, the form in which two HEX files are compared.
using MemoryImage = std::map<int, std::uint8_t>;

inline MemoryImage memoryOf(const HexImage& image)
{
    MemoryImage memory;
    for (int i = 0; i < image.count(); ++i)
        memory[image.addressAt(i)] = static_cast<std::uint8_t>(image.byteAt(i));
    return memory;
}

// The words of an image in append order, for compact expectations.
inline std::vector<int> wordsOf(const HexImage& image)
{
    std::vector<int> words;
    for (int i = 0; i + 1 < image.count(); i += 2)
        words.push_back(image.byteAt(i) | image.byteAt(i + 1) << 8);
    return words;
}

} // namespace tarvik::test
