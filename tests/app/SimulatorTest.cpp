// The Simulate menu in the main window: stepping, a breakpoint and a run that stops on it,
// the pins a click toggles, the end of the session when the program changes; runs paced to
// the wall clock at each speed, waveform and stimulus files, a command from another
// document's window, where the simulator's windows go, and the pictures.

#include "app/PinDiagram.h"
#include "app/SimulatorController.h"
#include "app/TMainForm.h"
#include "app/TimingDiagram.h"
#include "editor/TMDIChild.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvik;
using sim::RunSpeed;

namespace {

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

// PORTB as outputs, a pattern on it, a delay subroutine, and round again.
std::unique_ptr<ProgramDocument> blinkProgram()
{
    auto doc = std::make_unique<ProgramDocument>(defaults());
    doc->userRegisters0.insert("COUNT", 0x0C);
    doc->registerFile0.rename(0x0C, "COUNT");
    test::ProgramBuilder p(*doc);
    p.line(16, "STATUS,5");             // 1 bsf STATUS,RP0
    p.line(13, "TRISB");                 // 2 clrf TRISB
    p.line(17, "STATUS,5");             // 3 bcf STATUS,RP0
    p.line(24, "B'10100101'", 0, "LOOP");  // 4 movlw
    p.line(7, "PORTB");                  // 5 movwf PORTB
    p.line(28, "DELAY");                 // 6 call DELAY
    p.line(10, "PORTB", 0);              // 7 comf PORTB,f
    p.line(27, "LOOP");                  // 8 goto LOOP
    p.line(21, "COUNT", 0, "DELAY");     // 9 decfsz COUNT,f
    p.line(27, "DELAY");                 // 10 goto DELAY
    p.line(33);                          // 11 return
    return doc;
}

void trigger(TMainForm& form, const char* item)
{
    QAction* action = form.findChild<QAction*>(QString::fromLatin1(item));
    QVERIFY2(action && action->isEnabled(), item);
    action->trigger();
}

struct ProgramChange {
    const char* name;
    std::function<void(TMainForm&, TMDIChild&)> before;  // ahead of the session
    std::function<void(TMainForm&, TMDIChild&)> change;
    const char* ended;  // the session's end, empty when it runs on
};

const std::vector<ProgramChange>& programChanges()
{
    const auto nothing = [](TMainForm&, TMDIChild&) {};
    static const std::vector<ProgramChange> changes = {
        {"a key in the view", nothing, [](TMainForm&, TMDIChild& view) { QTest::keyClick(&view, Qt::Key_Return); },
         "Simulation ended: the program changed"},
        {"Undo", [](TMainForm&, TMDIChild& view) { QTest::keyClick(&view, Qt::Key_Return); },
         [](TMainForm& form, TMDIChild&) { form.Undo1Click(); }, "Simulation ended: the program changed"},
        {"a command", [](TMainForm&, TMDIChild& view) { view.SelectDeselect1Click(); },
         [](TMainForm& form, TMDIChild&) { form.Delete2Click(); }, "Simulation ended: the program changed"},
        {"a selection, which assembles the same", nothing,
         [](TMainForm&, TMDIChild& view) { view.SelectDeselect1Click(); }, ""},
        {"the window closed", nothing,
         [](TMainForm&, TMDIChild& view) { qobject_cast<QMdiSubWindow*>(view.parentWidget())->close(); },
         "Simulation ended: the program's window closed"},
    };
    return changes;
}

// A main window with the blink program open, and the wall clock of its runs in the test's hand.
struct Simulated {
    test::FakeScreen screen;
    TMainForm form;
    TMDIChild* view = nullptr;
    SimulatorController* simulator = nullptr;
    std::int64_t wallNs = 0;

