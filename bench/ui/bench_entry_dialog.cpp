// Opening an entry dialog on a well-filled program, as the palette does, up to its first
// painted frame. Offscreen by default; under a real X server (QT_QPA_PLATFORM=xcb, with a
// window manager running) it measures what the user waits for.
#include "app/TMainForm.h"
#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/instruction/TEntryDialog.h"
#include "editor/TMDIChild.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

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

// The main window the palette belongs to: the dialog stands over it as over the real one.
QWidget* owner = nullptr;

// A machine busy with other work makes some frames wait for the processor; the median says
// what opening a dialog usually costs, the mean (the benchmark's time) what it costs then.
void reportMedians(benchmark::State& state, std::vector<double> total, std::vector<double> showToPaint)
{
    const auto median = [](std::vector<double>& values) {
        if (values.empty())
            return 0.0;
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    state.counters["median_ms"] = median(total);
    state.counters["show_to_paint_ms"] = median(showToPaint);
}

struct Silent : tarvik::Screen {
    tarvik::MessageAnswer showMessage(std::string_view, std::string_view, tarvik::MessageButtons) override
    {
        return tarvik::MessageAnswer::Ok;
    }
};

// Notes when the dialog is shown and when it is first painted.
class FrameWatch : public QObject {
public:
    explicit FrameWatch(const QElapsedTimer& clock) : clock_(clock) {}
    qint64 shownAt = -1;
    qint64 paintedAt = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shownAt < 0)
            shownAt = clock_.nsecsElapsed();
        else if (event->type() == QEvent::Paint && paintedAt < 0)
            paintedAt = clock_.nsecsElapsed();
        return false;
    }

private:
    const QElapsedTimer& clock_;
};

// The argument is the instruction code: addwf lists 96 registers, bsf the registers and then
// bits, movlw 100 literals, goto 100 labels, nop nothing. The time is from the click to the
// first frame; show_to_paint is the part from the show event on.
void BM_OpenEntryDialogToFirstFrame(benchmark::State& state)
{
    const tarvik::DeviceDefaults defaults;
    const auto doc = filledDocument(defaults);
    Silent silent;
    const int code = static_cast<int>(state.range(0));
    std::vector<double> total;
    std::vector<double> showToPaint;
    for (auto _ : state) {
        QElapsedTimer clock;
        FrameWatch watch(clock);
        clock.start();
        auto dialog = createEntryDialog(*tarvik::entryKindOf(code), *doc, silent, nullptr, owner);
        dialog->installEventFilter(&watch);
        dialog->prepareFor(code);
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
        // The frame is on the screen once the event round that painted it is over.
        while (watch.paintedAt < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        const qint64 done = clock.nsecsElapsed();
        state.SetIterationTime(static_cast<double>(done) / 1e9);
        total.push_back(static_cast<double>(done) / 1e6);
        showToPaint.push_back(static_cast<double>(done - watch.shownAt) / 1e6);

        state.PauseTiming();
        dialog.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    reportMedians(state, std::move(total), std::move(showToPaint));
}
BENCHMARK(BM_OpenEntryDialogToFirstFrame)
    ->Arg(1)
    ->Arg(16)
    ->Arg(24)
    ->Arg(27)
    ->Arg(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same on the program's own main window, through the palette's handler: a program of 200
// lines, the dialog run modally as a click runs it. The window's own repaint when the dialog
// takes the focus from it is part of what the user waits for.
void BM_PaletteClickToFirstFrame(benchmark::State& state)
{
    static TMainForm* form = nullptr;
    if (!form) {
        form = new TMainForm;
        form->show();
        while (!form->windowHandle() || !form->windowHandle()->isExposed() || !form->activeChild())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        tarvik::ProgramDocument& doc = form->activeChild()->document();
        tarvik::ProgramLine line;
        line.code = 3;
        line.setOperand("PORTB");
        for (int i = 0; i < 200; ++i)
            doc.lines.insertAfterCursor(line);
        form->activeChild()->ResetCursorToTop();
        QCoreApplication::processEvents();
    }
    const int code = static_cast<int>(state.range(0));

    // Notes the dialog's first paint, and closes it once the round that painted it is over.
    struct FirstFrame : QObject {
        QElapsedTimer clock;
        qint64 shownAt = -1;
        qint64 doneAt = -1;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* dialog = qobject_cast<TEntryDialog*>(watched);
            if (!dialog)
                return false;
            if (event->type() == QEvent::Show && shownAt < 0)
                shownAt = clock.nsecsElapsed();
            if (event->type() == QEvent::Paint && doneAt < 0) {
                doneAt = 0;
                QTimer::singleShot(0, dialog, [this, dialog] {
                    doneAt = clock.nsecsElapsed();
                    dialog->reject();
                });
            }
            return false;
        }
    } frame;
    qApp->installEventFilter(&frame);
    std::vector<double> total;
    std::vector<double> showToPaint;
    for (auto _ : state) {
        frame.shownAt = frame.doneAt = -1;
        frame.clock.start();
        form->runInstructionDialog(code);
        state.SetIterationTime(static_cast<double>(frame.doneAt) / 1e9);
        total.push_back(static_cast<double>(frame.doneAt) / 1e6);
        showToPaint.push_back(static_cast<double>(frame.doneAt - frame.shownAt) / 1e6);
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    qApp->removeEventFilter(&frame);
    reportMedians(state, std::move(total), std::move(showToPaint));
}
BENCHMARK(BM_PaletteClickToFirstFrame)->Arg(1)->Arg(16)->Arg(24)->Arg(27)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc_, char** argv_)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // One application for every run, as in the program: a window system connection is not
    // opened afresh for each dialog.
    QApplication app(argc_, argv_);
    // Shown and painted with text first, as the program's main window is when the user clicks.
    QLabel mainWindow(QStringLiteral("Tarvik"));
    mainWindow.resize(800, 600);
    mainWindow.show();
    while (!mainWindow.windowHandle() || !mainWindow.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    owner = &mainWindow;
    benchmark::Initialize(&argc_, argv_);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
