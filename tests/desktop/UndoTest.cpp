#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvik;
using tarvik::test::FakeScreen;

// Undo and Redo as the user reaches them: the Edit menu's items and their keys, over
// commands of the view and of the main window.
class UndoTest : public QObject {
    Q_OBJECT

    FakeScreen screen;

    void start(TMainForm& form)
    {
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    static QAction* item(TMainForm& form, const char* name)
    {
        auto* action = form.findChild<QAction*>(QString::fromLatin1(name));
        emit form.findChild<QMenu*>(QStringLiteral("Line"))->aboutToShow();
        return action;
    }
    using Bytes = std::vector<std::uint8_t>;
    static Bytes bytesOf(TMDIChild* view) { return encodeProgramFile(view->document()); }

private slots:
    void init() { screen = FakeScreen(); }

    void undoAndRedoHeadTheEditMenuWithTheCommandsName()
    {
        TMainForm form;
        start(form);
        auto* menu = form.findChild<QMenu*>(QStringLiteral("Line"));
        QCOMPARE(menu->actions().at(0)->objectName(), QStringLiteral("Undo1"));
        QCOMPARE(menu->actions().at(1)->objectName(), QStringLiteral("Redo1"));
        QVERIFY(menu->actions().at(2)->isSeparator());
        QVERIFY(!item(form, "Undo1")->isEnabled());
        QCOMPARE(item(form, "Undo1")->text(), QStringLiteral("&Undo"));
        QCOMPARE(item(form, "Undo1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(item(form, "Redo1")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));

        TMDIChild* view = form.activeChild();
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(item(form, "Undo1")->text(), QStringLiteral("&Undo Insert Blank"));
        item(form, "Undo1")->trigger();
        QCOMPARE(view->document().lines.count(), 1);
        QVERIFY(!item(form, "Undo1")->isEnabled());
        QCOMPARE(item(form, "Redo1")->text(), QStringLiteral("&Redo Insert Blank"));

        QTest::keyClick(view, Qt::Key_Return);
        auto* edit = form.findChild<QMenu*>(QStringLiteral("Line"));
        edit->popup(form.mapToGlobal(QPoint(40, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(edit));
        QVERIFY(edit->grab().save(tarvik::test::screenshotPath(QStringLiteral("edit-menu-undo.png"))));
        edit->hide();
        item(form, "Undo1")->trigger();

        // Nothing to paste and nothing selected to delete: no step.
        form.btnPasteQELClick();
        form.Delete2Click();
        QVERIFY(!item(form, "Undo1")->isEnabled());
        QVERIFY(item(form, "Redo1")->isEnabled());
    }

    void undoRestoresLinesTablesAndTheViewAndRedoGoesForwardAgain()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(view, Qt::Key_Return);
        ProgramDocument& doc = view->document();
        ProgramLine* labelled = doc.lines.stepForward(doc.lines.first(), 30);
        labelled->setLabel("LOOP");
        doc.labels.insert("LOOP", "");
        view->ResetCursorToTop();
        // A change outside any command is where the history starts again.
        QTest::keyClick(view, Qt::Key_Return);
        const Bytes start = bytesOf(view);

        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        for (int i = 0; i < 10; ++i)
            QTest::keyClick(view, Qt::Key_Up);  // the line that moved down to 31
        const int top = view->topIndex();
        const int row = view->cursorRow();
        QCOMPARE(doc.lines.cursor()->labelText(), std::string_view("LOOP"));
        QTest::keyClick(view, Qt::Key_Delete);
        QVERIFY(!doc.labels.holds("LOOP"));
        form.Se1Click();
        form.btnCutQELClick();
        QCOMPARE(doc.lines.count(), 1);
        form.btnPasteQELClick();
        const Bytes end = bytesOf(view);

        QCOMPARE(item(form, "Undo1")->text(), QStringLiteral("&Undo Paste"));
        QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc.lines.count(), 1);
        item(form, "Undo1")->trigger();  // the cut
        item(form, "Undo1")->trigger();  // select all
        QCOMPARE(doc.lines.countSelected(), 0);
        item(form, "Undo1")->trigger();  // the deleted line, with its label
        QVERIFY(doc.labels.holds("LOOP"));
        QCOMPARE(view->topIndex(), top);
        QCOMPARE(view->cursorRow(), row);
        QCOMPARE(doc.lines.cursor(), doc.lines.stepForward(doc.lines.first(), top + row));
        QCOMPARE(bytesOf(view), start);
        // Back to the Enter after the outside change, and no further.
        QCOMPARE(item(form, "Undo1")->text(), QStringLiteral("&Undo Insert Blank"));
        item(form, "Undo1")->trigger();
        QVERIFY(doc.labels.holds("LOOP"));
        QVERIFY(!item(form, "Undo1")->isEnabled());
        item(form, "Redo1")->trigger();

        // Both redo keys.
        for (int i = 0; i < 4; ++i) {
            if (i % 2)
                QTest::keyClick(&form, Qt::Key_Y, Qt::ControlModifier);
            else
                QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        }
        QCOMPARE(bytesOf(view), end);
        QVERIFY(!item(form, "Redo1")->isEnabled());
    }

    void theModifiedFlagFollowsTheSavedState()
    {
        QTemporaryDir folder;
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        QTest::keyClick(view, Qt::Key_Return);
        screen.files.push_back(folder.filePath("saved.qel").toStdString());
        form.FileSaveItemClick();
        QVERIFY(!view->document().modified);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));

        item(form, "Undo1")->trigger();
        QVERIFY(!view->document().modified);
        QCOMPARE(form.statusPanelText(4), QString());
        item(form, "Undo1")->trigger();  // before the save
        QVERIFY(view->document().modified);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        item(form, "Redo1")->trigger();
        QVERIFY(!view->document().modified);
    }

    void eachWindowHasItsOwnHistory()
    {
        TMainForm form;
        start(form);
        TMDIChild* first = form.activeChild();
        QTest::keyClick(first, Qt::Key_Return);
        form.FileNewItemClick();
        QVERIFY(!item(form, "Undo1")->isEnabled());
        form.mdiArea()->activatePreviousSubWindow();
        QCOMPARE(form.activeChild(), first);
        QVERIFY(item(form, "Undo1")->isEnabled());
    }
};

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
