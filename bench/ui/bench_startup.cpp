// Start-up of the application to its first shown window, offscreen.
#include "app/TMainForm.h"

#include <QApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

int argc = 1;
char name[] = "bench_startup";
char* argv[] = {name, nullptr};

void showAndWait(TMainForm& form)
{
    form.show();
    while (!form.windowHandle() || !form.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    // The first paint of the window and its Untitled1.
    QCoreApplication::processEvents();
}

// What the user waits for when the program starts: the application object, the main
// window with its palette and glyphs, Untitled1, and the first paint.
void BM_ApplicationToFirstShownWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Tarvik"));
        TMainForm form;
        showAndWait(form);
        benchmark::DoNotOptimize(form.documentWindows().size());
    }
}
BENCHMARK(BM_ApplicationToFirstShownWindow)->Unit(benchmark::kMillisecond);

// The main window alone, with the application already running.
void BM_MainWindowToFirstShown(benchmark::State& state)
{
    QApplication app(argc, argv);
    for (auto _ : state) {
        TMainForm form;
        showAndWait(form);
        benchmark::DoNotOptimize(form.documentWindows().size());
    }
}
BENCHMARK(BM_MainWindowToFirstShown)->Unit(benchmark::kMillisecond);

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
