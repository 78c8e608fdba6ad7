// Writing a document's recovery file while the user types: the state of a full-sized program
// (1024 instruction lines and 50 user symbols of each kind) taken and written to the state
// folder. Target: well under a millisecond, so the timer that writes it never holds up typing.
#include "files/ProgramFile.h"
#include "files/Recovery.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

using namespace tarvik;

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

std::unique_ptr<ProgramDocument> fullProgram()
{
    auto doc = std::make_unique<ProgramDocument>(defaults());
    for (int i = 0; i < 50; ++i) {
        const std::string n = std::to_string(i);
        doc->comments.append("comment number " + n);
        const int address0 = 0x0C + i / 2;
        doc->registerFile0.rename(address0, "REG" + n);
        doc->userRegisters0.insert("REG" + n, address0);
        doc->userBits.insert("BIT" + n, i % 8, 0, address0);
        doc->literals.insert("LIT" + n, "0x" + std::to_string(10 + i));
        doc->labels.insert("LABEL" + n, std::to_string(i * 20));
    }
    for (int i = 0; i < 1024; ++i) {
        ProgramLine line;
        line.code = 1 + i % 35;
        line.setOperand("REG" + std::to_string(i % 50));
        line.setAffected("C,DC,Z");
        line.destination = i % 2;
        if (i % 20 == 5)
            line.commentIndex = 1 + i / 20 % 50;
        doc->lines.insertAfterCursor(line);
    }
    return doc;
}

// The state folder of the benchmark's own, removed afterwards.
struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path()
        / ("tarvik-bench-recovery-" + std::to_string(::getpid()));
    ~Folder() { std::filesystem::remove_all(path); }
};

void BM_RecoveryWriteOf1024Lines(benchmark::State& state)
{
    const auto doc = fullProgram();
    const Folder folder;
    const RecoveryStore store(folder.path);
    for (auto _ : state) {
        const RecoveryState recovery{"/home/ann/projects/blink.qel", false, encodeProgramFile(*doc), {}};
        if (store.write(1, recovery) != WriteStatus::Ok)
            state.SkipWithError("the recovery file could not be written");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations())
                            * static_cast<std::int64_t>(encodeProgramFile(*doc).size()));
}
BENCHMARK(BM_RecoveryWriteOf1024Lines)->Unit(benchmark::kMicrosecond);

// The same file read back and checked, as start-up does for each file left behind.
void BM_RecoveryReadOf1024Lines(benchmark::State& state)
{
    const auto doc = fullProgram();
    const Folder folder;
    const RecoveryStore store(folder.path);
    store.write(1, {"Untitled1", true, encodeProgramFile(*doc), {}});
    const std::filesystem::path file = folder.path / ("recovery-" + std::to_string(::getpid()) + "-1.state");
    for (auto _ : state)
        benchmark::DoNotOptimize(store.read(file));
}
BENCHMARK(BM_RecoveryReadOf1024Lines)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
