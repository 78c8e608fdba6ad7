// Find and Replace over a program as long as program memory.
#include "editor/FindReplace.h"
#include "model/ProgramDocument.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

class SilentScreen : public tarvik::Screen {
public:
    tarvik::MessageAnswer showMessage(std::string_view, std::string_view, tarvik::MessageButtons) override
    {
        return tarvik::MessageAnswer::Ok;
    }
};

// 1024 lines, every fourth using the name replaced back and forth.
void fill(tarvik::ProgramDocument& doc)
{
    for (int i = 0; i < 1024; ++i) {
        tarvik::ProgramLine line;
        line.code = 7;
        line.setOperand(i % 4 == 0 ? "COUNT" : "GPR0H" + std::to_string(10 + i % 30));
        doc.lines.insertAfterCursor(line);
    }
}

void BM_Replace1024Lines(benchmark::State& state)
{
    tarvik::DeviceDefaults defaults;
    tarvik::ProgramDocument doc(defaults);
    fill(doc);
    SilentScreen screen;
    bool forth = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(forth ? tarvik::ReplaceOperand(doc, screen, "COUNT", "TEMP")
                                       : tarvik::ReplaceOperand(doc, screen, "TEMP", "COUNT"));
        forth = !forth;
    }
}
BENCHMARK(BM_Replace1024Lines)->Unit(benchmark::kMicrosecond);

void BM_Find1024Lines(benchmark::State& state)
{
    tarvik::DeviceDefaults defaults;
    tarvik::ProgramDocument doc(defaults);
    fill(doc);
    SilentScreen screen;
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvik::FindOperand(doc, screen, "COUNT"));
}
BENCHMARK(BM_Find1024Lines)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
