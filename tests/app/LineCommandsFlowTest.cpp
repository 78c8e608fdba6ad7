#include "app/QtScreen.h"
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"
#include "FakeScreen.h"
#include "MainWindowFixture.h"
#include "Screenshots.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using tarvik::LineState;
using tarvik::MessageAnswer;
using tarvik::test::FakeScreen;

namespace {

QMdiSubWindow* subWindowOf(TMDIChild* view)
{
    return qobject_cast<QMdiSubWindow*>(view->parentWidget());
}

bool enabled(const QObject* form, const char* name)
{
    if (auto* action = form->findChild<QAction*>(QString::fromLatin1(name)))
        return action->isEnabled();
    return form->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
}

// The labels of a document's lines after the header.
QStringList labelsOf(TMDIChild* view)
{
    QStringList labels;
    const tarvik::LineList& lines = view->document().lines;
    for (const tarvik::ProgramLine* line = lines.first()->next; lines.isLine(line); line = line->next)
        labels << QString::fromLatin1(line->labelText().data(), qsizetype(line->labelText().size()));
    return labels;
}

// Lines L1 ... Ln after the cursor, put in through the view as a dialog would.
void addLines(TMDIChild* view, int count)
{
    for (int i = 1; i <= count; ++i) {
        tarvik::ProgramLine line;
        line.code = 15;
        line.setLabel("L" + std::to_string(i));
        line.commentIndex = view->document().comments.append("comment");
        view->InsertLineAfterCursor(line);
    }
}

// Answers from the script, but only after a real modal box has been up, as the person's
// answer is: the box takes the pointer away from the window under it.
class ModalScreen : public FakeScreen {
public:
    MessageAnswer showMessage(std::string_view caption, std::string_view text,
                              tarvik::MessageButtons buttons) override
    {
        QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok);
        QTimer::singleShot(0, &box, &QMessageBox::accept);
        box.exec();
        return FakeScreen::showMessage(caption, text, buttons);
    }
};

} // namespace

class LineCommandsFlowTest : public QObject, private tarvik::test::MainWindowFixture<FakeScreen> {
    Q_OBJECT

    static void click(TMainForm& form, const char* button)
    {
        form.findChild<QToolButton*>(QString::fromLatin1(button))->click();
    }
    static void trigger(TMainForm& form, const char* item)
    {
        form.findChild<QAction*>(QString::fromLatin1(item))->trigger();
    }

private slots:
    void init() { initFixture(); }
    void cleanup() { cleanupFixture(); }