    Simulated()
    {
        form.setScreen(&screen);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qWarning("the main window is not exposed");
        view = form.addDocumentWindow(blinkProgram(), QStringLiteral("blink.qel"));
        simulator = form.findChild<SimulatorController*>(QStringLiteral("SimulatorController"));
        simulator->setWallClock([this] { return wallNs; });
    }
    QString title(const char* dock) const
    {
        return form.findChild<QDockWidget*>(QString::fromLatin1(dock))->windowTitle();
    }
    // Ticks of a run at these wall-clock times, in milliseconds from its start.
    void runTicks(const std::vector<double>& ms)
    {
        for (double at : ms) {
            wallNs = static_cast<std::int64_t>(at * 1e6);
            simulator->runSlice();
        }
    }
};

struct PacedRun {
    const char* name;
    const char* speedItem;
    std::uint32_t clockHz;
    std::vector<double> ticksMs;
    bool countsInstructions;  // else cycles
    std::uint64_t due;
    const char* status;
};

std::vector<double> unevenTicks(double untilMs)
{
    std::vector<double> ticks;
    for (double at = 0; at < untilMs; at += ticks.size() % 3 ? 16.0 : 18.5)
        ticks.push_back(at);
    ticks.push_back(untilMs);
    return ticks;
}

const std::vector<PacedRun>& pacedRuns()
{
    static const std::vector<PacedRun> runs = {
        {"x1 at 4 MHz: 100 ms is 100000 cycles", "SpeedRealTime1", 4'000'000, {100}, false, 100'000,
         "Running at x1 (real time)"},
        {"x1/10 at 4 MHz", "SpeedTenth1", 4'000'000, {100}, false, 10'000, "Running at x1/10"},
        {"x1/100 at 20 MHz: a second is 50000 cycles", "SpeedHundredth1", 20'000'000, {250, 500, 750, 1000}, false, 50'000,
         "Running at x1/100"},
        {"x1/1000 at 32.768 kHz: a second is 8.192 cycles", "SpeedThousandth1", 32'768, {250, 500, 750, 1000}, false, 8,
         "Running at x1/1000"},
        {"animate: four instructions a second at any clock", "SpeedAnimate1", 20'000'000, {250, 500, 750, 1000}, true, 4,
         "Animating"},
        {"x1 for ten seconds in uneven ticks ends on the cycle", "SpeedRealTime1", 4'000'000, unevenTicks(10'000),
         false, 10'000'000, "Running at x1 (real time)"},
        {"ten seconds in one tick at 20 MHz: a quarter second's work, and a warning", "SpeedRealTime1", 20'000'000,
         {10'000}, false, 1'250'000, "Running at x1 (real time): this computer cannot keep up, reaching x0.025"},
    };
    return runs;
}

struct StimulusCase {
    const char* name;
    const char* text;  // nullptr: no such file
    const char* message;  // after the path; empty: loaded
};

const std::vector<StimulusCase>& stimulusCases()
{
    static const std::vector<StimulusCase> cases = {
        {"loaded", "; RA0 high at once, low again at cycle 4\n0 RA0 1\n4 RA0 0\n", ""},
        {"every bad line told", "0 RA0 1\n5 RC0 1\n7 RA0 2\n",
         " was not loaded:\nline 2: unknown pin RC0 (RA0-RA4, RB0-RB7, MCLR)\nline 3: the level is 0 or 1, not 2"},
        {"no such file", nullptr, ": No such file or directory"},
    };
    return cases;
}

struct SwitchCase {
    const char* name;
    MessageAnswer answer;
    bool movesToOther;
    bool otherStaysActive;
    std::uint64_t simulatedSteps;
};

const std::vector<SwitchCase>& switchCases()
{
    static const std::vector<SwitchCase> cases = {
        {"Cancel: nothing runs", MessageAnswer::Cancel, false, true, 1},
        {"No: the simulated program comes to the front and steps", MessageAnswer::No, false, false, 2},
        {"Yes: the session moves to the program in front", MessageAnswer::Yes, true, true, 1},
    };
    return cases;
}

// The screen as a person sees it: the main window and the floating windows over it.
QImage desktop(const QSize& size, TMainForm& form)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(40, 70, 110));
    QPainter painter(&picture);
    painter.drawImage(form.geometry().topLeft(), form.grab().toImage());
    for (QDockWidget* dock : form.findChildren<QDockWidget*>())
        if (dock->isVisible())
            painter.drawImage(dock->geometry().topLeft(), dock->grab().toImage());
    return picture;
}

} // namespace

class SimulatorTest : public QObject {
    Q_OBJECT

private slots:
    void stepsRunsToABreakpointAndEndsWhenTheProgramChanges()
    {
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.resize(1280, 860);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        qobject_cast<QMdiSubWindow*>(form.documentWindows()[0]->parentWidget())->close();
        TMDIChild* view = form.addDocumentWindow(blinkProgram(), QStringLiteral("blink.qel"));
        auto* simulator = form.findChild<SimulatorController*>(QStringLiteral("SimulatorController"));
        QVERIFY(simulator);
        QVERIFY(!form.findChild<QAction*>(QStringLiteral("Halt1"))->isEnabled());
        QCOMPARE(form.findChild<QAction*>(QStringLiteral("StepInto1"))->shortcut(), QKeySequence(Qt::Key_F7));

        for (int i = 0; i < 5; ++i)
            trigger(form, "StepInto1");
        QVERIFY(simulator->active());
        QCOMPARE(simulator->session()->currentLine(), 6);
        QVERIFY(form.findChild<QDockWidget*>(QStringLiteral("RegistersDock"))->isVisible());

        trigger(form, "StepOver1");  // the delay runs through in the background
        QTRY_VERIFY(!simulator->running());
        QCOMPARE(simulator->session()->currentLine(), 7);

        view->MoveCursorToLine(7);
        trigger(form, "ToggleBreakpoint1");
        QVERIFY(simulator->session()->hasBreakpoint(7));
        trigger(form, "Run1");
        QTRY_VERIFY(!simulator->running());
        QCOMPARE(simulator->statusText(), QStringLiteral("Breakpoint at line 7"));
        QCOMPARE(simulator->session()->chip().peek(0x06), 0xA5);  // once round the loop

        // RA0 is an input: a click on pin 17 raises it.
        auto* pins = form.findChild<PinDiagram*>(QStringLiteral("ImagePanel"));
        emit pins->pinClicked(17);
        QVERIFY(simulator->session()->chip().inputPin(sim::Port::A, 0));

        QVERIFY(form.grab().toImage().save(test::screenshotPath(QStringLiteral("simulator.png"))));

        ProgramLine nop;
        nop.code = 15;
        view->InsertLineAfterCursor(nop);
        trigger(form, "StepInto1");
        QVERIFY(!simulator->active());
        QCOMPARE(simulator->statusText(), QStringLiteral("Simulation ended: the program changed"));
        QVERIFY(!form.findChild<QDockWidget*>(QStringLiteral("RegistersDock"))->isVisible());
    }

    void messagesGiveWayAndFiguresReadAsEverywhereElse()
    {
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto doc = std::make_unique<ProgramDocument>(defaults());
        test::ProgramBuilder p(*doc);
        p.line(24, "H'AB'");  // 1 movlw
        p.line(15);           // 2 nop, after which the program counter is on no line
        TMDIChild* view = form.addDocumentWindow(std::move(doc), QStringLiteral("short.qel"));
        auto* simulator = form.findChild<SimulatorController*>(QStringLiteral("SimulatorController"));

        // The reset's message gives way to the step's.
        trigger(form, "Reset1");
        QCOMPARE(simulator->statusText(), QStringLiteral("Simulation: reset"));
        trigger(form, "StepInto1");
        QCOMPARE(simulator->statusText(), QStringLiteral("Stepped to line 2"));
        trigger(form, "StepInto1");
        QCOMPARE(simulator->session()->currentLine(), -1);
        auto* core = form.findChild<QLabel*>(QStringLiteral("labCore"));
        QVERIFY2(core->text().contains(QStringLiteral("W&nbsp;&nbsp;0xAB")), qPrintable(core->text()));
        QVERIFY2(core->text().contains(QStringLiteral("(no&nbsp;line)")), qPrintable(core->text()));
        QVERIFY(!core->text().contains(QStringLiteral("-1")));
        auto* registers = form.findChild<QTableWidget*>(QStringLiteral("lvRegisters"));
        QVERIFY(registers->rowCount() > 0);
        for (int row = 0; row < registers->rowCount(); ++row)
            for (int column : {1, 2})
                QCOMPARE(registers->item(row, column)->text(), registers->item(row, column)->text().toUpper());

        // Any other message stays a few seconds when no step follows.
        view->MoveCursorToLine(0);
        trigger(form, "ToggleBreakpoint1");
        QCOMPARE(simulator->statusText(), QStringLiteral("Line 0 holds no instruction: no breakpoint"));
        QTRY_COMPARE_WITH_TIMEOUT(simulator->statusText(), QString(), 8000);
        // The Registers window keeps the last news, for a status bar out of sight.
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("labNews"))->text(),
                 QStringLiteral("Line 0 holds no instruction: no breakpoint"));
    }

