// The user guide against the program it describes: its links, its shortcut table, its
// instruction reference and its pictures; Help > User Guide, F1 in an entry dialog and
// File > Examples. With TARVIK_WRITE_GUIDE set, the instruction reference and the pictures
// are written into docs/ instead of compared.

#include "app/ExamplesMenu.h"
#include "app/TfrmGuide.h"
#include "app/SimulatorController.h"
#include "app/TMainForm.h"
#include "editor/LineRenderer.h"
#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "model/InstructionCode.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace tarvik;
using tarvik::test::FakeScreen;

namespace {

const QString kDocs = QStringLiteral(TARVIK_TEST_DATA_DIR "/../../docs");
const QString kGuide = kDocs + QStringLiteral("/guide.md");
const QString kExamples = QStringLiteral(TARVIK_TEST_DATA_DIR "/../../examples");
const QString kBegin = QStringLiteral("<!-- instructions -->\n");
const QString kEnd = QStringLiteral("<!-- /instructions -->\n");

bool writing()
{
    return qEnvironmentVariableIsSet("TARVIK_WRITE_GUIDE");
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The guide without its fenced code, whose '#' lines are no headings.
QStringList proseLines(const QString& text)
{
    QStringList lines;
    bool fenced = false;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("```")))
            fenced = !fenced;
        else if (!fenced)
            lines << line;
    }
    return lines;
}

class CharMeasure : public TextMeasure {
public:
    int width(std::string_view text) const override { return static_cast<int>(text.size()) * 8; }
};

// A line as the grid shows it, its runs joined left to right.
QString shownLine(const ProgramLine& line, int mode, const ProgramDocument& doc)
{
    const RenderedLine rendered = renderLine(line, mode, doc, ColumnPositions{}, false, CharMeasure{});
    std::vector<TextRun> runs = rendered.runs;
    std::stable_sort(runs.begin(), runs.end(), [](const TextRun& a, const TextRun& b) { return a.x < b.x; });
    // Runs that touch (an operand and its ",F") stay together; others get a blank between.
    QString text;
    int end = 0;
    for (const TextRun& run : runs) {
        if (!text.isEmpty() && run.x > end)
            text += QLatin1Char(' ');
        text += QString::fromLatin1(run.text.c_str());
        end = run.x + CharMeasure{}.width(run.text);
    }
    return text.simplified();
}

// One section per instruction, from the instruction table: what the description page shows,
// and an example line in both notations.
QString instructionReference()
{
    static const DeviceDefaults defaults;
    ProgramDocument doc(defaults);
    doc.userRegisters0.insert("COUNT", 0x0C);
    doc.registerFile0.rename(0x0C, "COUNT");
    doc.literals.insert("LEDMASK", "B'00000010'");
    doc.labels.insert("Loop", "");
    QString text;
    for (const InstructionInfo& info : kInstructions) {
        const QString mnemonic = QString::fromLatin1(info.mnemonic.data(), qsizetype(info.mnemonic.size()));
        ProgramLine line;
        line.code = info.code;
        line.setAffected(info.affected);
        QString operands;
        switch (info.shape) {
        case OperandShape::NoOperand: break;
        case OperandShape::F: line.setOperand("COUNT"); operands = QStringLiteral(" f"); break;
        case OperandShape::FD:
            line.setOperand("COUNT");
            // The result to the register, whichever way the class counts its destination.
            line.destination = info.polarity == DestinationPolarity::ZeroIsW ? 1 : 0;
            operands = QStringLiteral(" f,d");
            break;
        case OperandShape::FB: line.setOperand("Z"); operands = QStringLiteral(" f,b"); break;
        case OperandShape::K: line.setOperand("LEDMASK"); operands = QStringLiteral(" k"); break;
        case OperandShape::Label: line.setOperand("Loop"); operands = QStringLiteral(" k"); break;
        }
        text += QStringLiteral("### %1\n\n").arg(mnemonic);
        text += QStringLiteral("%1.  \n").arg(QString::fromLatin1(info.dialogCaption.data(), qsizetype(info.dialogCaption.size())));
        text += QStringLiteral("Syntax: `[label] %1%2`  \n").arg(mnemonic, operands);
        text += QStringLiteral("Status affected: %1  \n").arg(QString::fromLatin1(info.affected.data(), qsizetype(info.affected.size())));
        text += QStringLiteral("Cycles: %1  \n").arg(QString::fromLatin1(info.cycles.data(), qsizetype(info.cycles.size())));
        text += QStringLiteral("Example: `%1`, in the symbolic notation `%2`\n\n")
                    .arg(shownLine(line, TMainForm::kMpasmMode, doc), shownLine(line, TMainForm::kSymbolicMode, doc));
    }
    return text;
}

