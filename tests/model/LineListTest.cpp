#include "model/LineList.h"
#include "model/NameValueTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvik {
namespace {

ProgramLine line(std::string_view label, int code = 15, LineState state = LineState::Normal, int comment = -1)
{
    ProgramLine record;
    record.setLabel(label);
    record.code = code;
    record.state = state;
    record.commentIndex = comment;
    return record;
}

// The labels in list order, after checking that the links agree both ways and with count.
std::vector<std::string> labelsOf(LineList& list)
{
    std::vector<std::string> labels;
    const ProgramLine* previous = list.head();
    for (ProgramLine* at = list.first(); at != list.endSentinel(); at = at->next) {
        EXPECT_EQ(at->prev, previous);
        labels.emplace_back(at->labelText());
        previous = at;
    }
    EXPECT_EQ(list.endSentinel()->prev, previous);
    EXPECT_EQ(static_cast<int>(labels.size()), list.count());
    return labels;
}

using Labels = std::vector<std::string>;

TEST(LineList, InsertingIntoAnEmptyListMakesTheCopyFirstLineAndCursor)
{
    LineList list;
    EXPECT_EQ(list.cursor(), list.head());
    ProgramLine source = line("A");
    ProgramLine* inserted = list.insertAfterCursor(source);
    ASSERT_NE(inserted, &source);
    EXPECT_EQ(list.first(), inserted);
    EXPECT_EQ(list.cursor(), inserted);
    EXPECT_EQ(list.count(), 1);
    source.setLabel("changed");
    EXPECT_EQ(inserted->labelText(), "A") << "the list keeps a copy, not the source";
    EXPECT_EQ(list.positionOf(inserted), 1);
}

TEST(LineList, InsertionGoesAfterTheCursor)
{
    LineList list;
    list.insertAfterCursor(line("A"));
    list.insertAfterCursor(line("C"));
    list.setCursor(list.first());
    list.insertAfterCursor(line("B"));
    EXPECT_EQ(labelsOf(list), (Labels{"A", "B", "C"}));
    EXPECT_EQ(list.cursor()->labelText(), "B");
}

TEST(LineList, RemovingTheLastLineMovesTheCursorBackAnyOtherForward)
{
    struct Row {
        int position;
        Labels left;
        std::string cursor;
    };
    const Row rows[] = {
        {3, {"A", "B"}, "B"},
        {2, {"A", "C"}, "C"},
        {1, {"B", "C"}, "B"},
    };
    for (const Row& row : rows) {
        LineList list;
        for (const char* label : {"A", "B", "C"})
            list.insertAfterCursor(line(label));
        list.setCursor(list.stepForward(list.head(), row.position));
        list.removeAtCursor();
        EXPECT_EQ(labelsOf(list), row.left) << row.position;
        EXPECT_EQ(list.cursor()->labelText(), row.cursor) << row.position;
    }

    LineList single;
    single.insertAfterCursor(line("ONLY"));
    single.removeAtCursor();
    EXPECT_EQ(single.count(), 0);
    EXPECT_EQ(single.cursor(), single.head());
    single.removeAtCursor();
    EXPECT_EQ(single.count(), 0);
}

TEST(LineList, CursorMovesAndStepsStayInsideTheLines)
{
    LineList list;
    for (const char* label : {"A", "B", "C", "D"})
        list.insertAfterCursor(line(label));
    list.moveCursor(3, 1);
    EXPECT_EQ(list.cursor()->labelText(), "B");
    list.moveCursor(0, 1);
    EXPECT_EQ(list.cursor()->labelText(), "C");
    list.moveCursor(0, 100);
    EXPECT_EQ(list.cursor()->labelText(), "D");
    list.moveCursor(100, 0);
    EXPECT_EQ(list.cursor()->labelText(), "A");
    EXPECT_EQ(list.stepForward(list.first(), 2)->labelText(), "C");
    EXPECT_EQ(list.stepForward(list.first(), 50), list.endSentinel());
}

TEST(LineClipboard, CopyTakesTheSelectedLinesInOrderWithStateAndComment)
{
    LineList doc;
    doc.insertAfterCursor(line("A", 15, LineState::Selected, 3));
    doc.insertAfterCursor(line("B", 15, LineState::Inactive));
    doc.insertAfterCursor(line("C", 24, LineState::Selected));
    LineList clipboard;
    clipboard.insertAfterCursor(line("OLD"));

    copySelectedLines(doc, clipboard);
    EXPECT_EQ(labelsOf(clipboard), (Labels{"A", "C"}));
    EXPECT_TRUE(clipboard.first()->isSelected());
    EXPECT_EQ(clipboard.first()->commentIndex, 3);
    EXPECT_EQ(labelsOf(doc), (Labels{"A", "B", "C"})) << "copy leaves the program alone";

    doc.first()->state = LineState::Normal;
    doc.last()->state = LineState::Normal;
    copySelectedLines(doc, clipboard);
    EXPECT_EQ(clipboard.count(), 0) << "no selection empties the clipboard";
}

TEST(LineClipboard, PastingTwiceInsertsTwoNormalCommentlessCopiesAfterTheCursor)
{
    LineList source;
    source.insertAfterCursor(line("A", 15, LineState::Selected, 1));
    source.insertAfterCursor(line("B", 24, LineState::Selected, 2));
    LineList clipboard;
    copySelectedLines(source, clipboard);

    LineList target;
    target.insertAfterCursor(line("X"));
    target.insertAfterCursor(line("Y"));
    target.setCursor(target.first());
    pasteLines(clipboard, target);
    EXPECT_EQ(target.cursor()->labelText(), "B");
    pasteLines(clipboard, target);
    EXPECT_EQ(labelsOf(target), (Labels{"X", "A", "B", "A", "B", "Y"}));
    for (const ProgramLine& pasted : target) {
        EXPECT_EQ(pasted.state, LineState::Normal);
        EXPECT_EQ(pasted.commentIndex, -1);
    }
    EXPECT_EQ(clipboard.count(), 2) << "the clipboard keeps its lines";
    EXPECT_EQ(source.first()->commentIndex, 1) << "the copied program keeps its comments";

    LineList empty;
    pasteLines(empty, target);
    EXPECT_EQ(target.count(), 6);
}

TEST(LineList, RemovingTheSelectionDropsTheLabelsOfTheRemovedLinesOnly)
{
    LineList list;
    list.insertAfterCursor(line("HEAD", 100));
    list.insertAfterCursor(line("START", 24, LineState::Selected));
    list.insertAfterCursor(line("LOOP", 15));
    list.insertAfterCursor(line("", 15, LineState::Selected));
    list.insertAfterCursor(line("UNKNOWN", 15, LineState::Selected));
    list.insertAfterCursor(line("END", 15, LineState::Selected));
    NameValueTable labels;
    for (const char* name : {"START", "LOOP", "END"})
        labels.insert(name, "");

    list.removeSelected(&labels);
    EXPECT_EQ(labelsOf(list), (Labels{"HEAD", "LOOP"}));
    EXPECT_EQ(labels.count(), 1);
    EXPECT_TRUE(labels.holds("LOOP"));
    EXPECT_TRUE(list.isLine(list.cursor()) || list.cursor() == list.head());

    list.removeSelected(&labels);
    EXPECT_EQ(labelsOf(list), (Labels{"HEAD", "LOOP"})) << "nothing selected, nothing removed";
}

} // namespace
} // namespace tarvik
