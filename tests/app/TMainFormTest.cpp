#include "app/PinDiagram.h"
#include "app/TMainForm.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"
#include "FakeScreen.h"
#include "Screenshots.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <QMap>

#include <algorithm>
#include <functional>
#include <set>

using tarvik::test::FakeScreen;

namespace {

// A main window that records the palette's requests instead of opening dialogs.
class RecordingForm : public TMainForm {
public:
    void runInstructionDialog(int code) override { requested.push_back(code); }
    std::vector<int> requested;
};

template <typename T = QWidget>
T* child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no control named %s", name);
    return found;
}

QMdiSubWindow* subWindowOf(TMDIChild* view)
{
    return qobject_cast<QMdiSubWindow*>(view->parentWidget());
}

bool enabled(const QObject* form, const char* name)
{
    if (auto* action = form->findChild<QAction*>(QString::fromLatin1(name)))
        return action->isEnabled();
    if (auto* menu = form->findChild<QMenu*>(QString::fromLatin1(name)))
        return menu->menuAction()->isEnabled();
    return child(form, name)->isEnabled();
}

bool hasVisiblePixels(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                return true;
    return false;
}

} // namespace

class TMainFormTest : public QObject {
    Q_OBJECT

    FakeScreen screen;

    void start(TMainForm& form)
    {
        form.setScreen(&screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

private slots:
    void init() { screen = FakeScreen(); }

    void startsWithOneEmptyUntitledDocumentMaximised()
    {
        TMainForm form;
        start(form);
        QVERIFY(form.windowTitle().startsWith(QStringLiteral("Tarvik - Visual Assembler for PIC16C84")));
        QVERIFY(form.isMaximized());

        const QList<TMDIChild*> views = form.documentWindows();
        QCOMPARE(views.size(), 1);
        QCOMPARE(subWindowOf(views[0])->windowTitle(), QStringLiteral("Untitled1"));
        const tarvik::ProgramDocument& doc = views[0]->document();
        QCOMPARE(doc.fileName, std::string("Untitled1"));
        QVERIFY(doc.untitled);
        QVERIFY(!doc.modified);
        QCOMPARE(doc.lines.count(), 1);
        QCOMPARE(form.activeChild(), views[0]);

        QCOMPARE(form.displayMode(), 50);
        QCOMPARE(views[0]->shownDisplayMode(), 50);
        QVERIFY(child<QToolButton>(&form, "spbtnASM")->isChecked());
        QVERIFY(!child<QToolButton>(&form, "spbtnQEL")->isChecked());

        QCOMPARE(form.statusPanelText(1), QStringLiteral("   0"));
        QCOMPARE(form.statusPanelText(4), QString());
        // A panel is wider only where the desktop font needs the room; the last one runs on
        // to the end of the bar.
        const int widths[] = {350, 32, 50, 50, 50, 100};
        for (int i : {0, 3})
            QCOMPARE(child(&form, qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->width(), widths[i]);
        QVERIFY(child(&form, "StatusPanel5")->width() >= widths[5]);

        // Nothing is selected: Cut, Copy and Delete wait; Paste works with any document.
        for (const char* name : {"btnCutQEL", "btnCopyQEL", "Cut1", "Copy1", "Delete2"})
            QVERIFY2(!enabled(&form, name), name);
        for (const char* name : {"btnPasteQEL", "Paste1", "SaveBtn", "FileSaveItem", "btnFind"})
            QVERIFY2(enabled(&form, name), name);
        QVERIFY(!enabled(&form, "Bin1"));
        QVERIFY(child(&form, "Panel1")->isVisible());
        QVERIFY(child(&form, "ImagePanel")->isVisible());
        QCOMPARE(child(&form, "Panel8")->y(), 265);
        QVERIFY(screen.messages.empty());
    }

    void newWindowsArePlacedByTheirCount()
    {
        TMainForm form;
        start(form);
        form.FileNewItemClick();
        form.FileNewItemClick();
        const QList<TMDIChild*> views = form.documentWindows();
        QCOMPARE(views.size(), 3);
        QCOMPARE(subWindowOf(views[2])->windowTitle(), QStringLiteral("Untitled3"));
        const QRect placed = subWindowOf(views[2])->geometry();
        QCOMPARE(placed.topLeft(), QPoint(7 * 3 - 4, 1));
        QCOMPARE(placed.size(), QSize(form.frameGeometry().width() - 280, form.frameGeometry().height() - 103));
        QCOMPARE(form.activeChild(), views[2]);
    }

    void everySpeedButtonShowsAGlyphInItsOwnPlace()
    {
        TMainForm form;
        const QList<QToolButton*> buttons = child(&form, "SpeedBar")->findChildren<QToolButton*>();
        QCOMPARE(buttons.size(), 14);
        for (QToolButton* button : buttons) {
            const QByteArray name = button->objectName().toLatin1();
            QCOMPARE(button->size(), QSize(25, 25));
            QVERIFY2(!button->toolTip().isEmpty() && !button->toolTip().contains(QLatin1Char('|')), name.constData());
            QVERIFY2(hasVisiblePixels(button->icon().pixmap(16, 16).toImage()), name.constData());
            for (QToolButton* other : buttons)
                QVERIFY2(other == button || !other->geometry().intersects(button->geometry()), name.constData());
        }
    }

    void everyInstructionHasOneButtonInItsGroup()
    {
        RecordingForm form;
        QWidget* palette = child(&form, "Panel1");
        const std::map<QString, std::pair<int, int>> groups = {
            {QStringLiteral("Panel2"), {1, 15}}, {QStringLiteral("Panel3"), {16, 19}}, {QStringLiteral("Panel7"), {22, 34}}};
        std::set<int> seen;
        for (const auto& [panelName, range] : groups) {
            QWidget* panel = child(palette, qPrintable(panelName));
            const QList<QToolButton*> buttons = panel->findChildren<QToolButton*>();
            for (QToolButton* button : buttons) {
                QVERIFY2(panel->rect().contains(button->geometry()), qPrintable(button->text()));
                for (QToolButton* other : buttons)
                    QVERIFY2(other == button || !other->geometry().intersects(button->geometry()),
                             qPrintable(button->text() + QStringLiteral(" overlaps ") + other->text()));
                form.requested.clear();
                button->click();
                QCOMPARE(form.requested.size(), std::size_t(1));
                const int code = form.requested[0];
                const tarvik::InstructionInfo& info = *tarvik::instructionInfo(code);
                QCOMPARE(button->text(), QString::fromLatin1(info.paletteCaption.data(), info.paletteCaption.size()));
                const QString hint = QString::fromLatin1(info.paletteHint.data(), info.paletteHint.size());
                QCOMPARE(button->toolTip(), hint.section(QLatin1Char('|'), 0, 0));
                // The byte-oriented group holds the skip forms and rrf too.
                const bool inGroup = (code >= range.first && code <= range.second)
                    || (panelName == QStringLiteral("Panel2") && (code == 20 || code == 21 || code == 35));
                QVERIFY2(inGroup, qPrintable(panelName + QStringLiteral(": ") + button->text()));
                QVERIFY2(seen.insert(code).second, qPrintable(button->text()));
            }
        }
        QCOMPARE(seen.size(), std::size_t(35));
    }

    void closingTheLastDocumentHidesAndDisablesTheDocumentCommands()
    {
        TMainForm form;
        start(form);
        const char* shown[] = {"Panel1", "ImagePanel", "spbtnQEL", "spbtnASM", "btnAddRegister",
                               "btnAddBit", "btnAddLiteral", "btnHex"};
        const char* enabledWithDocument[] = {"FileSaveItem", "FileSaveAsItem", "SaveBtn", "btnPasteQEL",
                                             "Paste1", "btnFind", "Line", "Search1", "View1", "Tools1", "Window1",
                                             "Simulate1", "Reset1", "StepInto1", "Run1", "ToggleBreakpoint1"};

        subWindowOf(form.documentWindows()[0])->close();
        QCOMPARE(form.documentWindows().size(), 0);
        for (const char* name : shown)
            QVERIFY2(!child(&form, name)->isVisible(), name);
        for (const char* name : enabledWithDocument)
            QVERIFY2(!enabled(&form, name), name);
        for (const char* name : {"File1", "Help1", "FileNewItem", "FileOpenItem", "SpeedButton1", "OpenBtn", "ExitBtn"})
            QVERIFY2(enabled(&form, name), name);
        QCOMPARE(child(&form, "Panel8")->y(), 0);
        QVERIFY(screen.messages.empty());

        form.FileNewItemClick();
        QCOMPARE(subWindowOf(form.documentWindows()[0])->windowTitle(), QStringLiteral("Untitled1"));
        for (const char* name : shown)
            QVERIFY2(child(&form, name)->isVisible(), name);
        for (const char* name : enabledWithDocument)
            QVERIFY2(enabled(&form, name), name);
        QCOMPARE(child(&form, "Panel8")->y(), 265);
    }

    void theNotationIsCarriedToTheNextActivatedDocument()
    {
        TMainForm form;
        start(form);
        form.FileNewItemClick();
        TMDIChild* a = form.documentWindows()[0];
        TMDIChild* b = form.documentWindows()[1];
        form.mdiArea()->setActiveSubWindow(subWindowOf(a));
        QCOMPARE(form.activeChild(), a);

        child<QToolButton>(&form, "spbtnQEL")->click();
        QCOMPARE(form.displayMode(), 0);
        QCOMPARE(a->shownDisplayMode(), 0);
        QCOMPARE(b->shownDisplayMode(), 50);
        QVERIFY(!child<QToolButton>(&form, "spbtnASM")->isChecked());

        form.mdiArea()->setActiveSubWindow(subWindowOf(b));
        QCOMPARE(b->shownDisplayMode(), 0);

        child<QToolButton>(&form, "spbtnASM")->click();
        QCOMPARE(form.displayMode(), 50);
        QCOMPARE(b->shownDisplayMode(), 50);
        QCOMPARE(a->shownDisplayMode(), 0);
        QVERIFY(!child<QToolButton>(&form, "spbtnQEL")->isChecked());
        form.mdiArea()->setActiveSubWindow(subWindowOf(a));
        QCOMPARE(a->shownDisplayMode(), 50);
    }

    void cutCopyAndDeleteFollowTheActiveDocumentsSelection()
    {
        TMainForm form;
        start(form);
        TMDIChild* a = form.documentWindows()[0];
        tarvik::ProgramLine line;
        line.code = tarvik::kBlankCode;
        line.state = tarvik::LineState::Selected;
        a->InsertLineAfterCursor(line);
        form.FileNewItemClick();
        TMDIChild* b = form.documentWindows()[1];
        const char* commands[] = {"btnCutQEL", "btnCopyQEL", "Cut1", "Copy1", "Delete2"};
        for (const char* name : commands)
            QVERIFY2(!enabled(&form, name), name);

        form.mdiArea()->setActiveSubWindow(subWindowOf(a));
        for (const char* name : commands)
            QVERIFY2(enabled(&form, name), name);

        form.mdiArea()->setActiveSubWindow(subWindowOf(b));
        QVERIFY(!enabled(&form, "btnCutQEL"));

        // A selection made without the view telling: opening the Edit menu catches up.
        form.mdiArea()->setActiveSubWindow(subWindowOf(a));
        a->document().lines.last()->state = tarvik::LineState::Normal;
        emit child<QMenu>(&form, "Line")->aboutToShow();
        QVERIFY(!enabled(&form, "Cut1"));
        a->document().lines.last()->state = tarvik::LineState::Selected;
        emit child<QMenu>(&form, "Line")->aboutToShow();
        for (const char* name : commands)
            QVERIFY2(enabled(&form, name), name);

        // With no document left, nothing can be cut.
        form.WindowCloseAllItemClick();
        QCOMPARE(form.documentWindows().size(), 0);
        QVERIFY(!enabled(&form, "btnCutQEL"));
        QVERIFY(!enabled(&form, "btnCopyQEL"));
    }

    void fittingToTheScreen_data()
    {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("compact");
        QTest::newRow("640 x 480") << QSize(640, 480) << QRect(0, 0, 640, 480) << true;
        QTest::newRow("760 x 560") << QSize(760, 560) << QRect(0, 0, 760, 560) << false;
        QTest::newRow("wide but low") << QSize(1024, 480) << QRect(30, 30, 810, 590) << false;
        QTest::newRow("1280 x 1024") << QSize(1280, 1024) << QRect(30, 30, 810, 590) << false;
        QTest::newRow("just compact") << QSize(699, 499) << QRect(0, 0, 699, 499) << true;
        QTest::newRow("500 high") << QSize(699, 500) << QRect(0, 0, 699, 500) << false;
        QTest::newRow("700 wide") << QSize(700, 499) << QRect(0, 0, 700, 499) << false;
        QTest::newRow("just fitted") << QSize(819, 619) << QRect(0, 0, 819, 619).intersected(QRect(0, 0, 810, 590))
                                     << false;
        QTest::newRow("620 high") << QSize(819, 620) << QRect(30, 30, 810, 590) << false;
        QTest::newRow("820 wide") << QSize(820, 619) << QRect(30, 30, 810, 590) << false;
    }

    void fittingToTheScreen()
    {
        QFETCH(QSize, area);
        QFETCH(QRect, geometry);
        QFETCH(bool, compact);
        TMainForm form;
        // Fitting again, as for a screen that changed, lays the palette out afresh.
        form.fitToScreen(QSize(640, 480));
        form.fitToScreen(area);
        // The sizes are of the whole window, frame and title bar included.
        const QMargins frame = form.windowHandle()->frameMargins();
        QVERIFY(!frame.isNull());
        QCOMPARE(form.geometry().marginsAdded(frame), geometry);
        QCOMPARE(form.compactLayout(), compact);
        QWidget* palette = child(&form, "Panel1");
        QCOMPARE(child(&form, "Panel8")->isVisibleTo(palette), !compact);
        QCOMPARE(child(&form, "ImagePanel")->height(), compact ? 0 : 193);
        QCOMPARE(child(&form, "Panel7")->y(), compact ? 232 : 192);
    }

    void thePinDiagramStandsWholeAboveTheStatusBar()
    {
        TMainForm form;
        start(form);
        form.showNormal();
        QWidget* diagram = child(&form, "ImagePanel");
        for (const QSize size : {QSize(810, 590), QSize(620, 480)}) {
            form.resize(size);
            QTRY_COMPARE(form.size(), form.size().boundedTo(size));
            QCoreApplication::processEvents();
            const int bottom = diagram->mapTo(&form, QPoint(0, diagram->height())).y();
            QVERIFY2(bottom <= child(&form, "StatusBar1")->y(), qPrintable(QString::number(size.height())));
            QVERIFY(diagram->y() > child(&form, "Panel8")->geometry().bottom());
            QVERIFY(diagram->height() > 100);
        }
    }

    void theSmallScreenLayoutDropsThePinDiagramForGood()
    {
        TMainForm form;
        form.fitToScreen(QSize(640, 480));
        start(form);
        form.showNormal();
        form.setGeometry(0, 0, 640, 480);
        QCoreApplication::processEvents();
        QVERIFY(!child(&form, "Panel8")->isVisible());
        QCOMPARE(child(&form, "ImagePanel")->height(), 0);
        QCOMPARE(child(&form, "Panel5")->y(), 142);
        QCOMPARE(child(&form, "Panel3")->y(), 165);
        QCOMPARE(child(&form, "Panel6")->y(), 209);
        QCOMPARE(child(&form, "Panel7")->y(), 232);
        QCOMPARE(child(&form, "Panel4")->y(), 3);

        // The status panels in use keep their widths side by side; the empty last one gives way.
        const int widths[] = {350, 32, 50, 50, 50};
        int right = 0;
        for (int i = 0; i < 5; ++i) {
            const QRect panel = child(&form, qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->geometry();
            QVERIFY2(panel.width() >= widths[i] && panel.left() >= right, qPrintable(QString::number(i)));
            right = panel.right() + 1;
        }
        QVERIFY(right <= child(&form, "StatusBar1")->width());

        // Documents coming and going do not bring the title back.
        subWindowOf(form.documentWindows()[0])->close();
        form.FileNewItemClick();
        QVERIFY(child(&form, "Panel1")->isVisible());
        QVERIFY(!child(&form, "Panel8")->isVisible());
        QCOMPARE(child(&form, "Panel7")->y(), 232);
    }

    void theUserResizesOnlyWithinTheLimits()
    {
        TMainForm form;
        start(form);
        form.showNormal();
        const QMargins frame = form.windowHandle()->frameMargins();
        const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
        form.resize(2000, 2000);
        QCOMPARE(form.size() + extra, QSize(810, 590));
        form.resize(100, 100);
        QCOMPARE(form.size() + extra, QSize(620, 480));
        form.resize(700, 500);
        QCOMPARE(form.size(), QSize(700, 500));
    }

    void theWindowMenuListsTheDocumentsAfterCloseAll()
    {
        TMainForm form;
        start(form);
        form.FileNewItemClick();
        const QList<TMDIChild*> views = form.documentWindows();
        auto* menu = child<QMenu>(&form, "Window1");
        // Every opening lists the windows afresh.
        for (int opening = 0; opening < 3; ++opening) {
            emit menu->aboutToShow();
            const QList<QAction*> items = menu->actions();
            QCOMPARE(items.size(), 6);
            QCOMPARE(items[0]->text(), QStringLiteral("&Close All"));
            QCOMPARE(items[1]->text(), QStringLiteral("&Tile"));
            QCOMPARE(items[2]->text(), QStringLiteral("C&ascade"));
            QVERIFY(items[3]->isSeparator());
            QCOMPARE(items[4]->text(), QStringLiteral("&1 Untitled1"));
            QCOMPARE(items[5]->text(), QStringLiteral("&2 Untitled2"));
            QCOMPARE(items[4]->isChecked(), form.activeChild() == views[0]);
            QCOMPARE(items[5]->isChecked(), form.activeChild() == views[1]);
            if (opening == 1)
                items[4]->trigger();
        }
        QCOMPARE(form.activeChild(), views[0]);

        // A file name with an ampersand is listed as it stands, not as a mnemonic.
        static const tarvik::DeviceDefaults defaults;
        form.addDocumentWindow(std::make_unique<tarvik::ProgramDocument>(defaults), QStringLiteral("R&D.qel"));
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().at(6)->text(), QStringLiteral("&3 R&&D.qel"));

        menu->actions().at(0)->trigger();
        QVERIFY(form.documentWindows().isEmpty());
        QVERIFY(screen.messages.empty());
    }

    void hintsShowInTheMessagePanelAndLeaveTheDocumentsPanelsAlone()
    {
        TMainForm form;
        start(form);
        form.activeChild()->InsertBlankLine();
        QStatusBar* bar = child<QStatusBar>(&form, "StatusBar1");
        auto hover = [](QWidget* widget) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QApplication::sendEvent(widget, &enter);
        };
        auto documentPanelsStand = [&form](const char* name) {
            QCOMPARE(form.statusPanelText(1), QStringLiteral("   1"));
            QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
            for (int i = 0; i < TMainForm::kMessagePanel; ++i)
                QVERIFY2(child(&form, qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->isVisible(), name);
        };
        for (const char* name : {"SpeedButton1", "OpenBtn", "btnFind", "spbtnASM"}) {
            hover(child(&form, name));
            QVERIFY2(form.statusPanelText(TMainForm::kMessagePanel).isEmpty(), name);
            documentPanelsStand(name);
        }
        // A palette button with its long hint, and a speed button whose hint is all long part.
        const std::pair<const char*, QString> hinted[] = {{"btnHex", QStringLiteral("Convert to Hex")},
                                                           {"btnMovlw", QStringLiteral("Move literal to W")}};
        for (const auto& [name, hint] : hinted) {
            hover(child(&form, name));
            QCOMPARE(form.statusPanelText(TMainForm::kMessagePanel), hint);
            QVERIFY(bar->currentMessage().isEmpty());
            documentPanelsStand(name);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(child(&form, name), &leave);
            QCOMPARE(form.statusPanelText(TMainForm::kMessagePanel), QString());
        }
        // A message longer than its panel (an example's path) moves no other panel.
        std::vector<QRect> before;
        for (int i = 0; i < TMainForm::kMessagePanel; ++i)
            before.push_back(child(&form, qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->geometry());
        const QString path = QStringLiteral("/usr/share/tarvik/examples/") + QString(200, QLatin1Char('x')) + ".qel";
        QStatusTipEvent tip(path);
        QApplication::sendEvent(&form, &tip);
        QApplication::processEvents();
        QCOMPARE(form.statusPanelText(TMainForm::kMessagePanel), path);
        for (int i = 0; i < TMainForm::kMessagePanel; ++i)
            QCOMPARE(child(&form, qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->geometry(), before[std::size_t(i)]);

        hover(child(&form, "btnMovlw"));
        QVERIFY(form.grab().toImage().save(tarvik::test::screenshotPath(QStringLiteral("main-palette-hint.png"))));
    }

    void everyMenuOfTheBarHasItsOwnAltLetter()
    {
        TMainForm form;
        start(form);
        QMap<QChar, QString> letters;
        for (QAction* item : child<QMenuBar>(&form, "MainMenu1")->actions()) {
            const QString text = item->text();
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable(text));
            const QChar letter = text.at(amp + 1).toLower();
            QVERIFY2(!letters.contains(letter), qPrintable(text + QStringLiteral(" and ") + letters.value(letter)));
            letters.insert(letter, text);
        }
        QCOMPARE(letters.value(QLatin1Char('s')), QStringLiteral("&Search"));
        QCOMPARE(letters.value(QLatin1Char('i')), QStringLiteral("S&imulate"));

        // Inside each menu too: a letter two items share only moves between them, so the
        // key no longer runs the command.
        std::function<void(QMenu*)> checkMenu = [&](QMenu* menu) {
            emit menu->aboutToShow();
            QMap<QChar, QString> inMenu;
            for (QAction* item : menu->actions()) {
                if (item->menu())
                    checkMenu(item->menu());
                const QString text = item->text();
                const qsizetype amp = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
                if (item->isSeparator() || amp < 0)
                    continue;
                const QChar letter = text.at(amp + 1).toLower();
                QVERIFY2(!inMenu.contains(letter),
                         qPrintable(menu->title() + QStringLiteral(": ") + text + QStringLiteral(" and ") + inMenu.value(letter)));
                inMenu.insert(letter, text);
            }
        };
        for (QAction* item : child<QMenuBar>(&form, "MainMenu1")->actions())
            checkMenu(item->menu());
    }

    void escapeFromAMenuGivesTheKeysBackToTheDocument()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        view->InsertBlankLine();
        view->InsertBlankLine();
        view->MoveCursorToLine(1);
        QTRY_COMPARE(QApplication::focusWidget(), view);
        // The offscreen platform hands the activation to the closed menu, so the window's own
        // focus is what is looked at (the desktop test sends real keys).
        for (const Qt::Key letter : {Qt::Key_F, Qt::Key_E, Qt::Key_W}) {
            QTest::keyClick(&form, letter, Qt::AltModifier);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QCOMPARE(form.focusWidget(), form.menuBar());
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
            QTRY_COMPARE(form.focusWidget(), view);
            form.activateWindow();
            QTRY_COMPARE(QApplication::focusWidget(), view);
        }
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->cursorRow(), 2);
    }

    void cascadeKeepsEveryWindowAsLargeAsANewOne()
    {
        TMainForm form;
        start(form);
        form.FileNewItemClick();
        form.FileNewItemClick();
        const QSize made = form.activeChild()->parentWidget()->size();
        TMDIChild* active = form.activeChild();
        child<QAction>(&form, "WindowCascadeItem")->trigger();
        QPoint previous(-1, -1);
        for (TMDIChild* view : form.childOrder()) {
            QWidget* window = view->parentWidget();
            QVERIFY(view->visibleRows() >= 10);
            QCOMPARE(window->width(), std::min(made.width(), form.mdiArea()->viewport()->width() - window->x()));
            QVERIFY(window->x() != previous.x());
            previous = window->pos();
        }
        QCOMPARE(form.activeChild(), active);
        QCOMPARE(form.childOrder().first(), active);
    }

    void theLineCommandsAndSearchHaveKeysInTheMenuBar()
    {
        RecordingForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        for (int i = 0; i < 3; ++i)
            view->InsertBlankLine();
        view->MoveCursorToLine(2);
        QTRY_COMPARE(QApplication::focusWidget(), view);
        const tarvik::ProgramLine* line = view->document().lines.cursor();

        QTest::keyClick(view, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(line->state, tarvik::LineState::Inactive);
        QTest::keyClick(view, Qt::Key_I, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(line->state, tarvik::LineState::Selected);
        QVERIFY(enabled(&form, "Cut1"));
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(line->state, tarvik::LineState::Normal);
        QVERIFY(!enabled(&form, "Cut1"));
        QTest::keyClick(view, Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(form.requested, (std::vector<int>{101, 102}));
        QCOMPARE(view->document().lines.count(), 4);  // Shift+Return inserted nothing itself

        const std::pair<const char*, QKeySequence> keys[] = {
            {"EditLine1", QKeySequence(Qt::CTRL | Qt::Key_E)},        {"ActiveInactive2", QKeySequence(Qt::CTRL | Qt::Key_I)},
            {"SelectDeselect2", QKeySequence(Qt::Key_Space)},          {"DeselectAll1", QKeySequence(Qt::Key_Escape)},
            {"ORG2", QKeySequence(Qt::CTRL | Qt::Key_R)},              {"InsertBlank2", QKeySequence(Qt::SHIFT | Qt::Key_Return)},
            {"Find1", QKeySequence(Qt::CTRL | Qt::Key_F)},             {"Replace1", QKeySequence(Qt::CTRL | Qt::Key_H)},
        };
        for (const auto& [name, sequence] : keys)
            QCOMPARE(child<QAction>(&form, name)->shortcut(), sequence);
        // The line menu shows the keys the menu bar binds.
        for (const char* name : {"EditLine1", "ActiveInactive2", "SelectDeselect2", "ORG2", "InsertBlank2"}) {
            const QString keysShown = child<QAction>(&form, name)->shortcut().toString(QKeySequence::NativeText);
            bool inLineMenu = false;
            for (QAction* item : view->popupMenu()->actions())
                inLineMenu = inLineMenu || item->text().endsWith(QLatin1Char('\t') + keysShown);
            QVERIFY2(inLineMenu, name);
        }
        QVERIFY(screen.messages.empty());
    }

    // Insert opens the palette by keyboard: what is typed narrows the list, the arrows move
    // in it, Return asks for the instruction's entry dialog as the palette button does.
    void theInsertKeyPicksAnInstructionByWhatIsTyped_data()
    {
        QTest::addColumn<bool>("fromGrid");  // the first letter typed into the grid opens it
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs");
        QTest::addColumn<int>("code");
        QTest::newRow("a mnemonic's start") << false << "movl" << 0 << 24;
        QTest::newRow("a whole mnemonic before a longer one") << false << "movf" << 0 << 3;
        QTest::newRow("the arrow to the next one shown") << false << "mov" << 1 << 7;
        QTest::newRow("upper case") << false << "SWAP" << 0 << 12;
        QTest::newRow("the palette's symbol") << false << "W|k" << 0 << 25;
        QTest::newRow("the description") << false << "through carry" << 0 << 11;
        QTest::newRow("nothing matches") << false << "xyz" << 0 << 0;
        QTest::newRow("typed into the grid") << true << "bsf" << 0 << 16;
    }

    void theInsertKeyPicksAnInstructionByWhatIsTyped()
    {
        QFETCH(bool, fromGrid);
        QFETCH(QString, typed);
        QFETCH(int, downs);
        QFETCH(int, code);
        RecordingForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        QTRY_COMPARE(QApplication::focusWidget(), view);
        bool stayedOpen = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog && dialog->objectName() == QStringLiteral("TfrmPickInstruction"));
            QVERIFY(QTest::qWaitForWindowActive(dialog));  // the grid's Escape is not the dialog's
            QWidget* box = child(dialog, "txtFilter");
            QTRY_COMPARE(QApplication::focusWidget(), box);
            QTest::keyClicks(box, fromGrid ? typed.mid(1) : typed);
            QCOMPARE(qobject_cast<QLineEdit*>(box)->text(), typed);
            for (int i = 0; i < downs; ++i)
                QTest::keyClick(box, Qt::Key_Down);
            QTest::keyClick(box, Qt::Key_Return);
            stayedOpen = dialog->isVisible();
            if (stayedOpen)
                QTest::keyClick(box, Qt::Key_Escape);
        });
        if (fromGrid)
            QTest::keyClicks(view, typed.left(1));
        else
            QTest::keyClick(view, Qt::Key_Insert);
        QCOMPARE(stayedOpen, code == 0);
        QCOMPARE(form.requested, code == 0 ? std::vector<int>{} : std::vector<int>{code});
    }

    void theStatusPanelsHoldTheirLongestTexts()
    {
        TMainForm form;
        start(form);
        TMDIChild* view = form.activeChild();
        tarvik::ProgramLine line;
        line.code = 1;
        line.setAffected("C,DC,Z");
        view->InsertLineAfterCursor(line);
        view->ShowLinePosition(1023);
        view->InsertBlankLine();
        QCOMPARE(form.statusPanelText(4), QStringLiteral("Modified"));
        view->ShowLinePosition(1023);
        QCOMPARE(form.statusPanelText(2), QString());
        view->InsertLineAfterCursor(line);
        QCOMPARE(form.statusPanelText(2), QStringLiteral("C,DC,Z"));
        view->ShowLinePosition(1023);
        QCOMPARE(form.statusPanelText(1), QStringLiteral("1023"));

        const int widths[] = {350, 32, 50, 50, 50, 100};
        for (int i = 0; i < 6; ++i) {
            const auto* panel = child<QLabel>(&form, qPrintable(QStringLiteral("StatusPanel%1").arg(i)));
            QVERIFY2(panel->width() >= widths[i], qPrintable(panel->objectName()));
            QVERIFY2(panel->sizeHint().width() <= panel->width(), qPrintable(panel->text()));
        }
    }

    void theAboutBoxShowsTheVersionAndClosesWithOK()
    {
        TMainForm form;
        start(form);
        bool seen = false;
        QTimer::singleShot(0, &form, [&seen] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(about);
            seen = true;
            QCOMPARE(about->windowTitle(), QStringLiteral("About Tarvik"));
            QCOMPARE(about->minimumSize(), about->maximumSize());
            QCOMPARE(child<QLabel>(about, "Version")->text(),
                     QStringLiteral("Visual Assembler for PIC16C84 - Version 1.1"));
            QVERIFY(!child<QLabel>(about, "ProgramIcon")->pixmap().isNull());
            about->grab().save(tarvik::test::screenshotPath(QStringLiteral("about.png")));
            auto* ok = child<QPushButton>(about, "OKButton");
            QCOMPARE(ok->text(), QStringLiteral("&OK"));
            ok->click();
        });
        form.findChild<QAction*>(QStringLiteral("HelpAboutItem"))->trigger();
        QVERIFY(seen);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void thePinDiagramIsDrawnWithItsLabels()
    {
        QCOMPARE(PinDiagram::pinLabel(1), QStringLiteral(" RA2"));
        QCOMPARE(PinDiagram::pinLabel(3), QStringLiteral(" RA4/T0CKI"));
        QCOMPARE(PinDiagram::pinLabel(9), QStringLiteral(" RB3"));
        QCOMPARE(PinDiagram::pinLabel(10), QStringLiteral("RB4"));
        QCOMPARE(PinDiagram::pinLabel(15), QStringLiteral("OSC2/COUT"));
        QCOMPARE(PinDiagram::pinLabel(18), QStringLiteral("RA1"));
        QCOMPARE(PinDiagram::pinLabel(0), QString());

        TMainForm form;
        start(form);
        const QImage picture = child(&form, "ImagePanel")->grab().toImage();
        QCOMPARE(picture.size(), QSize(239, 193));
        int dark = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                dark += qGray(picture.pixel(x, y)) < 80;
        QVERIFY2(dark > 2000, "the package is not drawn");
    }
};

QTEST_MAIN(TMainFormTest)
#include "TMainFormTest.moc"
