// MPASM export and listing of a program that fills program memory (1024 words of random
// instructions with user symbols, Inactive lines and comments), each including its assembly.
//
//   bench_mpasm                 run the benchmark
//   bench_mpasm --write DIR     write DIR/full.qel and its export DIR/full.asm, for timing
//                               tarvik-asm --export against gpasm as whole processes

#include "assembler/ConvertToHex.h"
#include "files/ProgramFile.h"
#include "mpasm/MpasmExport.h"

#include "../tests/support/RandomProgram.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

using namespace tarvik;

class SilentScreen : public Screen {
public:
    MessageAnswer showMessage(std::string_view, std::string_view, MessageButtons) override
    {
        ++messages;
        return MessageAnswer::Ok;
    }
    int messages = 0;
};

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

// Lines until the address counter reaches the end of program memory.
std::unique_ptr<ProgramDocument> fullProgram()
{
    test::RandomProgramOptions options;
    options.minLines = options.maxLines = 2000;
    options.orgLines = false;
    options.fillToEndOneIn = 0;
    auto doc = test::makeRandomProgram(defaults(), 1024, options);
    SilentScreen screen;
    HexImage image;
    if (!assembleProgram(*doc, screen, image) || image.count() != 2 * HexImage::kProgramWords) {
        std::fprintf(stderr, "bench_mpasm: the program does not fill program memory\n");
        std::exit(1);
    }
    return doc;
}

void BM_ExportFullProgram(benchmark::State& state)
{
    auto doc = fullProgram();
    SilentScreen screen;
    std::string source;
    for (auto _ : state) {
        exportMpasmSource(*doc, screen, source);
        benchmark::DoNotOptimize(source.data());
    }
    state.counters["bytes"] = static_cast<double>(source.size());
}
BENCHMARK(BM_ExportFullProgram)->Unit(benchmark::kMicrosecond);

void BM_ListFullProgram(benchmark::State& state)
{
    auto doc = fullProgram();
    SilentScreen screen;
    std::string listing;
    for (auto _ : state) {
        writeListing(*doc, screen, listing);
        benchmark::DoNotOptimize(listing.data());
    }
    state.counters["bytes"] = static_cast<double>(listing.size());
}
BENCHMARK(BM_ListFullProgram)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        auto doc = fullProgram();
        const std::string dir = argv[2];
        SilentScreen screen;
        std::string source;
        exportMpasmSource(*doc, screen, source);
        std::ofstream(dir + "/full.asm") << source;
        return writeProgramFile(dir + "/full.qel", *doc) == WriteStatus::Ok ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
