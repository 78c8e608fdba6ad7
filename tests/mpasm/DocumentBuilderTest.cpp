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

} // namespace
} // namespace tarvik::mpasm
