#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <optional>
#include <string_view>

namespace tarvik {

// Find and Replace compare the whole operand text of every line, exactly, and act on all
// lines at once. Both leave the list cursor on the header line.

// Find's OK. Every line whose operand is the text becomes Selected, whatever its state was;
// none is deselected. Answers how many lines matched, or nullopt when the text is empty
// ("Error!" shown: the dialog stays open).
std::optional<int> FindOperand(ProgramDocument& doc, Screen& screen, std::string_view text);
// "Error! '%s' is not exist!", for a Find or Replace that matched nothing.
void ReportNotFound(Screen& screen, std::string_view text);

enum class ReplaceResult {
    Refused,   // a text was empty or the new one no valid name: reported, nothing walked
    NotFound,  // walked, no operand matched: ReportNotFound, once the view is back at the top
    Replaced,  // the document is modified
};

// Replace's OK: writes the new text into every operand that equals the old one.
ReplaceResult ReplaceOperand(ProgramDocument& doc, Screen& screen, std::string_view oldText,
                             std::string_view newText);

} // namespace tarvik
