// One undo step on a program of 1024 lines with full tables: what recording it costs, what
// taking it back and forward costs, and how many bytes the step keeps.
#include "editor/UndoHistory.h"
#include "files/ProgramFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace tarvik;

namespace {

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

// Every line labelled and commented, a user name in every general purpose register of both
// banks, a named bit in each of them and two hundred literals.
std::unique_ptr<ProgramDocument> fullProgram()
{
    auto doc = std::make_unique<ProgramDocument>(defaults());
    char text[32];
    for (int i = 0; i < 1024; ++i) {
        ProgramLine line;
        line.code = 1;
        std::snprintf(text, sizeof text, "L%04d", i);
        line.setLabel(text);
        line.setOperand("COUNTER");
        line.setAffected("C,DC,Z");
        line.destination = 0;
        std::snprintf(text, sizeof text, "comment of line %d", i);
        line.commentIndex = doc->comments.append(text);
        doc->lines.insertAfterCursor(line);
        doc->labels.insert(line.labelText(), "");
    }
    for (int address = 0x0C; address < 0x30; ++address) {
        std::snprintf(text, sizeof text, "R0_%02X", address);
        doc->userRegisters0.insert(text, address);
        std::snprintf(text, sizeof text, "R1_%02X", address);
        doc->userRegisters1.insert(text, address + 0x80);
        std::snprintf(text, sizeof text, "B_%02X", address);
        doc->userBits.insert(text, address % 8, 0, address);
    }
    for (int i = 0; i < 200; ++i) {
        std::snprintf(text, sizeof text, "K%03d", i);
        doc->literals.insert(text, std::to_string(i % 256));
    }
    doc->resetCursorToTop();
    return doc;
}

ProgramLine* middleLine(ProgramDocument& doc)
{
    return doc.lines.stepForward(doc.lines.first(), 512);
}

// The edits measured: one operand, one new line with a comment, every line selected.
void editOperand(ProgramDocument& doc)
{
    middleLine(doc)->setOperand("PORTB");
}

void insertCommentedLine(ProgramDocument& doc)
{
    doc.lines.setCursor(middleLine(doc));
    ProgramLine line;
    line.code = 24;
    line.setOperand("5");
    line.commentIndex = doc.comments.append("a new line");
    doc.lines.insertAfterCursor(line);
}

void selectEveryLine(ProgramDocument& doc)
{
    for (ProgramLine& line : doc.lines)
        if (line.code != kHeaderCode)
            line.state = LineState::Selected;
}

template <void (*Edit)(ProgramDocument&)>
void BM_RecordStep(benchmark::State& state)
{
    auto doc = fullProgram();
    UndoHistory history;
    history.reset(*doc);
    std::size_t bytes = 0;
    for (auto _ : state) {
        history.begin(*doc, {0, 0});
        Edit(*doc);
        history.commit(*doc, "Edit", {0, 0});
        state.PauseTiming();
        bytes = history.stepBytes();
        history.undo(*doc);  // back to the full program, and no steps
        history.reset(*doc);
        state.ResumeTiming();
    }
    state.counters["step_bytes"] = static_cast<double>(bytes);
    state.counters["file_bytes"] = static_cast<double>(encodeProgramFile(*doc).size());
}

template <void (*Edit)(ProgramDocument&)>
void BM_UndoThenRedo(benchmark::State& state)
{
    auto doc = fullProgram();
    UndoHistory history;
    history.reset(*doc);
    history.begin(*doc, {0, 0});
    Edit(*doc);
    history.commit(*doc, "Edit", {0, 0});
    for (auto _ : state) {
        history.undo(*doc);
        history.redo(*doc);
    }
    state.counters["step_bytes"] = static_cast<double>(history.stepBytes());
}

} // namespace

BENCHMARK(BM_RecordStep<editOperand>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordStep<insertCommentedLine>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordStep<selectEveryLine>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoThenRedo<editOperand>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoThenRedo<insertCommentedLine>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoThenRedo<selectEveryLine>)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
