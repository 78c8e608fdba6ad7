#include "editor/LineRenderer.h"

#include "editor/InstructionNames.h"
#include "model/InstructionCode.h"
#include "timing/LineCycles.h"

namespace tarvik {

namespace {

constexpr int kBankSelectBit = 5;

bool isStatusRegister(int address)
{
    return address == 0x03 || address == 0x83;
}

class RowBuilder {
public:
    RowBuilder(RenderedLine& out, const TextMeasure& measure, LineState state)
        : out_(out), measure_(measure), state_(state)
    {
    }

    // A run at the start of a column, or further right where the text before it runs on
    // past that start: the columns' default widths leave too little room for a long
    // label or skip operand in a wide font, and nothing may be drawn over.
    void at(std::string_view text, RunColour colour, int x)
    {
        if (text.empty())
            return;
        x = clear(x);
        out_.runs.push_back({std::string(text), colour, x});
        end_ = x + measure_.width(text);
    }
    void startInstruction(int x) { x_ = clear(x); }
    // A run of the instruction column: starts where the previous one ended.
    void follow(std::string_view text, RunColour base)
    {
        if (text.empty())
            return;
        out_.runs.push_back({std::string(text), stateColour(state_, base), x_});
        x_ += measure_.width(text);
        end_ = x_;
    }
    void gap(int pixels) { x_ += pixels; }

private:
    int clear(int x) const { return end_ > x ? end_ + measure_.width(" ") : x; }

    RenderedLine& out_;
    const TextMeasure& measure_;
    LineState state_;
    int x_ = 0;
    int end_ = 0;  // right edge of the last run
};

RunColour operandColour(OperandShape shape)
{
    switch (shape) {
    case OperandShape::F:
    case OperandShape::FD: return RunColour::Blue;
    case OperandShape::FB: return RunColour::Green;
    case OperandShape::K:
    case OperandShape::Label: return RunColour::Purple;
    case OperandShape::NoOperand: break;
    }
    return RunColour::Black;
}

// An instruction without an operand shows its name alone, whatever a damaged or
// hand-made line carries in its operand field.
std::string_view operandOf(const ProgramLine& line, const InstructionInfo& info)
{
    return info.shape == OperandShape::NoOperand ? std::string_view{} : line.operandText();
}

// incfsz / decfsz: the formula, a gap, then the skip condition on whatever holds the result.
void symbolicSkip(RowBuilder& row, const ProgramLine& line, std::string_view name)
{
    const bool toW = line.destination != 0;
    row.follow(name, RunColour::Black);
    row.follow(line.operandText(), RunColour::Blue);
    if (toW)
        row.follow("->W", RunColour::Black);
    row.gap(kSkipGap);
    row.follow("Skip !", RunColour::Black);
    if (toW)
        row.follow("W", RunColour::Black);
    else
        row.follow(line.operandText(), RunColour::Blue);
}

void symbolicInstruction(RowBuilder& row, const ProgramLine& line, const InstructionInfo& info)
{
    const std::string_view name = instructionName(info.code, kSymbolicDisplay);
    if (info.code == 20 || info.code == 21) {
        symbolicSkip(row, line, name);
        return;
    }
    // Stores into f, bit assignments and k-W read with the operand on the left.
    const bool operandFirst = info.code == 6 || info.code == 7 || info.code == 13
        || info.code == 16 || info.code == 17 || info.code == 34;
    const std::string_view operand = operandOf(line, info);
    const RunColour colour = operandColour(info.shape);
    if (operandFirst) {
        row.follow(operand, colour);
        row.follow(name, RunColour::Black);
    } else {
        row.follow(name, RunColour::Black);
        row.follow(operand, colour);
    }
    // The suffix names the destination only where it differs from what the formula implies.
    if ((info.shape == OperandShape::F || info.shape == OperandShape::FD) && line.destination != 0)
        row.follow(info.polarity == DestinationPolarity::ZeroIsW ? "->F" : "->W", RunColour::Black);
}

void mpasmInstruction(RowBuilder& row, const ProgramLine& line, const InstructionInfo& info)
{
    row.follow(instructionName(info.code, kMpasmDisplay), RunColour::Black);
    row.follow(operandOf(line, info), operandColour(info.shape));
    const bool zero = line.destination == 0;
    if (info.polarity == DestinationPolarity::ZeroIsW)
        row.follow(zero ? ",W" : ",F", RunColour::Black);
    else if (info.polarity == DestinationPolarity::ZeroIsF)
        row.follow(zero ? ",F" : ",W", RunColour::Black);
}

} // namespace

RunColour stateColour(LineState state, RunColour base)
{
    switch (state) {
    case LineState::Inactive: return RunColour::Dimmed;
    case LineState::Selected: return RunColour::Red;
    case LineState::Normal: break;
    }
    return base;
}

std::string_view bankMark(const ProgramLine& line, const ProgramDocument& document)
{
    if (line.code != 16 && line.code != 17)
        return {};
    const std::string_view name = line.operandText();
    const BitEntry* bit = document.defaults().bits().find(name);
    if (!bit || !isStatusRegister(bit->address) || bit->bit != kBankSelectBit)
        bit = document.userBits.find(name);
    if (!bit || !isStatusRegister(bit->address) || bit->bit != kBankSelectBit)
        return {};
    return line.code == 16 ? "1" : "0";
}

void renderLine(const ProgramLine& line, int displayMode, const ProgramDocument& document,
                const ColumnPositions& columns, bool onCursorRow, const TextMeasure& measure,
                RenderedLine& out)
{
    out.runs.clear();
    out.fillWidth = 0;
    out.fillWithCursorBackground = false;
    RowBuilder row(out, measure, line.state);

    if (line.code == kHeaderCode) {
        out.fillWidth = kHeaderFillWidth;
        out.fillWithCursorBackground = onCursorRow;
        row.at("PROGRAM", RunColour::Black, columns.instructionX);
        return;
    }

    if (line.code != kOrgCode)
        row.at(line.labelText(), stateColour(line.state, RunColour::Purple), kLabelX);

    row.startInstruction(columns.instructionX);
    if (const InstructionInfo* info = instructionInfo(line.code)) {
        if (displayMode == kSymbolicDisplay)
            symbolicInstruction(row, line, *info);
        else
            mpasmInstruction(row, line, *info);
        if (columns.cyclesRight > 0) {
            const std::string cycles = cyclesText(lineCycles(document, line));
            row.at(cycles, stateColour(line.state, RunColour::Grey), columns.cyclesRight - measure.width(cycles));
        }
        row.at(bankMark(line, document), RunColour::Red, columns.bankX);
    } else if (line.code == kOrgCode) {
        row.follow(std::string("ORG ").append(line.operandText()), RunColour::Black);
    } else if (line.code != kBlankCode) {
        row.follow("?", RunColour::Black);
    }

    if (line.commentIndex != -1)
        row.at(document.comments.textAt(line.commentIndex), RunColour::Olive, columns.commentX);
}

RenderedLine renderLine(const ProgramLine& line, int displayMode, const ProgramDocument& document,
                        const ColumnPositions& columns, bool onCursorRow,
                        const TextMeasure& measure)
{
    RenderedLine out;
    renderLine(line, displayMode, document, columns, onCursorRow, measure, out);
    return out;
}

} // namespace tarvik
