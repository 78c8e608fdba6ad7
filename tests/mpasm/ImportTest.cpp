// MPASM source as people write it, imported and checked against gpasm; and everything a
// program cannot hold refused with its line, never guessed.

#include "assembler/ConvertToHex.h"
#include "model/Names.h"
#include "mpasm/Import.h"

#include "../assembler/HexText.h"
#include "FakeScreen.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarvik {
namespace {

const std::string kDataDir = std::string(TARVIK_TEST_DATA_DIR) + "/mpasm";

std::unique_ptr<ProgramDocument> imported(const std::string& source, const DeviceDefaults& defaults)
{
    ImportOutcome outcome = importMpasmSource(source, defaults);
    EXPECT_TRUE(outcome.document) << formatImportMessage("source.asm", *outcome.refusal);
    return std::move(outcome.document);
}

test::MemoryImage assembled(ProgramDocument& doc)
{
    test::FakeScreen screen;
    HexImage image;
    EXPECT_TRUE(assembleProgram(doc, screen, image)) << ::testing::PrintToString(screen.texts());
    EXPECT_TRUE(screen.messages.empty());
    return test::memoryOf(image);
}

// gpasm's program memory, configuration word and data EEPROM, clrw as 0x0100 like ours.
test::MemoryImage programMemory(test::MemoryImage memory)
{
    const auto kept = [](int address) {
        return address < 2 * HexImage::kProgramWords || address / 2 == kConfigAddress
            || (address / 2 >= kEepromAddress && address / 2 < kEepromAddress + kEepromSize);
    };
    for (auto it = memory.begin(); it != memory.end();)
        it = kept(it->first) ? std::next(it) : memory.erase(it);
    for (auto& [address, byte] : memory)
        if (address % 2 == 0 && byte == 0x03 && memory.count(address + 1) && memory[address + 1] == 0x01)
            byte = 0x00;
    return memory;
}

std::string readSource(const std::string& name) { return test::readWholeFile(kDataDir + "/" + name); }

// Each source in the styles people write: a cblock delay loop with #include and __config,
// a dt table behind a computed goto, every special mnemonic, every number notation, and
// interrupt vectors with header names. gpasm assembles each to the image of the import.
TEST(MpasmImport, SourcesAsPeopleWriteThemGiveGpasmsImage)
{
    const std::vector<std::string> sources = {"delay.asm", "table.asm", "shorthand.asm", "notations.asm",
                                              "vectors.asm", "noprocessor.asm"};
    test::TempDir dir;
    for (const std::string& name : sources)
        std::filesystem::copy_file(kDataDir + "/" + name, dir.path(name));
    // gpasm is told the chip only where the source does not name it.
    const std::string command = "cd '" + dir.root().string() + "' && command -v gpasm > /dev/null"
        + " && for f in *.asm; do p=; grep -qiE '^[[:space:]]*(processor|list[[:space:]]+p=)' \"$f\" || p='-p p16f84a';"
        + " gpasm $p -a inhx8m \"$f\" > \"${f%.asm}.log\" 2>&1; done";
    ASSERT_EQ(std::system(command.c_str()), 0) << "gpasm is missing (scripts/install-deps.sh installs gputils)";

    DeviceDefaults defaults;
    for (const std::string& name : sources) {
        SCOPED_TRACE(name);
        const std::string stem = name.substr(0, name.size() - 4);
        const auto theirs = test::parseIntelHex(test::readWholeFile(dir.path(stem + ".hex")));
        ASSERT_TRUE(theirs.has_value()) << test::readWholeFile(dir.path(stem + ".log"));
        auto doc = imported(readSource(name), defaults);
        ASSERT_TRUE(doc);
        EXPECT_EQ(assembled(*doc), programMemory(*theirs));
    }
}

const ProgramLine* lineWithOperand(const ProgramDocument& doc, int code, std::string_view operand)
{
    for (const ProgramLine& line : doc.lines)
        if (line.code == code && line.operandText() == operand)
            return &line;
    return nullptr;
}

// What the names of a source become: registers, bits and literals of the program, labels on
// the lines they stand for, the chip's header names as the chip's own names.
TEST(MpasmImport, NamesTakeTheRoleTheyAreUsedIn)
{
    DeviceDefaults defaults;
    auto delay = imported(readSource("delay.asm"), defaults);
    ASSERT_TRUE(delay);
    EXPECT_EQ(delay->userRegisters0.addressOf("d1"), 0x0C);
    EXPECT_EQ(delay->registerFile0.find(0x0D)->nameText(), "d2");
    // goto $-1 lands on the line labelled Inner, so it jumps there by name.
    EXPECT_TRUE(lineWithOperand(*delay, 27, "Inner"));
    EXPECT_TRUE(lineWithOperand(*delay, 16, "RP0"));
    EXPECT_TRUE(lineWithOperand(*delay, 24, "H'FF'"));
    EXPECT_TRUE(lineWithOperand(*delay, 17, "PORTB,0"));
    EXPECT_TRUE(delay->untitled);
    EXPECT_TRUE(delay->modified);

    auto vectors = imported(readSource("vectors.asm"), defaults);
    ASSERT_TRUE(vectors);
    EXPECT_TRUE(lineWithOperand(*vectors, 7, "OPTION"));  // OPTION_REG
    EXPECT_TRUE(lineWithOperand(*vectors, 16, "T0IE"));   // TMR0IE
    const BitEntry* led = vectors->userBits.find("LED");
    ASSERT_TRUE(led);
    EXPECT_EQ(led->address, 0x86);
    EXPECT_EQ(led->bit, 1);
    EXPECT_TRUE(lineWithOperand(*vectors, 24, "b'10000111'"));

    auto table = imported(readSource("table.asm"), defaults);
    ASSERT_TRUE(table);
    int retlw = 0;
    for (const ProgramLine& line : table->lines)
        retlw += line.code == 29;
    EXPECT_EQ(retlw, 14);  // ten digits, "Hi!" and its terminating 0
    EXPECT_TRUE(lineWithOperand(*table, 29, "'H'"));
    EXPECT_TRUE(lineWithOperand(*table, 29, "33"));  // '!' is no letter or digit

    auto special = imported(readSource("shorthand.asm"), defaults);
    ASSERT_TRUE(special);
    EXPECT_EQ(special->literals.valueOf("READY"), std::nullopt);  // a bit, not a literal
    ASSERT_TRUE(special->userBits.find("READY"));
    // BNZ $+2 jumps two words past its own goto: a label is made on the line there.
    EXPECT_TRUE(special->labels.holds("L015"));
    EXPECT_TRUE(lineWithOperand(*special, 27, "L015"));

    auto own = imported("RA4 equ 4\nINT equ 0x0C\n bsf 5,RA4\n clrf INT\n", defaults);
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->userBits.find("RA4"));
    EXPECT_EQ(own->userRegisters0.addressOf("INT"), 0x0C);

