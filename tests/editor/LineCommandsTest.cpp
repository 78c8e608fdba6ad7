#include "editor/LineCommands.h"
#include "model/InstructionCode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace tarvik;

namespace {

class LineCommandsTest : public ::testing::Test {
protected:
    DeviceDefaults defaults;

    // The header and `count` nop lines labelled L1, L2, ...; cursor on the header.
    std::unique_ptr<ProgramDocument> program(int count)
    {
        auto doc = std::make_unique<ProgramDocument>(defaults);
        for (int i = 1; i <= count; ++i) {
            ProgramLine line;
            line.code = 15;
            line.setLabel("L" + std::to_string(i));
            doc->lines.insertAfterCursor(line);
        }
        doc->resetCursorToTop();
        return doc;
    }

    static ProgramLine* lineAt(ProgramDocument& doc, int number)
    {
        return doc.lines.stepForward(doc.lines.first(), number);
    }

    // A view with its top line at topIndex and the cursor in cursorRow.
    static ViewPlace place(ProgramDocument& doc, int topIndex, int cursorRow)
    {
        doc.lines.setCursor(lineAt(doc, topIndex + cursorRow));
        return {cursorRow, lineAt(doc, topIndex), topIndex};
    }

    static void expectInStep(ProgramDocument& doc, const ViewPlace& view)
    {
        ASSERT_TRUE(doc.lines.isLine(doc.lines.cursor()));
        EXPECT_EQ(doc.lines.cursor(), lineAt(doc, view.topIndex + view.cursorRow));
        EXPECT_EQ(view.topLine, lineAt(doc, view.topIndex));
    }

    static std::vector<std::string> labels(const LineList& lines)
    {
        std::vector<std::string> all;
        for (const ProgramLine& line : lines)
            all.emplace_back(line.labelText());
        return all;
    }
};

struct DeleteCase {
    const char* name;
    int lines, topIndex, cursorRow;
    bool deleted;
    int rowAfter, topAfter;
    const char* cursorLabelAfter;  // "" for the header line
};

TEST_F(LineCommandsTest, DeleteCursorLine)
{
    const DeleteCase cases[] = {
        {"the only line, in row 1", 1, 0, 1, true, 0, 0, ""},
        {"the header line", 3, 0, 0, false, 0, 0, ""},
        {"a middle line", 3, 0, 2, true, 2, 0, "L3"},
        {"the last line, in row 3", 3, 0, 3, true, 2, 0, "L2"},
        {"the last line standing in row 0", 30, 30, 0, false, 0, 30, "L30"},
        {"row 0 with lines after", 30, 5, 0, true, 0, 5, "L6"},
        {"two rows above the view", 30, 5, -3, true, -2, 4, "L3"},
        {"just above the view", 30, 5, -1, true, 0, 4, "L5"},
        {"below the last whole row", 30, 0, 12, true, 12, 0, "L13"},
    };
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = program(c.lines);
        doc->labels.insert("L2", "");
        ViewPlace view = place(*doc, c.topIndex, c.cursorRow);
        const LineEdit edit = deleteCursorLine(*doc, view);
        EXPECT_EQ(edit.done, c.deleted);
        EXPECT_EQ(doc->modified, c.deleted);
        EXPECT_EQ(doc->lines.count(), c.lines + 1 - (c.deleted ? 1 : 0));
        EXPECT_EQ(view.cursorRow, c.rowAfter);
        EXPECT_EQ(view.topIndex, c.topAfter);
        EXPECT_EQ(doc->lines.cursor()->labelText(), c.cursorLabelAfter);
        expectInStep(*doc, view);
    }
}

TEST_F(LineCommandsTest, DeletingALabelledLineRemovesItsLabelAndKeepsItsComment)
{
    auto doc = program(2);
    doc->labels.insert("L1", "");
    doc->labels.insert("L2", "");
    lineAt(*doc, 1)->commentIndex = doc->comments.append("start");
    ViewPlace view = place(*doc, 0, 1);
    ASSERT_TRUE(deleteCursorLine(*doc, view).done);
    EXPECT_FALSE(doc->labels.holds("L1"));
    EXPECT_TRUE(doc->labels.holds("L2"));
    EXPECT_EQ(doc->comments.textAt(1), "start");
}

