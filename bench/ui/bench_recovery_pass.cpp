// The recovery timer's pass while the user types in a full-sized program (1024 instruction
// lines and 50 user symbols of each kind): the changed document's state taken and written to
// the state folder, on the user-interface thread. Target: a few milliseconds at most, well
// below what a typist notices between two keys.
#include "app/RecoveryController.h"
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

using namespace tarvik;

int argc = 1;
char name[] = "bench_recovery_pass";
char* argv[] = {name, nullptr};

void fillProgram(ProgramDocument& doc)
{
    for (int i = 0; i < 50; ++i) {
        const std::string n = std::to_string(i);
        doc.comments.append("comment number " + n);
        const int address0 = 0x0C + i / 2;
        doc.registerFile0.rename(address0, "REG" + n);
        doc.userRegisters0.insert("REG" + n, address0);
        doc.userBits.insert("BIT" + n, i % 8, 0, address0);
        doc.literals.insert("LIT" + n, "0x" + std::to_string(10 + i));
        doc.labels.insert("LABEL" + n, std::to_string(i * 20));
    }
    for (int i = 0; i < 1024; ++i) {
        ProgramLine line;
        line.code = 1 + i % 35;
        line.setOperand("REG" + std::to_string(i % 50));
        line.setAffected("C,DC,Z");
        line.destination = i % 2;
        if (i % 20 == 5)
            line.commentIndex = 1 + i / 20 % 50;
        doc.lines.insertAfterCursor(line);
    }
    doc.modified = true;
}

struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path()
        / ("tarvik-bench-recovery-pass-" + std::to_string(::getpid()));
    ~Folder() { std::filesystem::remove_all(path); }
};

void BM_RecoveryPassAfterAChangeIn1024Lines(benchmark::State& state)
{
    QApplication app(argc, argv);
    const Folder folder;
    TMainForm form;
    auto* recovery = new RecoveryController(form, RecoveryStore(folder.path));
    form.show();
    TMDIChild* view = form.activeChild();
    fillProgram(view->document());
    for (auto _ : state) {
        emit view->documentChanged();
        recovery->writeNow();
    }
}
BENCHMARK(BM_RecoveryPassAfterAChangeIn1024Lines)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc_, char** argv_)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc_, argv_);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
