#pragma once

#include "assembler/HexImage.h"
#include "model/OperandError.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

namespace tarvik {

// The three passes of an assembly, run in this order, each only when the one before
// succeeded, after the image was reset and the label addresses emptied. Each reports its
// error, moves the editor's cursor to the failing line where it can and offers the dialog
// that can put it right. Line numbers in messages count the header line as 0; a failing
// pass also gives the line of its first error in failingLine, where one is given.

// True when every label written on a line stands in the label table.
bool CheckLabels(ProgramDocument& doc, Screen& screen, int* failingLine = nullptr);
// Gives every label the decimal text of its word address. False when an ORG operand does
// not parse, an ORG goes backwards, a label is placed twice or a line lies past word 1023.
bool AssignAddresses(ProgramDocument& doc, Screen& screen, int* failingLine = nullptr);
// Encodes every line that is not Inactive into the image; the first failing line's error.
OperandError EncodeProgram(ProgramDocument& doc, Screen& screen, HexImage& image, int* failingLine = nullptr);

} // namespace tarvik
