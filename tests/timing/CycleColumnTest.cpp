// The cycles column of the grid and the sum of a selection, over small programs.

#include "editor/LineRenderer.h"
#include "timing/LineCycles.h"

#include "../assembler/ProgramBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace tarvik {
namespace {

class FixedWidth : public TextMeasure {
public:
    int width(std::string_view text) const override { return 10 * static_cast<int>(text.size()); }
};

struct Line {
    int code;
    const char* operand = "";
    int destination = 0;
    bool selected = false;
    LineState state = LineState::Normal;
    const char* cycles = "";  // what its row shows in the column
};

struct Program {
    const char* what;
    std::vector<Line> lines;
    const char* sum;  // of the Selected lines at 4 MHz
};

// The run a row gains when its columns have room for cycles, if any.
std::optional<TextRun> cyclesRun(const ProgramLine& line, const ProgramDocument& doc, const ColumnPositions& columns,
                                 const TextMeasure& measure)
{
    const std::vector<TextRun> with = renderLine(line, 50, doc, columns, false, measure).runs;
    const std::vector<TextRun> without = renderLine(line, 50, doc, ColumnPositions{}, false, measure).runs;
    if (with.size() == without.size())
        return std::nullopt;
    const auto differ = std::mismatch(without.begin(), without.end(), with.begin());
    return *differ.second;
}

TEST(CycleColumn, EachInstructionShowsItsCyclesAndASelectionTheirSum)
{
    const Program programs[] = {
        {"a counted loop",
         {{24, "3", 0, false, LineState::Normal, "1"},
          {7, "COUNT", 0, false, LineState::Normal, "1"},
          {21, "COUNT", 0, true, LineState::Normal, "1/2"},
          {27, "Loop", 0, true, LineState::Normal, "2"},
          {33, "", 0, false, LineState::Normal, "2"}},
         "3 cycles = 3 us, +1 per skip"},
        {"a computed jump",
         {{1, "PCL", 1, true, LineState::Normal, "2"},
          {29, "1", 0, true, LineState::Normal, "2"},
          {29, "2", 0, true, LineState::Normal, "2"}},
         "6 cycles = 6 us"},
        {"lines that give no word",
         {{kOrgCode, "H'10'", 0, true, LineState::Normal, ""},
          {kBlankCode, "", 0, true, LineState::Normal, ""},
          {15, "", 0, false, LineState::Inactive, ""},
          {15, "", 0, true, LineState::Normal, "1"}},
         "1 cycle = 1 us"},
        {"nothing selected", {{28, "Sub", 0, false, LineState::Normal, "2"}}, ""},
    };
    const DeviceDefaults defaults;
    const FixedWidth measure;
    ColumnPositions columns;
    columns.cyclesRight = 260;
    for (const Program& program : programs) {
        SCOPED_TRACE(program.what);
        ProgramDocument doc(defaults);
        doc.registerFile0.rename(0x0C, "COUNT");
        test::ProgramBuilder build(doc);
        for (const Line& line : program.lines) {
            ProgramLine& added = build.line(line.code, line.operand, line.destination, {}, line.state);
            if (line.selected)
                added.state = LineState::Selected;
        }
        const ProgramLine* row = doc.headerLine()->next;
        for (const Line& line : program.lines) {
            SCOPED_TRACE(line.code);
            const std::optional<TextRun> run = cyclesRun(*row, doc, columns, measure);
            EXPECT_EQ(run ? run->text : "", line.cycles);
            if (run) {
                EXPECT_EQ(run->x + measure.width(run->text), columns.cyclesRight);  // right-aligned
                EXPECT_EQ(run->colour, line.selected ? RunColour::Red : RunColour::Grey);
            }
            row = row->next;
        }
        EXPECT_EQ(cycleSumText(selectedCycles(doc), 4'000'000), program.sum);
    }
}

TEST(CycleColumn, ALongInstructionPushesItsCyclesAlongInsteadOfUnderThem)
{
    const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    ProgramLine& skip = test::ProgramBuilder(doc).line(21, "VERYLONGNAME1", 1);
    ColumnPositions columns;
    columns.cyclesRight = 260;
    const RenderedLine row = renderLine(skip, 0, doc, columns, false, FixedWidth());
    ASSERT_GE(row.runs.size(), 2u);
    const TextRun& cycles = row.runs.back();
    const TextRun& before = row.runs[row.runs.size() - 2];
    EXPECT_EQ(cycles.text, "1/2");
    EXPECT_EQ(cycles.x, before.x + 10 * static_cast<int>(before.text.size()) + 10);
    // No column, no cycles: the notation's rows stay as they were.
    EXPECT_EQ(renderLine(skip, 0, doc, ColumnPositions{}, false, FixedWidth()).runs.size(), row.runs.size() - 1);
}

TEST(CycleColumn, ClocksAndTheExactnessOfATime)
{
    EXPECT_EQ(clockText(4'000'000), "4 MHz");
    EXPECT_EQ(clockText(3'579'545), "3.579545 MHz");
    EXPECT_EQ(clockText(32'768), "32.768 kHz");
    EXPECT_EQ(clockText(500), "500 Hz");
    EXPECT_TRUE(cycleTimeIsExact(1, 32'768, 7));     // 122.0703125 us
    EXPECT_FALSE(cycleTimeIsExact(1, 32'768, 6));
    EXPECT_FALSE(cycleTimeIsExact(1, 3'000'000, 9));
    EXPECT_TRUE(cycleTimeIsExact(3, 3'000'000, 0));  // 4 us
    EXPECT_FALSE(cycleTimeIsExact(1, 0));
}

} // namespace
} // namespace tarvik
