// The Simulate menu in the main window: stepping, a breakpoint and a run that stops on it,
// the pins a click toggles, the end of the session when the program changes, and the picture.

#include "app/PinDiagram.h"
#include "app/SimulatorController.h"
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTest>

using namespace tarvik;

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

        // The reset's message goes with the next step.
        trigger(form, "Reset1");
        QCOMPARE(simulator->statusText(), QStringLiteral("Simulation: reset"));
        trigger(form, "StepInto1");
        QCOMPARE(simulator->statusText(), QString());
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
};

QTEST_MAIN(SimulatorTest)
#include "SimulatorTest.moc"
