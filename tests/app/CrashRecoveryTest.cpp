// Work that survives a crash, and files that other programs change: recovery files written
// shortly after each change and offered at the next start; Save and the window telling of a
// file changed on disk; an imported program never written over its source.

#include "app/RecoveryController.h"
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "files/StateRecord.h"
#include "FakeScreen.h"
#include "MainWindowFixture.h"
#include "Screenshots.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tarvik::MessageAnswer;
using tarvik::RecoveryState;
using tarvik::RecoveryStore;
using tarvik::test::FakeScreen;
using Choice = RecoveryController::Choice;
namespace fs = std::filesystem;

namespace {

constexpr int kTestDelayMs = 50;

// This process's recovery files in the folder.
std::vector<fs::path> ownFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    const std::string prefix = "recovery-" + std::to_string(::getpid()) + "-";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().filename().string().starts_with(prefix))
            files.push_back(entry.path());
    return files;
}

// Writes recovery files as a process that has ended since: what a crash leaves.
void leaveBehind(const RecoveryStore& store, const std::vector<RecoveryState>& states)
{
    const pid_t child = ::fork();
    if (child == 0) {
        for (std::size_t i = 0; i < states.size(); ++i)
            store.write(static_cast<int>(i) + 1, states[i]);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

// A file of this process made one of an ended process, as if this one had been killed.
void orphan(const fs::path& file)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::rename(file, file.parent_path() / ("recovery-" + std::to_string(child) + "-1.state"));
}

std::vector<std::uint8_t> programWithBlankLines(int count)
{
    const tarvik::DeviceDefaults defaults;
    tarvik::ProgramDocument document(defaults);
    tarvik::ProgramLine blank;
    blank.code = tarvik::kBlankCode;
    for (int i = 0; i < count; ++i)
        document.lines.insertAfterCursor(blank);
    return tarvik::encodeProgramFile(document);
}

QString captionOf(TMDIChild* view)
{
    return qobject_cast<QMdiSubWindow*>(view->parentWidget())->windowTitle();
}

} // namespace

class CrashRecoveryTest : public QObject, private tarvik::test::MainWindowFixture<FakeScreen> {
    Q_OBJECT

    std::string path(const char* name) const { return folder->filePath(QString::fromLatin1(name)).toStdString(); }
    void trigger(TMainForm& form, const char* item) { form.findChild<QAction*>(QString::fromLatin1(item))->trigger(); }
    RecoveryController* recoveryFor(TMainForm& form)
    {
        auto* recovery = new RecoveryController(form, RecoveryStore(stateFolder()));
        recovery->setDelay(kTestDelayMs);
        form.setStartupStep([recovery] { recovery->runAtStart(); });
        return recovery;
    }
    fs::path stateFolder() const { return fs::path(folder->path().toStdString()) / "state"; }

private slots:
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void whatWasTypedComesBackAfterACrash()
    {
        std::vector<std::uint8_t> typed;
        {
            TMainForm form;
            recoveryFor(form);
            start(form);
            TMDIChild* view = form.activeChild();
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(view, Qt::Key_Return);
            QTRY_COMPARE_WITH_TIMEOUT(ownFiles(stateFolder()).size(), std::size_t(1), 5000);
            typed = tarvik::encodeProgramFile(view->document());
            const std::optional<RecoveryState> written = RecoveryStore(stateFolder()).read(ownFiles(stateFolder())[0]);
            QVERIFY(written);
            QCOMPARE(written->program, typed);
            QCOMPARE(written->fileName, std::string("Untitled1"));
            QVERIFY(written->untitled);
            orphan(ownFiles(stateFolder())[0]);
        }

        TMainForm form;
        recoveryFor(form);
        QString question;
        tarvik::test::ModalHand hand([&question](QDialog& dialog) {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            question = box ? box->text() : QString();
            dialog.grab().save(tarvik::test::screenshotPath(QStringLiteral("recovery-question.png")));
            QTest::keyClick(&dialog, Qt::Key_Return);
        });
        start(form);
        QCOMPARE(hand.seen, QStringLiteral("QMessageBox"));
        QVERIFY2(question.contains(QStringLiteral("\nUntitled1\n")), qPrintable(question));
        // The recovered window instead of a new Untitled1.
        QCOMPARE(form.documentWindows().size(), 1);
        TMDIChild* view = form.activeChild();
        QCOMPARE(captionOf(view), QStringLiteral("Untitled1"));
        QVERIFY(view->document().untitled);
        QVERIFY(view->document().modified);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        QCOMPARE(tarvik::encodeProgramFile(view->document()), typed);
        QVERIFY(RecoveryStore(stateFolder()).leftBehind().empty());
        QCOMPARE(ownFiles(stateFolder()).size(), std::size_t(1));

        // Saved: the recovery file goes.
        screen.files.push_back(path("recovered.qel"));
        trigger(form, "FileSaveItem");
        QTRY_VERIFY_WITH_TIMEOUT(ownFiles(stateFolder()).empty(), 5000);
        QCOMPARE(tarvik::readProgramFile(path("recovered.qel"), form.lifecycle().defaults()).document->lines.count(), 4);
    }