    void valuesTypedIntoTheWindowsSetTheChipWhileItStandsStill()
    {
        Simulated s;
        trigger(s.form, "StepInto1");
        auto* registers = s.form.findChild<QTableWidget*>(QStringLiteral("lvRegisters"));
        auto* eeprom = s.form.findChild<QTableWidget*>(QStringLiteral("lvEeprom"));
        QVERIFY(registers->editTriggers() != QAbstractItemView::NoEditTriggers);
        const auto rowOf = [registers](const QString& name) {
            for (int row = 0; row < registers->rowCount(); ++row)
                if (registers->item(row, 0)->text() == name)
                    return row;
            return -1;
        };
        const sim::Pic16c84& chip = s.simulator->session()->chip();
        struct Case {
            const char* name;
            const char* typed;
            int value;  // what the register holds after
            const char* status;
        };
        const Case cases[] = {
            {"COUNT", "3c", 0x3C, "COUNT set to 3C"},
            {"COUNT", " 0x7F ", 0x7F, "COUNT set to 7F"},
            {"COUNT", "G1", 0x7F, "COUNT: G1 is not a byte in hexadecimal (00 to FF)"},
            {"COUNT", "100", 0x7F, "COUNT: 100 is not a byte in hexadecimal (00 to FF)"},
            {"TRISA", "FF", 0x1F, "TRISA set to FF"},
            {"W", "5Ah", 0x5A, "W set to 5A"},
        };
        for (const Case& c : cases) {
            const int row = rowOf(QString::fromLatin1(c.name));
            QVERIFY2(row >= 0, c.name);
            registers->item(row, 2)->setText(QString::fromLatin1(c.typed));
            const int address = registers->item(row, 1)->data(Qt::UserRole).toInt();
            QCOMPARE(row == 0 ? chip.w() : chip.peek(address), c.value);
            QCOMPARE(s.simulator->statusText(), QString::fromLatin1(c.status));
            QCOMPARE(registers->item(row, 2)->text(), QStringLiteral("%1").arg(c.value, 2, 16, QLatin1Char('0')).toUpper());
        }
        // Only a value that can be set is open to typing.
        QVERIFY(!(registers->item(rowOf(QStringLiteral("PCL")), 2)->flags() & Qt::ItemIsEditable));
        QVERIFY(!(registers->item(rowOf(QStringLiteral("COUNT")), 0)->flags() & Qt::ItemIsEditable));

        eeprom->item(1, 2)->setText(QStringLiteral("a5"));
        QCOMPARE(chip.eeprom(10), 0xA5);
        QCOMPARE(s.simulator->statusText(), QStringLiteral("EEPROM 0A set to A5"));

        // Running, the windows only show.
        trigger(s.form, "Run1");
        QCOMPARE(registers->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(eeprom->editTriggers(), QAbstractItemView::NoEditTriggers);
        trigger(s.form, "Halt1");
        QVERIFY(eeprom->editTriggers() != QAbstractItemView::NoEditTriggers);
    }

    // The session ends as the program changes, with no Simulate command in between.
    void aChangeOfTheProgramEndsTheSession_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < programChanges().size(); ++i)
            QTest::newRow(programChanges()[i].name) << static_cast<int>(i);
    }

    void aChangeOfTheProgramEndsTheSession()
    {
        QFETCH(int, row);
        const ProgramChange& change = programChanges()[static_cast<std::size_t>(row)];
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TMDIChild* view = form.addDocumentWindow(blinkProgram(), QStringLiteral("blink.qel"));
        view->MoveCursorToLine(1);
        auto* simulator = form.findChild<SimulatorController*>(QStringLiteral("SimulatorController"));
        change.before(form, *view);
        trigger(form, "StepInto1");
        QVERIFY(simulator->active());

        change.change(form, *view);
        // A closed window goes once control is back in the event loop; no timer is waited for.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        const QString ended = QString::fromLatin1(change.ended);
        QCOMPARE(simulator->active(), ended.isEmpty());
        if (!ended.isEmpty())
            QCOMPARE(simulator->statusText(), ended);
    }

    void theSpeedMenuAndTheSpeedBoxChooseTheSameSpeed()
    {
        const std::array<std::tuple<const char*, RunSpeed, const char*>, 6> speeds = {{
            {"SpeedRealTime1", RunSpeed::RealTime, "x1 (real time)"},
            {"SpeedTenth1", RunSpeed::Tenth, "x1/10"},
            {"SpeedHundredth1", RunSpeed::Hundredth, "x1/100"},
            {"SpeedThousandth1", RunSpeed::Thousandth, "x1/1000"},
            {"SpeedAnimate1", RunSpeed::Animate, "Animate"},
            {"SpeedUnlimited1", RunSpeed::Unlimited, "As fast as possible"},
        }};
        Simulated s;
        auto* box = s.form.findChild<QComboBox*>(QStringLiteral("cbxSpeed"));
        QCOMPARE(s.simulator->speed(), RunSpeed::RealTime);
        for (int i = 0; i < static_cast<int>(speeds.size()); ++i) {
            const auto& [item, speed, caption] = speeds[static_cast<std::size_t>(i)];
            trigger(s.form, item);
            QCOMPARE(s.simulator->speed(), speed);
            QCOMPARE(box->currentText(), QString::fromLatin1(caption));
            // Back to x1, then this speed from the box: the menu follows.
            trigger(s.form, "SpeedRealTime1");
            box->setCurrentIndex(i);
            emit box->activated(i);
            QCOMPARE(s.simulator->speed(), speed);
            QVERIFY(s.form.findChild<QAction*>(QString::fromLatin1(item))->isChecked());
        }
    }

    void aRunKeepsPaceWithTheWallClock_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < pacedRuns().size(); ++i)
            QTest::newRow(pacedRuns()[i].name) << static_cast<int>(i);
    }

    void aRunKeepsPaceWithTheWallClock()
    {
        QFETCH(int, row);
        const PacedRun& run = pacedRuns()[static_cast<std::size_t>(row)];
        Simulated s;
        trigger(s.form, run.speedItem);
        s.simulator->setClockHz(run.clockHz);
        trigger(s.form, "Reset1");
        trigger(s.form, "Run1");
        s.runTicks(run.ticksMs);
        QVERIFY(s.simulator->running());
        const std::uint64_t done = run.countsInstructions ? s.simulator->session()->steps()
                                                          : s.simulator->session()->chip().cycles();
        // The last instruction may end past the time due, by at most its own length.
        QVERIFY2(done >= run.due && done <= run.due + (run.countsInstructions ? 0 : 2), std::to_string(done).c_str());
        QCOMPARE(s.simulator->statusText(), QString::fromLatin1(run.status));
        trigger(s.form, "Halt1");
    }

    void aStimulusDrivesThePinsOrItsBadLinesAreTold_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < stimulusCases().size(); ++i)
            QTest::newRow(stimulusCases()[i].name) << static_cast<int>(i);
    }

    void aStimulusDrivesThePinsOrItsBadLinesAreTold()
    {
        QFETCH(int, row);
        const StimulusCase& c = stimulusCases()[static_cast<std::size_t>(row)];
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("pins.stim"));
        if (c.text) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(c.text);
        }
        Simulated s;
        auto* pins = s.form.findChild<PinDiagram*>(QStringLiteral("ImagePanel"));
        s.screen.files.push_back(QFile::encodeName(path).toStdString());
        trigger(s.form, "LoadStimulus1");
        QCOMPARE(s.screen.fileAsks.back().title, std::string("Load Stimulus"));
        QVERIFY(s.simulator->active());
        const QString message = QString::fromLatin1(c.message);
        if (!message.isEmpty()) {
            QCOMPARE(s.screen.messages.size(), std::size_t{1});
            const QString shown = QString::fromStdString(s.screen.messages[0].text);
            QVERIFY2(shown.endsWith(message) && shown.contains(path), qPrintable(shown));
            QVERIFY(!pins->pinState(17)->high);
            QCOMPARE(s.title("TimingDiagram"), QStringLiteral("Timing Diagram - blink.qel"));
            return;
        }
        QVERIFY(s.screen.messages.empty());
        QCOMPARE(s.title("TimingDiagram"), QStringLiteral("Timing Diagram - blink.qel, stimulus pins.stim"));
        // The pin diagram shows the level the stimulus drives on the input, and stepping
        // plays it on: RA0 goes low at cycle 4.
        QCOMPARE(pins->pinState(17)->output, false);
        QCOMPARE(pins->pinState(17)->high, true);
        for (int i = 0; i < 4; ++i)
            trigger(s.form, "StepInto1");
        QCOMPARE(s.simulator->session()->steps(), std::uint64_t{4});
        QCOMPARE(pins->pinState(17)->high, false);
        // A reset plays it again from the start.
        trigger(s.form, "Reset1");
        QCOMPARE(pins->pinState(17)->high, true);
    }

    void saveWaveformWritesADumpGtkwaveReads()
    {
        QTemporaryDir folder;
        Simulated s;
        QVERIFY(!s.form.findChild<QAction*>(QStringLiteral("SaveWaveform1"))->isEnabled());
        trigger(s.form, "StepInto1");
        s.simulator->session()->run(3000);
        const QString path = folder.filePath(QStringLiteral("blink.vcd"));
        s.screen.files.push_back(QFile::encodeName(path).toStdString());
        trigger(s.form, "SaveWaveform1");
        const test::FakeScreen::FileAsk& asked = s.screen.fileAsks.back();
        QCOMPARE(asked.title, std::string("Save Waveform"));
        QCOMPARE(asked.filter, std::string("Value change dump (*.vcd)"));
        QCOMPARE(asked.suggestedPath, std::string("blink.qel.vcd"));
        QVERIFY(s.screen.messages.empty());
        QCOMPARE(s.simulator->statusText(), QStringLiteral("Waveform saved to blink.vcd"));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QVERIFY(text.startsWith("$version Tarvik PIC16C84 simulator $end\n$comment Tarvik: blink.qel; time 0 "));
        QVERIFY(text.contains(" RB7 $end"));
        QVERIFY(text.count("\n#") >= 3);  // PORTB changes with each pass of the loop
        if (QString::fromLatin1(VCD2FST_PATH).isEmpty())
            QSKIP("vcd2fst (gtkwave) is not installed");
        QProcess convert;
        convert.start(QString::fromLatin1(VCD2FST_PATH), {path, folder.filePath(QStringLiteral("blink.fst"))});
        QVERIFY(convert.waitForFinished(30000));
        QCOMPARE(convert.exitCode(), 0);
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("blink.fst"))));

        // A folder that is not there: told, and nothing written.
        const QString nowhere = folder.filePath(QStringLiteral("missing/blink.vcd"));
        s.screen.files.push_back(QFile::encodeName(nowhere).toStdString());
        trigger(s.form, "SaveWaveform1");
        QCOMPARE(s.screen.messages.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(s.screen.messages[0].text).startsWith(QStringLiteral("Cannot write the waveform to ") + nowhere));
        QVERIFY(!QFile::exists(nowhere));
    }

    void aCommandFromAnotherDocumentAsksBeforeTheSessionMoves_data()
    {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < switchCases().size(); ++i)
            QTest::newRow(switchCases()[i].name) << static_cast<int>(i);
    }

    void aCommandFromAnotherDocumentAsksBeforeTheSessionMoves()
    {
        QFETCH(int, row);
        const SwitchCase& c = switchCases()[static_cast<std::size_t>(row)];
        Simulated s;
        TMDIChild* blink = s.view;
        trigger(s.form, "StepInto1");
        QCOMPARE(s.title("RegistersDock"), QStringLiteral("Registers - blink.qel"));
        TMDIChild* other = s.form.addDocumentWindow(blinkProgram(), QStringLiteral("other.qel"));
        QCOMPARE(s.form.activeChild(), other);
        // In front, the other program is not simulated: the status and the titles say which is.
        QCOMPARE(s.simulator->simulatedWindow(), blink);
        QCOMPARE(s.simulator->statusText(), QStringLiteral("blink.qel is being simulated"));
        QCOMPARE(s.title("TimingDiagram"), QStringLiteral("Timing Diagram - blink.qel"));

        s.screen.answers.push_back(c.answer);
        trigger(s.form, "StepInto1");
        QCOMPARE(s.screen.messages.size(), std::size_t{1});
        QCOMPARE(s.screen.messages[0].caption, std::string("Tarvik"));
        QCOMPARE(s.screen.messages[0].buttons, MessageButtons::YesNoCancel);
        QCOMPARE(s.screen.messages[0].text, std::string("blink.qel is being simulated.\n\nYes: end its simulation and "
                                                        "simulate other.qel.\nNo: go on with blink.qel."));
        QCOMPARE(s.simulator->simulatedWindow(), c.movesToOther ? other : blink);
        QCOMPARE(s.form.activeChild(), c.otherStaysActive ? other : blink);
        QCOMPARE(s.simulator->session()->steps(), c.simulatedSteps);
        QCOMPARE(s.title("EepromDock"), c.movesToOther ? QStringLiteral("EEPROM - other.qel") : QStringLiteral("EEPROM - blink.qel"));
    }

    void theWindowsFloatBesideTheMainWindowOrAtTheScreensEdge()
    {
        struct Case {
            const char* name;
            QRect frame, pins, available;
            bool beside, below;
        };
        const Case cases[] = {
            {"a large screen", {30, 30, 810, 590}, {30, 360, 245, 220}, {0, 0, 1920, 1050}, true, true},
            {"1024x768", {30, 30, 810, 590}, {30, 360, 245, 220}, {0, 0, 1024, 768}, false, false},
            {"640x480, the window filling it, no pin diagram", {0, 0, 640, 480}, {}, {0, 0, 640, 480}, false, false},
            {"a screen left of the primary", {-1900, 10, 810, 590}, {-1900, 340, 245, 220}, {-1920, 0, 1920, 1080},
             true, true},
            {"room below only", {0, 0, 1280, 500}, {0, 270, 245, 220}, {0, 0, 1280, 1024}, false, true},
        };
        for (const Case& c : cases) {
            const SimulatorWindowPlaces places = placeSimulatorWindows(c.frame, c.pins, c.available, 300, 190, 334);
            const char* name = c.name;
            for (const QRect& place : {places.registers, places.eeprom, places.timing}) {
                QVERIFY2(c.available.contains(place) && place.width() >= 300 && place.height() >= 150, name);
                QVERIFY2(!place.intersects(c.pins), name);
            }
            QVERIFY2(!places.registers.intersects(places.eeprom), name);
            QVERIFY2(!places.timing.intersects(places.registers) && !places.timing.intersects(places.eeprom), name);
            QVERIFY2(!places.registers.intersects(c.frame) == c.beside, name);
            QVERIFY2(!places.timing.intersects(c.frame) == c.below, name);
            // Without room beside, the side windows cover no more of the window than their
            // width needs: at the screen's edge, or over the palette when no pin diagram shows.
            if (!c.beside)
                QVERIFY2((c.pins.isEmpty() ? places.registers.left() == c.frame.left()
                                           : places.registers.right() == c.available.right())
                             && places.eeprom.width() == 300,
                         name);
        }
    }

    void theWindowsAt640x480LeaveTheLayoutAlone()
    {
        Simulated s;
        trigger(s.form, "StepInto1");
        s.form.showNormal();
        s.form.setGeometry(30, 30, 810, 590);
        s.simulator->placeWindows(QRect(0, 0, 1280, 1024));
        QVERIFY(desktop(QSize(1280, 1024), s.form).save(test::screenshotPath(QStringLiteral("simulator-beside.png"))));

        s.form.fitToScreen(QSize(640, 480));
        s.form.showNormal();
        s.form.setGeometry(0, 0, 640, 480);
        trigger(s.form, "StepInto1");
        s.simulator->placeWindows(QRect(0, 0, 640, 480));
        QCoreApplication::processEvents();
        for (QDockWidget* dock : s.form.findChildren<QDockWidget*>()) {
            QVERIFY(dock->isVisible() && dock->isFloating());
            QVERIFY(QRect(0, 0, 640, 480).contains(dock->geometry()));
        }
        // The palette ends where the document windows begin.
        auto* palette = s.form.findChild<QWidget*>(QStringLiteral("Panel1"));
        auto* client = s.form.findChild<QWidget*>(QStringLiteral("ClientArea"));
        QVERIFY(palette->mapTo(&s.form, QPoint(palette->width(), 0)).x() <= client->mapTo(&s.form, QPoint(0, 0)).x());
        // Of the program's room, a good part stays in view.
        QRegion uncovered(QRect(client->mapToGlobal(QPoint(0, 0)), client->size()));
        for (QDockWidget* dock : s.form.findChildren<QDockWidget*>())
            uncovered -= dock->geometry();
        QVERIFY(std::any_of(uncovered.begin(), uncovered.end(),
                            [](const QRect& r) { return r.width() >= 300 && r.height() >= 200; }));
        QVERIFY(desktop(QSize(640, 480), s.form).save(test::screenshotPath(QStringLiteral("simulator-640x480.png"))));
    }

    void theBlinkerInTheTimingDiagram()
    {
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.openFiles({QStringLiteral(TARVIK_EXAMPLES_DIR "/blink.qel")});
        auto* simulator = form.findChild<SimulatorController*>(QStringLiteral("SimulatorController"));
        std::int64_t wallNs = 0;
        simulator->setWallClock([&] { return wallNs; });
        trigger(form, "Reset1");
        QVERIFY(simulator->watchBit(0x0D, 0));  // spins, the delay's inner count
        trigger(form, "Run1");
        for (int ms = 0; ms <= 1100; ms += 50) {
            wallNs = std::int64_t{ms} * 1'000'000;
            simulator->runSlice();
        }
        trigger(form, "Halt1");
        QCOMPARE(simulator->session()->chip().cycles() / 1000, 1'100u);

        auto* dock = form.findChild<QDockWidget*>(QStringLiteral("TimingDiagram"));
        QCOMPARE(dock->windowTitle(), QStringLiteral("Timing Diagram - blink.qel"));
        dock->resize(900, 420);
        QCoreApplication::processEvents();
        TimingDiagram* diagram = simulator->timingDiagram();
        QCOMPARE(diagram->rows().back().name, QStringLiteral("spins.0"));
        QCOMPARE(diagram->view(), TimingDiagram::View::Fit);
        const sim::Trace& trace = simulator->session()->trace();
        constexpr int kRB1 = 6;
        const std::uint64_t first = *trace.nextEdge(kRB1, 1000);
        const std::uint64_t second = *trace.nextEdge(kRB1, first);
        QCOMPARE(second - first, 250'009u);
        // The cursors snap to RB1's edges from a few pixels off.
        const auto x = [&](std::uint64_t cycle) {
            return diagram->waveLeft() + static_cast<int>(diagram->axis().xAt(static_cast<double>(cycle)));
        };
        QTest::mouseClick(diagram, Qt::LeftButton, Qt::NoModifier, QPoint(x(first) + 3, diagram->rowMiddle(kRB1)));
        QTest::mouseClick(diagram, Qt::RightButton, Qt::NoModifier, QPoint(x(second) - 2, diagram->rowMiddle(kRB1)));
        QCOMPARE(diagram->cursor(TimingDiagram::CursorA), first);
        QCOMPARE(diagram->cursor(TimingDiagram::CursorB), second);
        const QString readout = form.findChild<QLabel*>(QStringLiteral("labTimingReadout"))->text();
        QVERIFY2(readout.contains(QStringLiteral("A to B: 250009 cycles = 250.009 ms")), qPrintable(readout));
        QVERIFY2(readout.contains(QStringLiteral("RB1 low 250009 cycles = 250.009 ms, period 500018 cycles = 500.018 ms")),
                 qPrintable(readout));
        QVERIFY(dock->grab().save(test::screenshotPath(QStringLiteral("timing-blink-whole.png"))));

        // Zoomed in on the first edge: the delay loop's count ticking, cycle by cycle.
        diagram->setAxis({static_cast<double>(first) - 60, 0.125});
        QVERIFY(dock->grab().save(test::screenshotPath(QStringLiteral("timing-blink-zoomed.png"))));
    }
};

QTEST_MAIN(SimulatorTest)
#include "SimulatorTest.moc"
