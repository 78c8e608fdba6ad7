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
#include <QDockWidget>
#include <QLabel>
#include <QMdiSubWindow>
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
};

QTEST_MAIN(SimulatorTest)
#include "SimulatorTest.moc"
