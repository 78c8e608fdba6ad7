#include "app/TMainForm.h"
#include "assembler/HexImage.h"
#include "assembler/IntelHex.h"
#include "assembler/TfrmHexFile.h"
#include "editor/TMDIChild.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

using tarvik::test::FakeScreen;

namespace {

const tarvik::DeviceDefaults& defaults()
{
    static const tarvik::DeviceDefaults instance;
    return instance;
}

QListWidget* listOf(const QWidget* viewer)
{
    return viewer->findChild<QListWidget*>(QStringLiteral("lbxHexFile"));
}

QStringList itemsOf(const QWidget* viewer)
{
    QStringList items;
    const QListWidget* list = listOf(viewer);
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->text());
    return items;
}

QStringList toQStringList(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& line : lines)
        list.append(QString::fromStdString(line));
    return list;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// bsf STATUS,5 / clrf TRISB / bcf STATUS,5: one data record and the end record.
const QStringList kThreeWordRecords = {QStringLiteral(":0600000083168601831245"), QStringLiteral(":00000001FF")};

std::unique_ptr<tarvik::ProgramDocument> threeWordProgram(const std::string& fileName, bool untitled)
{
    auto doc = std::make_unique<tarvik::ProgramDocument>(defaults());
    struct Row {
        int code;
        const char* operand;
    };
    for (const Row& row : {Row{16, "STATUS,5"}, Row{13, "TRISB"}, Row{17, "STATUS,5"}}) {
        tarvik::ProgramLine line;
        line.code = row.code;
        line.setOperand(row.operand);
        doc->lines.insertAfterCursor(line);
    }
    doc->fileName = fileName;
    doc->untitled = untitled;
    doc->resetCursorToTop();
    return doc;
}

