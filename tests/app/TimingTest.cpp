// Timing in the main window: Insert Delay as one undo step, the cycles column with the sum
// of a selection in the status bar, and the stopwatch of Step Over and Run to Cursor.

#include "app/SimulatorController.h"
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "timing/DelayInsertion.h"

#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "MainWindowFixture.h"
#include "Screenshots.h"

#include <QAction>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

using namespace tarvik;

namespace {

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

void trigger(TMainForm& form, const char* item)
{
    QAction* action = form.findChild<QAction*>(QString::fromLatin1(item));
    QVERIFY2(action && action->isEnabled(), item);
    action->trigger();
}

// Start: a call of a delay, then a loop on itself; the delay, 1000 cycles with its call,
// after it.
std::unique_ptr<ProgramDocument> callingProgram(bool withDelay)
{
    auto doc = std::make_unique<ProgramDocument>(defaults());
    test::ProgramBuilder p(*doc);
    p.line(28, "Delay", 0, "Start");  // 1 call Delay
    p.line(27, "Here", 0, "Here");    // 2 goto Here
    if (withDelay) {
        test::FakeScreen quiet;
        DelayRequest request;
        request.cycles = 1000;
        insertDelay(*doc, quiet, request);
    }
    doc->modified = false;
    return doc;
}

} // namespace

class TimingTest : public QObject {
    Q_OBJECT

    test::FakeScreen screen;
    std::unique_ptr<TMainForm> form;

    TMDIChild& open(std::unique_ptr<ProgramDocument> doc)
    {
        screen = {};
        form = std::make_unique<TMainForm>();
        form->setScreen(&screen);
        form->resize(810, 590);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the main window did not show");
        qobject_cast<QMdiSubWindow*>(form->documentWindows()[0]->parentWidget())->close();
        TMDIChild* view = form->addDocumentWindow(std::move(doc), QStringLiteral("timing.qel"));
        view->parentWidget()->showMaximized();
        return *view;
    }

    // The Registers window's reading of the stopwatch.
    bool stopwatchShows(const char* reading)
    {
        const QString core = form->findChild<QLabel*>(QStringLiteral("labCore"))->text();
        return core.endsWith(QStringLiteral("Stopwatch ") + QString::fromLatin1(reading));
    }

    SimulatorController& simulator() { return *form->findChild<SimulatorController*>(QStringLiteral("SimulatorController")); }

private slots:
    void cleanup() { form.reset(); }

    void insertDelayIsOneUndoStepAndItsLinesComeIntoView()
    {
        TMDIChild& view = open(callingProgram(false));
        view.MoveCursorToLine(2);
        const std::vector<std::uint8_t> before = encodeProgramFile(view.document());
        const int lines = view.document().lines.count();

        test::ModalHand hand([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("txtLength"))->setText(QStringLiteral("250"));
            dialog.findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        trigger(*form, "InsertDelay1");
        QCOMPARE(hand.seen, QStringLiteral("TfrmDelay"));
        const int added = view.document().lines.count() - lines;
        QVERIFY(added > 2);
        // The cursor on the last line inserted, the first one in view too.
        QCOMPARE(view.topIndex() + view.cursorRow(), 2 + added);
        QVERIFY(view.cursorRow() < view.visibleRows());
        QVERIFY(view.topIndex() <= 3);
        QCOMPARE(view.undoHistory().undoName(), std::string("Insert Delay"));
        QCOMPARE(form->statusPanelText(4), QStringLiteral("Modified"));

        form->Undo1Click();
        QCOMPARE(encodeProgramFile(view.document()), before);
        QVERIFY(!view.undoHistory().canUndo());
        form->Redo1Click();
        QCOMPARE(view.document().lines.count(), lines + added);
        QVERIFY(view.document().labels.holds("Delay"));
    }

    void insertDelayRefusedChangesNothing()
    {
        TMDIChild& view = open(callingProgram(false));
        const std::vector<std::uint8_t> before = encodeProgramFile(view.document());
        test::ModalHand hand([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("Here"));
            dialog.findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
            dialog.reject();
        });
        trigger(*form, "InsertDelay1");
        QCOMPARE(screen.texts(), std::vector<std::string>{"'Here' is already exist!"});
        QCOMPARE(encodeProgramFile(view.document()), before);
        QVERIFY(!view.undoHistory().canUndo());
    }

