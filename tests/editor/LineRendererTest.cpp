#include "editor/LineRenderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace tarvik;

namespace {

constexpr RunColour K = RunColour::Black;
constexpr RunColour B = RunColour::Blue;
constexpr RunColour G = RunColour::Green;
constexpr RunColour P = RunColour::Purple;

// Every character is 10 pixels wide, so run positions can be worked out by hand.
class TenPixels : public TextMeasure {
public:
    int width(std::string_view text) const override { return 10 * static_cast<int>(text.size()); }
};

struct Part {
    std::string text;  // empty: the 8-pixel gap of the skip forms
    RunColour colour = K;
};
using Parts = std::vector<Part>;
const Part kGap{};

struct CodeRow {
    int code;
    const char* operand;
    Parts symbolic0, symbolicNonZero, mpasm0, mpasmNonZero;
};

// The instruction column of every code, destination 0 and non-zero, in both notations.
const std::vector<CodeRow> kCodeRows = {
    {1, "PORTB", {{"W+"}, {"PORTB", B}}, {{"W+"}, {"PORTB", B}, {"->F"}},
     {{"addwf "}, {"PORTB", B}, {",W"}}, {{"addwf "}, {"PORTB", B}, {",F"}}},
    {2, "PORTB", {{"W&"}, {"PORTB", B}}, {{"W&"}, {"PORTB", B}, {"->F"}},
     {{"andwf "}, {"PORTB", B}, {",W"}}, {{"andwf "}, {"PORTB", B}, {",F"}}},
    {3, "PORTB", {{"W="}, {"PORTB", B}}, {{"W="}, {"PORTB", B}, {"->F"}},
     {{"movf "}, {"PORTB", B}, {",W"}}, {{"movf "}, {"PORTB", B}, {",F"}}},
    {4, "PORTB", {{"W|"}, {"PORTB", B}}, {{"W|"}, {"PORTB", B}, {"->F"}},
     {{"iorwf "}, {"PORTB", B}, {",W"}}, {{"iorwf "}, {"PORTB", B}, {",F"}}},
    {5, "PORTB", {{"W^"}, {"PORTB", B}}, {{"W^"}, {"PORTB", B}, {"->F"}},
     {{"xorwf "}, {"PORTB", B}, {",W"}}, {{"xorwf "}, {"PORTB", B}, {",F"}}},
    {6, "PORTB", {{"PORTB", B}, {"-W"}}, {{"PORTB", B}, {"-W"}, {"->W"}},
     {{"subwf "}, {"PORTB", B}, {",F"}}, {{"subwf "}, {"PORTB", B}, {",W"}}},
    {7, "PORTB", {{"PORTB", B}, {"=W"}}, {{"PORTB", B}, {"=W"}, {"->W"}},
     {{"movwf "}, {"PORTB", B}}, {{"movwf "}, {"PORTB", B}}},
    {8, "PORTB", {{"++"}, {"PORTB", B}}, {{"++"}, {"PORTB", B}, {"->W"}},
     {{"incf "}, {"PORTB", B}, {",F"}}, {{"incf "}, {"PORTB", B}, {",W"}}},
    {9, "PORTB", {{"--"}, {"PORTB", B}}, {{"--"}, {"PORTB", B}, {"->W"}},
     {{"decf "}, {"PORTB", B}, {",F"}}, {{"decf "}, {"PORTB", B}, {",W"}}},
    {10, "PORTB", {{"~"}, {"PORTB", B}}, {{"~"}, {"PORTB", B}, {"->W"}},
     {{"comf "}, {"PORTB", B}, {",F"}}, {{"comf "}, {"PORTB", B}, {",W"}}},
    {11, "PORTB", {{"Rlf "}, {"PORTB", B}}, {{"Rlf "}, {"PORTB", B}, {"->W"}},
     {{"rlf "}, {"PORTB", B}, {",F"}}, {{"rlf "}, {"PORTB", B}, {",W"}}},
    {12, "PORTB", {{"Swap "}, {"PORTB", B}}, {{"Swap "}, {"PORTB", B}, {"->W"}},
     {{"swapf "}, {"PORTB", B}, {",F"}}, {{"swapf "}, {"PORTB", B}, {",W"}}},
    {13, "PORTB", {{"PORTB", B}, {"=0"}}, {{"PORTB", B}, {"=0"}, {"->W"}},
     {{"clrf "}, {"PORTB", B}}, {{"clrf "}, {"PORTB", B}}},
    {14, "", {{"W=0"}}, {{"W=0"}}, {{"clrw "}}, {{"clrw "}}},
    {15, "", {{"Nop"}}, {{"Nop"}}, {{"nop"}}, {{"nop"}}},
    {16, "Z", {{"Z", G}, {"=high"}}, {{"Z", G}, {"=high"}}, {{"bsf "}, {"Z", G}}, {{"bsf "}, {"Z", G}}},
    {17, "Z", {{"Z", G}, {"=low"}}, {{"Z", G}, {"=low"}}, {{"bcf "}, {"Z", G}}, {{"bcf "}, {"Z", G}}},
    {18, "Z", {{"Skip "}, {"Z", G}}, {{"Skip "}, {"Z", G}}, {{"btfss "}, {"Z", G}}, {{"btfss "}, {"Z", G}}},
    {19, "Z", {{"Skip !"}, {"Z", G}}, {{"Skip !"}, {"Z", G}}, {{"btfsc "}, {"Z", G}}, {{"btfsc "}, {"Z", G}}},
    {20, "PORTB", {{"++"}, {"PORTB", B}, kGap, {"Skip !"}, {"PORTB", B}},
     {{"++"}, {"PORTB", B}, {"->W"}, kGap, {"Skip !"}, {"W"}},
     {{"incfsz "}, {"PORTB", B}, {",F"}}, {{"incfsz "}, {"PORTB", B}, {",W"}}},
    {21, "PORTB", {{"--"}, {"PORTB", B}, kGap, {"Skip !"}, {"PORTB", B}},
     {{"--"}, {"PORTB", B}, {"->W"}, kGap, {"Skip !"}, {"W"}},
     {{"decfsz "}, {"PORTB", B}, {",F"}}, {{"decfsz "}, {"PORTB", B}, {",W"}}},
    {22, "10", {{"W+"}, {"10", P}}, {{"W+"}, {"10", P}}, {{"addlw "}, {"10", P}}, {{"addlw "}, {"10", P}}},
    {23, "10", {{"W&"}, {"10", P}}, {{"W&"}, {"10", P}}, {{"andlw "}, {"10", P}}, {{"andlw "}, {"10", P}}},
    {24, "10", {{"W="}, {"10", P}}, {{"W="}, {"10", P}}, {{"movlw "}, {"10", P}}, {{"movlw "}, {"10", P}}},
    {25, "10", {{"W|"}, {"10", P}}, {{"W|"}, {"10", P}}, {{"iorlw "}, {"10", P}}, {{"iorlw "}, {"10", P}}},
    {26, "10", {{"W^"}, {"10", P}}, {{"W^"}, {"10", P}}, {{"xorlw "}, {"10", P}}, {{"xorlw "}, {"10", P}}},
    {27, "LOOP", {{"Goto "}, {"LOOP", P}}, {{"Goto "}, {"LOOP", P}}, {{"goto "}, {"LOOP", P}}, {{"goto "}, {"LOOP", P}}},
    {28, "LOOP", {{"Call "}, {"LOOP", P}}, {{"Call "}, {"LOOP", P}}, {{"call "}, {"LOOP", P}}, {{"call "}, {"LOOP", P}}},
    {29, "10", {{"Retlw "}, {"10", P}}, {{"Retlw "}, {"10", P}}, {{"retlw "}, {"10", P}}, {{"retlw "}, {"10", P}}},
    {30, "", {{"Retfie"}}, {{"Retfie"}}, {{"retfie"}}, {{"retfie"}}},
    {31, "", {{"Clrwdt"}}, {{"Clrwdt"}}, {{"clrwdt"}}, {{"clrwdt"}}},
    {32, "", {{"Sleep"}}, {{"Sleep"}}, {{"sleep"}}, {{"sleep"}}},
    {33, "", {{"Return"}}, {{"Return"}}, {{"return"}}, {{"return"}}},
    {34, "10", {{"10", P}, {"-W"}}, {{"10", P}, {"-W"}}, {{"sublw "}, {"10", P}}, {{"sublw "}, {"10", P}}},
    {35, "PORTB", {{"Rrf "}, {"PORTB", B}}, {{"Rrf "}, {"PORTB", B}, {"->W"}},
     {{"rrf "}, {"PORTB", B}, {",F"}}, {{"rrf "}, {"PORTB", B}, {",W"}}},
};

RunColour inState(LineState state, RunColour base)
{
    if (state == LineState::Inactive)
        return RunColour::Dimmed;
    if (state == LineState::Selected)
        return RunColour::Red;
    return base;
}

// The instruction parts laid out from x: each starts where the one before ended.
std::vector<TextRun> laidOut(const Parts& parts, int x, LineState state)
{
    std::vector<TextRun> runs;
    for (const Part& part : parts) {
        if (part.text.empty()) {
            x += 8;
            continue;
        }
        runs.push_back({part.text, inState(state, part.colour), x});
        x += 10 * static_cast<int>(part.text.size());
    }
    return runs;
}

class RendererTest : public ::testing::Test {
protected:
    ProgramLine line(int code, std::string_view operand, int destination = 0,
                     LineState state = LineState::Normal)
    {
        ProgramLine l;
        l.code = code;
        l.setOperand(operand);
        l.destination = destination;
        l.state = state;
        return l;
    }
    RenderedLine render(const ProgramLine& l, int mode, const ColumnPositions& columns = {},
                        bool onCursorRow = false)
    {
        return renderLine(l, mode, doc, columns, onCursorRow, measure);
    }

