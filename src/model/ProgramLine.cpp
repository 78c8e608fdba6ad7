#include "model/ProgramLine.h"

namespace tarvik {

void ProgramLine::copyContentsFrom(const ProgramLine& other)
{
    setLabel(other.labelText());
    setOperand(other.operandText());
    setAffected(other.affectedText());
    destination = other.destination;
    commentIndex = other.commentIndex;
    code = other.code;
    state = other.state;
}

} // namespace tarvik