QString stripped(QString caption)
{
    caption.remove(QLatin1Char('&'));
    return caption;
}

// Every command of the menus as "Menu|Command" with its shortcuts, submenus under their
// top menu.
void collectCommands(const QMenu* menu, const QString& top, QMap<QString, QStringList>& commands)
{
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        QStringList keys;
        for (const QKeySequence& sequence : action->shortcuts())
            keys << sequence.toString(QKeySequence::NativeText);
        commands.insert(top + QLatin1Char('|') + stripped(action->text()), keys);
        if (action->menu())
            collectCommands(action->menu(), top, commands);
    }
}

} // namespace

class UserGuideTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TfrmGuide::setGuideFile(kGuide);
        setExamplesFolder(kExamples);
    }

    void instructionReferenceFollowsTheInstructionTable()
    {
        QString guide = readText(kGuide);
        const qsizetype begin = guide.indexOf(kBegin);
        const qsizetype end = guide.indexOf(kEnd);
        QVERIFY(begin >= 0 && end > begin);
        const QString generated = QStringLiteral("\n") + instructionReference();
        if (writing()) {
            guide.replace(begin + kBegin.size(), end - begin - kBegin.size(), generated);
            QFile file(kGuide);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(guide.toUtf8());
            return;
        }
        QCOMPARE(guide.mid(begin + kBegin.size(), end - begin - kBegin.size()), generated);
        QVERIFY(generated.contains(QStringLiteral("Example: `movwf COUNT`")));
    }

    void everyLinkAndPictureResolves()
    {
        const QStringList lines = proseLines(readText(kGuide));
        QSet<QString> anchors;
        for (const QString& line : lines) {
            if (!line.startsWith(QLatin1Char('#')))
                continue;
            const QString anchor = TfrmGuide::headingAnchor(line.section(QLatin1Char(' '), 1));
            QVERIFY2(!anchors.contains(anchor), qPrintable(QStringLiteral("two headings make #") + anchor));
            anchors.insert(anchor);
        }
        for (const InstructionInfo& info : kInstructions)
            QVERIFY(anchors.contains(TfrmGuide::instructionAnchor(info.code)));
        QVERIFY(anchors.contains(TfrmGuide::instructionAnchor(kOrgCode)));

        const QRegularExpression link(QStringLiteral(R"(\]\(([^)\s]+)\))"));
        int images = 0;
        for (const QString& line : lines) {
            for (const QRegularExpressionMatch& match : link.globalMatch(line)) {
                const QString target = match.captured(1);
                if (target.startsWith(QStringLiteral("http")))
                    continue;
                if (target.startsWith(QLatin1Char('#'))) {
                    QVERIFY2(anchors.contains(target.mid(1)), qPrintable(QStringLiteral("no section ") + target));
                } else {
                    images += target.endsWith(QStringLiteral(".png"));
                    QVERIFY2(QFileInfo::exists(QDir(kDocs).filePath(target)), qPrintable(QStringLiteral("no file ") + target));
                }
            }
        }
        QVERIFY(images >= 5);
        // The README sends its readers here.
        QVERIFY(readText(kDocs + QStringLiteral("/../README.md")).contains(QStringLiteral("](docs/guide.md)")));
    }

    void shortcutTableHoldsEveryMenuCommand()
    {
        QMap<QString, QStringList> table;
        for (const QString& line : proseLines(readText(kGuide))) {
            const QStringList cells = line.split(QLatin1Char('|'));
            if (cells.size() == 5 && !cells[1].trimmed().isEmpty())
                table.insert(cells[1].trimmed() + QLatin1Char('|') + cells[2].trimmed(),
                             cells[3].trimmed().split(QStringLiteral(", "), Qt::SkipEmptyParts));
        }
        TMainForm form;
        QMap<QString, QStringList> commands;
        for (QAction* top : form.menuBar()->actions())
            if (top->menu())
                collectCommands(top->menu(), stripped(top->text()), commands);
        QVERIFY(commands.size() > 30);
        for (auto it = commands.cbegin(); it != commands.cend(); ++it) {
            QVERIFY2(table.contains(it.key()), qPrintable(QStringLiteral("not in the table: ") + it.key()));
            QCOMPARE(table.value(it.key()), it.value());
        }
    }

    void helpMenuAndF1OpenTheGuideWhereAsked()
    {
        FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.findChild<QAction*>(QStringLiteral("HelpGuideItem"))->trigger();
        QPointer<TfrmGuide> guide = TfrmGuide::instance();
        QVERIFY(guide && guide->isVisible());
        QVERIFY(guide->toPlainText().contains(QStringLiteral("Getting started")));
        QVERIFY(guide->currentAnchor().isEmpty());
        // Its pictures fit its width, however narrow: no sideways scrolling to see them.
        for (const int width : {720, 420}) {
            guide->resize(width, 500);
            QCoreApplication::processEvents();
            const QRegularExpression picture(QStringLiteral("<img [^>]*width=\"([0-9.]+)\""));
            int pictures = 0;
            for (auto match = picture.globalMatch(guide->toHtml()); match.hasNext(); ++pictures)
                QVERIFY(match.next().captured(1).toDouble() <= guide->viewport()->width());
            QCOMPARE(pictures, readText(kGuide).count(QStringLiteral("![")));
        }
        guide->close();
        QTRY_VERIFY(!guide);

        for (int code : {24, 16, 7, kOrgCode}) {
            bool pressed = false;
            QTimer::singleShot(0, &form, [&] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!dialog || !QTest::qWaitForWindowActive(dialog))
                    return;
                QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_F1);
                pressed = true;
                dialog->reject();
            });
            form.runInstructionDialog(code);
            QVERIFY(pressed);
            QVERIFY(TfrmGuide::instance());
            QCOMPARE(TfrmGuide::instance()->currentAnchor(), TfrmGuide::instructionAnchor(code));
            QVERIFY(TfrmGuide::instance()->verticalScrollBar()->value() > 0);
        }
        delete TfrmGuide::instance();
    }

    void examplesMenuOpensAnUntitledCopy()
    {
        FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* menu = form.findChild<QMenu*>(QStringLiteral("FileExamplesItem"));
        QVERIFY(menu);
        emit menu->aboutToShow();
        QStringList captions;
        for (QAction* item : menu->actions())
            captions << item->text();
        QCOMPARE(captions, (QStringList{"Blink", "Button", "Eeprom Counter", "Port Change", "Seven Segment", "Timer Clock"}));

        const QString original = kExamples + QStringLiteral("/blink.qel");
        const QByteArray before = readText(original).toLatin1();
        menu->actions().first()->trigger();
        TMDIChild* view = form.activeChild();
        QVERIFY(view);
        QCOMPARE(form.documentWindows().size(), 2);
        const ProgramDocument& doc = view->document();
        QVERIFY(doc.untitled);
        QVERIFY(!doc.modified);
        QCOMPARE(doc.fileName, std::string("Untitled2"));
        const ReadOutcome read = readProgramFile(original.toStdString(), DeviceDefaults());
        QCOMPARE(doc.lines.count(), read.document->lines.count());
        QCOMPARE(readText(original).toLatin1(), before);
    }

    void pictures()
    {
        // The pictures for the guide, or for a person to look at.
        const auto save = [](QWidget& widget, const QString& name) {
            const QPixmap picture = widget.grab();
            QVERIFY(!picture.isNull());
            QVERIFY(picture.save(writing() ? kDocs + QStringLiteral("/images/") + name
                                           : tarvik::test::screenshotPath(QStringLiteral("guide-") + name)));
        };
        FakeScreen screen;
        TMainForm form;
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.openExample(kExamples + QStringLiteral("/blink.qel"));
        save(form, QStringLiteral("main-window.png"));

        auto* file = form.findChild<QMenu*>(QStringLiteral("File1"));
        auto* examples = form.findChild<QMenu*>(QStringLiteral("FileExamplesItem"));
        file->popup(form.mapToGlobal(QPoint(0, form.menuBar()->height())));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        examples->popup(file->mapToGlobal(QPoint(file->width(), file->actionGeometry(examples->menuAction()).top())));
        QVERIFY(QTest::qWaitForWindowExposed(examples));
        // The two menus as they stand over the window.
        QPixmap composed = form.grab();
        {
            QPainter painter(&composed);
            painter.drawPixmap(form.mapFromGlobal(file->pos()), file->grab());
            painter.drawPixmap(form.mapFromGlobal(examples->pos()), examples->grab());
        }
        examples->close();
        file->close();
        QVERIFY(composed.save(writing() ? kDocs + QStringLiteral("/images/examples-menu.png")
                                        : tarvik::test::screenshotPath(QStringLiteral("guide-examples-menu.png"))));

        form.findChild<QToolButton*>(QStringLiteral("spbtnQEL"))->click();
        save(form, QStringLiteral("symbolic.png"));
        form.findChild<QToolButton*>(QStringLiteral("spbtnASM"))->click();

        bool shown = false;
        QTimer::singleShot(0, &form, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                save(*dialog, QStringLiteral("entry-dialog.png"));
                shown = true;
                dialog->reject();
            }
        });
        form.runInstructionDialog(24);
        QVERIFY(shown);

        shown = false;
        QTimer::singleShot(0, &form, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                // The viewer reads its file when it becomes active.
                QVERIFY(QTest::qWaitForWindowActive(dialog));
                QCoreApplication::processEvents();
                save(*dialog, QStringLiteral("hex-viewer.png"));
                shown = true;
                dialog->reject();
            }
        });
        QTemporaryDir folder;
        const QString saved = QDir::currentPath();
        QDir::setCurrent(folder.path());
        form.btnHexClick();
        QDir::setCurrent(saved);
        QVERIFY(shown);

        for (int i = 0; i < 6; ++i)
            form.findChild<QAction*>(QStringLiteral("StepInto1"))->trigger();
        {
            // The main window with the simulator's windows beside and below it, as on a
            // screen with room for them.
            form.showNormal();
            form.setGeometry(0, 0, 810, 590);
            auto* simulator = form.findChild<SimulatorController*>(QStringLiteral("SimulatorController"));
            QVERIFY(simulator);
            simulator->placeWindows(QRect(0, 0, 1120, 1000));
            QCoreApplication::processEvents();
            QRect whole = form.frameGeometry();
            const QList<QDockWidget*> windows = form.findChildren<QDockWidget*>();
            for (QDockWidget* window : windows)
                if (window->isVisible())
                    whole |= window->geometry();
            QImage picture(whole.size(), QImage::Format_RGB32);
            picture.fill(QColor(40, 70, 110));
            QPainter painter(&picture);
            painter.drawImage(form.geometry().topLeft() - whole.topLeft(), form.grab().toImage());
            for (QDockWidget* window : windows)
                if (window->isVisible())
                    painter.drawImage(window->geometry().topLeft() - whole.topLeft(), window->grab().toImage());
            painter.end();
            QVERIFY(picture.save(writing() ? kDocs + QStringLiteral("/images/simulator.png")
                                           : tarvik::test::screenshotPath(QStringLiteral("guide-simulator.png"))));
        }
        form.findChild<QAction*>(QStringLiteral("EndSimulation1"))->trigger();

        TfrmGuide* guide = TfrmGuide::showAt(QStringLiteral("getting-started-a-blinking-led"));
        QVERIFY(QTest::qWaitForWindowExposed(guide));
        save(*guide, QStringLiteral("guide-window.png"));
        delete guide;
    }
};

QTEST_MAIN(UserGuideTest)
#include "UserGuideTest.moc"