    auto notations = imported(readSource("notations.asm"), defaults);
    ASSERT_TRUE(notations);
    EXPECT_EQ(notations->literals.valueOf("MASK"), "b'00001111'");
    EXPECT_EQ(notations->literals.valueOf("LIMIT"), "100");
}

TEST(MpasmImport, LayoutCommentsAndConfigurationAreKeptOrReported)
{
    DeviceDefaults defaults;
    const std::string source =
        "; header comment\n"
        "\n"
        "        processor 16f84a\n"
        "        __config 0x3FF1\n"
        "COUNT   equ 0x20       ; loop counter\n"
        "start                  ; the loop\n"
        "        decfsz COUNT   ; a comment longer than the fifty-one characters a program's comment holds\n"
        "        goto start\n"
        "        end\n"
        "        this line is never read\n";
    const ImportOutcome outcome = importMpasmSource(source, defaults);
    ASSERT_TRUE(outcome.document) << outcome.refusal->text;
    EXPECT_TRUE(outcome.notes.empty());
    EXPECT_EQ(outcome.document->configWord, 0x3FF1);
    const ProgramDocument& doc = *outcome.document;
    std::vector<std::string> rows;
    for (const ProgramLine& line : doc.lines)
        rows.push_back(std::to_string(line.code) + " " + std::string(line.labelText()) + " "
                       + std::string(line.operandText()) + " " + std::string(doc.comments.textAt(line.commentIndex)));
    const std::vector<std::string> expected = {
        "100   ",
        "102   header comment",
        "102   ",
        "102   COUNT: loop counter",
        "102 start  the loop",
        "21  COUNT a comment longer than the fifty-one characters a",
        "102   program's comment holds",
        "27  start ",
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(doc.lines.first()->next->next->next->next->next->destination, 0);  // decfsz to f
}

// Small sources read the way gpasm reads them, each to the words it must give.
TEST(MpasmImport, SourcesReadAsGpasmReadsThem)
{
    const std::vector<std::pair<std::string, std::vector<int>>> cases = {
        {"\xEF\xBB\xBF; a byte order mark first\n nop\n", {0x0000}},
        {" #include \"C:\\gputils\\header\\P16F84A.INC\"\n movwf PORTB\n movwf OPTION_REG\n", {0x0086, 0x0081}},
        {" addwf 0x0C,w\n addwf 0x0C,F\n addwf 0x0C\n", {0x070C, 0x078C, 0x078C}},
        {"start\nnext: clrw\n goto start\n goto next\n goto $\n", {0x0100, 0x2800, 0x2800, 0x2803}},
        {" radix dec\n movlw 10\n radix hex\n movlw 10\n", {0x300A, 0x3010}},
        {"X set 3\n constant Y=4\n movlw X+Y\n", {0x3007}},
        {" cblock 0x20\n a, b:2\n c\n endc\n movwf c\n", {0x00A3}},
        {" org 2\n banksel 0x85\n bankisel 0x20\n pagesel 2\n", {0x1683, 0x1383}},
        // The header's extra names are the chip's only where the header is included.
        {"RA4 equ 4\n bsf 5,RA4\n", {0x1605}},
    };
    DeviceDefaults defaults;
    for (const auto& [source, words] : cases) {
        SCOPED_TRACE(source);
        auto doc = imported(source, defaults);
        ASSERT_TRUE(doc);
        test::FakeScreen screen;
        HexImage image;
        ASSERT_TRUE(assembleProgram(*doc, screen, image));
        EXPECT_EQ(test::wordsOf(image), words);
    }
}

struct Refused {
    std::string source;
    int line;
    std::string text;
};

// Everything a program cannot represent, each refused at its line with the reason.
TEST(MpasmImport, WhatAProgramCannotHoldIsRefusedAtItsLine)
{
    std::vector<Refused> cases = {
        {"delay macro\n nop\n endm\n", 1, "macros cannot be imported"},
        {" nop\n ifdef X\n nop\n endif\n", 2, "conditional assembly cannot be imported"},
        {"#define LED PORTB,0\n", 1, "#define cannot be imported"},
        {" cblock 0x20\n x\n endc\n udata\nbuf res 4\n", 4, "relocatable sections cannot be imported"},
        {" org 0x2108\n de 1,2\n", 1, "org 0x2108 inside the data EEPROM cannot be imported: assemblers disagree "
                                        "where it lands; start its data at org 0x2100"},
        {" dw 0x3FFF\n", 1, "dw cannot be imported: a program holds only instructions (use dt)"},
        {"X equ 0x0C\n movwf X\n movlw X\n", 3,
         "X is used as a literal here and as a register in line 2: a program name has one role"},
        {"LED equ 1\n bsf 5,LED\n bsf 6,LED\n", 3, "LED is used as a bit of two registers (0x05 in line 2)"},
        {" movwf 0x30\n", 1, "register 0x30 lies past the PIC16C84's RAM (0x2F)"},
        {" org 0x3FF\n nop\n nop\n", 3, "code past program memory (1024 words)"},
        {"ThisLabelIsTooLong nop\n", 1, "label ThisLabelIsTooLong is longer than 14 characters"},
        {"W_TEMP equ 0x0C\n movwf W_TEMP\n", 2,
         "register W_TEMP is not a valid name: only letters and digits, first a letter"},
        {" #include \"mydefs.inc\"\n", 1,
         "include mydefs.inc cannot be imported: only the chip's header (p16c84.inc, p16f84.inc, p16f84a.inc) is known"},
        {" list p=16f628a\n", 1, "processor 16f628a is not supported: only 16C84, 16F84 and 16F84A"},
        {" org 0x10\n nop\n org 0x08\n", 3, "org 0x08 goes back below 0x11: a program places its code in rising addresses"},
        {" radix dec\n movlw 300\n", 2, "literal 300 is out of range (0 to 255)"},
        {" movlw 00011111B\n", 1, "literal 1118491 is out of range (0 to 255)"},  // hexadecimal in radix hex
        {" movwf COUNT\n", 1, "COUNT is not defined"},
        {" option\n", 1, "option cannot be imported: it is not one of the 35 instructions"},
        {" frobnicate 3\n", 1, "unknown mnemonic or directive 'frobnicate'"},
        {"P equ 0x0C\nQ equ 0x0C\n movwf P\n movwf Q\n", 4,
         "register 0x0C is called both P (line 3) and Q: a program gives each register one name"},
        {" goto 0x200\n", 1, "jump target 0x200 is not the address of an instruction"},
        {"here nop\n movwf here\n", 2, "here is a label and cannot be used as a register"},
        {" bsf 3,8\n", 1, "bit number 8 is not 0 to 7"},
        {" addwf 0x0C,2\n", 1, "destination 2 is neither W (0) nor F (1)"},
        {" movlw (1+\n", 1, "missing operand"},
        {" movlw 1/0\n", 1, "division by zero"},
        {" cblock 0x0C\n a\n", 1, "cblock without endc"},
        {"X equ 1\nX equ 2\n", 2, "X is already defined (line 1)"},
    };
    std::string labels;
    for (int i = 0; i < 17000; ++i)
        labels += "a" + std::to_string(i) + "\n";
    cases.push_back({labels, 16385, "the source makes more than 16384 program lines: no program needs that many"});
    DeviceDefaults defaults;
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.source);
        const ImportOutcome outcome = importMpasmSource(c.source, defaults);
        EXPECT_FALSE(outcome.document);
        ASSERT_TRUE(outcome.refusal);
        EXPECT_EQ(formatImportMessage("s.asm", *outcome.refusal),
                  "s.asm:" + std::to_string(c.line) + ": " + c.text);
    }
}