TEST_F(LineCommandsTest, EnterOnTheHeaderInsertsABlankLineAsLineOne)
{
    auto doc = program(2);
    doc->setPendingComment("not for blank lines");
    ViewPlace view = place(*doc, 0, 0);
    const LineEdit edit = insertBlankLine(*doc, view);
    ASSERT_TRUE(edit.done);
    const ProgramLine* blank = lineAt(*doc, 1);
    EXPECT_EQ(doc->lines.cursor(), blank);
    EXPECT_EQ(blank->code, kBlankCode);
    EXPECT_EQ(blank->state, LineState::Normal);
    EXPECT_EQ(blank->commentIndex, -1);
    EXPECT_FALSE(blank->hasLabel());
    EXPECT_EQ(view.cursorRow, 1);
    EXPECT_EQ(doc->lineNumberOf(blank), 1);
    EXPECT_EQ(edit.oldCursorRow, (RowSpan{0, 1}));
    EXPECT_EQ(edit.repaint, (RowSpan{1, 3}));
    EXPECT_TRUE(doc->modified);
    expectInStep(*doc, view);
}

// Inserting, deleting and scrolling in any order, with the cursor in view, above it or
// below it, keeps the cursor and the top line at their positions.
TEST_F(LineCommandsTest, TheViewStaysInStepWhateverIsInsertedOrDeleted)
{
    std::mt19937 random(7);
    auto doc = program(20);
    ViewPlace view = place(*doc, 0, 0);
    for (int step = 0; step < 5000; ++step) {
        switch (random() % 4) {
        case 0: insertBlankLine(*doc, view); break;
        case 1: deleteCursorLine(*doc, view); break;
        case 2:  // the scroll bar's line down and line up
            if (doc->lines.isLine(view.topLine->next)) {
                view.topLine = view.topLine->next;
                ++view.topIndex;
                --view.cursorRow;
            }
            break;
        case 3:
            if (view.topIndex > 0) {
                view.topLine = view.topLine->prev;
                --view.topIndex;
                ++view.cursorRow;
            }
            break;
        }
        expectInStep(*doc, view);
        if (HasFailure()) {
            ADD_FAILURE() << "at step " << step;
            return;
        }
    }
}

TEST_F(LineCommandsTest, ActiveInactiveAndSelectDeselectRefusals)
{
    auto doc = program(3);
    ProgramLine& line = *lineAt(*doc, 2);

    doc->lines.setCursor(&line);
    line.state = LineState::Selected;
    EXPECT_FALSE(toggleInactive(*doc));
    EXPECT_EQ(line.state, LineState::Selected);
    EXPECT_FALSE(doc->modified);

    line.state = LineState::Normal;
    EXPECT_TRUE(toggleInactive(*doc));
    EXPECT_EQ(line.state, LineState::Inactive);
    EXPECT_EQ(toggleSelected(*doc, line), SelectToggle::Refused);
    EXPECT_EQ(line.state, LineState::Inactive);
    EXPECT_TRUE(toggleInactive(*doc));
    EXPECT_EQ(line.state, LineState::Normal);

    EXPECT_EQ(toggleSelected(*doc, line), SelectToggle::Selected);
    EXPECT_EQ(line.state, LineState::Selected);
    EXPECT_EQ(toggleSelected(*doc, line), SelectToggle::Deselected);
    EXPECT_EQ(line.state, LineState::Normal);

    EXPECT_EQ(toggleSelected(*doc, *doc->headerLine()), SelectToggle::Refused);
    EXPECT_EQ(doc->headerLine()->state, LineState::Normal);
}

TEST_F(LineCommandsTest, SelectAllCopyAndPasteIntoAnotherDocument)
{
    auto source = program(3);
    lineAt(*source, 1)->commentIndex = source->comments.append("first");
    lineAt(*source, 2)->state = LineState::Inactive;
    EXPECT_EQ(selectAll(*source), 3);
    EXPECT_EQ(source->headerLine()->state, LineState::Normal);

    LineList clipboard;
    copySelection(*source, clipboard);
    EXPECT_FALSE(source->modified);
    EXPECT_EQ(source->lines.countSelected(), 3) << "the source keeps its selection";

    auto target = program(2);
    lineAt(*target, 1)->setLabel("T1");
    target->lines.setCursor(lineAt(*target, 1));
    pasteClipboard(clipboard, *target);
    EXPECT_EQ(labels(target->lines), (std::vector<std::string>{"", "T1", "L1", "L2", "L3", "L2"}));
    for (int number = 2; number <= 4; ++number) {
        EXPECT_EQ(lineAt(*target, number)->state, LineState::Normal);
        EXPECT_EQ(lineAt(*target, number)->commentIndex, -1);
    }
    EXPECT_FALSE(target->labels.holds("L1")) << "pasted labels are not entered";
    EXPECT_TRUE(target->modified);

    // The clipboard keeps its lines for another paste, into any document.
    pasteClipboard(clipboard, *source);
    EXPECT_EQ(source->lines.count(), 7);
}

