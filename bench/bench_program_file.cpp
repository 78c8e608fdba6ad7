// Saving and loading a full-sized program: 1024 instruction lines and 50 user symbols of
// each kind. Target: each direction well under 200 microseconds.
#include "files/ProgramFile.h"

#include <benchmark/benchmark.h>

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
        const int address1 = 0x8C + i / 2;
        if (i % 2 == 0) {
            doc->registerFile0.rename(address0, "REG" + n);
            doc->userRegisters0.insert("REG" + n, address0);
        } else {
            doc->registerFile1.rename(address1, "REG" + n);
            doc->userRegisters1.insert("REG" + n, address1);
        }
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
        if (i % 20 == 0)
            line.setLabel("LABEL" + std::to_string(i / 20 % 50));
        if (i % 20 == 5)
            line.commentIndex = 1 + i / 20 % 50;
        doc->lines.insertAfterCursor(line);
    }
    return doc;
}

std::string scratchPath()
{
    return (std::filesystem::temp_directory_path() / ("tarvik-bench-" + std::to_string(::getpid()) + ".qel"))
        .string();
}

void BM_Encode(benchmark::State& state)
{
    const auto doc = fullProgram();
    std::size_t size = 0;
    for (auto _ : state) {
        auto bytes = encodeProgramFile(*doc);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMicrosecond);

void BM_Decode(benchmark::State& state)
{
    const auto bytes = encodeProgramFile(*fullProgram());
    for (auto _ : state) {
        ReadOutcome outcome = decodeProgramFile(bytes, defaults());
        if (outcome.status != ReadStatus::Ok)
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(outcome.document.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMicrosecond);

// Through the disk: includes creating the temporary file, fsync and the rename.
void BM_EncodeAndWriteFile(benchmark::State& state)
{
    const auto doc = fullProgram();
    const std::string path = scratchPath();
    for (auto _ : state)
        if (writeProgramFile(path, *doc) != WriteStatus::Ok)
            state.SkipWithError("writing failed");
    std::filesystem::remove(path);
}
BENCHMARK(BM_EncodeAndWriteFile)->Unit(benchmark::kMicrosecond);

void BM_ReadFileAndDecode(benchmark::State& state)
{
    const std::string path = scratchPath();
    if (writeProgramFile(path, *fullProgram()) != WriteStatus::Ok)
        state.SkipWithError("writing failed");
    for (auto _ : state) {
        ReadOutcome outcome = readProgramFile(path, defaults());
        if (outcome.status != ReadStatus::Ok)
            state.SkipWithError("reading failed");
        benchmark::DoNotOptimize(outcome.document.get());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFileAndDecode)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
