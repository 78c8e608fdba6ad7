#include "editor/FindReplace.h"

#include "model/Names.h"

#include <string>

namespace tarvik {

std::optional<int> FindOperand(ProgramDocument& doc, Screen& screen, std::string_view text)
{
    if (text.empty()) {
        ReportError(screen, "Error!");
        return std::nullopt;
    }
    int count = 0;
    for (ProgramLine& line : doc.lines) {
        if (fieldHolds(line.operand, text)) {
            line.state = LineState::Selected;
            ++count;
        }
    }
    doc.resetCursorToTop();
    return count;
}

void ReportNotFound(Screen& screen, std::string_view text)
{
    ReportError(screen, "Error! '%s' is not exist!", std::string(text).c_str());
}

ReplaceResult ReplaceOperand(ProgramDocument& doc, Screen& screen, std::string_view oldText,
                             std::string_view newText)
{
    if (!IsValidName(screen, newText))
        return ReplaceResult::Refused;
    if (oldText.empty() || newText.empty()) {
        ReportError(screen, "Error!");
        return ReplaceResult::Refused;
    }
    int count = 0;
    for (ProgramLine& line : doc.lines) {
        if (fieldHolds(line.operand, oldText)) {
            line.setOperand(newText);
            ++count;
        }
    }
    doc.resetCursorToTop();
    if (count == 0)
        return ReplaceResult::NotFound;
    doc.modified = true;
    return ReplaceResult::Replaced;
}

} // namespace tarvik
