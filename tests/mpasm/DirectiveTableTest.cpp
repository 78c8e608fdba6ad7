// Every directive the importer knows, each on a line of its own: what the program becomes
// of it, or why it is refused. A directive added to the table without a row here fails.

#include "mpasm/DirectiveTable.h"

#include "ImportSummary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

namespace tarvik::mpasm {
namespace {

struct DirectiveRow {
    std::string directive;
    std::string source;
    std::string summary;  // as test::importSummary writes it
};

TEST(MpasmDirectiveTable, EachDirectiveReadDoesWhatItSays)
{
    const std::vector<DirectiveRow> rows = {
        {"processor", " processor 16f84a\n nop\n", "0000"},
        {"list", " list p=16f84a, r=dec\n movlw 10\n", "300A"},
        {"radix", " radix dec\n movlw 10\n", "300A"},
        {"include", " include <p16f84a.inc>\n movwf PORTB\n", "0086"},
        {"#include", "#include \"P16C84.INC\"\n bsf STATUS,RP0\n", "1683"},
        {"equ", "X equ 5\n movlw X\n", "3005"},
        {"set", "X set 5\n movlw X\n", "3005"},
        {"variable", "X variable 6\n movlw X\n", "3006"},
        {"=", "X = 7\n movlw X\n", "3007"},
        {"constant", " constant X=5, Y=2\n movlw X-Y\n", "3003"},
        {"cblock", " cblock 0x20\n a, b\n endc\n movwf b\n", "00A1"},
        {"endc", " endc\n", "line 1: endc without cblock"},
        {"org", " nop\n org 3\n nop\n", "0000 @3 0000"},
        {"dt", "T dt \"ab\", 0\n goto T\n", "3461 3462 3400 2800"},
        {"end", " nop\n end\n anything at all\n", "0000"},
        {"__config", " __config 0x3FF1\n", "@8199 3FF1"},
        {"de", " org 0x2100\n de 1, \"A\"\n", "@8448 0001 0041"},
        {"bankisel", " bankisel 0x20\n", "1383"},
        // Listing and message directives change no word, and a label on one stays.
        {"errorlevel", "here errorlevel -302\n goto here\n", "2800"},
        {"title", " title \"blink\"\n nop\n", "0000"},
        {"subtitle", " subtitle \"part\"\n nop\n", "0000"},
        {"stitle", " stitle \"part\"\n nop\n", "0000"},
        {"nolist", " nolist\n nop\n", "0000"},
        {"page", " page\n nop\n", "0000"},
        {"space", " space 2\n nop\n", "0000"},
        {"expand", " expand\n nop\n", "0000"},
        {"noexpand", " noexpand\n nop\n", "0000"},
        {"messg", " messg \"hello; world\"\n nop\n", "0000"},
        {"__maxram", " __maxram 0xFF\n nop\n", "0000"},
    };
    std::set<std::string> covered;
    for (const DirectiveRow& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(test::importSummary(row.source), row.summary);
        EXPECT_TRUE(DirectiveTable::find(row.directive)) << row.directive;
        covered.insert(row.directive);
    }
    for (const DirectiveTable::Directive& directive : DirectiveTable::directives())
        EXPECT_EQ(covered.count(std::string(directive.name)), 1u) << directive.name << " has no row";
}

TEST(MpasmDirectiveTable, DirectivesAProgramCannotHoldAreRefusedWithTheirReason)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"macro", "macros cannot be imported"},
        {"endm", "macros cannot be imported"},
        {"local", "macros cannot be imported"},
        {"exitm", "macros cannot be imported"},
        {"if", "conditional assembly cannot be imported"},
        {"ifdef", "conditional assembly cannot be imported"},
        {"ifndef", "conditional assembly cannot be imported"},
        {"else", "conditional assembly cannot be imported"},
        {"endif", "conditional assembly cannot be imported"},
        {"while", "conditional assembly cannot be imported"},
        {"endw", "conditional assembly cannot be imported"},
        {"#if", "conditional assembly cannot be imported"},
        {"#ifdef", "conditional assembly cannot be imported"},
        {"#ifndef", "conditional assembly cannot be imported"},
        {"#else", "conditional assembly cannot be imported"},
        {"#endif", "conditional assembly cannot be imported"},
        {"#define", "#define cannot be imported"},
        {"#undefine", "#define cannot be imported"},
        {"res", "res cannot be imported: a program holds no reserved data"},
        {"data", "data cannot be imported: a program holds only instructions (use dt)"},
        {"dw", "dw cannot be imported: a program holds only instructions (use dt)"},
        {"db", "db cannot be imported: a program holds only instructions (use dt)"},
        {"da", "da cannot be imported: a program holds only instructions (use dt)"},
        {"fill", "fill cannot be imported"},
        {"code", "relocatable sections cannot be imported"},
        {"udata", "relocatable sections cannot be imported"},
        {"udata_shr", "relocatable sections cannot be imported"},
        {"udata_ovr", "relocatable sections cannot be imported"},
        {"idata", "relocatable sections cannot be imported"},
        {"global", "relocatable sections cannot be imported"},
        {"extern", "relocatable sections cannot be imported"},
        {"__idlocs", "ID locations cannot be imported: a program holds no ID words"},
        {"__badram", "__badram cannot be imported"},
        {"option", "option cannot be imported: it is not one of the 35 instructions"},
        {"tris", "tris cannot be imported: it is not one of the 35 instructions"},
        {"error", "error directive in the source"},
    };
    std::set<std::string> covered;
    for (const auto& [directive, reason] : rows) {
        SCOPED_TRACE(directive);
        // In column 1 or after a blank, in any case, with or without operands.
        EXPECT_EQ(test::importSummary(" nop\n " + directive + "\n"), "line 2: " + reason);
        EXPECT_EQ(test::importSummary(directive + " 1, 2\n"), "line 1: " + reason);
        std::string upper = directive;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(test::importSummary("NAME " + upper + " x\n"), "line 1: " + reason);
        covered.insert(directive);
    }
    for (const DirectiveTable::Refused& directive : DirectiveTable::refused())
        EXPECT_EQ(covered.count(std::string(directive.name)), 1u) << directive.name << " has no row";
}

TEST(MpasmDirectiveTable, WordsThatAreNoOperationAreRefusedOrTakenForLabels)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {" frobnicate 3\n", "line 1: unknown mnemonic or directive 'frobnicate'"},
        {"FROB Frob 3\n", "line 1: unknown mnemonic or directive 'Frob'"},
        {" nop\n EQU 3\n", "line 2: EQU needs a name in column 1"},
        {"frob\n goto frob\n", "2800"},
    };
    for (const auto& [source, summary] : rows) {
        SCOPED_TRACE(source);
        EXPECT_EQ(test::importSummary(source), summary);
    }
    EXPECT_FALSE(DirectiveTable::knows("frobnicate"));
    EXPECT_FALSE(DirectiveTable::knows("movlw"));
    EXPECT_TRUE(DirectiveTable::knows("macro"));
    EXPECT_FALSE(DirectiveTable::find("macro"));
    EXPECT_FALSE(DirectiveTable::refusalOf("org"));
}

} // namespace
} // namespace tarvik::mpasm
