// Sources in the styles people write for the 16C84 and 16F84(A), one for each thing that
// kept such programs out: each imports into a program whose image is gpasm's image of the
// source, with the notes a person reads, or is refused with a line and a reason to act on.

#include "assembler/ConvertToHex.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"

#include "../assembler/HexText.h"
#include "FakeScreen.h"
#include "ImportSummary.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tarvik {
namespace {

const std::string kStyles = std::string(TARVIK_TEST_DATA_DIR) + "/mpasm/styles";

struct RealSource {
    std::string file;
    // What it shows, and every note of its import, or its refusal as "refused LINE: TEXT".
    std::vector<std::string> outcome;
};

const std::vector<RealSource>& realSources()
{
    static const std::vector<RealSource> sources = {
        // Underscores in names, names longer than the model holds, a 13-character register
        // in btfss, W_TEMP and STATUS_TEMP saved by an interrupt handler.
        {"isr_context.asm",
         {"10: W_TEMP is now WTEMP", "11: STATUS_TEMP is now STATUSTEMP", "12: tick_count is now tickcount",
          "13: seconds_counter is now secondscounter", "14: ButtonPressed is now ButtonPresse",
          "17: TICKS_PER_SECOND is now TICKSPERSECOND", "23: Interrupt_Handler is now InterruptHandl",
          "33: Restore_Context is now RestoreContext", "40: Main_Setup is now MainSetup",
          "52: Main_Loop is now MainLoop"}},
        // Names too long, two alike once shortened, a register of bit instructions.
        {"long_names.asm",
         {"7: segment_pattern_tens is now segmentpattern", "8: segment_pattern_units is now segmentpatter2",
          "9: DisplayDigitSelect is now DisplayDigit", "12: DIGIT_TENS_PIN is now DIGITTENSPIN",
          "13: DIGIT_UNITS_PIN is now DIGITUNITSPIN", "16: InitialiseThePorts is now InitialiseTheP",
          "24: ShowTheTensDigit is now ShowTheTensDig", "29: ShowTheUnitsDigit is now ShowTheUnitsDi"}},
        // #define of pins (kept as bit names), of instructions, of a constant, with arguments.
        {"defines.asm", {}},
        // Macros with arguments and local labels, one calling another, one with if inside,
        // one called in column 1.
        {"macros.asm", {}},
        // ifdef, ifndef, if with comparisons and &&, else, #ifndef, nested; variable.
        {"conditionals.asm",
         {"21: the condition of line 19 is true: line 22 is left out",
          "27: if CLOCK > D'10000000' && blink != 0 is false: lines 28 to 29 are left out",
          "31: #ifndef SIMULATOR is false: line 32 is left out",
          "37: the condition of line 35 is true: line 38 is left out"}},
        // Two names for one register: TrisB equ 0x06 beside PORTB, DISPLAY equ PORTB.
        {"aliases.asm", {"8: TrisB is now PORTB", "12: DISPLAY is now PORTB"}},
        // The header's names defined again with the header's values.
        {"redefined.asm", {}},
        // A register's address loaded as a literal before movwf FSR.
        {"indirect.asm", {"13: BUFFER is a register: as a literal it is written as its value"}},
        // One bit name on PORTB and TRISB; two names for one pin.
        {"pins.asm",
         {"12: LED is a bit of register 0x06: on register 0x86 it is written as its number",
          "13: RELAY is a bit of register 0x06: on register 0x86 it is written as its number"}},
        // tris and option are none of the 35 instructions.
        {"tris_option.asm",
         {"refused 7: tris cannot be imported: it is not one of the 35 instructions (movwf TRISA or TRISB in bank 1 "
          "does its work)"}},
        // What the 16F84 and 16F84A have beyond the 16C84: EEPROM data and RAM up to 0x4F.
        {"eeprom_data.asm", {}},
        {"ram_past_2f.asm", {}},
    };
    return sources;
}

std::vector<std::string> outcomeOf(const ImportOutcome& outcome)
{
    std::vector<std::string> lines;
    for (const ImportMessage& note : outcome.notes)
        lines.push_back(std::to_string(note.line) + ": " + note.text);
    if (outcome.refusal)
        lines.push_back("refused " + std::to_string(outcome.refusal->line) + ": " + outcome.refusal->text);
    return lines;
}

test::MemoryImage assembled(ProgramDocument& doc)
{
    test::FakeScreen screen;
    HexImage image;
    EXPECT_TRUE(assembleProgram(doc, screen, image)) << ::testing::PrintToString(screen.texts());
    return test::memoryOf(image);
}

std::string exported(ProgramDocument& doc)
{
    test::FakeScreen screen;
    std::string source;
    EXPECT_TRUE(exportMpasmSource(doc, screen, source)) << ::testing::PrintToString(screen.texts());
    return source;
}

// gpasm turns every source into a HEX file; the programs are compared with them.
class RealSources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        for (const RealSource& source : realSources())
            std::filesystem::copy_file(kStyles + "/" + source.file, dir_->path(source.file));
        const std::string command = "cd '" + dir_->root().string() + "' && command -v gpasm > /dev/null"
            + " && for f in *.asm; do gpasm -a inhx8m \"$f\" > \"${f%.asm}.log\" 2>&1; done";
        gpasmRan_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { delete dir_; }

