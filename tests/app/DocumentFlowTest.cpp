#include "app/RecentFiles.h"
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "FakeScreen.h"
#include "FileSizeLimit.h"
#include "MainWindowFixture.h"

#include "model/SymbolCommands.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using tarvik::MessageAnswer;
using tarvik::test::FakeScreen;

namespace {

QMdiSubWindow* subWindowOf(TMDIChild* view)
{
    return qobject_cast<QMdiSubWindow*>(view->parentWidget());
}

QString captionOf(TMDIChild* view)
{
    return subWindowOf(view)->windowTitle();
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const std::string kQuestion = "Do you want to save the changes you made to ";

// Notes which window is in front when each question comes.
class WatchingScreen : public FakeScreen {
public:
    explicit WatchingScreen(TMainForm& form) : form_(form) {}
    tarvik::MessageAnswer showMessage(std::string_view caption, std::string_view text,
                                      tarvik::MessageButtons buttons) override
    {
        TMDIChild* front = form_.activeChild();
        inFront.append(front ? captionOf(front) : QString());
        return FakeScreen::showMessage(caption, text, buttons);
    }
    QStringList inFront;

private:
    TMainForm& form_;
};

// The application's own dialogs, with a definition dialog whose user adds the offered
// literal and then cancels it.
class OfferingScreen : public tarvik::test::RecordingQtScreen {
public:
    using RecordingQtScreen::RecordingQtScreen;
    int offerNewLiteral(tarvik::ProgramDocument& document, std::string& name) override
    {
        tarvik::AddLiteral(document, *this, name, "5");
        return 0;
    }
};

} // namespace

class DocumentFlowTest : public QObject, private tarvik::test::MainWindowFixture<FakeScreen> {
    Q_OBJECT

    // An edit made through the view itself, the way the user makes one.
    static void edit(TMDIChild* view) { QTest::keyClick(view, Qt::Key_Return); }
    void trigger(TMainForm& form, const char* item)
    {
        form.findChild<QAction*>(QString::fromLatin1(item))->trigger();
    }
    std::string path(const char* name) const { return folder->filePath(QString::fromLatin1(name)).toStdString(); }
    QString qpath(const char* name) const { return folder->filePath(QString::fromLatin1(name)); }

    // The items of File > Open Recent as the user sees it opened.
    static QList<QAction*> recentItems(TMainForm& form)
    {
        auto* menu = form.findChild<QMenu*>(QStringLiteral("FileRecentItem"));
        emit menu->aboutToShow();
        return menu->actions();
    }
    static QStringList recentCaptions(TMainForm& form)
    {
        QStringList captions;
        for (QAction* item : recentItems(form))
            if (!item->isSeparator())
                captions << item->text();
        return captions;
    }

private slots:
    void initTestCase()
    {
        // The settings, and so the recent files, go to a folder of the test's own.
        QVERIFY(config_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
    }
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void openRecentListsWhatWasOpenedAndSavedNewestFirst()
    {
        TMainForm form;
        start(form);
        for (QAction* item : recentItems(form))
            if (item->objectName() == QStringLiteral("RecentFilesClear"))
                item->trigger();
        QCOMPARE(recentCaptions(form), (QStringList{"(none)", "&Clear List"}));

        // Saved under ten names: the last eight are kept, the newest first.
        for (const char* name : {"a.qel", "b.qel", "c.qel", "d.qel", "e.qel", "f.qel", "g.qel", "h.qel", "i.qel", "j.qel"}) {
            screen.files.push_back(path(name));
            trigger(form, "FileSaveAsItem");
        }
        QStringList captions = recentCaptions(form);
        QCOMPARE(captions.size(), 8 + 1);
        QCOMPARE(captions.first(), recentFileCaption(1, qpath("j.qel")));
        QVERIFY(captions.first().startsWith(QStringLiteral("&1 j.qel  [")) && captions.first().endsWith(QLatin1Char(']')));
        QVERIFY(captions.at(7).startsWith(QStringLiteral("&8 c.qel  [")));
        // A long folder is shortened in its middle; a '&' of a name is no Alt letter.
        QCOMPARE(recentFileCaption(2, QStringLiteral("/home/ann/projects/microcontrollers/pic16c84/lights & more/a&b.qel")),
                 QStringLiteral("&2 a&&b.qel  [/home/ann/projects...16c84/lights && more]"));

        // Chosen, a program opens; one no longer there is taken off the list with a word why.
        QFile::remove(qpath("d.qel"));
        for (QAction* item : recentItems(form))
            if (item->text().startsWith(QStringLiteral("&8 ")) || item->text().startsWith(QStringLiteral("&7 ")))
                item->trigger();
        QCOMPARE(captionOf(form.activeChild()), QStringLiteral("c.qel"));
        QCOMPARE(form.documentWindows().size(), 2);
        QCOMPARE(screen.messages.size(), std::size_t(1));
        QVERIFY(screen.messages[0].text.starts_with("d.qel: cannot read the file\n"));
        captions = recentCaptions(form);
        QCOMPARE(captions.size(), 7 + 1);
        QVERIFY(captions.first().startsWith(QStringLiteral("&1 c.qel  [")));
        QVERIFY(!captions.join(QLatin1Char('|')).contains(QStringLiteral("d.qel")));
    }

    void saveAsksForANameOnceThenWritesInPlace()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        edit(view);
        QVERIFY(view->document().modified);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));