class Windows : public DocumentWindows {
public:
    int documentCount() const override { return static_cast<int>(documents.size()); }
    ProgramDocument& documentAt(int index) override { return *documents.at(static_cast<std::size_t>(index)); }
    void setCaption(int, const std::string&) override {}
    void addDocument(std::unique_ptr<ProgramDocument> document, const std::string& caption) override
    {
        documents.push_back(std::move(document));
        captions.push_back(caption);
    }
    void activateDocument(int) override {}
    void destroyDocument(int) override {}
    std::vector<std::unique_ptr<ProgramDocument>> documents;
    std::vector<std::string> captions;
};

// The menu command: a new untitled, unsaved window, or the refusal shown and no window.
TEST(MpasmImport, FileCommandOpensAnUntitledDocumentOrShowsWhyNot)
{
    DeviceDefaults defaults;
    Windows windows;
    windows.addDocument(std::make_unique<ProgramDocument>(defaults), "Untitled1");
    test::FakeScreen screen;
    EXPECT_TRUE(importMpasmFile(windows, screen, defaults, kDataDir + "/delay.asm"));
    ASSERT_EQ(windows.documents.size(), 2u);
    EXPECT_EQ(windows.captions[1], "Untitled2");
    const ProgramDocument& doc = *windows.documents[1];
    EXPECT_EQ(doc.fileName, "Untitled2");
    EXPECT_TRUE(doc.untitled);
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(screen.texts().empty());
    EXPECT_EQ(doc.configWord, configWord(doc.device(), {Oscillator::XT, false, true, false}));

    test::TempDir dir;
    std::ofstream(dir.path("bad.asm")) << " nop\n res 4\n";
    test::FakeScreen refused;
    EXPECT_FALSE(importMpasmFile(windows, refused, defaults, dir.path("bad.asm")));
    EXPECT_FALSE(importMpasmFile(windows, refused, defaults, dir.path("missing.asm")));
    EXPECT_EQ(refused.texts(), (std::vector<std::string>{"bad.asm:2: res cannot be imported: a program holds no reserved data",
                                                        "missing.asm: cannot read the file"}));
    EXPECT_EQ(windows.documents.size(), 2u);
}

} // namespace
} // namespace tarvik
