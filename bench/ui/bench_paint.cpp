// Painting a full editor view of a 1024-line program into an offscreen image.
#include "editor/TMDIChild.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

using namespace tarvik;

namespace {

const DeviceDefaults& deviceDefaults()
{
    static const DeviceDefaults defaults;
    return defaults;
}

// The header and 1023 lines cycling through instructions of every shape, ORG and blank
// lines, with labels and comments here and there.
std::unique_ptr<TMDIChild> makeView(int displayMode)
{
    auto doc = std::make_unique<ProgramDocument>(deviceDefaults());
    const int codes[] = {1, 6, 7, 16, 17, 18, 20, 21, 24, 27, 28, 34, 35, 14, kOrgCode, kBlankCode};
    const char* operands[] = {"PORTB", "COUNT", "TRISB", "RP0", "RP0", "Z", "COUNT", "COUNT",
                              "0x3F", "LOOP", "DELAY", "10", "COUNT", "", "0x10", ""};
    const int comment = doc->comments.append("a comment on the line");
    for (int i = 0; i < 1023; ++i) {
        const int k = i % 16;
        ProgramLine line;
        line.code = codes[k];
        line.setOperand(operands[k]);
        line.destination = i & 1;
        if (i % 7 == 0)
            line.setLabel("LABEL" + std::to_string(i));
        if (i % 3 == 0)
            line.commentIndex = comment;
        if (i % 11 == 0)
            line.state = LineState::Selected;
        doc->lines.insertAfterCursor(line);
    }
    auto view = std::make_unique<TMDIChild>(std::move(doc));
    view->resize(800, 600);
    view->show();
    view->setShownDisplayMode(displayMode);
    return view;
}

void paintFullView(benchmark::State& state)
{
    const int displayMode = static_cast<int>(state.range(0));
    const bool withControls = state.range(1) != 0;
    auto view = makeView(displayMode);
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    const QWidget::RenderFlags flags = withControls
        ? QWidget::RenderFlags(QWidget::DrawWindowBackground | QWidget::DrawChildren)
        : QWidget::RenderFlags(QWidget::DrawWindowBackground);
    for (auto _ : state) {
        view->render(&image, QPoint(), QRegion(), flags);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(std::string(displayMode == 0 ? "symbolic" : "MPASM")
                   + (withControls ? ", rows + header + scroll bar" : ", rows only"));
}
BENCHMARK(paintFullView)
    ->ArgsProduct({{0, 50}, {0, 1}})
    ->ArgNames({"mode", "controls"})
    ->Unit(benchmark::kMillisecond);

// Moving the cursor by a key repaints two rows; the paint still walks to the end.
void cursorRowRepaint(benchmark::State& state)
{
    auto view = makeView(50);
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    const QRegion twoRows(0, 17, 800, 34);
    for (auto _ : state) {
        view->render(&image, QPoint(), twoRows, QWidget::DrawWindowBackground);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(cursorRowRepaint)->Unit(benchmark::kMicrosecond);

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
