// Generating a delay (target: under 1 ms for any count), and running the longest one on the
// simulator as the tests do.

#include "model/DeviceDefaults.h"
#include "simulator/Pic16c84.h"
#include "simulator/SimProgram.h"
#include "timing/DelayGenerator.h"
#include "timing/DelayInsertion.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tarvik;

class SilentScreen : public Screen {
public:
    MessageAnswer showMessage(std::string_view, std::string_view, MessageButtons) override { return MessageAnswer::Ok; }
};

// One count per register count, and the padded ones where a register more starts to pay.
constexpr std::uint64_t kCounts[] = {8, 783, 1000, 197137, 300000, 50463253, 100000000};

void BM_PlanDelay(benchmark::State& state)
{
    const std::uint64_t cycles = kCounts[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(planDelay(cycles, DelayForm::Subroutine));
    state.SetLabel(std::to_string(cycles) + " cycles");
}
BENCHMARK(BM_PlanDelay)->DenseRange(0, std::size(kCounts) - 1);

// Everything tarvik-asm --delay does but printing.
void BM_DelayMpasmSource(benchmark::State& state)
{
    const std::uint64_t cycles = kCounts[state.range(0)];
    for (auto _ : state) {
        const std::optional<DelayPlan> plan = planDelay(cycles, DelayForm::Subroutine);
        benchmark::DoNotOptimize(delayMpasmSource(*plan, delayNames("Delay", *plan), 0x0C));
    }
    state.SetLabel(std::to_string(cycles) + " cycles");
}
BENCHMARK(BM_DelayMpasmSource)->DenseRange(0, std::size(kCounts) - 1);

// Insert Delay into a program of 200 lines: names checked against every table, lines in.
void BM_InsertDelay(benchmark::State& state)
{
    const DeviceDefaults defaults;
    SilentScreen screen;
    for (auto _ : state) {
        state.PauseTiming();
        ProgramDocument doc(defaults);
        ProgramLine nop;
        nop.code = 15;
        for (int i = 0; i < 200; ++i)
            doc.lines.insertAfterCursor(nop);
        state.ResumeTiming();
        DelayRequest request;
        request.cycles = kMaxDelayCycles;
        benchmark::DoNotOptimize(insertDelay(doc, screen, request));
    }
}
BENCHMARK(BM_InsertDelay);

void BM_SimulateLongestDelay(benchmark::State& state)
{
    const DeviceDefaults defaults;
    SilentScreen screen;
    ProgramDocument doc(defaults);
    DelayRequest request;
    request.cycles = kMaxDelayCycles;
    request.form = DelayForm::Inline;
    insertDelay(doc, screen, request);
    ProgramLine sleep;
    sleep.code = 32;
    doc.lines.insertAfterCursor(sleep);
    sim::SimProgram program;
    sim::assembleForSimulation(doc, screen, program);
    sim::Pic16c84 chip;
    chip.loadProgram(program.words);
    for (auto _ : state) {
        chip.powerOnReset();
        chip.run(1'000'000'000);
        if (chip.cycles() != kMaxDelayCycles + 1)
            state.SkipWithError("the delay took another number of cycles");
    }
}
BENCHMARK(BM_SimulateLongestDelay)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
