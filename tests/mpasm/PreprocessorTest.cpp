// What happens to a line before it is read: #define names replaced, macros expanded, and
// conditional assembly evaluated, each directive as gpasm reads it.

#include "mpasm/Preprocessor.h"

#include "ImportSummary.h"

#include <gtest/gtest.h>

#include <set>

namespace tarvik::mpasm {
namespace {

struct DirectiveRow {
    std::string directive;
    std::string source;
    std::string summary;  // as test::importSummary writes it
};

TEST(MpasmPreprocessor, EachDirectiveDoesWhatGpasmDoes)
{
    const std::vector<DirectiveRow> rows = {
        {"if", "K equ 3\n if K * 2 == 6 && K != 0\n nop\n endif\n", "0000"},
        {"ifdef", "X equ 1\n ifdef X\n nop\n endif\n", "0000"},
        {"ifndef", " ifndef X\n clrw\n endif\n", "0100"},
        {"else", " if 0\n nop\n else\n clrw\n endif\n", "0100 note 1: if 0 is false: line 2 is left out"},
        {"endif", " if 1\n endif\n nop\n", "0000"},
        {"#if", "#if 1\n nop\n#endif\n", "0000"},
        {"#ifdef", "#define D\n#ifdef D\n nop\n#endif\n", "0000"},
        {"#ifndef", "#ifndef D\n nop\n#endif\n", "0000"},
        {"#else", "#if 1\n nop\n#else\n clrw\n sleep\n#endif\n",
         "0000 note 3: the condition of line 1 is true: lines 4 to 5 are left out"},
        {"#endif", "#if 1\n#endif\n nop\n", "0000"},
        {"#define", "#define K 5\n#define LOAD(x) movlw x\n LOAD(K+1)\n", "3006"},
        {"#undefine", "#define K\n#undefine K\n ifdef K\n nop\n endif\n clrw\n",
         "0100 note 3: ifdef K is false: line 4 is left out"},
        {"macro", "m macro a, b\n movlw a\n addlw b\n endm\n m 7, 1\n m 8, 0\n", "3007 3E01 3008 3E00"},
        {"endm", "m macro\n endm\n m\n nop\n", "0000"},
        {"local", "m macro\n local l\nl goto l\n endm\n m\n m\n", "2800 2801"},
        {"exitm", "m macro a\n if a == 0\n exitm\n endif\n movlw a\n endm\n m 0\n m 1\n", "3001"},
    };
    std::set<std::string> covered;
    for (const DirectiveRow& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(test::importSummary(row.source), row.summary);
        EXPECT_TRUE(Preprocessor::isDirective(row.directive));
        covered.insert(row.directive);
    }
    for (std::string_view directive : Preprocessor::directives())
        EXPECT_EQ(covered.count(std::string(directive)), 1u) << directive << " has no row";
}

// Substitution as gpasm does it: whole names only, never in quotes, numbers or comments, a
// #define of a name in another, a macro called in column 1 or with a label.
TEST(MpasmPreprocessor, NamesAreReplacedWhereGpasmReplacesThem)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"#define A 1\n movlw 'A'\n movlw H'A'\n movlw A\n movlw AA\nAA equ 2\n", "3041 300A 3001 3002"},
        {"#define B C\n#define C 4\n movlw B ; B stays in the comment\n", "3004"},
        {"#define ON bsf 6,0\nON\n", "1406"},
        {"m macro\n nop\n endm\nm\nhere m\n goto here\n", "0000 0000 2801"},
        {"m macro\n local x, y\nx goto y\ny goto x\n endm\nx1 nop\n m\n", "0000 2802 2801"},
        {"inner macro x\n movlw x\n endm\nouter macro y\n inner y+1\n endm\n outer 1\n", "3002"},
        {" list p=16f84a\n ifdef __16F84A\n nop\n endif\n ifdef __16C84\n clrw\n endif\n",
         "0000 note 5: ifdef __16C84 is false: line 6 is left out"},
    };
    for (const auto& [source, summary] : rows) {
        SCOPED_TRACE(source);
        EXPECT_EQ(test::importSummary(source), summary);
    }
}