    static test::MemoryImage gpasmImage(const std::string& file)
    {
        const std::string stem = file.substr(0, file.size() - 4);
        const auto image = test::parseIntelHex(test::readWholeFile(dir_->path(stem + ".hex")));
        EXPECT_TRUE(image.has_value()) << test::readWholeFile(dir_->path(stem + ".log"));
        return image ? test::programMemory(*image) : test::MemoryImage{};
    }

    static test::TempDir* dir_;
    static bool gpasmRan_;
    DeviceDefaults defaults_;
};

test::TempDir* RealSources::dir_ = nullptr;
bool RealSources::gpasmRan_ = false;

TEST_F(RealSources, EachImportsToGpasmsImageWithItsNotesOrIsRefusedAtItsLine)
{
    ASSERT_TRUE(gpasmRan_) << "gpasm is missing (scripts/install-deps.sh installs gputils)";
    for (const RealSource& source : realSources()) {
        SCOPED_TRACE(source.file);
        // gpasm assembles every one of them, the refused ones too.
        const test::MemoryImage theirs = gpasmImage(source.file);
        const ImportOutcome outcome = importMpasmSource(test::readWholeFile(kStyles + "/" + source.file), defaults_);
        EXPECT_EQ(outcomeOf(outcome), source.outcome);
        if (outcome.document) {
            EXPECT_EQ(assembled(*outcome.document), theirs);
        }
    }
}

// CR LF, LF and CR alone all end a line: the same program and the same notes at the same lines.
TEST_F(RealSources, EveryLineEndGivesTheSameProgram)
{
    for (const std::string file : {"isr_context.asm", "conditionals.asm"}) {
        SCOPED_TRACE(file);
        const std::string source = test::readWholeFile(kStyles + "/" + file);
        const ImportOutcome lf = importMpasmSource(source, defaults_);
        ASSERT_TRUE(lf.document);
        for (const std::string ending : {"\r\n", "\r"}) {
            std::string text;
            for (const char c : source)
                text += c == '\n' ? ending : std::string(1, c);
            const ImportOutcome other = importMpasmSource(text, defaults_);
            ASSERT_TRUE(other.document) << outcomeOf(other).back();
            EXPECT_EQ(outcomeOf(other), outcomeOf(lf));
            EXPECT_EQ(exported(*other.document), exported(*lf.document));
        }
    }
}

// What a real source became comes back from its export unchanged: renamed names, bit names
// of #define, two names for one bit.
TEST_F(RealSources, TheirProgramsComeBackFromTheirExport)
{
    for (const RealSource& source : realSources()) {
        SCOPED_TRACE(source.file);
        const ImportOutcome first = importMpasmSource(test::readWholeFile(kStyles + "/" + source.file), defaults_);
        if (!first.document)
            continue;
        const std::string text = exported(*first.document);
        const ImportOutcome again = importMpasmSource(text, defaults_);
        ASSERT_TRUE(again.document) << formatImportMessage("export.asm", *again.refusal) << "\n" << text;
        EXPECT_TRUE(again.notes.empty());
        EXPECT_EQ(exported(*again.document), text);
        EXPECT_EQ(assembled(*again.document), assembled(*first.document));
    }
}

} // namespace
} // namespace tarvik
