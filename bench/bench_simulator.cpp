// The simulator's speed: instructions per second of the core on tight loops, and
// tarvik-asm --simulate as a whole process against gpsim running the same program for the
// same number of instructions (10 million).

#include "assembler/IntelHex.h"
#include "simulator/Pic16c84.h"
#include "simulator/Trace.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace tarvik::sim;

constexpr std::uint64_t kProcessInstructions = 10'000'000;

std::array<std::uint16_t, kProgramWords> program(std::initializer_list<std::uint16_t> code)
{
    std::array<std::uint16_t, kProgramWords> words;
    words.fill(kErasedWord);
    std::copy(code.begin(), code.end(), words.begin());
    return words;
}

// A nested delay loop: decfsz/goto on two counters.
const auto kDelayLoop = program({
    0x0BA0,  // 0: decfsz 0x20,f
    0x2800,  // 1: goto 0
    0x0BA1,  // 2: decfsz 0x21,f
    0x2800,  // 3: goto 0
    0x2800,  // 4: goto 0
});

// Three one-cycle instructions and a jump: 4 instructions in 5 cycles, so that gpsim, which
// counts cycles, can be stopped after an exact number of instructions.
const auto kCountingLoop = program({
    0x0AA0,  // 0: incf 0x20,f
    0x07A1,  // 1: addwf 0x21,f
    0x0FA2,  // 2: incfsz 0x22,f (skips once in 256 turns: the timing test below avoids it)
    0x2800,  // 3: goto 0
});

// The process comparison's counting loop: never skips.
const auto kProcessLoop = program({
    0x0AA0,  // 0: incf 0x20,f
    0x07A1,  // 1: addwf 0x21,f
    0x3E01,  // 2: addlw 1
    0x2800,  // 3: goto 0
});

void runLoop(benchmark::State& state, const std::array<std::uint16_t, kProgramWords>& code)
{
    Pic16c84 chip;
    chip.loadProgram(code);
    chip.powerOnReset();
    const std::uint64_t batch = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(chip.run(batch));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * batch));
}

void BM_DelayLoop(benchmark::State& state) { runLoop(state, kDelayLoop); }
void BM_CountingLoop(benchmark::State& state) { runLoop(state, kCountingLoop); }
BENCHMARK(BM_DelayLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountingLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// With TMR0 counting through the prescaler and interrupts on: the slower path.
void BM_LoopWithTimerInterrupts(benchmark::State& state)
{
    auto code = program({
        0x1683,  // 0: bsf STATUS,RP0
        0x0181,  // 1: clrf OPTION (TMR0 on the instruction clock, prescaler 1:2)
        0x1283,  // 2: bcf STATUS,RP0
        0x2805,  // 3: goto 5
        0x2809,  // 4: goto 9 (interrupt vector)
        0x30A0,  // 5: movlw 0xA0 (GIE, T0IE)
        0x008B,  // 6: movwf INTCON
        0x0AA0,  // 7: incf 0x20,f
        0x2807,  // 8: goto 7
        0x110B,  // 9: bcf INTCON,T0IF
        0x0009,  // 10: retfie
    });
    runLoop(state, code);
}
BENCHMARK(BM_LoopWithTimerInterrupts)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// A pin toggled every 10 instructions: xorwf PORTB through the slow path, nine on the fast.
const auto kPinToggle = program({
    0x1683,  // 0: bsf STATUS,RP0
    0x0186,  // 1: clrf TRISB
    0x1283,  // 2: bcf STATUS,RP0
    0x3001,  // 3: movlw 1
    0x0686,  // 4: xorwf PORTB,f
    0x0AA0,  // 5: incf 0x20,f
    0x0AA1,  // 6: incf 0x21,f
    0x0000,  // 7: nop
    0x0AA2,  // 8: incf 0x22,f
    0x0000,  // 9: nop
    0x0AA3,  // 10: incf 0x23,f
    0x0000,  // 11: nop
    0x0AA4,  // 12: incf 0x24,f
    0x2804,  // 13: goto 4
});

void pinToggle(benchmark::State& state, bool traced)
{
    Pic16c84 chip;
    Trace trace;
    chip.loadProgram(kPinToggle);
    chip.powerOnReset();
    if (traced)
        chip.setTrace(&trace);
    const std::uint64_t batch = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(chip.run(batch));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * batch));
    state.counters["trace_MB"] = static_cast<double>(trace.memoryBytes()) / 1e6;
}

