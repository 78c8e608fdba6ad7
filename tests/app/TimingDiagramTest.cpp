// The timing diagram as the mouse uses it: where a click puts a cursor (snapped to an
// edge of the clicked row's signal or on the cycle under it), what the readout says of
// the cursors and of the pulse under cursor A, how the wheel zooms and scrolls, and what
// a column shows of the levels.

#include "app/TimingDiagram.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <memory>

using namespace tarvik::sim;

namespace {

constexpr int kRB1 = 6;
constexpr int kRA0 = 0;

// RB1 rises at 100 and every 500 cycles after, and falls 250 cycles after each rise.
std::unique_ptr<Trace> squareWave()
{
    auto trace = std::make_unique<Trace>(1000);
    trace->record(0, 0);
    for (std::uint64_t rise = 100; rise < 3000; rise += 500) {
        trace->record(rise, 1u << kRB1);
        trace->record(rise + 250, 0);
    }
    return trace;
}

struct Click {
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    int x;  // from the left of the waveforms
    int row;   // 0 RB1, 1 RA0
};

struct CursorCase {
    const char* name;
    TimeAxis axis;
    std::uint32_t clockHz;
    std::vector<Click> clicks;
    std::optional<std::uint64_t> a, b;
    const char* readout;
};

const std::vector<CursorCase>& cursorCases()
{
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    static const std::vector<CursorCase> cases = {
        {"far from an edge: the cycle under the mouse", {0, 1}, 4'000'000, {{Qt::LeftButton, none, 200, 0}}, 200, {},
         "A: cycle 200 = 200 us   RB1 high 250 cycles = 250 us, period 500 cycles = 500 us"},
        {"within five pixels of an edge: the edge", {0, 1}, 4'000'000, {{Qt::LeftButton, none, 353, 0}}, 350, {},
         "A: cycle 350 = 350 us   RB1 low 250 cycles = 250 us, period 500 cycles = 500 us"},
        {"a row without edges does not snap", {0, 1}, 4'000'000, {{Qt::LeftButton, none, 353, 1}}, 353, {},
         "A: cycle 353 = 353 us   RA0 0"},
        {"ten cycles a pixel: the snap reaches fifty cycles", {0, 10}, 4'000'000, {{Qt::LeftButton, none, 64, 0}}, 600,
         {}, "A: cycle 600 = 600 us   RB1 high 250 cycles = 250 us, period 500 cycles = 500 us"},
        {"64 pixels a cycle: the cycle the mouse is in", {100, 1.0 / 64}, 4'000'000,
         {{Qt::LeftButton, none, 64 * 3 + 10, 0}}, 103, {},
         "A: cycle 103 = 103 us   RB1 high 250 cycles = 250 us, period 500 cycles = 500 us"},
        {"scrolled to cycle 1000, two cycles a pixel", {1000, 2}, 4'000'000, {{Qt::LeftButton, none, 100, 0}}, 1200, {},
         "A: cycle 1200 = 1.2 ms   RB1 high 250 cycles = 250 us, period 500 cycles = 500 us"},
        {"a right click sets B: a period from edge to edge", {0, 1}, 4'000'000,
         {{Qt::LeftButton, none, 102, 0}, {Qt::RightButton, none, 598, 0}}, 100, 600,
         "A: cycle 100 = 100 us   B: cycle 600 = 600 us   A to B: 500 cycles = 500 us   "
         "RB1 high 250 cycles = 250 us, period 500 cycles = 500 us"},
        {"Shift+click sets B; B before A reads the same span", {0, 1}, 4'000'000,
         {{Qt::LeftButton, none, 600, 0}, {Qt::LeftButton, Qt::ShiftModifier, 350, 0}}, 600, 350,
         "A: cycle 600 = 600 us   B: cycle 350 = 350 us   A to B: 250 cycles = 250 us   "
         "RB1 high 250 cycles = 250 us, period 500 cycles = 500 us"},
        {"at 20 MHz a cycle is 200 ns", {0, 1}, 20'000'000,
         {{Qt::LeftButton, none, 100, 0}, {Qt::RightButton, none, 350, 0}}, 100, 350,
         "A: cycle 100 = 20 us   B: cycle 350 = 70 us   A to B: 250 cycles = 50 us   "
         "RB1 high 250 cycles = 50 us, period 500 cycles = 100 us"},
        {"at 32.768 kHz a cycle is 122 us", {0, 1}, 32'768, {{Qt::LeftButton, none, 1, 1}}, 1, {},
         "A: cycle 1 = 122.0703 us   RA0 0"},
    };
    return cases;
}

struct Fixture {
    std::unique_ptr<Trace> trace = squareWave();
    TimingDiagram diagram;

    Fixture()
    {
        diagram.resize(TimingDiagram::kLabelWidth + 1000, 120);
        diagram.setTrace(trace.get());
        diagram.setRows({{kRB1, QStringLiteral("RB1"), 0}, {kRA0, QStringLiteral("RA0"), 0}});
        diagram.setNow(3000);
    }
    void click(const Click& c)
    {
        const QPoint at(diagram.waveLeft() + c.x, diagram.rowMiddle(c.row));
        QTest::mouseClick(&diagram, c.button, c.modifiers, at);
    }
    void wheel(int notches, Qt::KeyboardModifiers modifiers, double x)
    {
        const QPointF at(diagram.waveLeft() + x, diagram.rowMiddle(0));
        QWheelEvent event(at, diagram.mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&diagram, &event);
    }
    QRgb pixel(int x, int y) { return diagram.grab().toImage().pixel(diagram.waveLeft() + x, y); }
};

} // namespace

