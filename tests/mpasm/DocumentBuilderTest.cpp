// The lines the importer builds: comments cut to the comment field, and a program that would
// not assemble refused at the source line of the failing program line.

#include "mpasm/DocumentBuilder.h"

#include "ImportSummary.h"

#include <gtest/gtest.h>

namespace tarvik::mpasm {
namespace {

TEST(MpasmDocumentBuilder, LongCommentIsCutAtABlankIntoPiecesThatFitTheField)
{
    const std::string fits(51, 'x');
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
        {"", {}},
        {"short", {"short"}},
        {fits, {fits}},
        {fits + "y", {fits, "y"}},
        {"a comment longer than the fifty-one characters a program's comment holds",
         {"a comment longer than the fifty-one characters a", "program's comment holds"}},
        {std::string(60, '\xE9'), {std::string(51, '\xE9'), std::string(9, '\xE9')}},
        {" " + std::string(60, 'z'), {" " + std::string(50, 'z'), std::string(10, 'z')}},
        // No blank ends a piece: a source line would not give it back.
        {std::string(50, 'a') + "  b", {std::string(50, 'a'), "b"}},
    };
    for (const auto& [comment, pieces] : rows) {
        SCOPED_TRACE(comment);
        EXPECT_EQ(DocumentBuilder::commentPieces(comment), pieces);
    }
}

TEST(MpasmDocumentBuilder, ProgramThatWouldNotAssembleIsRefusedAtTheSourceLineAtFault)
{
    const std::string exported = "; MPASM source exported by Tarvik for the PIC16C84 (gpasm -a inhx8m).\n";
    const std::vector<std::pair<std::string, std::string>> rows = {
        // An Inactive ORG line whose address does not read as one.
        {exported + " nop\n;#        org     foo\n nop\n", "line 3: the program would not assemble: Error in line:2"},
        // The comment of line 2 takes two program lines.
        {exported + " nop ; a comment long enough to be cut into two pieces of comment here\n;#        org     foo\n",
         "line 3: the program would not assemble: Error in line:3"},
        // Anything after the last word of memory.
        {" org 0x3FF\n nop\n ; after\n", "line 3: the program would not assemble: Error in line 3: program out of range."},
    };
    for (const auto& [source, summary] : rows) {
        SCOPED_TRACE(source);
        EXPECT_EQ(test::importSummary(source), summary);
    }
}

// A renamed name's definition keeps the old name in its comment: the line with its label, the
// comment of its equ, or a line of its own where the definition left none.
TEST(MpasmDocumentBuilder, RenamedNameKeepsItsOldNameWhereItIsDefined)
{
    const std::string source =
        "W_TEMP  equ 0x0C        ; saved W\n"
        "COUNT_A equ 0x0D\n"
        "        cblock 0x0E\n"
        "          a_1, b_2\n"
        "        endc\n"
        "main_loop movwf W_TEMP  ; save\n"
        "        movwf COUNT_A\n"
        "        clrf a_1\n"
        "        clrf b_2\n"
        "next_one goto main_loop\n";
    const DeviceDefaults defaults;
    const ImportOutcome outcome = importMpasmSource(source, defaults);
    ASSERT_TRUE(outcome.document) << outcome.refusal->text;
    const ProgramDocument& doc = *outcome.document;
    std::vector<std::string> rows;
    for (const ProgramLine& line : doc.lines)
        if (line.code != kHeaderCode)
            rows.push_back(std::string(line.labelText()) + "|" + std::string(doc.comments.textAt(line.commentIndex)));
    const std::vector<std::string> expected = {
        "|WTEMP: saved W (was W_TEMP)", "|COUNTA: was COUNT_A", "|a1: was a_1", "|b2: was b_2",
        "mainloop|save (was main_loop)", "|", "|", "|", "nextone|was next_one",
    };
    EXPECT_EQ(rows, expected);
}

} // namespace
} // namespace tarvik::mpasm