    DeviceDefaults defaults;
    ProgramDocument doc{defaults};
    TenPixels measure;
};

TEST_F(RendererTest, EveryInstructionInBothNotationsEveryStateAndDestination)
{
    const int comment = doc.comments.append("note");
    for (const CodeRow& row : kCodeRows) {
        for (LineState state : {LineState::Normal, LineState::Inactive, LineState::Selected}) {
            for (int destination : {0, 1, -1}) {
                for (int mode : {0, 50}) {
                    SCOPED_TRACE("code " + std::to_string(row.code) + " mode " + std::to_string(mode)
                                 + " destination " + std::to_string(destination) + " state "
                                 + std::to_string(static_cast<int>(state)));
                    ProgramLine l = line(row.code, row.operand, destination, state);
                    l.setLabel("START");
                    l.commentIndex = comment;
                    const Parts& parts = mode == 0 ? (destination == 0 ? row.symbolic0 : row.symbolicNonZero)
                                                   : (destination == 0 ? row.mpasm0 : row.mpasmNonZero);
                    std::vector<TextRun> expected{{"START", inState(state, P), 5}};
                    for (TextRun& run : laidOut(parts, 90, state))
                        expected.push_back(run);
                    // A long skip form runs past the comment column; the comment then
                    // follows it a space later instead of covering its end.
                    const int end = expected.back().x + 10 * static_cast<int>(expected.back().text.size());
                    expected.push_back({"note", RunColour::Olive, end > 275 ? end + 10 : 275});
                    EXPECT_EQ(render(l, mode).runs, expected);
                }
            }
        }
    }
}

TEST_F(RendererTest, InstructionRunsFollowTheMovedColumns)
{
    ProgramLine l = line(20, "CNT", 0);
    l.setLabel("AVERYLONGLABEL");
    l.commentIndex = doc.comments.append("c");
    const ColumnPositions moved{200, 290, 335};
    const std::vector<TextRun> expected{
        {"AVERYLONGLABEL", P, 5}, {"++", K, 200}, {"CNT", B, 220}, {"Skip !", K, 258},
        {"CNT", B, 318}, {"c", RunColour::Olive, 358}};
    EXPECT_EQ(render(l, 0, moved).runs, expected);
}

// No run is drawn over another: one that would start inside the text before it starts a
// space after it instead.
TEST_F(RendererTest, ALongLabelOrOperandPushesTheNextRunAlong)
{
    ProgramLine l = line(20, "COUNTER", 1);
    l.setLabel("AVERYLONGLABEL");
    l.commentIndex = doc.comments.append("c");
    const std::vector<TextRun> expected{
        {"AVERYLONGLABEL", P, 5}, {"++", K, 155}, {"COUNTER", B, 175}, {"->W", K, 245}, {"Skip !", K, 283},
        {"W", K, 343}, {"c", RunColour::Olive, 363}};
    EXPECT_EQ(render(l, 0).runs, expected);
    l.setLabel("SHORT");
    EXPECT_EQ(render(l, 50).runs.at(1).x, 90) << "a label that fits leaves the column where it is";
}

TEST_F(RendererTest, BankMarkOnlyForTheBankSelectBit)
{
    doc.userBits.insert("BANK", 5, 0, 0x03);
    doc.userBits.insert("HIBANK", 5, 0, 0x83);
    doc.userBits.insert("FLAG", 6, 0, 0x03);
    doc.userBits.insert("PORTBIT", 5, 0, 0x06);
    struct Row {
        int code;
        const char* operand;
        const char* mark;
    };
    const Row rows[] = {
        {16, "RP0", "1"},      {17, "RP0", "0"},     {16, "BANK", "1"},     {17, "HIBANK", "0"},
        {16, "FLAG", ""},      {16, "PORTBIT", ""},  {16, "STATUS,5", ""},  {16, "RP1", ""},
        {16, "C", ""},         {16, "RB5", ""},      {18, "RP0", ""},       {19, "RP0", ""},
        {16, "", ""},
    };
    for (const Row& row : rows) {
        for (LineState state : {LineState::Normal, LineState::Inactive, LineState::Selected}) {
            for (int mode : {0, 50}) {
                SCOPED_TRACE(std::string(row.operand) + " code " + std::to_string(row.code));
                const ProgramLine l = line(row.code, row.operand, 0, state);
                EXPECT_EQ(bankMark(l, doc), row.mark);
                const RenderedLine out = render(l, mode, {90, 260, 300});
                const bool hasMark = !out.runs.empty() && out.runs.back().x == 260;
                EXPECT_EQ(hasMark, std::string(row.mark).size() == 1);
                if (hasMark) {
                    EXPECT_EQ(out.runs.back(), (TextRun{row.mark, RunColour::Red, 260}));
                }
            }
        }
    }
}

TEST_F(RendererTest, HeaderLineReadsProgramWhateverItCarries)
{
    ProgramLine header = line(kHeaderCode, "X");
    header.setLabel("L");
    header.commentIndex = doc.comments.append("never shown");
    for (LineState state : {LineState::Normal, LineState::Selected, LineState::Inactive}) {
        header.state = state;
        for (int mode : {0, 50}) {
            for (bool onCursor : {true, false}) {
                const RenderedLine out = render(header, mode, {120, 260, 305}, onCursor);
                EXPECT_EQ(out.runs, (std::vector<TextRun>{{"PROGRAM", K, 120}}));
                EXPECT_EQ(out.fillWidth, 310);
                EXPECT_EQ(out.fillWithCursorBackground, onCursor);
            }
        }
    }
}

TEST_F(RendererTest, OrgAndBlankLinesAreTheSameInBothNotations)
{
    const int comment = doc.comments.append("reset vector");
    struct Row {
        int code;
        const char* label;
        const char* operand;
        LineState state;
        std::vector<TextRun> expected;
    };
    const Row rows[] = {
        {kOrgCode, "", "H'10'", LineState::Normal, {{"ORG H'10'", K, 90}, {"reset vector", RunColour::Olive, 275}}},
        {kOrgCode, "IGNORED", "4", LineState::Inactive,
         {{"ORG 4", RunColour::Dimmed, 90}, {"reset vector", RunColour::Olive, 275}}},
        {kOrgCode, "", "4", LineState::Selected, {{"ORG 4", RunColour::Red, 90}, {"reset vector", RunColour::Olive, 275}}},
        {kBlankCode, "LOOP", "", LineState::Normal, {{"LOOP", P, 5}, {"reset vector", RunColour::Olive, 275}}},
        {kBlankCode, "LOOP", "", LineState::Selected, {{"LOOP", RunColour::Red, 5}, {"reset vector", RunColour::Olive, 275}}},
        {kBlankCode, "", "", LineState::Normal, {{"reset vector", RunColour::Olive, 275}}},
    };
    for (const Row& row : rows) {
        ProgramLine l = line(row.code, row.operand, 0, row.state);
        l.setLabel(row.label);
        l.commentIndex = comment;
        for (int mode : {0, 50}) {
            SCOPED_TRACE(std::string(row.label) + row.operand);
            EXPECT_EQ(render(l, mode).runs, row.expected);
        }
    }
}

TEST_F(RendererTest, NoLabelAndNoCommentDrawNothingForThem)
{
    const RenderedLine out = render(line(24, "10"), 50);
    EXPECT_EQ(out.runs, (std::vector<TextRun>{{"movlw ", K, 90}, {"10", P, 150}}));
    EXPECT_EQ(out.fillWidth, 0);
    EXPECT_TRUE(render(line(kBlankCode, ""), 0).runs.empty());
}

TEST_F(RendererTest, StrayOperandOfAnOperandlessLineIsNotShown)
{
    struct Row {
        int code;
        const char* symbolic;
        const char* mpasm;
    };
    const Row rows[] = {{14, "W=0", "clrw "}, {15, "Nop", "nop"},       {30, "Retfie", "retfie"},
                        {31, "Clrwdt", "clrwdt"}, {32, "Sleep", "sleep"}, {33, "Return", "return"}};
    for (const Row& row : rows) {
        for (int destination : {0, 1}) {
            SCOPED_TRACE("code " + std::to_string(row.code));
            const ProgramLine l = line(row.code, "PORTB", destination);
            EXPECT_EQ(render(l, 0).runs, (std::vector<TextRun>{{row.symbolic, K, 90}}));
            EXPECT_EQ(render(l, 50).runs, (std::vector<TextRun>{{row.mpasm, K, 90}}));
        }
    }
    for (int mode : {0, 50})
        EXPECT_TRUE(render(line(kBlankCode, "PORTB", 1), mode).runs.empty());
}

TEST_F(RendererTest, DamagedLinesStayVisibleAndSafe)
{
    doc.comments.append("one");
    // Codes that are no line kind, including ones whose sum with a display mode would land
    // on another renderer.
    for (int code : {0, 36, 51, 85, 99, 103, 150, -49, -1}) {
        for (int mode : {0, 50}) {
            SCOPED_TRACE("code " + std::to_string(code));
            ProgramLine l = line(code, "PORTB");
            l.setLabel("L");
            l.commentIndex = 1;
            EXPECT_EQ(render(l, mode).runs,
                      (std::vector<TextRun>{{"L", P, 5}, {"?", K, 90}, {"one", RunColour::Olive, 275}}));
        }
    }

    ProgramLine strange = line(1, "PORTB", 0, static_cast<LineState>(7));
    EXPECT_EQ(render(strange, 0).runs, (std::vector<TextRun>{{"W+", K, 90}, {"PORTB", B, 110}}));

    for (int index : {0, -5, 2, 1000000}) {
        ProgramLine l = line(15, "");
        l.commentIndex = index;
        EXPECT_EQ(render(l, 0).runs, (std::vector<TextRun>{{"Nop", K, 90}})) << index;
    }

    // Fields filled to the last byte with no terminator read as at most their width.
    ProgramLine full = line(16, "");
    std::memset(full.operand, 'R', sizeof full.operand);
    std::memset(full.label, 'L', sizeof full.label);
    const RenderedLine out = render(full, 50);
    ASSERT_EQ(out.runs.size(), 3u);
    EXPECT_EQ(out.runs[0].text, std::string(15, 'L'));
    EXPECT_EQ(out.runs[2].text, std::string(15, 'R'));
    EXPECT_EQ(bankMark(full, doc), "");
}

} // namespace
