#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiSubWindow>
#include <QTest>
#include <QToolButton>

using namespace tarvik;

namespace {

const DeviceDefaults& defaults()
{
    static const DeviceDefaults instance;
    return instance;
}

// A program with a line of every kind: ORG, labelled and plain blank lines, every
// operand shape, both destinations, a bank 1 register, an Inactive and a Selected line.
std::unique_ptr<ProgramDocument> sampleProgram()
{
    auto doc = std::make_unique<ProgramDocument>(defaults());
    doc->userRegisters0.insert("COUNT", 0x0C);
    doc->registerFile0.rename(0x0C, "COUNT");
    doc->userBits.insert("LED", 0, 0, 0x06);
    doc->literals.insert("DELAY", "200");
    for (const char* label : {"START", "LOOP", "WAIT"})
        doc->labels.insert(label, "");

    struct Row {
        int code;
        const char* operand;
        int destination;
        const char* label;
        const char* comment;
        LineState state;
    };
    const Row rows[] = {
        {kOrgCode, "H'000'", 0, "", "Reset vector", LineState::Normal},
        {kBlankCode, "", 0, "START", "", LineState::Normal},
        {16, "RP0", 0, "", "Select bank 1", LineState::Normal},
        {13, "TRISB", 0, "", "PORTB all outputs", LineState::Normal},
        {17, "RP0", 0, "", "", LineState::Normal},
        {24, "DELAY", 0, "", "Delay length", LineState::Normal},
        {7, "COUNT", 0, "", "", LineState::Normal},
        {1, "PORTB", 0, "LOOP", "", LineState::Normal},
        {8, "COUNT", 0, "", "", LineState::Normal},
        {21, "COUNT", 0, "", "", LineState::Normal},
        {27, "LOOP", 0, "", "", LineState::Normal},
        {18, "LED", 0, "", "Switched off", LineState::Inactive},
        {23, "H'0F'", 0, "", "Selected line", LineState::Selected},
        {5, "PORTB", 1, "", "", LineState::Normal},
        {28, "WAIT", 0, "", "", LineState::Normal},
        {kBlankCode, "", 0, "", "", LineState::Normal},
        {31, "", 0, "", "", LineState::Normal},
        {32, "", 0, "WAIT", "", LineState::Normal},
        {29, "0", 0, "", "", LineState::Normal},
    };
    for (const Row& row : rows) {
        ProgramLine line;
        line.code = row.code;
        line.setOperand(row.operand);
        line.setLabel(row.label);
        line.destination = row.destination;
        line.state = row.state;
        if (const InstructionInfo* info = instructionInfo(row.code))
            line.setAffected(info->affected);
        if (*row.comment)
            line.commentIndex = doc->comments.append(row.comment);
        doc->lines.insertAfterCursor(line);
    }
    doc->fileName = "/tmp/blink.qel";
    doc->untitled = false;
    doc->resetCursorToTop();
    return doc;
}

} // namespace

class MainScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void rendersAProgramOfEveryLineKindInBothNotations()
    {
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        qobject_cast<QMdiSubWindow*>(form.documentWindows()[0]->parentWidget())->close();
        TMDIChild* view = form.addDocumentWindow(sampleProgram(), QStringLiteral("blink.qel"));
        view->SetCursorRow(3);
        QCOMPARE(form.statusPanelText(1), QStringLiteral("   3"));

        const QImage mpasm = form.grab().toImage();
        QVERIFY(mpasm.save(tarvik::test::screenshotPath(QStringLiteral("main-mpasm.png"))));

        form.findChild<QToolButton*>(QStringLiteral("spbtnQEL"))->click();
        QCOMPARE(view->shownDisplayMode(), 0);
        const QImage symbolic = form.grab().toImage();
        QVERIFY(symbolic.save(tarvik::test::screenshotPath(QStringLiteral("main-symbolic.png"))));

        // The rows change with the notation; the palette does not.
        QVERIFY(mpasm != symbolic);
        const QRect palette(QPoint(0, 0), form.findChild<QWidget*>(QStringLiteral("Panel1"))->size());
        const QPoint at = form.findChild<QWidget*>(QStringLiteral("Panel1"))->mapTo(&form, QPoint(0, 0));
        QCOMPARE(symbolic.copy(palette.translated(at)), mpasm.copy(palette.translated(at)));
    }

    void rendersTheStartAndTheEmptyFrame()
    {
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.grab().toImage().save(tarvik::test::screenshotPath(QStringLiteral("main-startup.png"))));

        const QPoint palette = form.findChild<QWidget*>(QStringLiteral("Panel1"))->mapTo(&form, QPoint(0, 0));
        form.WindowCloseAllItemClick();
        QVERIFY(form.documentWindows().isEmpty());
        QCoreApplication::processEvents();
        const QImage empty = form.grab().toImage();
        QVERIFY(empty.save(tarvik::test::screenshotPath(QStringLiteral("main-no-document.png"))));
        // The client area takes the room the palette leaves.
        const QPoint client(form.width() - 20, palette.y() + 100);
        QCOMPARE(empty.pixel(palette + QPoint(40, 100)), empty.pixel(client));
    }

    void rendersTheSmallScreenLayout()
    {
        test::FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.fitToScreen(QSize(640, 480));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.showNormal();
        form.setGeometry(0, 0, 640, 480);
        QVERIFY(form.grab().toImage().save(tarvik::test::screenshotPath(QStringLiteral("main-640x480.png"))));
    }
};

QTEST_MAIN(MainScreenshotTest)
#include "MainScreenshotTest.moc"
