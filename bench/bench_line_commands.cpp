// The line clipboard at full program size: Paste of 1000 lines, and Select All followed by
// Delete on a 1024-line program. Target: each well under 2 ms.
#include "editor/LineCommands.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace tarvik;

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

std::unique_ptr<ProgramDocument> program(int lines)
{
    auto doc = std::make_unique<ProgramDocument>(defaults());
    for (int i = 0; i < lines; ++i) {
        ProgramLine line;
        line.code = 1 + i % 35;
        line.setOperand("REG" + std::to_string(i % 50));
        if (i % 20 == 0) {
            line.setLabel("LABEL" + std::to_string(i));
            doc->labels.insert(line.labelText(), "");
        }
        doc->lines.insertAfterCursor(line);
    }
    doc->resetCursorToTop();
    return doc;
}

void PasteThousandLines(benchmark::State& state)
{
    auto source = program(1000);
    selectAll(*source);
    LineList clipboard;
    copySelection(*source, clipboard);
    for (auto _ : state) {
        state.PauseTiming();
        auto target = program(0);
        state.ResumeTiming();
        pasteClipboard(clipboard, *target);
        benchmark::DoNotOptimize(target->lines.count());
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(PasteThousandLines)->Unit(benchmark::kMicrosecond);

void SelectAllAndDeleteOn1024Lines(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = program(1024);
        state.ResumeTiming();
        selectAll(*doc);
        deleteSelection(*doc);
        benchmark::DoNotOptimize(doc->lines.count());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(SelectAllAndDeleteOn1024Lines)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
