#include "editor/TMDIChild.h"
#include "Screenshots.h"

#include <QAction>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <memory>

using namespace tarvik;

namespace {

// 11 rows of 17 pixels: the header and 10 whole rows.
constexpr int kTenRowsHigh = 187;

class EventCounter : public QObject {
public:
    int paints = 0;
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

} // namespace

class TMDIChildTest : public QObject {
    Q_OBJECT

private:
    DeviceDefaults defaults;
    std::unique_ptr<TMDIChild> view;
    std::map<int, QString> panels;

    // A view of the header and `lines` lines (nop, or the given code), 10 whole rows high.
    TMDIChild& makeView(int lines, int height = kTenRowsHigh, int code = 15)
    {
        auto doc = std::make_unique<ProgramDocument>(defaults);
        ProgramLine l;
        l.code = code;
        for (int i = 0; i < lines; ++i)
            doc->lines.insertAfterCursor(l);
        view = std::make_unique<TMDIChild>(std::move(doc));
        view->resize(500, height);
        view->show();
        panels.clear();
        connect(view.get(), &TMDIChild::statusPanelChanged, view.get(),
                [this](int panel, const QString& text) { panels[panel] = text; });
        return *view;
    }

    const ProgramLine* lineAt(int number)
    {
        return view->document().lines.stepForward(view->document().lines.first(), number);
    }

    // The list cursor is the line at topIndex + cursorRow, and the top line at topIndex.
    void checkInvariant()
    {
        QVERIFY(view->document().lines.isLine(view->document().lines.cursor()));
        QVERIFY(view->document().lines.isLine(view->topLine()));
        QCOMPARE(view->document().lines.cursor(), lineAt(view->topIndex() + view->cursorRow()));
        QCOMPARE(view->topLine(), lineAt(view->topIndex()));
    }

    void press(Qt::Key key, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(view.get(), key);
    }

    QPoint rowPoint(int row, int x = 40) { return QPoint(x, 17 * row + 17 + 8); }

    void releaseThumbAt(int position)
    {
        QScrollBar* bar = view->findChild<QScrollBar*>("ScrollBar1");
        bar->setSliderDown(true);
        bar->setSliderPosition(position);
        bar->setSliderDown(false);
    }

    QScrollBar* scrollBar() { return view->findChild<QScrollBar*>("ScrollBar1"); }

    QAction* menuItem(const char* name) { return view->popupMenu()->findChild<QAction*>(name); }

private slots:
    void newWindowShowsProgramAsTheCursorRow()
    {
        makeView(0);
        QCOMPARE(view->cursorRow(), 0);
        QCOMPARE(view->topIndex(), 0);
        QCOMPARE(view->document().lines.count(), 1);
        checkInvariant();
        QCOMPARE(view->document().lines.cursor()->code, kHeaderCode);
        QCOMPARE(view->shownDisplayMode(), 50);
        QCOMPARE(view->instructionX(), 90);
        QCOMPARE(view->cyclesRight(), 258);
        QCOMPARE(view->bankX(), 264);
        QCOMPARE(view->commentX(), 309);

        const QImage image = view->grab().toImage();
        QCOMPARE(image.pixelColor(400, 17 + 8), QColor(227, 227, 227));
        QCOMPARE(image.pixelColor(400, 34 + 8), QColor(Qt::white));
        bool ink = false;
        for (int x = 90; x < 160 && !ink; ++x)
            for (int y = 17; y < 34 && !ink; ++y)
                ink = image.pixelColor(x, y).lightness() < 100;
        QVERIFY2(ink, "PROGRAM is drawn at the instruction column");
    }

    void controlsHaveTheirNamesTextsAndLimits()
    {
        makeView(0);
        auto* header = view->findChild<QHeaderView*>("HeaderControl1");
        QVERIFY(header);
        QCOMPARE(header->count(), 5);
        const char* texts[] = {"Label", "Instruction", "Cyc", "Bank", "Comment"};
        const int widths[] = {90, 140, 34, 45, 600};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(header->model()->headerData(i, Qt::Horizontal).toString(), QString(texts[i]));
            QCOMPARE(header->sectionSize(i), widths[i]);
        }
        QCOMPARE(header->geometry().top(), 0);
        QCOMPARE(header->height(), 17);
        QVERIFY(!header->sectionsClickable());

        QScrollBar* bar = scrollBar();
        QVERIFY(bar);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 1000);
        QCOMPARE(bar->focusPolicy(), Qt::NoFocus);
        QVERIFY(!bar->isEnabled());
        // The scroll bar starts where the rows end.
        QCOMPARE(bar->geometry().left(), view->outerWidth() - 25);
        QCOMPARE(bar->height(), view->height());

