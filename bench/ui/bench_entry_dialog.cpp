// Opening an entry dialog on a well-filled program, up to its first shown frame, offscreen.
#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/instruction/TEntryDialog.h"

#include <QApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

int argc = 1;
char name[] = "bench_entry_dialog";
char* argv[] = {name, nullptr};

// Both register files as every document has them, 100 labels and 100 literals.
std::unique_ptr<tarvik::ProgramDocument> filledDocument(const tarvik::DeviceDefaults& defaults)
{
    auto doc = std::make_unique<tarvik::ProgramDocument>(defaults);
    char text[16];
    for (int i = 0; i < 100; ++i) {
        std::snprintf(text, sizeof text, "LABEL%03d", i);
        doc->labels.insert(text, {});
        std::snprintf(text, sizeof text, "LIT%03d", i);
        doc->literals.insert(text, "H'20'");
    }
    return doc;
}

// The argument is the instruction code: addwf lists 96 registers, bsf the registers and then
// bits, movlw 100 literals, goto 100 labels.
void BM_OpenEntryDialogToFirstFrame(benchmark::State& state)
{
    QApplication app(argc, argv);
    const tarvik::DeviceDefaults defaults;
    const auto doc = filledDocument(defaults);
    struct Silent : tarvik::Screen {
        tarvik::MessageAnswer showMessage(std::string_view, std::string_view, tarvik::MessageButtons) override
        {
            return tarvik::MessageAnswer::Ok;
        }
    } silent;
    const int code = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto dialog = createEntryDialog(*tarvik::entryKindOf(code), *doc, silent, nullptr);
        dialog->prepareFor(code);
        dialog->show();
        while (!dialog->windowHandle() || !dialog->windowHandle()->isExposed())
            QCoreApplication::processEvents();
        // The first paint.
        QCoreApplication::processEvents();
        state.PauseTiming();
        dialog.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenEntryDialogToFirstFrame)->Arg(1)->Arg(16)->Arg(24)->Arg(27)->Unit(benchmark::kMillisecond);

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