TEST_F(LineCommandsTest, CutRemovesTheSelectionAndAPasteBringsItBack)
{
    auto doc = program(4);
    doc->labels.insert("L2", "");
    lineAt(*doc, 2)->state = LineState::Selected;
    lineAt(*doc, 2)->commentIndex = doc->comments.append("two");
    lineAt(*doc, 4)->state = LineState::Selected;
    doc->lines.setCursor(lineAt(*doc, 3));

    LineList clipboard;
    cutSelection(*doc, clipboard);
    EXPECT_EQ(labels(doc->lines), (std::vector<std::string>{"", "L1", "L3"}));
    EXPECT_EQ(labels(clipboard), (std::vector<std::string>{"L2", "L4"}));
    EXPECT_FALSE(doc->labels.holds("L2"));
    EXPECT_EQ(doc->lines.cursor(), doc->headerLine());
    EXPECT_EQ(doc->lines.countSelected(), 0);
    EXPECT_TRUE(doc->modified);

    doc->lines.setCursor(lineAt(*doc, 1));
    pasteClipboard(clipboard, *doc);
    EXPECT_EQ(labels(doc->lines), (std::vector<std::string>{"", "L1", "L2", "L4", "L3"}));
    EXPECT_EQ(lineAt(*doc, 2)->commentIndex, -1);
    EXPECT_EQ(doc->lines.countSelected(), 0);
}

TEST_F(LineCommandsTest, EmptySelectionAndEmptyClipboard)
{
    auto doc = program(2);
    LineList clipboard;
    ProgramLine old;
    clipboard.insertAfterCursor(old);
    copySelection(*doc, clipboard);
    EXPECT_TRUE(clipboard.empty()) << "Copy with nothing selected empties the clipboard";

    pasteClipboard(clipboard, *doc);
    EXPECT_EQ(doc->lines.count(), 3);
    EXPECT_TRUE(doc->modified) << "an empty paste still marks the document";

    // Whatever state the header line carries, deleting the selection keeps it.
    doc->headerLine()->state = LineState::Selected;
    deleteSelection(*doc);
    EXPECT_EQ(doc->lines.count(), 3);
    EXPECT_EQ(doc->headerLine()->code, kHeaderCode);
}

} // namespace

// States of lines 0 to 6 as letters: H header, N Normal, S Selected, I Inactive.
TEST_F(LineCommandsTest, ASelectionRunSelectsFromItsAnchorToTheCursor)
{
    auto states = [](const ProgramDocument& doc) {
        std::string all;
        for (const ProgramLine& line : doc.lines)
            all += &line == doc.lines.first() ? 'H' : line.isSelected() ? 'S' : line.isInactive() ? 'I' : 'N';
        return all;
    };
    struct Row {
        const char* name;
        const char* before;
        int anchor;
        std::vector<int> moves;  // the cursor's positions, one extension each
        const char* after;
    };
    const Row rows[] = {
        {"down two", "HNNNNNN", 2, {3, 4}, "HNSSSNN"},
        {"down, then back up past the anchor", "HNNNNNN", 3, {5, 4, 3, 2, 1}, "HSSSNNN"},
        {"a line selected before the run stays selected", "HNNNSNN", 2, {5, 2}, "HNSNSNN"},
        {"inactive lines and the header are left alone", "HNINNNN", 4, {1, 0}, "HSISSNN"},
        {"a page at once", "HNNNNNN", 1, {6}, "HSSSSSS"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto doc = program(6);
        int index = 0;
        for (ProgramLine& line : doc->lines) {
            const char state = row.before[index++];
            line.state = state == 'S' ? LineState::Selected : state == 'I' ? LineState::Inactive : LineState::Normal;
        }
        SelectionRun run;
        run.start(row.anchor);
        for (int position : row.moves) {
            run.extendTo(*doc, position);
            EXPECT_TRUE(run.continuesAt(position, doc->lines.count()));
        }
        EXPECT_EQ(states(*doc), row.after);
        // Anywhere else, or after the program changed, a run starts afresh.
        EXPECT_FALSE(run.continuesAt(row.moves.back() == 6 ? 5 : 6, doc->lines.count()));
        EXPECT_FALSE(run.continuesAt(row.moves.back(), doc->lines.count() + 1));
        run.stop();
        EXPECT_FALSE(run.continuesAt(row.moves.back(), doc->lines.count()));
    }

    auto doc = program(3);
    selectAll(*doc);
    EXPECT_EQ(deselectAll(*doc), 3);
    EXPECT_EQ(states(*doc), "HNNN");
    EXPECT_EQ(deselectAll(*doc), 0);
}
