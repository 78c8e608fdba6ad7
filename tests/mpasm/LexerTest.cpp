// Source lines taken apart as gpasm takes them: where the label ends, which word is the
// operation, and where a semicolon starts a comment and where it is only quoted.

#include "mpasm/Lexer.h"
#include "mpasm/SourceReader.h"

#include <gtest/gtest.h>

namespace tarvik::mpasm {
namespace {

struct LexedLine {
    std::string text;
    std::string label;
    std::string op;
    std::string operands;
    std::string comment;  // "-" for none
};

TEST(MpasmLexer, LineBecomesLabelOperationOperandsAndComment)
{
    const std::vector<LexedLine> rows = {
        {"start   movlw 5 ; load", "start", "movlw", "5", "load"},
        {"start:  movlw 5", "start", "movlw", "5", "-"},
        {"next:clrw", "next", "clrw", "", "-"},
        {"start", "start", "", "", "-"},
        {"here ; only a comment", "here", "", "", "only a comment"},
        {"        nop", "", "nop", "", "-"},
        // Column 1 holds an operation the importer knows, or else a label.
        {"movlw 5", "", "movlw", "5", "-"},
        {"ORG 0x10", "", "ORG", "0x10", "-"},
        {"#include <p16f84a.inc>", "", "#include", "<p16f84a.inc>", "-"},
        {"cblock 0x20", "", "cblock", "0x20", "-"},
        {"COUNT equ 0x20 ; counter", "COUNT", "equ", "0x20", "counter"},
        {"delay macro", "delay", "macro", "", "-"},
        {"frob 3", "frob", "3", "", "-"},
        // A semicolon in quotes is no comment; an escaped quote ends no quote.
        {" dt \"a;b\", 'c' ; table", "", "dt", "\"a;b\", 'c'", "table"},
        {" movlw ';' ; semicolon", "", "movlw", "';'", "semicolon"},
        {" movlw '\\'' ;; quote", "", "movlw", "'\\''", "; quote"},
        {" movlw A';' ;x", "", "movlw", "A';'", "x"},
        {" movlw H'3B';x", "", "movlw", "H'3B'", "x"},
        // One blank after the semicolon and the trailing ones go; tabs become blanks.
        {"\tnop\t;\ttab\tcomment\t ", "", "nop", "", "tab comment"},
        {" nop ;  two blanks", "", "nop", "", " two blanks"},
        {";", "", "", "", ""},
        {"   ", "", "", "", "-"},
    };
    const Lexer lexer(&SourceReader::isOperation);
    for (const LexedLine& row : rows) {
        SCOPED_TRACE(row.text);
        const Statement s = lexer.statement(row.text, 7);
        EXPECT_EQ(s.line, 7);
        EXPECT_EQ(s.label, row.label);
        EXPECT_EQ(s.op, row.op);
        EXPECT_EQ(s.opLower, lowerCase(row.op));
        EXPECT_EQ(s.operands, row.operands);
        EXPECT_EQ(s.hasComment ? s.comment : "-", row.comment);
        EXPECT_EQ(s.empty, row.label.empty() && row.op.empty());
    }
}

TEST(MpasmLexer, OperandsSplitAtCommasOutsideQuotesAndParentheses)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
        {"", {}},
        {"   ", {}},
        {"PORTB", {"PORTB"}},
        {" count , F ", {"count", "F"}},
        {"a,,b", {"a", "", "b"}},
        {"(1,2), 3", {"(1,2)", "3"}},
        {"high(x, y), low (z)", {"high(x, y)", "low (z)"}},
        {"',', 3", {"','", "3"}},
        {"'\\'', 1", {"'\\''", "1"}},
        {"\"a,b\", \"c\\\",d\"", {"\"a,b\"", "\"c\\\",d\""}},
        {"H'1F', B'101'", {"H'1F'", "B'101'"}},
    };
    for (const auto& [text, parts] : rows) {
        SCOPED_TRACE(text);
        const std::vector<std::string_view> split = Lexer::splitOperands(text);
        EXPECT_EQ(std::vector<std::string>(split.begin(), split.end()), parts);
    }
}

} // namespace
} // namespace tarvik::mpasm
