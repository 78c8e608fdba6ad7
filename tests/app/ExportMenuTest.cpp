// File > Export MPASM Source... in the main window: the active program's source goes to the
// file picked; a program that does not assemble shows its error and writes nothing.

#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "mpasm/MpasmExport.h"

#include "../assembler/HexText.h"
#include "../assembler/ProgramBuilder.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

using tarvik::test::FakeScreen;

class ExportMenuTest : public QObject {
    Q_OBJECT

private slots:
    void exportWritesTheSourceOrShowsTheAssemblerError()
    {
        QTemporaryDir folder;
        FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TMDIChild* view = form.activeChild();
        QVERIFY(view);
        tarvik::test::ProgramBuilder(view->document()).line(24, "H'2A'", 0, "START");

        const std::string target = folder.filePath(QStringLiteral("out.asm")).toStdString();
        screen.files = {target, target};
        QAction* item = form.findChild<QAction*>(QStringLiteral("FileExportItem"));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("&Export MPASM Source..."));
        QVERIFY(item->isEnabled());
        item->trigger();
        QCOMPARE(screen.fileAsks.size(), std::size_t(1));
        QCOMPARE(screen.fileAsks[0].kind, std::string("save"));
        QCOMPARE(screen.fileAsks[0].title, std::string("Export MPASM Source"));
        QCOMPARE(screen.fileAsks[0].filter, std::string("MPASM source files (*.asm)"));
        QCOMPARE(screen.fileAsks[0].suggestedPath, std::string("Untitled1.asm"));
        QVERIFY(screen.texts().empty());
        std::string expected;
        FakeScreen quiet;
        QVERIFY(tarvik::exportMpasmSource(view->document(), quiet, expected));
        QCOMPARE(tarvik::test::readWholeFile(target), expected);

        tarvik::test::ProgramBuilder(view->document()).line(7, "NOSUCH");
        QVERIFY(QFile::remove(QString::fromStdString(target)));
        item->trigger();
        QCOMPARE(screen.texts(), std::vector<std::string>{"Error in line 2: symbol not previously defined (NOSUCH)."});
        QCOMPARE(screen.cursorMoves, std::vector<int>{2});
        QVERIFY(!QFile::exists(QString::fromStdString(target)));

        QMenu* file = form.menuBar()->findChild<QMenu*>(QStringLiteral("File1"));
        QVERIFY(file);
        file->popup(form.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        file->grab().save(tarvik::test::screenshotPath(QStringLiteral("export-menu.png")));
        file->hide();

        form.WindowCloseAllItemClick();
        QVERIFY(form.documentWindows().isEmpty());
        QVERIFY(!item->isEnabled());
    }
};

QTEST_MAIN(ExportMenuTest)
#include "ExportMenuTest.moc"