        screen.files.push_back(path("first.qel"));
        trigger(form, "FileSaveItem");
        QCOMPARE(screen.saveDialogTitles, std::vector<std::string>{"Save  As"});
        QCOMPARE(captionOf(view), QStringLiteral("first.qel"));
        QCOMPARE(form.statusPanelText(4), QString());
        const QByteArray once = contents(qpath("first.qel"));
        QCOMPARE(once.size(), 2780 + 64);

        edit(view);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        form.findChild<QToolButton*>(QStringLiteral("SaveBtn"))->click();
        QCOMPARE(screen.saveDialogTitles.size(), std::size_t(1));
        QCOMPARE(contents(qpath("first.qel")).size(), 2780 + 2 * 64);
        QCOMPARE(form.statusPanelText(4), QString());
        QVERIFY(screen.messages.empty());
    }

    void aDeclinedOverwriteChangesNothing()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        edit(view);
        put(qpath("taken.qel"), "old");
        screen.files.push_back(path("taken.qel"));
        screen.answers = {MessageAnswer::No};

        trigger(form, "FileSaveAsItem");
        QCOMPARE(screen.messages.size(), std::size_t(1));
        QCOMPARE(screen.messages[0].caption, std::string("Tarvik"));
        QCOMPARE(screen.messages[0].text, std::string("The file is exist.Overwrite?"));
        QCOMPARE(contents(qpath("taken.qel")), QByteArray("old"));
        QCOMPARE(captionOf(view), QStringLiteral("Untitled1"));
        QVERIFY(view->document().untitled);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
    }

    void closingAWindowAsksAboutItsChanges()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        edit(view);

        screen.answers = {MessageAnswer::Cancel};
        subWindowOf(view)->close();
        QCOMPARE(form.documentWindows().size(), 1);
        QCOMPARE(screen.texts(), std::vector<std::string>{kQuestion + "Untitled1"});
        QCOMPARE(screen.messages[0].caption, std::string("Tarvik message"));
        QCOMPARE(screen.messages[0].buttons, tarvik::MessageButtons::YesNoCancel);

        screen.answers = {MessageAnswer::No};
        subWindowOf(view)->close();
        QCOMPARE(form.documentWindows().size(), 0);
        QCOMPARE(screen.messages.size(), std::size_t(2));
        QVERIFY(screen.saveDialogTitles.empty());
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("Panel1"))->isVisible());
        // The status bar no longer speaks of the closed document.
        QCOMPARE(form.statusPanelText(4), QString());
        QCOMPARE(form.statusPanelText(1), QStringLiteral("   0"));
    }

    void closeAllClosesFromTheLastAndKeepsWhatIsKept()
    {
        TMainForm form;
        start(form);
        form.FileNewItemClick();
        form.FileNewItemClick();
        const QList<TMDIChild*> views = form.documentWindows();
        edit(views[0]);
        edit(views[2]);
        screen.answers = {MessageAnswer::Cancel, MessageAnswer::No};

        // From the back of the stack to the front: Untitled3, made last, is in front and
        // asked last.
        trigger(form, "WindowCloseAllItem");
        QCOMPARE(screen.texts(), (std::vector<std::string>{kQuestion + "Untitled1", kQuestion + "Untitled3"}));
        QCOMPARE(form.documentWindows(), QList<TMDIChild*>{views[0]});
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("Panel1"))->isVisible());
    }

    void exitEndsOnlyWhenNoDocumentIsKept()
    {
        TMainForm form;
        start(form);
        form.FileNewItemClick();
        edit(form.documentWindows()[0]);
        edit(form.documentWindows()[1]);

        // Cancel for one and No for the other: nothing closes. Untitled2, made last, is in
        // front, so Untitled1 is asked first.
        screen.answers = {MessageAnswer::Cancel, MessageAnswer::No};
        form.findChild<QToolButton*>(QStringLiteral("ExitBtn"))->click();
        QVERIFY(form.isVisible());
        QCOMPARE(form.documentWindows().size(), 2);
        QCOMPARE(screen.texts(), (std::vector<std::string>{kQuestion + "Untitled1", kQuestion + "Untitled2"}));

        screen.answers = {MessageAnswer::No, MessageAnswer::No};
        trigger(form, "FileExitItem");
        QVERIFY(!form.isVisible());
        QCOMPARE(screen.messages.size(), std::size_t(4));
    }

    void anExitThatIsCancelledShowsWhatItSavedAndMovesUndosSavedState()
    {
        TMainForm form;
        start(form);
        form.FileNewItemClick();
        const QList<TMDIChild*> views = form.documentWindows();
        edit(views[0]);
        edit(views[1]);
        QCOMPARE(form.activeChild(), views[1]);

        // The back window, asked first, is kept by its Cancel; the active one is saved by its
        // Yes.
        screen.answers = {MessageAnswer::Cancel, MessageAnswer::Yes};
        screen.files.push_back(path("saved.qel"));
        trigger(form, "FileExitItem");
        QVERIFY(form.isVisible());
        QVERIFY(!views[1]->document().modified);
        QCOMPARE(captionOf(views[1]), QStringLiteral("saved.qel"));
        QCOMPARE(form.statusPanelText(4), QString());

        form.mdiArea()->setActiveSubWindow(subWindowOf(views[0]));
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));

        // Undo takes the document away from what the file holds, Redo back to it.
        form.mdiArea()->setActiveSubWindow(subWindowOf(views[1]));
        trigger(form, "Undo1");
        QVERIFY(views[1]->document().modified);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        trigger(form, "Redo1");
        QVERIFY(!views[1]->document().modified);
        trigger(form, "Undo1");
        screen.answers = {MessageAnswer::No};
        subWindowOf(views[1])->close();
        QCOMPARE(screen.texts().back(), kQuestion + "saved.qel");
    }

    void untitledNamesAreUniqueAndEachQuestionRaisesItsWindow()
    {
        TMainForm form;
        WatchingScreen watching(form);
        form.setScreen(&watching);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        put(qpath("blink.asm"), " list p=16c84\n movlw 5\n end\n");
        watching.files.push_back(path("blink.asm"));
        trigger(form, "FileImportItem");
        subWindowOf(form.documentWindows()[0])->close();  // Untitled1, unchanged
        form.FileNewItemClick();
        QStringList names;
        for (TMDIChild* view : form.documentWindows())
            names << captionOf(view);
        QCOMPARE(names, QStringList({"Untitled2", "Untitled3"}));

        edit(form.documentWindows()[1]);
        watching.answers = {MessageAnswer::Cancel, MessageAnswer::Cancel};
        trigger(form, "FileExitItem");
        QCOMPARE(watching.texts(), (std::vector<std::string>{kQuestion + "Untitled2", kQuestion + "Untitled3"}));
        QCOMPARE(watching.inFront, QStringList({"Untitled2", "Untitled3"}));
        form.setScreen(&screen);
    }

    void undoingBackToTheSavedProgramAfterConvertToHexIsUnmodified()
    {
        tarvik::DeviceDefaults defaults;
        auto doc = std::make_unique<tarvik::ProgramDocument>(defaults);
        tarvik::ProgramLine loop;
        loop.code = 27;  // goto
        loop.setLabel("LOOP");
        loop.setOperand("LOOP");
        doc->lines.insertAfterCursor(loop);
        doc->labels.insert("LOOP", {});
        doc->fileName = path("loop.qel");
        doc->untitled = false;
        TMainForm form;
        start(form);
        TMDIChild* view = form.addDocumentWindow(std::move(doc), QStringLiteral("loop.qel"));
        trigger(form, "FileSaveItem");
        view->MoveCursorToLine(1);
        edit(view);
        {
            tarvik::test::ModalHand viewer([](QDialog& dialog) { dialog.reject(); });
            form.btnHexClick();
            QCOMPARE(viewer.seen, QStringLiteral("TfrmHexFile"));
        }
        QCOMPARE(view->document().labels.valueOf("LOOP"), std::optional<std::string_view>("0"));
        QCOMPARE(form.findChild<QAction*>(QStringLiteral("Undo1"))->text(), QStringLiteral("&Undo Insert Blank"));

        trigger(form, "Undo1");
        QVERIFY(!view->document().modified);
        QCOMPARE(form.statusPanelText(4), QString());
        QCOMPARE(view->document().labels.valueOf("LOOP"), std::optional<std::string_view>("0"));
    }

    void theStatusBarShowsWhatADialogCommandChanged()
    {
        auto pressOk = [](QDialog& dialog, const char* operand) {
            QLineEdit* box = dialog.findChild<QComboBox*>(QStringLiteral("cbxK"))->lineEdit();
            box->selectAll();
            QTest::keyClicks(box, QString::fromLatin1(operand));
            dialog.findChild<QAbstractButton*>(QStringLiteral("btnOK"))->click();
        };
        // A literal defined through the offer, then the dialog cancelled: still a change,
        // whether the dialog came from the palette or from the line menu's Edit.
        for (const bool fromLineMenu : {false, true}) {
            TMainForm form;
            OfferingScreen offering(form);
            form.setScreen(&offering);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            TMDIChild* view = form.activeChild();
            tarvik::ProgramLine movlw;
            movlw.code = 24;
            movlw.setOperand("7");
            view->InsertLineAfterCursor(movlw);
            view->document().modified = false;
            tarvik::test::ModalHand hand([&](QDialog& dialog) {
                pressOk(dialog, "FIVE");
                if (dialog.isVisible())
                    dialog.reject();
            });
            if (fromLineMenu)
                view->popupMenu()->findChild<QAction*>(QStringLiteral("Edit1"))->trigger();
            else
                form.findChild<QToolButton*>(QStringLiteral("btnMovlw"))->click();
            QCOMPARE(hand.seen, QStringLiteral("TfrmLit1"));
            QVERIFY(view->document().literals.holds("FIVE"));
            QCOMPARE(view->document().lines.count(), 2);
            QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
            QVERIFY(form.findChild<QWidget*>(QStringLiteral("StatusPanel4"))->isVisible());
            form.setScreen(&screen);
        }

        // A new line's comment shows as soon as the line is in.
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        {
            tarvik::test::ModalHand hand([&](QDialog& dialog) {
                view->document().setPendingComment("count down");
                pressOk(dialog, "5");
            });
            form.findChild<QToolButton*>(QStringLiteral("btnMovlw"))->click();
        }
        QCOMPARE(view->document().lines.count(), 2);
        QCOMPARE(form.statusPanelText(0), QStringLiteral("count down"));
        QCOMPARE(form.statusPanelText(1), QStringLiteral("   1"));
    }

    void aFailedSaveKeepsTheOldFileAndTheChanges()
    {
        {
            tarvik::DeviceDefaults defaults;
            QCOMPARE(tarvik::writeProgramFile(path("prog.qel"), tarvik::ProgramDocument(defaults)),
                     tarvik::WriteStatus::Ok);
        }
        const QByteArray old = contents(qpath("prog.qel"));
        TMainForm form;
        start(form);
        screen.files.push_back(path("prog.qel"));
        trigger(form, "FileOpenItem");
        QCOMPARE(form.documentWindows().size(), 2);
        TMDIChild* view = form.activeChild();
        QCOMPARE(captionOf(view), QStringLiteral("prog.qel"));
        edit(view);

        {
            tarvik::test::FileSizeLimit limit(1024);
            QVERIFY(limit.active());
            trigger(form, "FileSaveItem");
        }

        QCOMPARE(screen.messages.size(), std::size_t(1));
        QCOMPARE(screen.messages[0].caption, std::string("Tarvik message"));
        QCOMPARE(contents(qpath("prog.qel")), old);
        QVERIFY(view->document().modified);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList{"prog.qel"});

        // Closing after the failure still asks, and a second failure keeps the window.
        screen.answers = {MessageAnswer::Yes};
        {
            tarvik::test::FileSizeLimit limit(1024);
            QVERIFY(limit.active());
            subWindowOf(view)->close();
        }
        QCOMPARE(form.documentWindows().size(), 2);
        QCOMPARE(contents(qpath("prog.qel")), old);
    }

    void openingADamagedFileKeepsWhatWasReadUntitled()
    {
        put(qpath("bad.qel"), QByteArray("\x10\0\0\0\x05\0\0\0", 8));
        TMainForm form;
        start(form);
        screen.files.push_back(path("bad.qel"));
        trigger(form, "FileOpenItem");

        QCOMPARE(screen.texts(), std::vector<std::string>{"Error! This file does not valid qel file [1].\n" + path("bad.qel")});
        QCOMPARE(form.documentWindows().size(), 2);
        TMDIChild* view = form.activeChild();
        QCOMPARE(captionOf(view), QStringLiteral("bad.qel"));
        QVERIFY(view->document().untitled);
        QCOMPARE(view->document().fileName, std::string("Untitled2"));

        // Save asks for a name rather than overwrite the damaged file.
        screen.files.push_back(std::nullopt);
        trigger(form, "FileSaveItem");
        QCOMPARE(screen.saveDialogTitles.size(), std::size_t(1));
    }

    void openingAnOpenFileBringsItsWindowForward()
    {
        {
            tarvik::DeviceDefaults defaults;
            QCOMPARE(tarvik::writeProgramFile(path("once.qel"), tarvik::ProgramDocument(defaults)),
                     tarvik::WriteStatus::Ok);
        }
        TMainForm form;
        start(form);
        screen.files.push_back(path("once.qel"));
        trigger(form, "FileOpenItem");
        TMDIChild* opened = form.activeChild();
        form.FileNewItemClick();
        QVERIFY(form.activeChild() != opened);

        screen.files.push_back(path("once.qel"));
        trigger(form, "FileOpenItem");
        QCOMPARE(form.documentWindows().size(), 3);
        QCOMPARE(form.activeChild(), opened);
        QVERIFY(screen.messages.empty());
    }

private:
    QTemporaryDir config_;
};

QTEST_MAIN(DocumentFlowTest)
#include "DocumentFlowTest.moc"