        QMenu* menu = view->popupMenu();
        QCOMPARE(menu->objectName(), QString("PopupMenu1"));
        QStringList captions;
        for (QAction* action : menu->actions())
            captions << (action->isSeparator() ? QString("-") : action->text());
        // Each item shows the key that does what it does: Enter inserts a blank line at
        // once, and the dialog the item opens is Shift+Return's.
        QCOMPARE(captions, QStringList({"&Delete\tDel", "&Edit...\tCtrl+E", "Active/&Inactive\tCtrl+I",
                                        "&Select/Deselect\tSpace", "-", "&ORG...\tCtrl+R",
                                        "Insert &Blank...\tShift+Return"}));
        for (QAction* action : menu->actions())
            QVERIFY(action->shortcut().isEmpty());
    }

    void scrollBarFigures()
    {
        makeView(30);
        QCOMPARE(view->visibleRows(), 10);
        QScrollBar* bar = scrollBar();
        QVERIFY(bar->isEnabled());
        QCOMPARE(bar->singleStep(), 48);
        QCOMPARE(bar->pageStep(), 48);
        QCOMPARE(bar->value(), 0);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view->topIndex(), 1);
        QCOMPARE(bar->value(), 48);
        checkInvariant();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(view->topIndex(), 2);
        QCOMPARE(bar->value(), 96);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(view->topIndex(), 0);
        QCOMPARE(bar->value(), 0);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(view->topIndex(), 0);
        checkInvariant();
    }

    void lineDownStopsWithTheLastLineOnTheLastRow()
    {
        makeView(30);
        for (int i = 0; i < 30; ++i)
            scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view->topIndex(), 21);
        checkInvariant();
    }

    void scrollBarDisabledWhenEveryLineFits_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("header and 9 lines") << 9 << false;
        QTest::newRow("header and 10 lines") << 10 << true;
        QTest::newRow("header only") << 0 << false;
    }
    void scrollBarDisabledWhenEveryLineFits()
    {
        QFETCH(int, lines);
        QFETCH(bool, enabled);
        makeView(lines);
        QCOMPARE(scrollBar()->isEnabled(), enabled);
    }

    void thumbReleaseSnapsToTheNearestLine_data()
    {
        QTest::addColumn<int>("released");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("thumb");
        QTest::newRow("100 of step 48") << 100 << 2 << 96;
        QTest::newRow("120, a half, rounds up") << 120 << 3 << 144;
        QTest::newRow("1000") << 1000 << 21 << 1008;
        QTest::newRow("end of the track") << 1008 << 21 << 1008;
    }
    void thumbReleaseSnapsToTheNearestLine()
    {
        QFETCH(int, released);
        QFETCH(int, top);
        QFETCH(int, thumb);
        makeView(30);
        releaseThumbAt(released);
        QCOMPARE(view->topIndex(), top);
        QCOMPARE(scrollBar()->value(), thumb);
        QCOMPARE(view->cursorRow(), -top);
        checkInvariant();
    }

    void draggingTheThumbMovesNothingUntilReleased()
    {
        makeView(30);
        QScrollBar* bar = scrollBar();
        bar->setSliderDown(true);
        bar->setSliderPosition(500);
        QCOMPARE(view->topIndex(), 0);
        bar->setSliderDown(false);
        QCOMPARE(view->topIndex(), 10);
    }

    void downOnTheLastWholeRowScrolls()
    {
        makeView(30);
        press(Qt::Key_Down, 9);
        QCOMPARE(view->cursorRow(), 9);
        QCOMPARE(view->topIndex(), 0);
        press(Qt::Key_Down);
        QCOMPARE(view->cursorRow(), 9);
        QCOMPARE(view->topIndex(), 1);
        QCOMPARE(panels[1], QString("  10"));
        QCOMPARE(scrollBar()->value(), 48);
        checkInvariant();
        press(Qt::Key_Down, 40);
        QCOMPARE(view->topIndex(), 21);
        QCOMPARE(view->cursorRow(), 9);
        QCOMPARE(panels[1], QString("  30"));
        checkInvariant();
    }

    void upOnRowZeroScrollsBackWhileLinesLieAbove()
    {
        makeView(30);
        press(Qt::Key_Down, 12);
        QCOMPARE(view->topIndex(), 3);
        view->SetCursorRow(0);
        press(Qt::Key_Up);
        QCOMPARE(view->cursorRow(), 0);
        QCOMPARE(view->topIndex(), 2);
        checkInvariant();
        press(Qt::Key_Up, 5);
        QCOMPARE(view->topIndex(), 0);
        QCOMPARE(view->cursorRow(), 0);
        QCOMPARE(panels[1], QString("   0"));
        checkInvariant();
    }

    void scrolledOutCursorComesBackWithDown()
    {
        makeView(30);
        press(Qt::Key_Down, 2);
        releaseThumbAt(240);  // top index 5
        QCOMPARE(view->topIndex(), 5);
        QCOMPARE(view->cursorRow(), -3);
        checkInvariant();
        press(Qt::Key_Down);
        QCOMPARE(view->cursorRow(), -2);
        QCOMPARE(view->topIndex(), 5);
        QCOMPARE(panels[1], QString("   3"));
        checkInvariant();
        // Up with the cursor out of sight above scrolls the view with it.
        press(Qt::Key_Up);
        QCOMPARE(view->topIndex(), 4);
        QCOMPARE(view->cursorRow(), -2);
        checkInvariant();
    }

    void upOnTheHeaderScrolledOutAboveBringsItBack()
    {
        makeView(30);
        releaseThumbAt(96);
        QCOMPARE(view->cursorRow(), -2);
        press(Qt::Key_Up);
        QCOMPARE(view->cursorRow(), 0);
        QCOMPARE(view->topIndex(), 0);
        QCOMPARE(scrollBar()->value(), 0);
        checkInvariant();
        press(Qt::Key_Up);
        QCOMPARE(view->topIndex(), 0);
    }

    void theThumbAtTheEndShowsTheLastLinesOfALongProgram()
    {
        makeView(1023);
        releaseThumbAt(scrollBar()->maximum());
        QCOMPARE(view->topIndex(), 1024 - view->visibleRows());
        checkInvariant();
        scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view->topIndex(), 1024 - view->visibleRows());
        QCOMPARE(scrollBar()->value(), scrollBar()->maximum());
    }

    void downInAWindowTooLowForTwoRowsKeepsALineOnTop()
    {
        makeView(3, 20);  // not one whole row under the header
        QCOMPARE(view->visibleRows(), 0);
        for (int i = 0; i < 5; ++i)
            scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view->topIndex(), 3);
        QCOMPARE(view->cursorRow(), -3);
        press(Qt::Key_Down, 5);
        QCOMPARE(view->document().lines.cursor(), view->document().lines.last());
        QCOMPARE(view->topLine(), view->document().lines.last());
        QCOMPARE(panels[1], QString("   3"));
        checkInvariant();
        press(Qt::Key_Up);
        QCOMPARE(view->topIndex(), 2);
        checkInvariant();
    }

    // Keys, clicks, scroll bar actions and resizes in a seeded random order, in windows
    // from too low for one row to taller than the program: the cursor and the top line
    // stay real lines at their positions, and the status bar shows the cursor's position.
    void viewStaysInStepWhateverTheUserDoes()
    {
        std::mt19937 random(1234);
        for (int height : {10, 30, 60, kTenRowsHigh, 17 * 40}) {
            makeView(25, height);
            for (int step = 0; step < 2000; ++step) {
                const int n = view->document().lines.count();
                switch (random() % 9) {
                case 0: press(Qt::Key_Up); break;
                case 1: press(Qt::Key_Down); break;
                case 2: press(Qt::Key_Return); break;
                case 3: press(Qt::Key_Delete); break;
                case 4:
                    scrollBar()->triggerAction(random() % 2 ? QAbstractSlider::SliderSingleStepAdd
                                                            : QAbstractSlider::SliderPageStepSub);
                    break;
                case 5: releaseThumbAt(static_cast<int>(random() % 1001)); break;
                case 6: QTest::mouseClick(view.get(), Qt::LeftButton, {}, rowPoint(static_cast<int>(random() % 14))); break;
                case 7: view->MoveCursorToLine(static_cast<int>(random() % (n + 2)) - 1); break;
                case 8: view->resize(500, static_cast<int>(random() % (random() % 2 ? 40 : 300))); break;
                }
                checkInvariant();
                if (QTest::currentTestFailed()) {
                    qWarning("height %d, step %d", height, step);
                    return;
                }
                press(Qt::Key_Shift);
                QCOMPARE(panels[1], QString::asprintf("%4d", view->topIndex() + view->cursorRow()));
            }
            view->resize(500, kTenRowsHigh);
            QVERIFY(!view->grab().isNull());
        }
    }

    void leftClicks_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("row");
        QTest::newRow("on row 2") << QPoint(40, 17 * 2 + 17 + 3) << 2;
        QTest::newRow("first pixel row under the header") << QPoint(40, 17) << 0;
        QTest::newRow("second pixel row under the header") << QPoint(40, 18) << 0;
        QTest::newRow("below the last line") << QPoint(40, 17 * 4 + 17 + 2) << 0;
        QTest::newRow("last line") << QPoint(40, 17 * 3 + 17 + 2) << 3;
        QTest::newRow("right of the rows") << QPoint(500 + 8 - 24, 40) << 0;
        QTest::newRow("right edge of the rows") << QPoint(500 + 8 - 25, 40) << 1;
    }
    void leftClicks()
    {
        QFETCH(QPoint, point);
        QFETCH(int, row);
        makeView(3);
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, point);
        QCOMPARE(view->cursorRow(), row);
        checkInvariant();
    }

    void rightClickOnlyOnTheCursorRowOpensTheMenu()
    {
        makeView(3);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->SetCursorRow(2);
        QTest::mouseClick(view.get(), Qt::RightButton, {}, rowPoint(1));
        QVERIFY(!view->popupMenu()->isVisible());
        QCOMPARE(view->cursorRow(), 2);

        menuItem("ActiveInactive1")->setChecked(false);
        QTest::mouseClick(view.get(), Qt::RightButton, {}, rowPoint(2));
        QVERIFY(view->popupMenu()->isVisible());
        QVERIFY(menuItem("ActiveInactive1")->isChecked());
        view->popupMenu()->hide();

        const_cast<ProgramLine*>(lineAt(2))->state = LineState::Inactive;
        QTest::mouseClick(view.get(), Qt::RightButton, {}, rowPoint(2));
        QVERIFY(view->popupMenu()->isVisible());
        QVERIFY(!menuItem("ActiveInactive1")->isChecked());
        view->popupMenu()->hide();
    }

    void doubleClickTogglesTheSelection()
    {
        makeView(3);
        QSignalSpy selection(view.get(), &TMDIChild::selectionChanged);
        auto* line2 = const_cast<ProgramLine*>(lineAt(2));

        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, rowPoint(2));
        QCOMPARE(line2->state, LineState::Selected);
        QVERIFY(menuItem("SelectDeselect1")->isChecked());
        QCOMPARE(selection.last().at(0).toInt(), 1);
        QVERIFY(!view->document().modified);

        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, rowPoint(2));
        QCOMPARE(line2->state, LineState::Normal);
        QVERIFY(!menuItem("SelectDeselect1")->isChecked());
        QCOMPARE(selection.last().at(0).toInt(), 0);

        // The header row and an Inactive line do not change.
        selection.clear();
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, rowPoint(0));
        QCOMPARE(view->document().lines.first()->state, LineState::Normal);
        QVERIFY(selection.isEmpty());
        line2->state = LineState::Inactive;
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, rowPoint(2));
        QCOMPARE(line2->state, LineState::Inactive);
        QTest::mouseDClick(view.get(), Qt::LeftButton, {}, rowPoint(6));
        QCOMPARE(view->document().lines.countSelected(), 0);
    }

    void headerDragMovesTheColumns_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("instruction");
        QTest::addColumn<int>("bank");
        QTest::addColumn<int>("comment");
        QTest::newRow("Instruction to 200") << 1 << 200 << 90 << 324 << 369;
        QTest::newRow("Instruction past its maximum") << 1 << 260 << 90 << 324 << 369;
        QTest::newRow("Instruction below its minimum") << 1 << 60 << 90 << 224 << 269;
        QTest::newRow("Label to 150") << 0 << 150 << 150 << 324 << 369;
        QTest::newRow("Label below 50") << 0 << 20 << 50 << 224 << 269;
        QTest::newRow("Cycles below 30") << 2 << 20 << 90 << 260 << 305;
        QTest::newRow("Cycles past 50") << 2 << 70 << 90 << 280 << 325;
        QTest::newRow("Bank past 50") << 3 << 70 << 90 << 264 << 314;
    }
    void headerDragMovesTheColumns()
    {
        QFETCH(int, section);
        QFETCH(int, dragged);
        QFETCH(int, instruction);
        QFETCH(int, bank);
        QFETCH(int, comment);
        makeView(3);
        auto* header = view->findChild<QHeaderView*>("HeaderControl1");
        header->resizeSection(section, dragged);
        QCOMPARE(view->instructionX(), instruction);
        QCOMPARE(view->bankX(), bank);
        QCOMPARE(view->commentX(), comment);
    }

    void displayModeSwitchRepaintsTheWholeView()
    {
        makeView(3, kTenRowsHigh, 1);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        EventCounter counter;
        view->installEventFilter(&counter);
        const QImage mpasm = view->grab().toImage();
        counter.paints = 0;
        counter.painted = QRegion();

        view->setShownDisplayMode(50);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 0);

        view->setShownDisplayMode(0);
        QCOMPARE(view->shownDisplayMode(), 0);
        QTRY_VERIFY(counter.paints > 0);
        QVERIFY(counter.painted.contains(view->rect()));
        QVERIFY(view->grab().toImage() != mpasm);
        view->removeEventFilter(&counter);
    }

    void movingTheCursorRepaintsOnlyItsTwoRows()
    {
        makeView(30);
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        press(Qt::Key_Down, 3);
        QCoreApplication::processEvents();
        EventCounter counter;
        view->installEventFilter(&counter);
        press(Qt::Key_Down);
        QTRY_VERIFY(counter.paints > 0);
        const int right = view->outerWidth() - 25;
        QCOMPARE(counter.painted.boundingRect(), QRect(0, 17 * 3 + 17, right, 2 * 17));

        counter.painted = QRegion();
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, rowPoint(8));
        QTRY_VERIFY(!counter.painted.isEmpty());
        QCOMPARE(counter.painted, QRegion(QRect(0, 17 * 4 + 17, right, 17)) + QRect(0, 17 * 8 + 17, right, 17));
        view->removeEventFilter(&counter);
    }

    void enterInsertsABlankLineAfterTheCursor()
    {
        makeView(0);
        QSignalSpy modified(view.get(), &TMDIChild::documentModified);
        press(Qt::Key_Return);
        QCOMPARE(view->document().lines.count(), 2);
        QCOMPARE(view->cursorRow(), 1);
        QCOMPARE(view->document().lines.cursor()->code, kBlankCode);
        QCOMPARE(view->document().lines.cursor()->commentIndex, -1);
        QCOMPARE(panels[1], QString("   1"));
        QVERIFY(view->document().modified);
        QCOMPARE(modified.count(), 1);
        checkInvariant();
        press(Qt::Key_Up);
        press(Qt::Key_Enter);
        QCOMPARE(view->document().lines.count(), 3);
        QCOMPARE(view->cursorRow(), 1);
        checkInvariant();
    }

    void insertionBelowTheLastRowLeavesTheViewWhereItIs()
    {
        makeView(20);
        press(Qt::Key_Down, 9);
        ProgramLine l;
        l.code = 24;
        l.setOperand("10");
        l.setAffected("None");
        view->InsertLineAfterCursor(l);
        QCOMPARE(view->topIndex(), 0);
        QCOMPARE(view->cursorRow(), 10);
        QCOMPARE(panels[1], QString("  10"));
        QCOMPARE(panels[2], QString("None"));
        QCOMPARE(scrollBar()->singleStep(), 1000 / 12 + 1);
        checkInvariant();
        press(Qt::Key_Down);
        QCOMPARE(view->topIndex(), 1);
        QCOMPARE(view->cursorRow(), 10);
        checkInvariant();
    }

    void insertionAboveTheTopLineKeepsTheViewInStep()
    {
        makeView(30);
        press(Qt::Key_Down, 2);
        releaseThumbAt(240);
        QCOMPARE(view->cursorRow(), -3);
        const ProgramLine* top = view->topLine();
        ProgramLine l;
        l.code = 15;
        view->InsertLineAfterCursor(l);
        QCOMPARE(view->topLine(), top);
        QCOMPARE(view->topIndex(), 6);
        QCOMPARE(view->cursorRow(), -3);
        QCOMPARE(panels[1], QString("   3"));
        QCOMPARE(scrollBar()->value(), (1000 / 22 + 1) * 6);
        checkInvariant();

        // Just above the top line: the new line goes between the cursor and the top line.
        view->MoveCursorToLine(5);
        QCOMPARE(view->cursorRow(), -1);
        press(Qt::Key_Return);
        QCOMPARE(view->topLine(), top);
        QCOMPARE(view->cursorRow(), -1);
        checkInvariant();
    }

    void keysOtherThanTheFourOnlyRefreshTheStatus()
    {
        makeView(3);
        view->SetCursorRow(2);
        panels.clear();
        press(Qt::Key_Tab);
        press(Qt::Key_Left);
        press(Qt::Key_A);
        QCOMPARE(view->cursorRow(), 2);
        QCOMPARE(view->document().lines.count(), 4);
        QCOMPARE(panels[1], QString("   2"));
    }

    void deleteKeyRemovesTheCursorLine_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("downs");
        QTest::addColumn<int>("enters");
        QTest::addColumn<int>("thumb");    // scroll bar position released, -1 none
        QTest::addColumn<int>("setRow");   // SetCursorRow afterwards, -99 none
        QTest::addColumn<int>("deletes");
        QTest::addColumn<int>("countAfter");
        QTest::addColumn<int>("rowAfter");
        QTest::addColumn<int>("topAfter");
        QTest::newRow("only line, row 1") << 1 << 1 << 0 << -1 << -99 << 1 << 1 << 0 << 0;
        QTest::newRow("header") << 3 << 0 << 0 << -1 << -99 << 1 << 4 << 0 << 0;
        QTest::newRow("middle line") << 3 << 2 << 0 << -1 << -99 << 1 << 3 << 2 << 0;
        QTest::newRow("last line, row 3") << 3 << 3 << 0 << -1 << -99 << 1 << 3 << 2 << 0;
        QTest::newRow("row 0 until the last line stands in it") << 30 << 0 << 0 << 1000 << 0 << 10 << 22 << 0 << 21;
        QTest::newRow("row 0 with lines after") << 30 << 5 << 0 << 240 << -99 << 1 << 30 << 0 << 5;
        QTest::newRow("cursor above the top line") << 30 << 2 << 0 << 240 << -99 << 1 << 30 << -2 << 4;
        QTest::newRow("cursor below the last row") << 30 << 9 << 1 << -1 << -99 << 1 << 31 << 10 << 0;
    }
    void deleteKeyRemovesTheCursorLine()
    {
        QFETCH(int, lines);
        QFETCH(int, downs);
        QFETCH(int, enters);
        QFETCH(int, thumb);
        QFETCH(int, setRow);
        QFETCH(int, deletes);
        QFETCH(int, countAfter);
        QFETCH(int, rowAfter);
        QFETCH(int, topAfter);
        makeView(lines);
        press(Qt::Key_Down, downs);
        press(Qt::Key_Return, enters);
        if (thumb >= 0)
            releaseThumbAt(thumb);
        if (setRow != -99)
            view->SetCursorRow(setRow);
        press(Qt::Key_Delete, deletes);
        QCOMPARE(view->document().lines.count(), countAfter);
        QCOMPARE(view->cursorRow(), rowAfter);
        QCOMPARE(view->topIndex(), topAfter);
        QCOMPARE(panels[1], QString::asprintf("%4d", rowAfter + topAfter));
        checkInvariant();
    }

    void deletingALabelledLineRemovesItsLabel()
    {
        makeView(2);
        auto* line2 = const_cast<ProgramLine*>(lineAt(2));
        line2->setLabel("LOOP");
        view->document().labels.insert("LOOP", "");
        view->document().labels.insert("KEEP", "");
        QSignalSpy selection(view.get(), &TMDIChild::selectionChanged);
        view->MoveCursorToLine(2);
        press(Qt::Key_Delete);
        QCOMPARE(view->document().labels.positionOf("LOOP"), 0);
        QVERIFY(view->document().labels.positionOf("KEEP") != 0);
        QVERIFY(view->document().modified);
        QCOMPARE(selection.count(), 1);
    }

    void contextMenuCommands()
    {
        makeView(3);
        QSignalSpy edit(view.get(), &TMDIChild::editLineRequested);
        QSignalSpy org(view.get(), &TMDIChild::orgLineRequested);
        QSignalSpy blank(view.get(), &TMDIChild::blankLineDialogRequested);
        view->MoveCursorToLine(2);
        auto* line2 = const_cast<ProgramLine*>(lineAt(2));

        menuItem("ActiveInactive1")->trigger();
        QCOMPARE(line2->state, LineState::Inactive);
        QVERIFY(view->document().modified);
        menuItem("SelectDeselect1")->trigger();
        QCOMPARE(line2->state, LineState::Inactive);
        menuItem("ActiveInactive1")->trigger();
        QCOMPARE(line2->state, LineState::Normal);
        menuItem("SelectDeselect1")->trigger();
        QCOMPARE(line2->state, LineState::Selected);
        QVERIFY(menuItem("SelectDeselect1")->isChecked());
        menuItem("ActiveInactive1")->trigger();
        QCOMPARE(line2->state, LineState::Selected);

        menuItem("Edit1")->trigger();
        menuItem("ORG1")->trigger();
        menuItem("InsertBlank1")->trigger();
        QCOMPARE(edit.count(), 1);
        QCOMPARE(org.count(), 1);
        QCOMPARE(blank.count(), 1);
        QCOMPARE(view->document().lines.count(), 4);

        menuItem("Delete1")->trigger();
        QCOMPARE(view->document().lines.count(), 3);
        checkInvariant();

        // The marks show the last toggle that happened, not the last item chosen.
        view->MoveCursorToLine(0);
        QVERIFY(menuItem("SelectDeselect1")->isChecked());
        menuItem("SelectDeselect1")->trigger();
        QCOMPARE(view->document().lines.first()->state, LineState::Normal);
        QVERIFY(menuItem("SelectDeselect1")->isChecked());
        menuItem("ActiveInactive1")->setChecked(true);
        view->MoveCursorToLine(1);
        menuItem("ActiveInactive1")->trigger();
        QCOMPARE(lineAt(1)->state, LineState::Inactive);
        QVERIFY(menuItem("ActiveInactive1")->isChecked());
    }

    void shiftWithTheCursorKeysOrAClickExtendsTheSelectionAndEscapeClearsIt()
    {
        makeView(30);
        auto selected = [this] {
            QList<int> lines;
            int number = 0;
            for (const ProgramLine& line : view->document().lines) {
                if (line.isSelected())
                    lines << number;
                ++number;
            }
            return lines;
        };
        QSignalSpy selection(view.get(), &TMDIChild::selectionChanged);
        view->SetCursorRow(2);
        QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(selected(), QList<int>({2, 3, 4}));
        QCOMPARE(selection.last().at(0).toInt(), 3);
        QTest::keyClick(view.get(), Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(selected(), QList<int>({2, 3}));
        QCOMPARE(view->undoHistory().undoCount(), 1u);  // one run, one step
        QVERIFY(!view->document().modified);

        // A plain key ends the run; the next starts where the cursor is.
        QTest::keyClick(view.get(), Qt::Key_Down);
        QTest::keyClick(view.get(), Qt::Key_Down);
        QTest::keyClick(view.get(), Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(selected(), QList<int>({2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
        QCOMPARE(view->topIndex() + view->cursorRow(), 15);
        checkInvariant();

        // Shift+click: from the cursor to the line clicked, which takes the cursor.
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QCOMPARE(selected(), QList<int>());
        QCOMPARE(selection.last().at(0).toInt(), 0);
        view->ResetCursorToTop();
        view->SetCursorRow(1);
        QTest::mouseClick(view.get(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(4));
        QCOMPARE(selected(), QList<int>({1, 2, 3, 4}));
        QCOMPARE(view->cursorRow(), 4);
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, rowPoint(6));
        QCOMPARE(selected(), QList<int>({1, 2, 3, 4}));
        view->Undo();
        view->Undo();
        QCOMPARE(selected(), QList<int>({2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    }

    void shiftF10AndTheMenuKeyOpenTheLineMenuUnderTheCursorLine()
    {
        makeView(5);
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->SetCursorRow(3);
        const_cast<ProgramLine*>(lineAt(3))->state = LineState::Inactive;
        menuItem("ActiveInactive1")->setChecked(true);
        for (const QKeyCombination keys : {QKeyCombination(Qt::ShiftModifier, Qt::Key_F10), QKeyCombination(Qt::Key_Menu)}) {
            QTest::keyClick(view.get(), keys.key(), keys.keyboardModifiers());
            QMenu* menu = view->popupMenu();
            QTRY_VERIFY(menu->isVisible());
            QCOMPARE(menu->pos(), view->mapToGlobal(QPoint(view->instructionX(), 17 * 3 + 34)));
            QVERIFY(!menuItem("ActiveInactive1")->isChecked());
            QCOMPARE(view->cursorRow(), 3);
            menu->hide();
        }
    }

    void moveCursorToLineKeepsTheCursorOnALine_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("row");
        QTest::newRow("line 7") << 7 << 5;
        QTest::newRow("header, above the view") << 0 << -2;
        QTest::newRow("past the end") << 99 << 28;
        QTest::newRow("negative") << -4 << -2;
    }
    void moveCursorToLineKeepsTheCursorOnALine()
    {
        QFETCH(int, target);
        QFETCH(int, row);
        makeView(30);
        releaseThumbAt(96);
        view->MoveCursorToLine(target);
        QCOMPARE(view->cursorRow(), row);
        checkInvariant();
    }

    void showLineBringsTheLineIntoViewAndMovesNoMoreThanItMust()
    {
        // From every starting top, lines in view, above, below, past either end.
        makeView(60);
        const int rows = view->visibleRows();
        for (const int start : {0, 17, 51}) {
            for (const int target : {-3, 0, 5, 18, 22, 30, 45, 59, 60, 99}) {
                releaseThumbAt(start);
                const int top = view->topIndex();
                view->ShowLine(target);
                const int line = std::clamp(target, 0, 60);
                const QString where = QStringLiteral("from %1 to %2").arg(start).arg(target);
                QVERIFY2(view->topIndex() + view->cursorRow() == line, qPrintable(where));
                QVERIFY2(view->cursorRow() >= 0 && view->cursorRow() < rows, qPrintable(where));
                if (line >= top && line < top + rows)
                    QVERIFY2(view->topIndex() == top, qPrintable(where));
                QCOMPARE(panels[1], QStringLiteral("%1").arg(line, 4));
                checkInvariant();
            }
        }
    }

    void resetCursorToTopReturnsToTheHeader()
    {
        makeView(30);
        press(Qt::Key_Down, 15);
        view->ResetCursorToTop();
        QCOMPARE(view->cursorRow(), 0);
        QCOMPARE(view->topIndex(), 0);
        QCOMPARE(scrollBar()->value(), 0);
        checkInvariant();
    }

    void resizingRecomputesTheScrollBar()
    {
        makeView(30);
        view->resize(500, 17 * 21);
        QCOMPARE(view->visibleRows(), 20);
        QCOMPARE(scrollBar()->singleStep(), 1000 / 11 + 1);
        QCOMPARE(scrollBar()->geometry(), QRect(500 - 17, 0, 17, 17 * 21));
        QCOMPARE(view->findChild<QHeaderView*>("HeaderControl1")->width(), 500 - 18);
        view->resize(500, 17 * 40);
        QVERIFY(!scrollBar()->isEnabled());
    }

    void closeQueryCanKeepTheWindowOpen()
    {
        makeView(0);
        view->show();
        bool allow = false;
        view->setCloseQuery([&allow] { return allow; });
        QVERIFY(!view->close());
        QVERIFY(view->isVisible());
        allow = true;
        QVERIFY(view->close());
    }

    void damagedLinesPaintWithoutHarm()
    {
        auto doc = std::make_unique<ProgramDocument>(defaults);
        for (int code : {0, 36, 99, 103, -49, 51}) {
            ProgramLine l;
            l.code = code;
            l.state = static_cast<LineState>(code & 7);
            l.commentIndex = code;
            std::memset(l.operand, 'X', sizeof l.operand);
            std::memset(l.label, 'L', sizeof l.label);
            doc->lines.insertAfterCursor(l);
        }
        TMDIChild damaged(std::move(doc));
        damaged.resize(500, kTenRowsHigh);
        for (int mode : {0, 50}) {
            damaged.setShownDisplayMode(mode);
            QVERIFY(!damaged.grab().isNull());
        }
    }

    // Pixels in a rectangle that are text of this colour on white, antialiased edges
    // included: at least half ink, and no other hue.
    static int pixelsOf(const QImage& image, const QRect& area, const QColor& ink)
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const int channels[3][2] = {{c.red(), ink.red()}, {c.green(), ink.green()}, {c.blue(), ink.blue()}};
                // Coverage from the channel that moves most between white and the ink.
                double coverage = 0;
                for (const auto& ch : channels)
                    if (255 - ch[1] > 50)
                        coverage = std::max(coverage, double(255 - ch[0]) / (255 - ch[1]));
                bool blend = coverage >= 0.5;
                for (const auto& ch : channels)
                    blend = blend && std::abs(ch[0] - (255 - coverage * (255 - ch[1]))) <= 12;
                count += blend ? 1 : 0;
            }
        }
        return count;
    }

    void paintedRunsTakeTheirColours()
    {
        auto doc = std::make_unique<ProgramDocument>(defaults);
        const int comment = doc->comments.append("lllll");
        ProgramLine l;
        l.code = 16;
        l.setLabel("lll");
        l.setOperand("RP0");
        l.commentIndex = comment;
        doc->lines.insertAfterCursor(l);  // row 1
        l.state = LineState::Selected;
        doc->lines.insertAfterCursor(l);  // row 2
        l.state = LineState::Inactive;
        doc->lines.insertAfterCursor(l);  // row 3
        TMDIChild painted(std::move(doc));
        painted.resize(500, kTenRowsHigh);
        const QImage image = painted.grab().toImage();
        auto cell = [](int row, int left, int right) { return QRect(left, 17 * row + 17, right - left, 17); };
        const QColor purple(128, 0, 128), red(255, 0, 0), olive(128, 128, 0), dimmed(168, 168, 168);
        // Label, bank mark and comment of each row; the bank mark and comment ignore the state.
        QVERIFY(pixelsOf(image, cell(1, 0, 60), purple) > 0);
        QVERIFY(pixelsOf(image, cell(2, 0, 60), red) > 0);
        QCOMPARE(pixelsOf(image, cell(2, 0, 60), purple), 0);
        QVERIFY(pixelsOf(image, cell(3, 0, 60), dimmed) > 0);
        for (int row : {1, 2, 3}) {
            QVERIFY(pixelsOf(image, cell(row, 230, 270), red) > 0);
            QVERIFY(pixelsOf(image, cell(row, 275, 400), olive) > 0);
        }
    }

    void anOverlongLabelPushesTheInstructionAlong()
    {
        auto doc = std::make_unique<ProgramDocument>(defaults);
        ProgramLine l;
        l.code = 14;  // clrw
        l.setLabel("WWWWWWWWWWWWWW");
        doc->lines.insertAfterCursor(l);
        TMDIChild painted(std::move(doc));
        painted.resize(500, kTenRowsHigh);
        painted.SetCursorRow(1);
        QFont drawFont = painted.font();
        drawFont.setPointSize(10);
        const QFontMetrics metrics(drawFont);
        const int labelEnd = 5 + metrics.horizontalAdvance("WWWWWWWWWWWWWW");
        QVERIFY2(labelEnd > 100, "the label must run past the instruction column");
        const QImage image = painted.grab().toImage();
        int purpleRight = 0, blackLeft = image.width();
        for (int y = 34; y < 34 + metrics.height(); ++y) {
            for (int x = 0; x < 400; ++x) {
                const QColor c = image.pixelColor(x, y);
                // Ink, also where it is blended with the background.
                if (c.red() - c.green() > 40 && c.blue() - c.green() > 40)
                    purpleRight = std::max(purpleRight, x);
                else if (c.lightness() < 100 && c.saturation() < 60)
                    blackLeft = std::min(blackLeft, x);
            }
        }
        QVERIFY2(purpleRight > labelEnd - 10, "the whole label is drawn");
        QVERIFY2(blackLeft > purpleRight, "clrw starts after the label's last character");
        QVERIFY(blackLeft < labelEnd + 20);
    }

    void screenshotsOfEveryLineKind()
    {
        auto doc = std::make_unique<ProgramDocument>(defaults);
        doc->userBits.insert("LED", 3, 0, 0x06);
        struct Sample {
            int code;
            const char* label;
            const char* operand;
            int destination;
            LineState state;
            const char* comment;
        };
        const Sample samples[] = {
            {kOrgCode, "", "H'00'", 0, LineState::Normal, "reset vector"},
            {kBlankCode, "START", "", 0, LineState::Normal, "set up the ports"},
            {16, "", "RP0", 0, LineState::Normal, "bank 1"},
            {24, "", "B'11110000'", 0, LineState::Normal, ""},
            {7, "", "TRISB", 0, LineState::Normal, ""},
            {17, "", "RP0", 0, LineState::Normal, "bank 0"},
            {13, "", "COUNT", 0, LineState::Normal, ""},
            {20, "LOOP", "COUNT", 0, LineState::Normal, "count to 256"},
            {21, "", "COUNT", 1, LineState::Normal, ""},
            {1, "", "PORTB", 1, LineState::Normal, ""},
            {6, "", "PORTB", 1, LineState::Normal, ""},
            {3, "", "PORTA", 0, LineState::Normal, ""},
            {19, "", "Z", 0, LineState::Normal, ""},
            {16, "", "LED", 0, LineState::Selected, "selected"},
            {18, "", "STATUS,2", 0, LineState::Normal, ""},
            {11, "", "COUNT", 0, LineState::Inactive, "inactive"},
            {34, "", "10", 0, LineState::Normal, ""},
            {28, "", "DELAY", 0, LineState::Normal, ""},
            {27, "", "LOOP", 0, LineState::Normal, ""},
            {kBlankCode, "", "", 0, LineState::Normal, ""},
            {kBlankCode, "DELAYLOOPLONG", "", 0, LineState::Normal, "13-character label"},
            {31, "", "", 0, LineState::Normal, ""},
            {33, "", "", 0, LineState::Normal, ""},
            {24, "DELAYLOOPLONG", "H'3F'", 0, LineState::Selected, "long label, selected"},
            {8, "", "COUNTER_LOW", 1, LineState::Normal, "operand into the bank column"},
        };
        for (const Sample& s : samples) {
            ProgramLine l;
            l.code = s.code;
            l.setLabel(s.label);
            l.setOperand(s.operand);
            l.destination = s.destination;
            l.state = s.state;
            if (*s.comment)
                l.commentIndex = doc->comments.append(s.comment);
            doc->lines.insertAfterCursor(l);
        }
        TMDIChild shot(std::move(doc));
        shot.resize(520, 17 * 22);
        shot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shot));
        shot.SetCursorRow(3);
        for (int mode : {0, 50}) {
            shot.setShownDisplayMode(mode);
            const QPixmap picture = shot.grab();
            const QString name = mode == 0 ? "editor-symbolic.png" : "editor-mpasm.png";
            QVERIFY(picture.save(tarvik::test::screenshotPath(name)));
        }
        // Scrolled to the end, the cursor on the Selected line with the long label.
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(&shot, Qt::Key_Down);
        QTest::keyClick(&shot, Qt::Key_Up);
        for (int mode : {0, 50}) {
            shot.setShownDisplayMode(mode);
            const QString name = mode == 0 ? "editor-symbolic-end.png" : "editor-mpasm-end.png";
            QVERIFY(shot.grab().save(tarvik::test::screenshotPath(name)));
        }
    }
};

QTEST_MAIN(TMDIChildTest)
#include "TMDIChildTest.moc"