    void selectAllCopyAndPasteIntoAnotherDocument()
    {
        TMainForm form;
        start(form);
        TMDIChild* source = form.activeChild();
        addLines(source, 3);
        source->document().modified = false;
        trigger(form, "Se1");
        for (const char* name : {"btnCutQEL", "btnCopyQEL", "Cut1", "Copy1", "Delete2"})
            QVERIFY2(enabled(&form, name), name);
        click(form, "btnCopyQEL");
        QCOMPARE(source->document().lines.countSelected(), 3);
        QVERIFY(!source->document().modified);

        form.FileNewItemClick();
        TMDIChild* target = form.activeChild();
        QVERIFY(target != source);
        QVERIFY2(!enabled(&form, "btnCutQEL"), "the new document has no selection");
        QTest::keyClick(target, Qt::Key_Return);
        click(form, "btnPasteQEL");
        QCOMPARE(labelsOf(target), (QStringList{"", "L1", "L2", "L3"}));
        for (const tarvik::ProgramLine& line : target->document().lines) {
            QCOMPARE(line.state, LineState::Normal);
            QCOMPARE(line.commentIndex, -1);
        }
        QCOMPARE(target->cursorRow(), 0);
        QCOMPARE(target->document().lines.cursor(), target->document().headerLine());
        QCOMPARE(form.statusPanelText(1), QStringLiteral("   0"));
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));

        // The clipboard outlives the document it came from.
        subWindowOf(source)->close();
        QCoreApplication::processEvents();
        trigger(form, "Paste1");
        QCOMPARE(target->document().lines.count(), 8);
    }

    void cutRemovesTheSelectionAndDisablesCutCopyAndDelete()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        addLines(view, 4);
        view->document().modified = false;
        // Lines 2 and 4 selected by double click, which enables the buttons at once.
        for (int row : {2, 4}) {
            QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(40, 17 * row + 17 + 8));
        }
        QVERIFY(enabled(&form, "btnCutQEL"));
        QVERIFY(enabled(&form, "btnCopyQEL"));

        trigger(form, "Cut1");
        QCOMPARE(labelsOf(view), (QStringList{"L1", "L3"}));
        QCOMPARE(view->topIndex(), 0);
        QCOMPARE(view->cursorRow(), 0);
        QVERIFY(view->document().modified);
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        for (const char* name : {"btnCutQEL", "btnCopyQEL", "Cut1", "Copy1", "Delete2"})
            QVERIFY2(!enabled(&form, name), name);

        view->MoveCursorToLine(1);
        click(form, "btnPasteQEL");
        QCOMPARE(labelsOf(view), (QStringList{"L1", "L2", "L4", "L3"}));
        QCOMPARE(view->document().lines.countSelected(), 0);
    }

    void deleteOfTheSelectionAndPasteOfAnEmptyClipboard()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        addLines(view, 3);
        view->document().labels.insert("L2", "");
        view->document().modified = false;
        click(form, "btnPasteQEL");
        QCOMPARE(view->document().lines.count(), 4);
        QVERIFY2(view->document().modified, "an empty paste still marks the document");
        QCOMPARE(view->cursorRow(), 0);

        view->document().lines.stepForward(view->document().lines.first(), 2)->state = LineState::Selected;
        emit form.findChild<QMenu*>(QStringLiteral("Line"))->aboutToShow();
        QVERIFY(enabled(&form, "Delete2"));
        trigger(form, "Delete2");
        QCOMPARE(labelsOf(view), (QStringList{"L1", "L3"}));
        QVERIFY(!view->document().labels.holds("L2"));
        QVERIFY(!enabled(&form, "Delete2"));
    }

    void editOpensNothingOnTheHeaderLine()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        QAction* edit = view->popupMenu()->findChild<QAction*>(QStringLiteral("Edit1"));
        edit->trigger();
        QCOMPARE(screen.editRequests, 0);
        addLines(view, 1);
        edit->trigger();
        QCOMPARE(screen.editRequests, 1);
    }

    void theFirstDocumentTakesItsSizeFromTheMaximisedWindow()
    {
        TMainForm form;
        start(form);
        QTRY_VERIFY(form.isMaximized());
        QCoreApplication::processEvents();
        const QRect frame = form.frameGeometry();
        QCOMPARE(subWindowOf(form.activeChild())->size(), QSize(frame.width() - 280, frame.height() - 103));
    }

    // A close that the save question cancelled must not cost the next click on the close box.
    void theCloseBoxWorksAgainAfterACancelledClose()
    {
        ModalScreen modal;
        TMainForm form;
        form.setScreen(&modal);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TMDIChild* view = form.activeChild();
        QTest::keyClick(view, Qt::Key_Return);
        QMdiSubWindow* window = subWindowOf(view);
        window->showNormal();
        window->setGeometry(10, 10, 400, 300);
        QStyleOptionTitleBar option;
        option.initFrom(window);
        option.rect = QRect(0, 0, window->width(), window->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, window));
        option.subControls = QStyle::SC_All;
        option.titleBarFlags = window->windowFlags();
        option.titleBarState = window->windowState();
        const QPoint closeBox = window->style()
                                    ->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarCloseButton, window)
                                    .center();
        form.mdiArea()->setActiveSubWindow(window);
        QTest::mouseMove(window, closeBox);
        QTest::qWait(20);

        // The first click after the pointer arrives may only tell the frame where it is.
        modal.answers = {MessageAnswer::Cancel};
        for (int clicks = 0; clicks < 2 && modal.messages.empty(); ++clicks) {
            QTest::mouseClick(window, Qt::LeftButton, {}, closeBox);
            QTest::qWait(20);
        }
        QCOMPARE(modal.messages.size(), std::size_t(1));
        QVERIFY(window->isVisible());

        modal.answers = {MessageAnswer::No};
        QTest::mouseClick(window, Qt::LeftButton, {}, closeBox);
        QCOMPARE(modal.messages.size(), std::size_t(2));
        QVERIFY(form.documentWindows().isEmpty());
    }

    // For a person to look at: long labels and skip operands beside their neighbours, and
    // a selection, in both notations.
    void screenshotOfLongRunsAndASelection()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        tarvik::ProgramDocument& document = view->document();
        const struct { int code; const char* label; const char* operand; int destination; } lines[] = {
            {14, "WWWWWWWWWWWWWW", "", 0}, {21, "MMMMMMMMMMMMM", "COUNTERREGISTER", 1}, {20, "", "OUTERCOUNTER12", 0},
            {1, "LOOP", "PORTB", 1}, {27, "", "LOOP", 0},
        };
        for (const auto& entry : lines) {
            tarvik::ProgramLine line;
            line.code = entry.code;
            line.setLabel(entry.label);
            line.setOperand(entry.operand);
            line.destination = entry.destination;
            line.commentIndex = document.comments.append("a comment that follows the instruction");
            view->InsertLineAfterCursor(line);
        }
        view->MoveCursorToLine(4);
        view->SelectDeselect1Click();
        for (const char* button : {"spbtnQEL", "spbtnASM"}) {
            click(form, button);
            QCoreApplication::processEvents();
            const QString name = QStringLiteral("line-commands-%1.png").arg(QString::fromLatin1(button));
            QVERIFY(view->grab().save(tarvik::test::screenshotPath(name)));
        }
    }

    void messageBoxesAreWideEnoughForTheirCaption()
    {
        QWidget parent;
        QtScreen qtScreen(&parent, {});
        int width = 0;
        QTimer::singleShot(0, [&width] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                width = box->width();
                box->grab().save(tarvik::test::screenshotPath(QStringLiteral("message-box.png")));
                box->button(QMessageBox::Ok)->click();
            }
        });
        qtScreen.showMessage("Tarvik message", "!", tarvik::MessageButtons::Ok);
        const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
        QVERIFY2(width >= title.horizontalAdvance(QStringLiteral("Tarvik message")) + 100, qPrintable(QString::number(width)));
    }
};

QTEST_MAIN(LineCommandsFlowTest)
#include "LineCommandsFlowTest.moc"
