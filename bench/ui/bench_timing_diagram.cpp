// Repainting the timing diagram of a 10-million-change trace at zooms from 64 pixels a
// cycle to the whole trace in one view: the cost follows the pixels, not the changes.
#include "app/TimingDiagram.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

using namespace tarvik::sim;

namespace {

constexpr std::size_t kChanges = 10'000'000;

// Changes 1 to 40 cycles apart, each flipping one or two of the pins and three watched bits;
// RB1 toggles slowly, RB0 as fast as it can.
const Trace& bigTrace()
{
    static const std::unique_ptr<Trace> trace = [] {
        auto made = std::make_unique<Trace>(kChanges);
        std::mt19937_64 random(19);
        std::uint64_t cycle = 0;
        std::uint32_t levels = 0;
        made->record(cycle, levels);
        for (std::size_t i = 1; i < kChanges; ++i) {
            cycle += 1 + random() % 40;
            levels ^= 1u << (random() % (kPinSignals + 3));
            if (i % 2 == 0)
                levels ^= 1u << 5;
            if (i % 100'000 == 0)
                levels ^= 1u << 6;
            made->record(cycle, levels);
        }
        return made;
    }();
    return *trace;
}

void repaint(benchmark::State& state)
{
    const Trace& trace = bigTrace();
    const std::uint64_t end = trace.sample(trace.end() - 1).cycle;
    TimingDiagram diagram;
    diagram.resize(1280, TimingDiagram::kRulerHeight + (kPinSignals + 3) * TimingDiagram::kRowHeight);
    diagram.setTrace(&trace);
    std::vector<TimingDiagram::Row> rows;
    for (int signal = 0; signal < kPinSignals + 3; ++signal)
        rows.push_back({signal, QStringLiteral("S%1").arg(signal), 0});
    diagram.setRows(rows);
    diagram.setNow(end);
    const double cyclesPerPixel = state.range(0) == 0
        ? static_cast<double>(end) / diagram.waveWidth()
        : std::max(std::pow(10.0, static_cast<double>(state.range(0)) - 3), TimeAxis::kMinCyclesPerPixel);
    // In the middle of the trace, or all of it.
    diagram.setAxis({state.range(0) == 0 ? 0.0 : static_cast<double>(end) / 2, cyclesPerPixel});
    QImage image(diagram.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        diagram.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(state.range(0) == 0 ? "whole trace" : QStringLiteral("%1 cycles a pixel").arg(cyclesPerPixel).toStdString());
}
// 1: 1/64 cycle a pixel (the closest zoom), 4: 10, 6: 1000, 8: 100000; 0: the whole trace.
BENCHMARK(repaint)->Arg(1)->Arg(3)->Arg(4)->Arg(6)->Arg(8)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
