#pragma once

#include "model/LineList.h"
#include "model/ProgramDocument.h"

#include <vector>

namespace tarvik {

// Where a document window's rows stand: the cursor row counted from the top line, the
// line drawn in row 0 and its position (header line 0). The list cursor is the line at
// topIndex + cursorRow; every command here keeps it so.
struct ViewPlace {
    int cursorRow = 0;
    ProgramLine* topLine = nullptr;
    int topIndex = 0;
};

// count rows from row, for the view to repaint; count 0 repaints nothing.
struct RowSpan {
    int row = 0;
    int count = 0;
    bool operator==(const RowSpan&) const = default;
};

struct LineEdit {
    bool done = false;
    RowSpan oldCursorRow;  // the row the cursor left, when it must be repainted
    RowSpan repaint;
};

// The insertion steps shared by the entry dialogs and Enter: the copy goes in after the
// cursor line and becomes the cursor, in the row under the old one. The view does not
// scroll, so a line inserted below the last whole row is out of sight.
LineEdit insertAfterCursorLine(ProgramDocument& document, ViewPlace& view, const ProgramLine& line);
// A blank line, without label or comment; sets modified.
LineEdit insertBlankLine(ProgramDocument& document, ViewPlace& view);

// Removes the cursor line and its label. Refused for the header line and for the last
// line while it stands in row 0, so that a line always stays in view. Sets modified.
LineEdit deleteCursorLine(ProgramDocument& document, ViewPlace& view);

// Normal and Inactive swap; a Selected line stays as it is. True when the line changed.
bool toggleInactive(ProgramDocument& document);

enum class SelectToggle { Refused, Selected, Deselected };
// Normal and Selected swap; the header line and Inactive lines are refused.
SelectToggle toggleSelected(ProgramDocument& document, ProgramLine& line);

// Every line after the header becomes Selected; returns how many are.
int selectAll(ProgramDocument& document);
// Every Selected line becomes Normal; returns how many did.
int deselectAll(ProgramDocument& document);

// A selection extended from an anchor line, as Shift with the cursor keys and Shift+click
// make it: the lines from the anchor to the cursor are Selected. Lines the run selected
// that the range leaves again become Normal; lines Selected before the run stay so. The
// header line and Inactive lines are left as they are, as Select/Deselect leaves them.
class SelectionRun {
public:
    // A run from the line at position anchor (header 0).
    void start(int anchor);
    // Whether a run continues from here: one was started and it last ended at position
    // in a program of lineCount lines.
    bool continuesAt(int position, int lineCount) const;
    // Selects from the anchor to position; true when a line changed.
    bool extendTo(ProgramDocument& document, int position);
    void stop() { anchor_ = -1; }

private:
    int anchor_ = -1;
    int end_ = -1;
    int lineCount_ = 0;
    std::vector<int> selectedByRun_;
};

// The clipboard is emptied, then holds copies of the Selected lines in program order.
// The document does not change.
void copySelection(const ProgramDocument& document, LineList& clipboard);
// Removes every Selected line and its label; the caller returns the view to the top.
// Sets modified.
void deleteSelection(ProgramDocument& document);
void cutSelection(ProgramDocument& document, LineList& clipboard);
// Copies of the clipboard lines go in after the cursor line, Normal and without comment;
// their labels are not entered in the document's label table. Sets modified, also for an
// empty clipboard; the caller returns the view to the top.
void pasteClipboard(LineList& clipboard, ProgramDocument& document);

} // namespace tarvik
