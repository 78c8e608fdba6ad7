// File > Import MPASM Source... in the main window: the source opens as a new untitled,
// unsaved window; a refused source shows its line and opens nothing.

#include "app/TMainForm.h"
#include "editor/TMDIChild.h"

#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QTest>

using tarvik::test::FakeScreen;

class ImportMenuTest : public QObject {
    Q_OBJECT

private slots:
    void importOpensAnUntitledModifiedWindowOrShowsTheRefusal()
    {
        FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.documentWindows().size(), 1);

        screen.files = {std::string(TARVIK_TEST_DATA_DIR) + "/mpasm/delay.asm"};
        QAction* item = form.findChild<QAction*>(QStringLiteral("FileImportItem"));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("&Import MPASM Source..."));
        item->trigger();

        QCOMPARE(screen.fileAsks.size(), std::size_t(1));
        QCOMPARE(screen.fileAsks[0].kind, std::string("open"));
        QCOMPARE(screen.fileAsks[0].title, std::string("Import MPASM Source"));
        QCOMPARE(screen.fileAsks[0].filter, std::string("MPASM source files (*.asm *.inc);;All files (*)"));
        QCOMPARE(form.documentWindows().size(), 2);
        TMDIChild* view = form.activeChild();
        QVERIFY(view);
        QCOMPARE(view->document().fileName, std::string("Untitled2"));
        QVERIFY(view->document().untitled);
        QVERIFY(view->parentWidget()->windowTitle() == QStringLiteral("Untitled2"));
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        QVERIFY(screen.texts().empty());  // the configuration word is kept
        QVERIFY(view->document().configWord.has_value());
        form.grab().save(tarvik::test::screenshotPath(QStringLiteral("import-menu.png")));

        screen = FakeScreen();
        screen.files = {std::string(TARVIK_TEST_DATA_DIR) + "/fuzz/import/refused.asm"};
        item->trigger();
        QCOMPARE(form.documentWindows().size(), 2);
        QCOMPARE(screen.texts(), std::vector<std::string>{"refused.asm:1: macros cannot be imported"});
    }
};

QTEST_MAIN(ImportMenuTest)
#include "ImportMenuTest.moc"