    void theAnswerDecidesWhatBecomesOfTheFilesLeftBehind_data()
    {
        QTest::addColumn<int>("choice");
        QTest::newRow("Recover") << int(Choice::Recover);
        QTest::newRow("Discard") << int(Choice::Discard);
        QTest::newRow("Later") << int(Choice::Later);
    }

    void theAnswerDecidesWhatBecomesOfTheFilesLeftBehind()
    {
        QFETCH(int, choice);
        // A titled program whose file someone changed after the crash, and an untitled one.
        const std::string titled = path("blink.qel");
        std::ofstream(titled) << "old";
        const RecoveryStore store(stateFolder());
        leaveBehind(store, {{titled, false, programWithBlankLines(2), tarvik::identifyFile(titled)},
                            {"Untitled3", true, programWithBlankLines(5), {}}});
        std::ofstream(titled, std::ios::app) << " and changed";

        TMainForm form;
        RecoveryController* recovery = recoveryFor(form);
        QStringList asked;
        recovery->setQuestion([&asked, choice](const QStringList& names) {
            asked = names;
            return Choice(choice);
        });
        start(form);
        QCOMPARE(asked, (QStringList{QString::fromStdString(titled), QStringLiteral("Untitled3")}));
        QCOMPARE(store.leftBehind().size(), std::size_t(Choice(choice) == Choice::Later ? 2 : 0));
        if (Choice(choice) != Choice::Recover) {
            QCOMPARE(form.documentWindows().size(), 1);
            QCOMPARE(captionOf(form.activeChild()), QStringLiteral("Untitled1"));
            QVERIFY(ownFiles(stateFolder()).empty());
            return;
        }
        // In the order they were made, the last one active and on top.
        const QList<TMDIChild*> windows = form.documentWindows();
        QCOMPARE(windows.size(), 2);
        QCOMPARE(captionOf(windows[0]), QStringLiteral("blink.qel"));
        QCOMPARE(windows[0]->document().fileName, titled);
        QVERIFY(!windows[0]->document().untitled);
        QCOMPARE(form.activeChild(), windows[1]);
        QCOMPARE(captionOf(windows[1]), QStringLiteral("Untitled3"));
        QCOMPARE(windows[1]->document().lines.count(), 6);
        QCOMPARE(ownFiles(stateFolder()).size(), std::size_t(2));

        // The recovered program still knows its file changed on disk.
        screen.answers = {MessageAnswer::Cancel};
        form.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(windows[0]->parentWidget()));
        screen.messages.clear();
        trigger(form, "FileSaveItem");
        QCOMPARE(screen.messages.size(), std::size_t(1));
        QCOMPARE(screen.messages[0].buttons, tarvik::MessageButtons::YesNoCancelDefaultNo);