    // The column in both notations, and the sum of the Selected lines at the clock set.
    void theGridShowsCyclesAndTheStatusBarTheSumOfASelection()
    {
        TMDIChild& view = open(callingProgram(true));
        QCOMPARE(form->statusPanelText(5), QString());
        view.MoveCursorToLine(8);  // DelayLoop decfsz DelayCnt1
        view.SelectDeselect1Click();
        view.MoveCursorToLine(9);  // goto DelayLoop
        view.SelectDeselect1Click();
        QCOMPARE(form->statusPanelText(5), QStringLiteral("3 cycles = 3 us, +1 per skip"));
        form->findChild<QSpinBox*>(QStringLiteral("txtClock"))->setValue(20'000'000);
        QCOMPARE(form->statusPanelText(5), QStringLiteral("3 cycles = 0.6 us, +1 per skip"));

        QVERIFY(view.grab().save(test::screenshotPath(QStringLiteral("cycles-column-mpasm.png"))));
        form->spbtnQELClick();
        QVERIFY(view.grab().save(test::screenshotPath(QStringLiteral("cycles-column-symbolic.png"))));
        QVERIFY(form->grab().save(test::screenshotPath(QStringLiteral("cycles-main.png"))));

        trigger(*form, "Se1");
        QCOMPARE(form->statusPanelText(5), QStringLiteral("18 cycles = 3.6 us, +1 per skip"));
        trigger(*form, "Delete2");
        QCOMPARE(form->statusPanelText(5), QString());
    }

    void stepOverAndRunToCursorReportTheirCycles()
    {
        TMDIChild& view = open(callingProgram(true));
        view.MoveCursorToLine(1);
        trigger(*form, "StepOver1");  // over the call of the delay
        QTRY_VERIFY(!simulator().running());
        QCOMPARE(simulator().session()->currentLine(), 2);
        QCOMPARE(simulator().statusText(), QStringLiteral("Step Over: 1000 cycles = 1 ms"));
        QVERIFY(stopwatchShows("1000 cycles = 1 ms"));

        trigger(*form, "StepOver1");  // a goto: one step
        QCOMPARE(simulator().statusText(), QStringLiteral("Step Over: 2 cycles = 2 us"));
        QVERIFY(stopwatchShows("1002 cycles = 1.002 ms"));

        trigger(*form, "ResetStopwatch1");
        QVERIFY(stopwatchShows("0 cycles = 0 us"));
        view.MoveCursorToLine(2);
        trigger(*form, "RunToCursor1");
        QTRY_VERIFY(!simulator().running());
        QCOMPARE(simulator().statusText(), QStringLiteral("Run to Cursor: 2 cycles = 2 us"));
        QVERIFY(stopwatchShows("2 cycles = 2 us"));

        // A breakpoint on the way stops the run early; the report says so.
        trigger(*form, "Reset1");
        trigger(*form, "StepInto1");  // into the delay
        view.MoveCursorToLine(8);
        trigger(*form, "ToggleBreakpoint1");
        view.MoveCursorToLine(12);  // its return
        trigger(*form, "RunToCursor1");
        QTRY_VERIFY(!simulator().running());
        QCOMPARE(simulator().statusText(),
                 QStringLiteral("Run to Cursor: 6 cycles = 6 us; Breakpoint at line 8"));
        QVERIFY(stopwatchShows("8 cycles = 8 us"));  // a chip reset resets it too
        QVERIFY(form->grab().save(test::screenshotPath(QStringLiteral("stopwatch.png"))));
    }
};

QTEST_MAIN(TimingTest)
#include "TimingTest.moc"
