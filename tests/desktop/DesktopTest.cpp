#include "app/TMainForm.h"
#include "app/QtScreen.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "FakeScreen.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <QWindow>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

using namespace tarvik;
using tarvik::test::FakeScreen;

namespace {

QString captionOf(TMDIChild* view)
{
    return qobject_cast<QMdiSubWindow*>(view->parentWidget())->windowTitle();
}

QStringList captions(const TMainForm& form)
{
    QStringList all;
    for (TMDIChild* view : form.documentWindows())
        all << captionOf(view);
    return all;
}

// A program of `lines` nop lines, written where the path says.
void writeProgram(const QString& path, int lines)
{
    const DeviceDefaults defaults;
    ProgramDocument document(defaults);
    ProgramLine nop;
    nop.code = 15;
    for (int i = 0; i < lines; ++i)
        document.lines.insertAfterCursor(nop);
    QCOMPARE(writeProgramFile(QFile::encodeName(path).toStdString(), document), WriteStatus::Ok);
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The list cursor is the line at topIndex + cursorRow, and the top line at topIndex.
void checkInvariant(TMDIChild& view)
{
    LineList& lines = view.document().lines;
    QCOMPARE(lines.cursor(), lines.stepForward(lines.first(), view.topIndex() + view.cursorRow()));
    QCOMPARE(view.topLine(), lines.stepForward(lines.first(), view.topIndex()));
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

    FakeScreen screen;
    std::unique_ptr<QTemporaryDir> folder;

    QString file(const QString& name) const { return folder->filePath(name); }
    void start(TMainForm& form)
    {
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    static void drop(TMainForm& form, const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const QPoint centre = form.rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        if (!enter.isAccepted())
            return;
        QDropEvent dropped(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &dropped);
    }
    static QStringList windowMenuTexts(TMainForm& form)
    {
        auto* menu = form.findChild<QMenu*>(QStringLiteral("Window1"));
        emit menu->aboutToShow();
        QStringList texts;
        for (QAction* item : menu->actions())
            texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
        return texts;
    }

private slots:
    void init()
    {
        screen = FakeScreen();
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
    }

    void theCommandLineOpensEachGoodFileAndReportsTheBadOnes()
    {
        writeProgram(file("one.qel"), 1);
        writeProgram(file("two.qel"), 2);
        put(file("junk.qel"), "not a program");
        TMainForm form;
        // The messages come once the window is on screen, to stand over it.
        struct OverTheWindow : FakeScreen {
            TMainForm* form = nullptr;
            std::vector<bool> shown;
            MessageAnswer showMessage(std::string_view caption, std::string_view text, MessageButtons buttons) override
            {
                shown.push_back(form->windowHandle() && form->windowHandle()->isExposed());
                return FakeScreen::showMessage(caption, text, buttons);
            }
        } over;
        over.form = &form;
        form.setScreen(&over);
        form.setStartupFiles({file("one.qel"), file("junk.qel"), file("missing.qel"), file("two.qel")});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(captions(form), (QStringList{"one.qel", "two.qel"}));
        // Each says which file it is about.
        const std::string missing = QFile::encodeName(file("missing.qel")).toStdString();
        QCOMPARE(over.texts(), (std::vector<std::string>{
                                   "Error! This file does not valid qel file.\n" + QFile::encodeName(file("junk.qel")).toStdString(),
                                   "The file is not exist!\n" + missing + ": " + std::strerror(ENOENT)}));
        QCOMPARE(over.shown, (std::vector<bool>{true, true}));
        form.setScreen(&screen);
        QCOMPARE(form.documentWindows()[1]->document().lines.count(), 3);
        QCOMPARE(form.activeChild(), form.documentWindows()[1]);
    }

    void withNothingOpenedFromTheCommandLineUntitled1Comes()
    {
        TMainForm form;
        form.setStartupFiles({file("missing.qel")});
        start(form);
        QTRY_COMPARE(captions(form), QStringList{"Untitled1"});
        QCOMPARE(screen.messages.size(), std::size_t(1));
    }

    void droppedProgramsOpenAndAnOpenOneIsOnlyActivated()
    {
        writeProgram(file("one.qel"), 1);
        writeProgram(file("two.qel"), 2);
        put(file("notes.txt"), "text");
        TMainForm form;
        start(form);

        drop(form, {file("one.qel"), file("notes.txt"), file("two.qel")});
        QCOMPARE(captions(form), (QStringList{"Untitled1", "one.qel", "two.qel"}));

        // The same file again, under another name for the same folder.
        drop(form, {folder->path() + QStringLiteral("/./one.qel")});
        QCOMPARE(form.documentWindows().size(), 3);
        QCOMPARE(captionOf(form.activeChild()), QStringLiteral("one.qel"));

        drop(form, {file("notes.txt")});
        QCOMPARE(form.documentWindows().size(), 3);
        QVERIFY(screen.messages.empty());
    }

    void shortcutsCreateAndCloseWindows()
    {
        TMainForm form;
        start(form);
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QTest::keyClick(&form, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(captions(form), (QStringList{"Untitled1", "Untitled2", "Untitled3"}));
        QTest::keyClick(&form, Qt::Key_W, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_F4, Qt::ControlModifier);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(form.documentWindows().size(), 1);

        // An unsaved change is asked about as at the close box; Cancel keeps the window.
        QTest::keyClick(form.activeChild(), Qt::Key_Return);
        screen.answers = {MessageAnswer::Cancel};
        QTest::keyClick(&form, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(form.documentWindows().size(), 1);
        QCOMPARE(screen.messages.size(), std::size_t(1));

        screen.files.push_back(file("saved.qel").toStdString());
        QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(QFile::exists(file("saved.qel")));
        screen.files.push_back(file("saved.qel").toStdString());
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(form.documentWindows().size(), 1);  // already open: activated only
    }

    void theWindowMenuArrangesAndTellsWindowsApart()
    {
        QVERIFY(QDir(folder->path()).mkpath("a") && QDir(folder->path()).mkpath("b"));
        writeProgram(file("a/blink.qel"), 1);
        writeProgram(file("b/blink.qel"), 1);
        TMainForm form;
        start(form);
        form.openFiles({file("a/blink.qel"), file("b/blink.qel")});
        for (int i = 0; i < 8; ++i)
            form.FileNewItemClick();

        const QStringList texts = windowMenuTexts(form);
        QCOMPARE(texts.mid(0, 4), (QStringList{"&Close All", "&Tile", "C&ascade", "-"}));
        QCOMPARE(texts.size(), 4 + 11);
        QCOMPARE(texts[4], QStringLiteral("&1 Untitled1"));
        QCOMPARE(texts[5], QStringLiteral("&2 blink.qel  (%1)").arg(file("a")));
        QCOMPARE(texts[6], QStringLiteral("&3 blink.qel  (%1)").arg(file("b")));
        QCOMPARE(texts[12], QStringLiteral("&9 Untitled9"));
        QCOMPARE(texts[13], QStringLiteral("10 Untitled10"));
        QCOMPARE(texts[14], QStringLiteral("11 Untitled11"));
        // Built again each time it opens, not added to.
        QCOMPARE(windowMenuTexts(form), texts);

        form.findChild<QAction*>(QStringLiteral("WindowTileItem"))->trigger();
        const QRect area = form.mdiArea()->viewport()->rect();
        for (QMdiSubWindow* window : form.mdiArea()->subWindowList())
            QVERIFY(area.contains(window->geometry()));
    }

    void newWindowsWrapBackInsteadOfRunningPastTheRightEdge()
    {
        TMainForm form;
        start(form);
        for (int i = 0; i < 40; ++i)
            form.FileNewItemClick();
        const int right = form.mdiArea()->viewport()->width();
        QList<int> lefts;
        for (QMdiSubWindow* window : form.mdiArea()->subWindowList(QMdiArea::CreationOrder)) {
            QVERIFY2(window->geometry().right() < right, qPrintable(QString::number(window->x())));
            lefts << window->x();
        }
        QCOMPARE(lefts.mid(0, 3), (QList<int>{3, 10, 17}));
        QVERIFY(lefts.count(3) > 1);
    }

    void theWheelAndThePagingKeysKeepTheViewInStep()
    {
        const DeviceDefaults defaults;
        auto document = std::make_unique<ProgramDocument>(defaults);
        ProgramLine nop;
        nop.code = 15;
        for (int i = 0; i < 60; ++i)
            document->lines.insertAfterCursor(nop);
        TMDIChild view(std::move(document));
        view.resize(500, 11 * 17 + 5);  // ten whole rows under the header
        view.show();
        QCOMPARE(view.visibleRows(), 10);
        view.ResetCursorToTop();
        const QPoint inside(50, 60);
        auto wheel = [&](int delta) {
            QWheelEvent event(inside, view.mapToGlobal(inside), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&view, &event);
        };
        const int step = QApplication::wheelScrollLines();

        struct Step {
            std::function<void()> act;
            int topIndex;
            int cursorRow;
        };
        const std::vector<Step> steps = {
            {[&] { wheel(-120); }, step, -step},                 // down a notch: the cursor stays on the header
            {[&] { wheel(-60); }, step, -step},                  // half a notch waits
            {[&] { wheel(-60); }, 2 * step, -2 * step},
            {[&] { QTest::keyClick(&view, Qt::Key_PageDown); }, 10, 0},  // the cursor comes into view
            {[&] { QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier); }, 51, 9},
            {[&] { wheel(-1200); }, 51, 9},                      // the view stops at the end
            {[&] { QTest::keyClick(&view, Qt::Key_PageUp); }, 41, 9},
            {[&] { wheel(120 * 100); }, 0, 50},                  // and at the top
            {[&] { QTest::keyClick(&view, Qt::Key_PageUp); }, 31, 9},
            {[&] { QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier); }, 0, 0},
        };
        for (std::size_t i = 0; i < steps.size(); ++i) {
            steps[i].act();
            QVERIFY2(view.topIndex() == steps[i].topIndex && view.cursorRow() == steps[i].cursorRow,
                     qPrintable(QStringLiteral("step %1: top %2 row %3").arg(i).arg(view.topIndex()).arg(view.cursorRow())));
            checkInvariant(view);
        }
    }

    void fileDialogsStartWhereTheLastOneEnded()
    {
        QVERIFY(QDir(folder->path()).mkpath("programs"));
        writeProgram(file("programs/one.qel"), 1);
        QWidget parent;
        QtScreen qtScreen(&parent, {});
        QStringList startedIn;
        auto answer = [&](const QString& chosen) {
            QTimer::singleShot(0, [&, chosen] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                startedIn << dialog->directory().absolutePath();
                if (chosen.isEmpty()) {
                    dialog->reject();
                } else {
                    dialog->selectFile(chosen);
                    static_cast<QDialog*>(dialog)->accept();
                }
            });
        };
        answer(file("programs/one.qel"));
        QCOMPARE(qtScreen.chooseFileToOpen(), std::optional<std::string>(file("programs/one.qel").toStdString()));
        answer(QString());
        QCOMPARE(qtScreen.chooseFileToSave("Save  As"), std::nullopt);
        QCOMPARE(startedIn.size(), 2);
        QCOMPARE(startedIn[1], file("programs"));
    }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
