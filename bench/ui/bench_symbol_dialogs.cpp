// Opening the registers dialog and switching its page, offscreen.
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <QApplication>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

class SilentScreen : public tarvik::Screen {
public:
    tarvik::MessageAnswer showMessage(std::string_view, std::string_view, tarvik::MessageButtons) override
    {
        return tarvik::MessageAnswer::Ok;
    }
};

// What the user waits for from the click to a painted dialog, and again for the other bank.
void BM_OpenRegistersDialogAndSwitchPage(benchmark::State& state)
{
    tarvik::DeviceDefaults defaults;
    tarvik::ProgramDocument doc(defaults);
    SilentScreen screen;
    for (auto _ : state) {
        TfrmNewRegisters dialog(doc, screen);
        dialog.setPresetName("TEMP");
        dialog.show();
        dialog.repaint();
        dialog.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
        dialog.repaint();
        benchmark::DoNotOptimize(dialog.selectedAddress());
    }
}
BENCHMARK(BM_OpenRegistersDialogAndSwitchPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