void BM_PinToggle(benchmark::State& state) { pinToggle(state, false); }
void BM_PinToggleTraced(benchmark::State& state) { pinToggle(state, true); }
BENCHMARK(BM_PinToggle)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PinToggleTraced)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// A timing diagram's repaint of a full trace: 2000 pixel columns at a zoom given as cycles
// per column (the whole trace in view, down to a cycle 64 pixels wide).
void BM_TraceColumns(benchmark::State& state)
{
    static const auto trace = [] {
        auto filled = std::make_unique<Trace>();
        Pic16c84 chip;
        chip.loadProgram(kPinToggle);
        chip.powerOnReset();
        chip.setTrace(filled.get());
        while (filled->end() - filled->begin() < Trace::kDefaultKept)
            chip.run(10'000'000);
        return filled;
    }();
    const double cyclesPerColumn = static_cast<double>(state.range(0)) / 64;
    const TraceSample first = trace->sample(trace->begin());
    const TraceSample last = trace->sample(trace->end() - 1);
    std::vector<TraceColumn> columns(2000);
    // The view ends at the newest change, or starts at the oldest when it holds them all.
    const double start = std::max(static_cast<double>(first.cycle),
                                  static_cast<double>(last.cycle) - cyclesPerColumn * static_cast<double>(columns.size()));
    for (auto _ : state) {
        trace->columns(start, cyclesPerColumn, columns);
        benchmark::DoNotOptimize(columns.data());
    }
    state.counters["changes"] = static_cast<double>(trace->end() - trace->begin());
}
// Whole trace (about 1.2e8 cycles) in view, then 1/100 of it, 10 cycles, 1 cycle, 1/64 cycle.
BENCHMARK(BM_TraceColumns)->Arg(64 * 60'000)->Arg(64 * 600)->Arg(640)->Arg(64)->Arg(1)->Unit(benchmark::kMillisecond);

// A folder of this run, removed when the program ends.
std::filesystem::path workFolder()
{
    struct Folder {
        std::filesystem::path path;
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder{[] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-bench-XXXXXX").string();
        ::mkdtemp(pattern.data());
        return std::filesystem::path(pattern);
    }()};
    return folder.path;
}

// Writes NAME.hex and the gpsim script that stops it after as many cycles as the first
// 10 million instructions take (gpsim counts cycles; our cycle counts agree with its own,
// as the cross-check tests show). Returns the HEX file's path.
std::string prepare(const std::string& name, const std::array<std::uint16_t, kProgramWords>& code)
{
    const std::filesystem::path hexPath = workFolder() / (name + ".hex");
    if (!std::filesystem::exists(hexPath)) {
        std::string hex;
        for (int address = 0; address < kProgramWords; address += 8) {
            std::uint8_t bytes[16];
            for (int i = 0; i < 8; ++i) {
                bytes[2 * i] = static_cast<std::uint8_t>(code[address + i]);
                bytes[2 * i + 1] = static_cast<std::uint8_t>(code[address + i] >> 8);
            }
            hex += tarvik::hexDataRecord(2 * address, bytes) + "\n";
        }
        // The configuration word with the watchdog off: gpsim takes an absent word as erased,
        // watchdog on, and would reset the chip every 2.3 s of simulated time.
        const std::uint8_t configuration[2] = {0xFB, 0x3F};
        hex += tarvik::hexDataRecord(0x2007 * 2, configuration) + "\n";
        std::ofstream(hexPath) << hex << tarvik::hexEndRecord(0) << "\n";
        Pic16c84 chip;
        chip.loadProgram(code);
        chip.powerOnReset();
        chip.run(kProcessInstructions);
        std::ofstream(workFolder() / (name + ".cmd")) << "break c " << chip.cycles() << "\nrun\nquit\n";
    }
    return hexPath.string();
}

double childCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall time suffers from whatever else the machine runs; the processor time the process
// itself took is reported beside it as child_cpu_ms.
void runProcess(benchmark::State& state, const std::string& command)
{
    const double before = childCpuSeconds();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError(("failed: " + command).c_str());
    state.counters["child_cpu_ms"] = (childCpuSeconds() - before) * 1000.0 / static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kProcessInstructions));
}

void tarvikAsmProcess(benchmark::State& state, const std::string& name,
                      const std::array<std::uint16_t, kProgramWords>& code)
{
    // tarvik-asm lies in the build folder, one above this program.
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string tarvikAsm = (self.parent_path().parent_path() / "tarvik-asm").string();
    runProcess(state, tarvikAsm + " --simulate " + std::to_string(kProcessInstructions) + " "
                          + prepare(name, code) + " > /dev/null");
}

void gpsimProcess(benchmark::State& state, const std::string& name,
                  const std::array<std::uint16_t, kProgramWords>& code)
{
    const std::string hex = prepare(name, code);
    runProcess(state, "gpsim -i -p p16c84 -c " + (workFolder() / (name + ".cmd")).string() + " " + hex
                          + " > /dev/null 2>&1");
}

void BM_TarvikAsmSimulateProcess_CountingLoop(benchmark::State& state) { tarvikAsmProcess(state, "counting", kProcessLoop); }
void BM_GpsimProcess_CountingLoop(benchmark::State& state) { gpsimProcess(state, "counting", kProcessLoop); }
void BM_TarvikAsmSimulateProcess_DelayLoop(benchmark::State& state) { tarvikAsmProcess(state, "delay", kDelayLoop); }
void BM_GpsimProcess_DelayLoop(benchmark::State& state) { gpsimProcess(state, "delay", kDelayLoop); }

BENCHMARK(BM_TarvikAsmSimulateProcess_CountingLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_GpsimProcess_CountingLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_TarvikAsmSimulateProcess_DelayLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_GpsimProcess_DelayLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();