// The window system may report a window active before the widget hears of it.
bool waitUntilActive(QWidget* window)
{
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// What the modal viewer showed while a command ran.
struct ViewerSeen {
    bool opened = false;
    bool modal = false;
    QString caption;
    QStringList items;
};

// Runs a command that may open the viewer modally; looks at the viewer once it is active and
// closes it with its Close button.
ViewerSeen runWithViewer(const std::function<void()>& command)
{
    ViewerSeen seen;
    QObject guard;  // stops the look if the command opened nothing
    QTimer::singleShot(0, &guard, [&seen] {
        auto* viewer = qobject_cast<TfrmHexFile*>(QApplication::activeModalWidget());
        if (!viewer)
            return;
        seen.opened = true;
        seen.modal = viewer->isModal();
        waitUntilActive(viewer);
        seen.caption = viewer->windowTitle();
        seen.items = itemsOf(viewer);
        QTest::mouseClick(viewer->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
    command();
    return seen;
}

// A screen whose message box is a real window: it takes the activation while it shows and
// gives it back when closed, as the application's boxes do.
class WindowedScreen : public FakeScreen {
public:
    tarvik::MessageAnswer showMessage(std::string_view caption, std::string_view text,
                                      tarvik::MessageButtons buttons) override
    {
        const tarvik::MessageAnswer answer = FakeScreen::showMessage(caption, text, buttons);
        // Enough to show a loop of messages without running it for ever.
        if (messages.size() > 3)
            return answer;
        QWidget* back = QApplication::activeWindow();
        QWidget box;
        box.setWindowTitle(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        box.show();
        box.activateWindow();
        waitUntilActive(&box);
        box.close();
        if (back)
            back->activateWindow();
        return answer;
    }
};

} // namespace

class HexViewerTest : public QObject {
    Q_OBJECT

    FakeScreen screen;
    std::unique_ptr<QTemporaryDir> folder;
    QString savedCurrent;

    QString inFolder(const char* name) const { return folder->filePath(QString::fromLatin1(name)); }

    void start(TMainForm& form)
    {
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

    // Makes another window active and then the viewer again.
    static void leaveAndComeBack(TfrmHexFile& viewer)
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(waitUntilActive(&other));
        viewer.activateWindow();
        QVERIFY(waitUntilActive(&viewer));
    }

private slots:
    void init()
    {
        screen = FakeScreen();
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
        savedCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder->path()));
    }

    void cleanup()
    {
        QDir::setCurrent(savedCurrent);
        folder.reset();
    }

    void startsWithItsControlsInPlace()
    {
        TfrmHexFile viewer(screen);
        QCOMPARE(viewer.objectName(), QStringLiteral("TfrmHexFile"));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Hex"));
        QCOMPARE(viewer.size(), QSize(386, 144));
        QCOMPARE(viewer.minimumSize(), viewer.maximumSize());
        const Qt::WindowFlags flags = viewer.windowFlags();
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint)));

        QListWidget* list = listOf(&viewer);
        QVERIFY(list);
        QCOMPARE(list->geometry(), QRect(0, 8, 318, 129));
        QVERIFY(!(list->focusPolicy() & Qt::TabFocus));
        QCOMPARE(list->count(), 0);

        auto* close = viewer.findChild<QPushButton*>(QStringLiteral("Button1"));
        QVERIFY(close);
        QCOMPARE(close->text(), QStringLiteral("&Close"));
        QCOMPARE(close->geometry(), QRect(325, 8, 57, 22));

        viewer.setFileName("blink.hex");
        QCOMPARE(viewer.windowTitle(), QStringLiteral("blink.hex"));
        QVERIFY(put(inFolder("blink.hex"), ":00000001FF\r\n"));
        viewer.show();
        QVERIFY(waitUntilActive(&viewer));
        QCOMPARE(viewer.focusWidget(), close);
        QVERIFY(screen.messages.empty());
    }

    void splitsTheFileIntoItems_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("items");

        // A line of n copies of c, as the items it is shown in.
        auto pieces = [](char c, int n) {
            QStringList items;
            for (; n > 0; n -= 79)
                items.append(QString(qMin(n, 79), QLatin1Char(c)));
            return items;
        };
        const QByteArray a79(79, 'A');
        QTest::newRow("CR LF ends leave no CR") << QByteArray(":0100000001FE\r\n:00000001FF\r\n")
                                                << QStringList{":0100000001FE", ":00000001FF"};
        QTest::newRow("LF ends") << QByteArray("one\ntwo\n") << QStringList{"one", "two"};
        QTest::newRow("last line without an end") << QByteArray("one\r\ntwo") << QStringList{"one", "two"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("blank line in between") << QByteArray("one\r\n\r\ntwo\r\n") << QStringList{"one", "", "two"};
        QTest::newRow("79 characters and CR LF") << (a79 + "\r\n") << QStringList{QString::fromLatin1(a79)};
        QTest::newRow("79 characters and LF") << (a79 + "\nx") << QStringList{QString::fromLatin1(a79), "x"};
        QTest::newRow("80 characters") << (QByteArray(80, 'B') + "\r\n") << pieces('B', 80);
        QTest::newRow("200 characters") << (QByteArray(200, 'C') + "\r\nend") << pieces('C', 200) + QStringList{"end"};
        QTest::newRow("longer than a read block")
            << (QByteArray(10000, 'D') + "\r\nend\r\n") << pieces('D', 10000) + QStringList{"end"};

        QByteArray huge;
        for (qsizetype i = 0; i < TfrmHexFile::kMaxItems + 10; ++i)
            huge += "X\r\n";
        QTest::newRow("more lines than the limit") << huge << QStringList(TfrmHexFile::kMaxItems, QStringLiteral("X"));
    }

    void splitsTheFileIntoItems()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, items);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(TfrmHexFile::readItems(buffer), items);
    }

    void showsOneItemPerRecordAndReloadsWhenActivatedAgain()
    {
        tarvik::HexImage image;
        for (int i = 0; i < 20; ++i)
            QVERIFY(image.appendByte(i));
        QVERIFY(put(inFolder("prog.hex"), QByteArray::fromStdString(tarvik::intelHexText(image))));

        TfrmHexFile viewer(screen);
        viewer.setFileName("prog.hex");
        viewer.show();
        QVERIFY(waitUntilActive(&viewer));
        QCOMPARE(itemsOf(&viewer), toQStringList(tarvik::intelHexRecords(image)));
        QCOMPARE(itemsOf(&viewer).size(), 3);
        QCOMPARE(itemsOf(&viewer).last(), QStringLiteral(":00000001FF"));

        QVERIFY(put(inFolder("prog.hex"), ":00000001FF\r\n"));
        leaveAndComeBack(viewer);
        QCOMPARE(itemsOf(&viewer), QStringList{":00000001FF"});

        // Gone while the user was away: reported, and the list keeps what it showed.
        QVERIFY(QFile::remove(inFolder("prog.hex")));
        leaveAndComeBack(viewer);
        QCOMPARE(screen.messages.size(), std::size_t(1));
        QCOMPARE(screen.messages[0].caption, std::string("Tarvik message"));
        QCOMPARE(screen.messages[0].text, std::string("Error!"));
        QCOMPARE(itemsOf(&viewer), QStringList{":00000001FF"});
    }

    void aMissingFileIsReportedOnceThoughTheBoxTakesTheActivation()
    {
        WindowedScreen boxes;
        TfrmHexFile viewer(boxes);
        viewer.setFileName("none.hex");
        viewer.show();
        QVERIFY(waitUntilActive(&viewer));
        QTest::qWait(50);
        QCOMPARE(boxes.texts(), std::vector<std::string>{"Error!"});
        QCOMPARE(listOf(&viewer)->count(), 0);

        // Coming back later is a new activation and reports again.
        leaveAndComeBack(viewer);
        QTest::qWait(50);
        QCOMPARE(boxes.texts(), (std::vector<std::string>{"Error!", "Error!"}));
    }

    void convertWritesTheHexFileIntoTheCurrentDirectoryAndShowsIt_data()
    {
        QTest::addColumn<QString>("documentName");
        QTest::addColumn<bool>("untitled");
        QTest::addColumn<QString>("hexName");
        QTest::addColumn<bool>("fromMenu");

        QTest::newRow("saved elsewhere") << (QDir::tempPath() + "/elsewhere/blink.qel") << false << "blink.hex" << false;
        QTest::newRow("two points") << "my.test.qel" << false << "my.hex" << false;
        QTest::newRow("never saved, from the menu") << "Untitled2" << true << "qel.hex" << true;
    }

    void convertWritesTheHexFileIntoTheCurrentDirectoryAndShowsIt()
    {
        QFETCH(QString, documentName);
        QFETCH(bool, untitled);
        QFETCH(QString, hexName);
        QFETCH(bool, fromMenu);

        TMainForm form;
        start(form);
        form.addDocumentWindow(threeWordProgram(documentName.toStdString(), untitled), QStringLiteral("doc"));
        const ViewerSeen seen = runWithViewer([&form, fromMenu] {
            if (fromMenu)
                form.findChild<QAction*>(QStringLiteral("Hex1"))->trigger();
            else
                form.findChild<QToolButton*>(QStringLiteral("btnHex"))->click();
        });

        QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList{hexName});
        QCOMPARE(contents(inFolder(qPrintable(hexName))), QByteArray(":0600000083168601831245\r\n:00000001FF\r\n"));
        QVERIFY(seen.opened);
        QVERIFY(seen.modal);
        // The file is in the current folder, which the caption names.
        QCOMPARE(seen.caption, QDir(folder->path()).absoluteFilePath(hexName));
        QCOMPARE(seen.items, kThreeWordRecords);
        QVERIFY(screen.messages.empty());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void anAssemblyErrorWritesNothingAndOpensNoViewer()
    {
        TMainForm form;
        start(form);
        auto doc = threeWordProgram("/tmp/blink.qel", false);
        tarvik::ProgramLine jump;
        jump.code = 27;
        jump.setOperand("NOWHERE");
        doc->lines.setCursor(doc->lines.last());
        doc->lines.insertAfterCursor(jump);
        doc->resetCursorToTop();
        form.addDocumentWindow(std::move(doc), QStringLiteral("blink.qel"));

        const ViewerSeen seen = runWithViewer([&form] { form.btnHexClick(); });
        QVERIFY(!seen.opened);
        QVERIFY(QDir(folder->path()).entryList(QDir::Files).isEmpty());
        QCOMPARE(screen.messages.size(), std::size_t(1));
        QCOMPARE(screen.messages[0].caption, std::string("Tarvik message"));
        QCOMPARE(screen.messages[0].text, std::string("Error in line 4: symbol not previously defined (NOWHERE)."));
        QCOMPARE(screen.cursorMoves, std::vector<int>{4});
    }

    void aFailedWriteOpensNoViewerThatCouldShowAnOlderFile()
    {
        TMainForm form;
        start(form);
        form.addDocumentWindow(threeWordProgram("blink.qel", false), QStringLiteral("blink.qel"));
        // An older image of that name that cannot be replaced: neither it nor its folder
        // may be written.
        QVERIFY(put(inFolder("blink.hex"), QByteArray(":00000001FF\r\n")));
        QVERIFY(QFile::setPermissions(inFolder("blink.hex"), QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(folder->path(), QFile::ReadOwner | QFile::ExeOwner));
        const bool guarded = !QFileInfo(folder->path()).isWritable();

        const ViewerSeen seen = runWithViewer([&form] { form.btnHexClick(); });
        QFile::setPermissions(folder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!guarded)
            QSKIP("permissions do not hold for this user");
        QVERIFY(!seen.opened);
        QCOMPARE(screen.messages.size(), std::size_t(1));
        QVERIFY2(screen.messages[0].text.starts_with("Otvaranje fajla blink.hex nije uspelo!\nCould not "),
                 screen.messages[0].text.c_str());
    }

    void rendersTheViewer()
    {
        tarvik::HexImage image;
        for (int i = 0; i < 150; ++i)
            QVERIFY(image.appendByte((i * 37) & 0xFF));
        QVERIFY(put(inFolder("blink.hex"), QByteArray::fromStdString(tarvik::intelHexText(image))));
        TfrmHexFile viewer(screen);
        viewer.setFileName("blink.hex");
        viewer.show();
        QVERIFY(waitUntilActive(&viewer));
        QListWidget* list = listOf(&viewer);
        QCOMPARE(list->count(), 11);
        // A full record shows whole beside the scroll bar.
        QVERIFY(list->verticalScrollBar()->isVisible());
        QCOMPARE(list->item(0)->text().size(), 43);
        QVERIFY(QFontMetrics(list->font()).horizontalAdvance(list->item(0)->text()) < list->viewport()->width());
        QVERIFY(viewer.grab().toImage().save(tarvik::test::screenshotPath(QStringLiteral("hex-viewer.png"))));
    }
};

QTEST_MAIN(HexViewerTest)
#include "HexViewerTest.moc"