TEST(MpasmPreprocessor, WhatGpasmWouldNotReadIsRefusedAtItsLine)
{
    // Each level calls the next twice: far more lines than any program is made of.
    std::string doubling;
    for (int level = 0; level < 24; ++level)
        doubling += "m" + std::to_string(level) + " macro\n m" + std::to_string(level - 1) + "\n m"
            + std::to_string(level - 1) + "\n endm\n";
    doubling.replace(doubling.find(" m-1\n m-1\n"), 10, " if 0\n endif\n");
    doubling += " m23\n";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {doubling, "line 97: macros make more than 262144 lines (in macro m0)"},
        {" nop\n endm\n", "line 2: endm without macro"},
        {" else\n", "line 1: else without if"},
        {" if 1\n else\n else\n endif\n", "line 3: else without if"},
        {" endif\n", "line 1: endif without if"},
        {" nop\n if 1\n nop\n", "line 2: if without endif"},
        {"m macro\n nop\n", "line 1: macro m without endm"},
        {"m macro\n endm\nm macro\n endm\n", "line 3: macro m is already defined (line 1)"},
        {"m macro\nm macro\n endm\n endm\n m\n", "line 5: macro m is already defined (line 1) (in macro m)"},
        {" macro\n", "line 1: macro needs a name in column 1"},
        {" local x\n", "line 1: local outside a macro"},
        {" exitm\n", "line 1: exitm outside a macro"},
        {" ifdef\n", "line 1: ifdef needs a name"},
        {" if UNKNOWN\n endif\n", "line 1: UNKNOWN is not defined"},
        {"m macro a\n endm\n m 1, 2\n", "line 3: macro m takes 1 argument"},
        {"#define F(a) a\n movlw F(1, 2)\n", "line 2: F takes 1 argument"},
        {"#define A B\n#define B A\n movlw A\n", "line 3: #define names go on standing for each other without end"},
        {"m macro\n movlw UNKNOWN\n endm\n nop\n m\n", "line 5: UNKNOWN is not defined (in macro m)"},
        {"m macro\n if 1\n endm\n m\n", "line 4: if without endif in macro m"},
        {"m macro\n m\n endm\n m\n", "line 4: macro m is called within itself more than 32 deep (in macro m)"},
        {"#define A A A\n movlw A\n", "line 2: #define names go on standing for each other without end"},
        {"m macro a\n movlw a+a+a+a+a+a+a+a\n endm\n m " + std::string(600, '1') + "\n",
         "line 4: a line made by #define or a macro is longer than 4096 characters (in macro m)"},
    };
    for (const auto& [source, summary] : rows) {
        SCOPED_TRACE(source);
        EXPECT_EQ(test::importSummary(source), summary);
    }
}

// The lines a macro or a #define of an instruction makes say where they come from, where
// their comment has room; the call keeps its label and comment on a line of its own.
TEST(MpasmPreprocessor, MadeLinesSayWhereTheyComeFrom)
{
    const std::string source =
        "#define ON bsf 6,0\n"
        "m macro\n"
        " nop ; body comment\n"
        " clrw\n"
        " endm\n"
        "here m ; call comment\n"
        " ON\n"
        " ON ; a comment long enough to leave no room for the rest\n";
    const DeviceDefaults defaults;
    const ImportOutcome outcome = importMpasmSource(source, defaults);
    ASSERT_TRUE(outcome.document) << outcome.refusal->text;
    const ProgramDocument& doc = *outcome.document;
    std::vector<std::string> rows;
    for (const ProgramLine& line : doc.lines)
        rows.push_back(std::string(line.labelText()) + "|" + std::string(line.operandText()) + "|"
                       + std::string(doc.comments.textAt(line.commentIndex)));
    const std::vector<std::string> expected = {
        "||",
        "here||call comment",
        "||body comment (from m)",
        "||from m",
        "|PORTB,0|from ON",
        "|PORTB,0|a comment long enough to leave no room for the rest",
    };
    EXPECT_EQ(rows, expected);
}

} // namespace
} // namespace tarvik::mpasm
