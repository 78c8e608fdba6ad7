#pragma once

#include "assembler/HexImage.h"
#include "model/OperandError.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

namespace tarvik {

// Encodes one line. An instruction's word is appended to the image, low byte first; an ORG
// line moves the image's next address; other lines give nothing. On failure nothing is
// appended (a malformed literal has shown its syntax message by then).
OperandError EncodeLine(const ProgramLine& line, ProgramDocument& doc, Screen& screen,
                        HexImage& image);

} // namespace tarvik