        // Closed without saving: its recovery file goes with the window.
        screen.answers = {MessageAnswer::No};
        form.mdiArea()->closeActiveSubWindow();
        QTRY_COMPARE(ownFiles(stateFolder()).size(), std::size_t(1));
    }

    void aCopyOfOldContentsThatIsKeptIsShownAtStart()
    {
        // A write in place cut short by a crash, and the file changed in another way since:
        // the copy of its old contents stays, and the start says where.
        const std::string target = path("blink.qel");
        std::ofstream(target) << "changed since";
        fs::create_directories(stateFolder());
        const pid_t ended = ::fork();
        if (ended == 0)
            ::_exit(0);
        ::waitpid(ended, nullptr, 0);
        const fs::path copy = stateFolder() / ("write-" + std::to_string(ended) + "-1.old");
        tarvik::StateRecordWriter record("TARVIK-OLD-CONTENTS-1\n");
        record.u64(0);
        record.text(target);
        record.blob(std::vector<std::uint8_t>{'o', 'l', 'd'});
        record.blob(std::vector<std::uint8_t>{'n', 'e', 'w'});
        const std::vector<std::uint8_t> bytes = record.finish();
        std::ofstream(copy, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

        TMainForm form;
        recoveryFor(form);
        start(form);
        QCOMPARE(screen.texts(), std::vector<std::string>{"A write was cut short when Tarvik last ended.\n" + target
                                                          + ": its previous contents are kept in " + copy.string() + "."});
        QVERIFY(fs::exists(copy));
    }

    void aChangeOnDiskIsAskedAboutBeforeSaveAndToldOnce()
    {
        TMainForm form;
        start(form);
        const std::string file = path("blink.qel");
        {
            tarvik::ProgramDocument program(form.lifecycle().defaults());
            QCOMPARE(tarvik::writeProgramFile(file, program), tarvik::WriteStatus::Ok);
        }
        form.openFiles({QString::fromStdString(file)});
        TMDIChild* view = form.activeChild();
        QTest::keyClick(view, Qt::Key_Return);
        std::ofstream(file, std::ios::app) << "another writer";
        const std::uintmax_t theirs = fs::file_size(file);

        // Save asks; No offers Save As, cancelled here: both versions stay.
        screen.answers = {MessageAnswer::No};
        screen.files = {std::nullopt};
        trigger(form, "FileSaveItem");
        QCOMPARE(screen.messages.size(), std::size_t(1));
        QCOMPARE(screen.saveDialogTitles, std::vector<std::string>{"Save  As"});
        QCOMPARE(fs::file_size(file), theirs);
        QVERIFY(view->document().modified);

        // Coming back to the window tells of it once; Save already did.
        screen.messages.clear();
        std::ofstream(file, std::ios::app) << " again";
        auto* untitled = qobject_cast<QMdiSubWindow*>(form.documentWindows()[0]->parentWidget());
        auto* changed = qobject_cast<QMdiSubWindow*>(view->parentWidget());
        for (int i = 0; i < 2; ++i) {
            form.mdiArea()->setActiveSubWindow(untitled);
            form.mdiArea()->setActiveSubWindow(changed);
            QCoreApplication::processEvents();
        }
        QCOMPARE(screen.texts(),
                 std::vector<std::string>{
                     "The file blink.qel has been changed by another program since Tarvik read or saved it."});
    }

    void anImportedProgramIsNeverWrittenOverItsSource()
    {
        TMainForm form;
        start(form);
        const std::string source = path("blink.asm");
        fs::copy_file(std::string(TARVIK_TEST_DATA_DIR) + "/mpasm/delay.asm", source);
        const std::uintmax_t size = fs::file_size(source);
        ::mkfifo(path("pipe.asm").c_str(), 0600);

        // A named pipe is refused at once instead of waiting for a writer.
        screen.files = {path("pipe.asm")};
        trigger(form, "FileImportItem");
        QCOMPARE(screen.texts(), std::vector<std::string>{"pipe.asm: cannot read the file\nIs a named pipe, not a file"});

        screen = FakeScreen();
        screen.files = {source};
        trigger(form, "FileImportItem");
        QCOMPARE(form.documentWindows().size(), 2);
        fs::create_symlink(source, path("link.asm"));
        screen = FakeScreen();
        screen.files = {path("link.asm")};
        trigger(form, "FileExportItem");
        QCOMPARE(screen.fileAsks.size(), std::size_t(1));
        QCOMPARE(screen.fileAsks[0].suggestedPath, path("blink-export.asm"));
        QCOMPARE(screen.texts(), std::vector<std::string>{"The MPASM file " + path("link.asm")
                                                          + " would overwrite the source the program was imported from!"});
        QCOMPARE(fs::file_size(source), size);
    }
};

QTEST_MAIN(CrashRecoveryTest)
#include "CrashRecoveryTest.moc"
