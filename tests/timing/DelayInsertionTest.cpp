// Insert Delay in a document: registers through the usual naming, labels through the label
// rules, and a refusal that changes nothing.

#include "timing/DelayInsertion.h"

#include "files/ProgramFile.h"
#include "model/SymbolCommands.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarvik {
namespace {

// 0x0C named, 0x0D used by its default name, a bit of 0x8E named, 0x10 named in bank 1: the
// first free registers are 0x0F, 0x11 and 0x12.
void buildProgram(ProgramDocument& doc)
{
    test::FakeScreen quiet;
    NameRegister(doc, quiet, 0x0C, "COUNT");
    NameBit(doc, quiet, 0x8E, 3, "READY");
    NameRegister(doc, quiet, 0x90, "SHADOW");
    NameRegister(doc, quiet, 0x05, "LEDS");
    doc.literals.insert("LIMIT", "10");
    test::ProgramBuilder p(doc);
    p.line(3, "GPR0H0D", 1, "Start");
    p.line(28, "Delay");
    doc.modified = false;
}

class DelayInsertion : public ::testing::Test {
protected:
    void SetUp() override { buildProgram(doc); }

    std::string registerAt(int address) const { return std::string(doc.registerFile0.at(address)->nameText()); }

    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    test::FakeScreen screen;
};

TEST_F(DelayInsertion, NewRegistersTakeTheFirstFreeOnesAndLabelsEnterTheTable)
{
    EXPECT_EQ(freeGeneralPurposeRegisters(doc).front(), 0x0F);
    DelayRequest request;
    request.cycles = 300000;  // three registers
    const std::optional<DelayPlan> plan = insertDelay(doc, screen, request);
    ASSERT_TRUE(plan);
    EXPECT_TRUE(screen.messages.empty());
    EXPECT_EQ(plan->registerCount(), 3);
    EXPECT_EQ(registerAt(0x0F), "DelayCnt1");
    EXPECT_EQ(registerAt(0x11), "DelayCnt2");
    EXPECT_EQ(registerAt(0x12), "DelayCnt3");
    EXPECT_EQ(registerAt(0x10), "GPR0H10");  // its bank-1 name stands for the same memory
    EXPECT_TRUE(doc.labels.holds("Delay"));
    EXPECT_TRUE(doc.labels.holds("DelayLoop"));
    EXPECT_TRUE(doc.modified);

    // After the cursor line, the cursor on the last line, the count in the first one's comment.
    EXPECT_EQ(doc.lines.count(), 3 + plan->words());
    EXPECT_EQ(doc.lines.cursor(), doc.lines.last());
    const ProgramLine& first = *doc.lines.stepForward(doc.lines.first(), 3);
    EXPECT_EQ(first.labelText(), "Delay");
    EXPECT_EQ(doc.comments.textAt(first.commentIndex), "300000 cycles including the call");
}

TEST_F(DelayInsertion, RegistersNamedInTheRequestAreReusedOrNamed)
{
    DelayRequest request;
    request.cycles = 1000;  // two registers
    request.name = "Wait";
    request.registers = {"COUNT", "Inner"};
    ASSERT_TRUE(insertDelay(doc, screen, request));
    EXPECT_EQ(registerAt(0x0C), "COUNT");
    EXPECT_EQ(registerAt(0x0F), "Inner");
    EXPECT_EQ(doc.userRegisters0.count(), 2);
}

TEST_F(DelayInsertion, InlineDelaysTwiceGetLoopsOfTheirOwn)
{
    DelayRequest request;
    request.cycles = 50;
    request.form = DelayForm::Inline;
    request.name.clear();
    ASSERT_TRUE(insertDelay(doc, screen, request));
    ASSERT_TRUE(insertDelay(doc, screen, request));
    EXPECT_TRUE(doc.labels.holds("DelayLoop"));
    EXPECT_TRUE(doc.labels.holds("Delay2Loop"));
    EXPECT_FALSE(doc.labels.holds("Delay"));
    EXPECT_EQ(registerAt(0x0F), "DelayCnt1");
    EXPECT_EQ(registerAt(0x11), "Delay2Cnt1");
    EXPECT_TRUE(screen.messages.empty());
}

TEST(DelayAmount, TypedLengthsBecomeCyclesAtTheClock)
{
    struct Row {
        const char* text;
        DelayUnit unit;
        std::uint32_t clockHz;
        std::optional<DelayAmount> amount;
    };
    constexpr auto us = DelayUnit::Microseconds;
    constexpr auto ms = DelayUnit::Milliseconds;
    constexpr auto s = DelayUnit::Seconds;
    constexpr auto cycles = DelayUnit::Cycles;
    constexpr std::uint64_t most = ~std::uint64_t{0};
    const Row rows[] = {
        {"1", ms, 4'000'000, DelayAmount{1000, true}},
        {" 2.5 ", ms, 4'000'000, DelayAmount{2500, true}},
        {".25", s, 4'000'000, DelayAmount{250'000, true}},
        {"7.", us, 4'000'000, DelayAmount{7, true}},
        {"1", us, 20'000'000, DelayAmount{5, true}},
        {"1", ms, 32'768, DelayAmount{8, false}},         // 8.192
        {"0.0000001", s, 4'000'000, DelayAmount{0, false}},
        {"1.00000000000000000000000000001", s, 4'000'000, DelayAmount{1'000'000, false}},
        {"100000000", cycles, 4'000'000, DelayAmount{100'000'000, true}},
        {"99999999999999999999999999", cycles, 4'000'000, DelayAmount{most, true}},
        {"99999999999999999999999999", s, 4'000'000, DelayAmount{most, true}},
        {"10.5", cycles, 4'000'000, std::nullopt},
        {"1.2.3", ms, 4'000'000, std::nullopt},
        {"-1", ms, 4'000'000, std::nullopt},
        {"1e3", us, 4'000'000, std::nullopt},
        {"", ms, 4'000'000, std::nullopt},
        {".", ms, 4'000'000, std::nullopt},
        {"1", ms, 0, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(delayAmount(row.text, row.unit, row.clockHz), row.amount) << "'" << row.text << "'";
}

// What the dialog shows of the registers is where insertDelay puts them.
TEST_F(DelayInsertion, TheRegistersForeseenAreTheOnesTaken)
{
    NameRegister(doc, screen, 0x20, "Spare");
    const std::array<std::string, kMaxDelayRegisters> asked[] = {
        {}, {"Spare", "", ""}, {"", "COUNT", ""}, {"Mine", "", "Spare"},
    };
    for (const auto& registers : asked) {
        ProgramDocument fresh(defaults);
        buildProgram(fresh);
        NameRegister(fresh, screen, 0x20, "Spare");
        DelayRequest request;
        request.cycles = 300000;
        request.registers = registers;
        const std::optional<DelayPlan> plan = planDelay(request.cycles, request.form);
        const DelayNames names = proposeDelayNames(fresh, request, *plan);
        const std::vector<DelayRegister> foreseen = delayRegisters(fresh, names);
        ASSERT_TRUE(insertDelay(fresh, screen, request));
        ASSERT_EQ(foreseen.size(), names.registers.size());
        for (std::size_t i = 0; i < foreseen.size(); ++i) {
            SCOPED_TRACE(names.registers[i]);
            EXPECT_EQ(foreseen[i].existing, names.registers[i] == "Spare" || names.registers[i] == "COUNT");
            EXPECT_EQ(fresh.registerFile0.at(foreseen[i].address)->nameText(), names.registers[i]);
        }
    }
    const DelayNames clash{"Delay", "DelayLoop", {}, {"LIMIT", "LEDS"}};
    EXPECT_EQ(delayRegisters(doc, clash), (std::vector<DelayRegister>{{-1, false}, {0x05, true}}));
}

TEST_F(DelayInsertion, RefusalsAreReportedAndChangeNothing)
{
    struct Row {
        const char* what;
        std::function<void(DelayRequest&, ProgramDocument&)> change;
        std::string message;
        std::string caption;
    };
    const Row rows[] = {
        {"too short", [](DelayRequest& r, ProgramDocument&) { r.cycles = 7; },
         "A delay takes from 8 to 100000000 cycles, not 7.", "Tarvik message"},
        {"label in use", [](DelayRequest& r, ProgramDocument&) { r.name = "Start"; },
         "'Start' is already exist!", "Tarvik"},
        {"name of a literal", [](DelayRequest& r, ProgramDocument&) { r.name = "LIMIT"; },
         "'LIMIT' is already exist!", "Tarvik"},
        {"no name", [](DelayRequest& r, ProgramDocument&) { r.name.clear(); },
         "The subroutine needs a name.", "Tarvik message"},
        {"invalid name", [](DelayRequest& r, ProgramDocument&) { r.name = "2ms"; },
         "Sintax error: 2ms is not valid!", "Tarvik message"},
        {"invalid register", [](DelayRequest& r, ProgramDocument&) { r.registers[1] = "A_B"; },
         "Sintax error: A_B is not valid!", "Tarvik message"},
        {"special register", [](DelayRequest& r, ProgramDocument&) { r.registers[0] = "LEDS"; },
         "'LEDS' is not a general purpose register!", "Tarvik message"},
        {"register named as a bit", [](DelayRequest& r, ProgramDocument&) { r.registers[0] = "READY"; },
         "'READY' is already exist!", "Tarvik message"},
        {"register twice", [](DelayRequest& r, ProgramDocument&) { r.registers = {"COUNT", "COUNT"}; },
         "'COUNT' is already exist!", "Tarvik message"},
        {"same memory twice", [](DelayRequest& r, ProgramDocument&) { r.registers = {"SHADOW", "GPR0H10"}; },
         "'GPR0H10' is already exist!", "Tarvik message"},
        {"register named as the label", [](DelayRequest& r, ProgramDocument&) { r.registers[1] = "Delay"; },
         "'Delay' is already exist!", "Tarvik message"},
        {"no free register",
         [](DelayRequest&, ProgramDocument& d) {
             test::FakeScreen quiet;
             for (int a = 0x0F; a <= 0x2F; ++a)
                 if (a != 0x10 && a != 0x2F)
                     NameRegister(d, quiet, a, "R" + std::to_string(a));
             d.modified = false;
         },
         "No free general purpose register for 'DelayCnt2'!", "Tarvik message"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ProgramDocument fresh(defaults);
        buildProgram(fresh);
        DelayRequest request;
        request.cycles = 1000;
        row.change(request, fresh);
        const std::vector<std::uint8_t> before = encodeProgramFile(fresh);

        test::FakeScreen refusing;
        EXPECT_FALSE(insertDelay(fresh, refusing, request));
        ASSERT_EQ(refusing.messages.size(), 1u);
        EXPECT_EQ(refusing.messages[0].text, row.message);
        EXPECT_EQ(refusing.messages[0].caption, row.caption);
        EXPECT_EQ(encodeProgramFile(fresh), before);
        EXPECT_FALSE(fresh.modified);
    }
}

} // namespace
} // namespace tarvik