class TimingDiagramTest : public QObject {
    Q_OBJECT

private slots:
    void aClickPlacesACursorAndTheReadoutTellsTheTimes_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < cursorCases().size(); ++i)
            QTest::newRow(cursorCases()[i].name) << static_cast<int>(i);
    }

    void aClickPlacesACursorAndTheReadoutTellsTheTimes()
    {
        QFETCH(int, row);
        const CursorCase& c = cursorCases()[static_cast<std::size_t>(row)];
        Fixture f;
        f.diagram.setClockHz(c.clockHz);
        f.diagram.setAxis(c.axis);
        QString shown;
        connect(&f.diagram, &TimingDiagram::readoutChanged, this, [&](const QString& text) { shown = text; });
        for (const Click& click : c.clicks)
            f.click(click);
        QCOMPARE(f.diagram.cursor(TimingDiagram::CursorA), c.a);
        QCOMPARE(f.diagram.cursor(TimingDiagram::CursorB), c.b);
        QCOMPARE(f.diagram.readout(), QString::fromLatin1(c.readout));
        QCOMPARE(shown, f.diagram.readout());
    }

    void theWheelScrollsAndCtrlWheelZoomsAtTheMouse()
    {
        Fixture f;
        f.diagram.setAxis({1000, 4}, TimingDiagram::View::Free);
        f.wheel(1, Qt::ControlModifier, 250);  // cycle 2000 under the mouse
        QCOMPARE(f.diagram.axis().cyclesPerPixel, 4 / 1.25);
        QCOMPARE(f.diagram.axis().cycleAt(250), 2000.0);

        f.diagram.setAxis({1000, 4}, TimingDiagram::View::Free);
        f.wheel(-1, Qt::NoModifier, 250);  // down: later by an eighth of the width
        QCOMPARE(f.diagram.axis().firstCycle, 1000.0 + 125 * 4);
        QCOMPARE(f.diagram.axis().cyclesPerPixel, 4.0);
        f.wheel(40, Qt::NoModifier, 250);  // never before time 0
        QCOMPARE(f.diagram.axis().firstCycle, 0.0);

        // Scrolled to show the present it follows it; scrolled away it stays.
        f.diagram.setAxis({0, 3}, TimingDiagram::View::Free);
        f.wheel(-1, Qt::NoModifier, 0);
        QCOMPARE(f.diagram.view(), TimingDiagram::View::Follow);
        f.diagram.setNow(5000);
        QCOMPARE(f.diagram.axis().cycleAt(f.diagram.waveWidth()), 5000.0);
        f.wheel(8, Qt::NoModifier, 0);
        QCOMPARE(f.diagram.view(), TimingDiagram::View::Free);
        const double first = f.diagram.axis().firstCycle;
        f.diagram.setNow(9000);
        QCOMPARE(f.diagram.axis().firstCycle, first);

        // Shift+wheel scrolls the rows, as far as the last row.
        f.diagram.setRows(std::vector<TimingDiagram::Row>(6, {kRB1, QStringLiteral("RB1"), 0}));
        f.diagram.resize(f.diagram.width(), TimingDiagram::kRulerHeight + 3 * TimingDiagram::kRowHeight);
        f.wheel(-1, Qt::ShiftModifier, 0);
        QCOMPARE(f.diagram.firstShownRow(), 1);
        f.wheel(-5, Qt::ShiftModifier, 0);
        QCOMPARE(f.diagram.firstShownRow(), 3);
        QCOMPARE(f.diagram.rowAt(f.diagram.rowMiddle(3)), 3);
    }

    void aColumnShowsTheLevelsTheUnknownAndNothingOfTheFuture()
    {
        Fixture f;
        f.diagram.setRows({{kRB1, QStringLiteral("RB1"), 0}, {kRB1, QStringLiteral("RB1 later"), 500}});
        f.diagram.setAxis({0, 1});
        f.diagram.setNow(700);
        const int high = TimingDiagram::kRulerHeight + 4;
        const int low = TimingDiagram::kRulerHeight + TimingDiagram::kRowHeight - 5;
        const int secondHigh = high + TimingDiagram::kRowHeight;
        const QRgb background = f.pixel(900, high);
        const QRgb trace = f.pixel(200, high);
        QVERIFY(trace != background);
        QCOMPARE(f.pixel(400, low), trace);         // low from 350 to 600
        QVERIFY(f.pixel(400, high) != trace);
        QCOMPARE(f.pixel(650, high), trace);        // high again from 600
        QCOMPARE(f.pixel(800, low), f.pixel(800, high));  // after now: nothing
        // The second row is not known before cycle 500: no level there.
        QVERIFY(f.pixel(300, secondHigh) != trace);
        QCOMPARE(f.pixel(650, secondHigh), trace);

        // Zoomed out until a pixel holds several edges: the column is drawn as a change.
        f.diagram.setAxis({0, 300});
        f.diagram.setNow(3000);
        for (int y = high; y <= low; ++y)
            QCOMPARE(f.pixel(1, y), trace);
    }
};

QTEST_MAIN(TimingDiagramTest)
#include "TimingDiagramTest.moc"
