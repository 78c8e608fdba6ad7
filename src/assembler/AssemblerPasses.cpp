#include "assembler/AssemblerPasses.h"

#include "assembler/Encoder.h"
#include "model/Names.h"

#include <cstdint>
#include <string>

namespace tarvik {

namespace {

bool isKnownKind(const ProgramLine& line)
{
    return line.isInstruction() || line.code == kHeaderCode || line.code == kOrgCode
        || line.code == kBlankCode;
}

// Gives the caller that asked for it the line of a pass's first error.
void noteFailure(int* failingLine, bool firstError, int lineNumber)
{
    if (failingLine && firstError)
        *failingLine = lineNumber;
}

} // namespace

bool CheckLabels(ProgramDocument& doc, Screen& screen, int* failingLine)
{
    int lineNumber = 0;
    for (ProgramLine& line : doc.lines) {
        if (line.hasLabel() && !doc.labels.positionOf(line.labelText())) {
            noteFailure(failingLine, true, lineNumber);
            screen.moveCursorToLine(doc, lineNumber);
            ReportError(screen, "Error in line %d: symbol not previously defined (%s).", lineNumber,
                        std::string(line.labelText()).c_str());
            OfferNewLabel(doc, screen, line.label);
            return false;
        }
        ++lineNumber;
    }
    return true;
}

bool AssignAddresses(ProgramDocument& doc, Screen& screen, int* failingLine)
{
    // Wide enough that no ORG address (saturated at INT_MAX) plus the lines after it overflows.
    std::int64_t counter = 0;
    bool result = true;
    int lineNumber = 0;
    // Every line past the end of memory is out of range; a message box each would be
    // thousands of boxes, so the first stands for them all and counts the others.
    int firstOutOfRange = -1;
    int furtherOutOfRange = 0;
    for (ProgramLine& line : doc.lines) {
        if (line.code == kOrgCode) {
            int address = 0;
            if (!ParseAddress(line.operandText(), address)) {
                // The counter carries on unchanged: the pass has failed already.
                noteFailure(failingLine, result, lineNumber);
                ReportError(screen, "Error in line:%d", lineNumber);
                result = false;
            } else if (address < counter) {
                noteFailure(failingLine, result, lineNumber);
                screen.moveCursorToLine(doc, lineNumber);
                ReportError(screen, "Error in line %d: overwriting previous address contents.",
                            lineNumber);
                screen.editCurrentLine(doc);
                return false;
            } else {
                counter = address;
            }
        } else if (!isKnownKind(line)) {
            // Only a damaged file holds such a line. It would take an address here but give no
            // word in the encoding pass, moving every later label off its word.
            noteFailure(failingLine, result, lineNumber);
            ReportError(screen, "Error in line:%d", lineNumber);
            result = false;
        }

        if (line.hasLabel()) {
            NameValueEntry* entry = doc.labels.findByName(line.labelText());
            if (entry && entry->value[0] != '\0') {
                noteFailure(failingLine, result, lineNumber);
                screen.moveCursorToLine(doc, lineNumber);
                ReportError(screen,
                            "Error in line %d: address label duplicated or different in second pass (%s).",
                            lineNumber, std::string(line.labelText()).c_str());
                OfferNewLabel(doc, screen, line.label);
                return false;
            }
            if (entry)
                entry->setValue(std::to_string(counter));
        }

        if (counter >= HexImage::kProgramWords) {
            noteFailure(failingLine, result, lineNumber);
            if (firstOutOfRange < 0)
                firstOutOfRange = lineNumber;
            else
                ++furtherOutOfRange;
            result = false;
        }
        if (line.occupiesAddress() && line.isInstruction())
            ++counter;
        ++lineNumber;
    }
    if (furtherOutOfRange > 0)
        ReportError(screen, "Error in line %d: program out of range.\n%d further %s out of range too.",
                    firstOutOfRange, furtherOutOfRange, furtherOutOfRange == 1 ? "line is" : "lines are");
    else if (firstOutOfRange >= 0)
        ReportError(screen, "Error in line %d: program out of range.", firstOutOfRange);
    return result;
}

OperandError EncodeProgram(ProgramDocument& doc, Screen& screen, HexImage& image, int* failingLine)
{
    int lineNumber = 0;
    for (ProgramLine& line : doc.lines) {
        if (!line.isInactive()) {
            const OperandError error = EncodeLine(line, doc, screen, image);
            if (error != OperandError::None) {
                noteFailure(failingLine, true, lineNumber);
                screen.moveCursorToLine(doc, lineNumber);
                if (error == OperandError::NoRoom)
                    ReportError(screen, "Error in line %d: program out of range.", lineNumber);
                else
                    ReportError(screen, "Error in line %d: symbol not previously defined (%s).",
                                lineNumber, std::string(line.operandText()).c_str());
                OfferDefinition(doc, screen, line, error);
                return error;
            }
        }
        ++lineNumber;
    }
    return OperandError::None;
}

} // namespace tarvik
