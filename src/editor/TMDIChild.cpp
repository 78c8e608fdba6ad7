#include "editor/TMDIChild.h"

#include "editor/LineCommands.h"
#include "editor/ViewGeometry.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStandardItemModel>

#include <algorithm>
#include <array>

using namespace tarvik;

namespace {

// Stand-ins for the frame width, the menu-bar height and the scroll bar width of the
// platform the layout rules were made for; together they make the row rectangles end
// exactly at the scroll bar.
constexpr int kFrameWidth = 4;
constexpr int kMenuHeight = 19;
constexpr int kScrollBarWidth = 17;

struct SectionLimits {
    const char* text;
    int width, minimum, maximum;
};
constexpr std::array<SectionLimits, 5> kSections = {{
    {"Label", 90, 50, 150},
    {"Instruction", 140, 100, 200},
    {"Cyc", 34, 30, 50},
    {"Bank", 45, 45, 50},
    {"Comment", 600, 200, 800},
}};
// The header's own limit lets the narrowest section reach its minimum; the resize handler
// holds each section to its own.
constexpr int kNarrowestSection =
    std::min_element(kSections.begin(), kSections.end(),
                     [](const SectionLimits& a, const SectionLimits& b) { return a.minimum < b.minimum; })
        ->minimum;

QColor colourOf(Rgb rgb)
{
    return QColor(rgb.r, rgb.g, rgb.b);
}

// Program texts are bytes; every byte value shows as some character.
QString toQString(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QRect toQRect(const RowRectangle& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

class FontMeasure : public TextMeasure {
public:
    FontMeasure(const QFont& font, QPaintDevice* device) : metrics_(font, device) {}
    int width(std::string_view text) const override { return metrics_.horizontalAdvance(toQString(text)); }
    int ascent() const { return metrics_.ascent(); }

private:
    QFontMetrics metrics_;
};

} // namespace

TMDIChild::TMDIChild(std::unique_ptr<ProgramDocument> document, QWidget* parent)
    : QWidget(parent), document_(std::move(document))
{
    scale_ = std::max(1.0, logicalDpiY() / 96.0);
    QFont windowFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    windowFont.setPixelSize(toScreen(13));
    setFont(windowFont);
    drawFont_ = windowFont;
    // Painting is scaled as a whole, the font with it.
    drawFont_.setPointSizeF(10 / scale_);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    buildHeader();
    buildScrollBar();
    buildPopupMenu();

    document_->resetCursorToTop();
    topLine_ = document_->lines.first();
    UpdateScrollBar();
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::buildHeader()
{
    auto* model = new QStandardItemModel(0, static_cast<int>(kSections.size()), this);
    QStringList titles;
    for (const SectionLimits& section : kSections)
        titles << QString::fromLatin1(section.text);
    model->setHorizontalHeaderLabels(titles);

    header_ = new QHeaderView(Qt::Horizontal, this);
    header_->setObjectName("HeaderControl1");
    header_->setModel(model);
    QFont bold = font();
    bold.setBold(true);
    header_->setFont(bold);
    header_->setSectionsClickable(false);
    header_->setSectionsMovable(false);
    header_->setStretchLastSection(false);
    header_->setHighlightSections(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setFocusPolicy(Qt::NoFocus);
    header_->setMinimumSectionSize(toScreen(kNarrowestSection));
    header_->setMaximumSectionSize(toScreen(kSections.back().maximum));
    for (int i = 0; i < static_cast<int>(kSections.size()); ++i) {
        header_->setSectionResizeMode(i, QHeaderView::Interactive);
        header_->resizeSection(i, toScreen(kSections[static_cast<std::size_t>(i)].width));
    }
    header_->setGeometry(0, 0, toScreen(600), toScreen(kHeaderHeight));
    connect(header_, &QHeaderView::sectionResized, this, &TMDIChild::HeaderControl1SectionResize);
    takeColumnsFromHeader();
}

void TMDIChild::buildScrollBar()
{
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setObjectName("ScrollBar1");
    scrollBar_->setRange(0, kScrollRange);
    scrollBar_->setSingleStep(45);
    scrollBar_->setPageStep(45);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    // The view moves when the thumb is let go, not while it is dragged.
    scrollBar_->setTracking(false);
    // Its own menu offers Top and Bottom, which the view does not follow.
    scrollBar_->setContextMenuPolicy(Qt::NoContextMenu);
    connect(scrollBar_, &QScrollBar::actionTriggered, this, &TMDIChild::ScrollBar1Scroll);
}

void TMDIChild::buildPopupMenu()
{
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName("PopupMenu1");
    // The shortcut texts are only shown: the view handles Delete itself, and the main
    // window's Edit menu binds the others.
    const auto shown = [](const char* caption, LineCommand command) {
        return QString::fromLatin1(caption) + QLatin1Char('\t') + keysOf(command).toString(QKeySequence::NativeText);
    };
    QAction* delete1 = popupMenu_->addAction(QStringLiteral("&Delete\tDel"));
    delete1->setObjectName("Delete1");
    connect(delete1, &QAction::triggered, this, &TMDIChild::DeleteCursorLine);

    QAction* edit1 = popupMenu_->addAction(shown("&Edit...", LineCommand::Edit));
    edit1->setObjectName("Edit1");
    connect(edit1, &QAction::triggered, this, &TMDIChild::editLineRequested);

    activeInactive1_ = popupMenu_->addAction(shown("Active/&Inactive", LineCommand::ActiveInactive));
    activeInactive1_->setObjectName("ActiveInactive1");
    activeInactive1_->setCheckable(true);
    // A checkable action flips its own mark when chosen; the marks here follow the line
    // instead, so that flip is undone before the command runs.
    connect(activeInactive1_, &QAction::triggered, this, [this](bool checked) {
        activeInactive1_->setChecked(!checked);
        ActiveInactive1Click();
    });

    selectDeselect1_ = popupMenu_->addAction(shown("&Select/Deselect", LineCommand::SelectDeselect));
    selectDeselect1_->setObjectName("SelectDeselect1");
    selectDeselect1_->setCheckable(true);
    connect(selectDeselect1_, &QAction::triggered, this, [this](bool checked) {
        selectDeselect1_->setChecked(!checked);
        SelectDeselect1Click();
    });

    popupMenu_->addSeparator()->setObjectName("N1");

    QAction* org1 = popupMenu_->addAction(shown("&ORG...", LineCommand::Org));
    org1->setObjectName("ORG1");
    connect(org1, &QAction::triggered, this, &TMDIChild::orgLineRequested);

    // Enter inserts a blank line at once; the item opens the dialog, so it shows the key
    // that does that.
    QAction* insertBlank1 = popupMenu_->addAction(shown("Insert &Blank...", LineCommand::InsertBlank));
    insertBlank1->setObjectName("InsertBlank1");
    connect(insertBlank1, &QAction::triggered, this, &TMDIChild::blankLineDialogRequested);
}

QKeySequence TMDIChild::keysOf(LineCommand command)
{
    switch (command) {
    case LineCommand::Edit: return QKeySequence(Qt::CTRL | Qt::Key_E);
    case LineCommand::ActiveInactive: return QKeySequence(Qt::CTRL | Qt::Key_I);
    case LineCommand::SelectDeselect: return QKeySequence(Qt::Key_Space);
    case LineCommand::Org: return QKeySequence(Qt::CTRL | Qt::Key_R);
    case LineCommand::InsertBlank: return QKeySequence(Qt::SHIFT | Qt::Key_Return);
    case LineCommand::DeselectAll: return QKeySequence(Qt::Key_Escape);
    case LineCommand::PickInstruction: return QKeySequence(Qt::Key_Insert);
    }
    return {};
}

ProgramDocument& TMDIChild::document() { return *document_; }
int TMDIChild::cursorRow() const { return cursorRow_; }
int TMDIChild::topIndex() const { return topIndex_; }
const ProgramLine* TMDIChild::topLine() const { return topLine_; }
int TMDIChild::visibleRows() const { return visibleRowsFor(toDesign(height())); }
int TMDIChild::instructionX() const { return columns_.instructionX; }
int TMDIChild::bankX() const { return columns_.bankX; }
int TMDIChild::commentX() const { return columns_.commentX; }
int TMDIChild::cyclesRight() const { return columns_.cyclesRight; }
int TMDIChild::shownDisplayMode() const { return shownDisplayMode_; }
QMenu* TMDIChild::popupMenu() const { return popupMenu_; }
int TMDIChild::outerWidth() const { return toDesign(width()) + 2 * kFrameWidth; }
int TMDIChild::outerHeight() const { return toDesign(height()) + 2 * kFrameWidth + kMenuHeight; }
int TMDIChild::lineCount() const { return document_->lines.count(); }
void TMDIChild::setCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

void TMDIChild::repaintRows(int row, int count)
{
    update(toScreen(toQRect(rowRect(row, count, outerWidth()))));
}

void TMDIChild::SetCursorRow(int row)
{
    // Keeps the list cursor and the row in step even for a row that holds no line.
    row = std::clamp(row, -topIndex_, std::max(-topIndex_, lineCount() - topIndex_ - 1));
    repaintRows(cursorRow_);
    document_->lines.moveCursor(cursorRow_, row);
    cursorRow_ = row;
    repaintRows(cursorRow_);
    ShowLinePosition(row + topIndex_);
}

void TMDIChild::MoveCursorToLine(int lineNumber)
{
    SetCursorRow(lineNumber - topIndex_);
}

void TMDIChild::ShowLine(int lineNumber)
{
    const int n = lineCount();
    const int line = std::clamp(lineNumber, 0, std::max(0, n - 1));
    const int rows = std::max(1, visibleRows());
    int top = topIndex_;
    if (line < top || line >= top + rows)
        top = std::clamp(line - rows / 3, 0, std::max(0, n - rows));
    moveToSpot({top, line});
    ShowLinePosition(line);
    UpdateScrollBar();
}

void TMDIChild::ShowInsertedLines(int first, int last)
{
    const int n = lineCount();
    const int cursor = std::clamp(last, 0, std::max(0, n - 1));
    moveToSpot({topIndexShowing(topIndex_, std::clamp(first, 0, cursor), cursor, visibleRows()), cursor});
    ShowLinePosition(cursor);
    UpdateScrollBar();
}

void TMDIChild::ShowLinePosition(int position)
{
    const ProgramLine* line = document_->lines.cursor();
    const bool real = document_->lines.isLine(line);
    const std::string_view comment = real && line->commentIndex != -1
        ? document_->comments.textAt(line->commentIndex)
        : std::string_view{};
    emit statusPanelChanged(0, toQString(comment));
    emit statusPanelChanged(1, QString::asprintf("%4d", position));
    emit statusPanelChanged(2, real ? toQString(line->affectedText()) : QString());
}

void TMDIChild::UpdateScrollBar()
{
    const ScrollBarFigures figures = scrollBarFigures(lineCount(), visibleRows(), topIndex_);
    if (!figures.enabled) {
        scrollBar_->setEnabled(false);
        return;
    }
    scrollBar_->setEnabled(true);
    scrollBar_->setSingleStep(figures.step);
    scrollBar_->setPageStep(figures.step);
    scrollBar_->setRange(0, figures.maximum);
    scrollBar_->setValue(std::clamp(figures.position, 0, figures.maximum));
}

void TMDIChild::ResetCursorToTop()
{
    cursorRow_ = 0;
    topIndex_ = 0;
    document_->resetCursorToTop();
    topLine_ = document_->lines.first();
    UpdateScrollBar();
    update();
}

tarvik::ViewPlace TMDIChild::place() const
{
    return {cursorRow_, topLine_, topIndex_};
}

void TMDIChild::takePlace(const tarvik::ViewPlace& place)
{
    cursorRow_ = place.cursorRow;
    topLine_ = place.topLine;
    topIndex_ = place.topIndex;
}

void TMDIChild::showLineEdit(const tarvik::LineEdit& edit)
{
    if (edit.oldCursorRow.count > 0)
        repaintRows(edit.oldCursorRow.row, edit.oldCursorRow.count);
    repaintRows(edit.repaint.row, edit.repaint.count);
    ShowLinePosition(cursorRow_ + topIndex_);
}

void TMDIChild::InsertLineAfterCursor(const ProgramLine& line)
{
    ViewPlace view = place();
    const LineEdit edit = insertAfterCursorLine(*document_, view, line);
    if (!edit.done)
        return;
    takePlace(view);
    showLineEdit(edit);
    UpdateScrollBar();
}

void TMDIChild::InsertBlankLine()
{
    const UndoScope step(*this, "Insert Blank");
    ViewPlace view = place();
    const LineEdit edit = insertBlankLine(*document_, view);
    if (!edit.done)
        return;
    takePlace(view);
    showLineEdit(edit);
    UpdateScrollBar();
    emit documentModified();
}

void TMDIChild::DeleteCursorLine()
{
    const UndoScope step(*this, "Delete Line");
    ViewPlace view = place();
    const LineEdit edit = deleteCursorLine(*document_, view);
    if (!edit.done)
        return;
    takePlace(view);
    showLineEdit(edit);
    reportSelection();
    emit documentModified();
    UpdateScrollBar();
}

void TMDIChild::ActiveInactive1Click()
{
    const UndoScope step(*this, "Active/Inactive");
    if (!toggleInactive(*document_))
        return;
    repaintRows(cursorRow_);
    if (document_->modified)
        emit documentModified();
}

void TMDIChild::SelectDeselect1Click()
{
    const UndoScope step(*this, "Select/Deselect");
    if (ProgramLine* line = document_->lines.cursor())
        toggleSelectionOf(*line, cursorRow_);
}

bool TMDIChild::toggleSelectionOf(ProgramLine& line, int row)
{
    const SelectToggle result = toggleSelected(*document_, line);
    if (result == SelectToggle::Refused)
        return false;
    selectDeselect1_->setChecked(result == SelectToggle::Selected);
    repaintRows(row);
    reportSelection();
    return true;
}

int TMDIChild::SelectAllLines()
{
    const int selected = selectAll(*document_);
    update();
    return selected;
}

void TMDIChild::ClearSelection()
{
    selectionRun_.stop();
    const UndoScope step(*this, "Deselect All");
    if (deselectAll(*document_) == 0)
        return;
    update();
    reportSelection();
}

void TMDIChild::extendSelectionFrom(int position)
{
    const bool continuing = selectionRun_.continuesAt(position, lineCount());
    if (!continuing)
        selectionRun_.start(position);
    const UndoScope step(*this, "Select", continuing);
    if (!selectionRun_.extendTo(*document_, topIndex_ + cursorRow_))
        return;
    update();
    reportSelection();
}

void TMDIChild::PopUpLineMenu()
{
    if (popupMenu_->isVisible())
        return;
    // Under the cursor line, or under the header while the cursor line is out of sight.
    const int row = cursorRow_ >= 0 && cursorRow_ < std::max(1, visibleRows()) ? cursorRow_ : -1;
    popUpLineMenuAt(mapToGlobal(QPoint(toScreen(columns_.instructionX), toScreen(rowTop(row + 1)))));
}

void TMDIChild::popUpLineMenuAt(const QPoint& global)
{
    const ProgramLine* line = document_->lines.cursor();
    if (line->state == LineState::Normal)
        activeInactive1_->setChecked(true);
    else if (line->state == LineState::Inactive)
        activeInactive1_->setChecked(false);
    popupMenu_->popup(global);
}

void TMDIChild::setShownDisplayMode(int mode)
{
    if (mode == shownDisplayMode_)
        return;
    shownDisplayMode_ = mode;
    update();
}

void TMDIChild::reportSelection()
{
    emit selectionChanged(document_->lines.countSelected());
}

void TMDIChild::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.scale(scale_, scale_);
    painter.setFont(drawFont_);
    const FontMeasure measure(drawFont_, this);
    const QRect exposed = painter.transform().inverted().mapRect(event->rect());
    const QColor white = colourOf(kWhite);
    const QColor cursorBackground = colourOf(kCursorBackground);
    const QRect cursorRect = toQRect(rowRect(cursorRow_, outerWidth()));

    // Runs are opaque: where a long label or operand runs on into the next column, the
    // run drawn after it there stays legible instead of being overprinted.
    painter.setBackgroundMode(Qt::OpaqueMode);
    int row = 0;
    for (const ProgramLine* line = topLine_; document_->lines.isLine(line); line = line->next, ++row) {
        const int top = rowTop(row);
        // Rows outside the exposed area would be clipped anyway.
        if (top >= exposed.bottom() + 1 || top + kRowHeight <= exposed.top())
            continue;
        const bool onCursorRow = row == cursorRow_;
        if (onCursorRow)
            painter.fillRect(cursorRect, cursorBackground);
        painter.setBackground(onCursorRow ? cursorBackground : white);
        renderLine(*line, shownDisplayMode_, *document_, columns_, onCursorRow, measure, rendered_);
        if (rendered_.fillWidth > 0)
            painter.fillRect(0, top, rendered_.fillWidth, kRowHeight,
                             rendered_.fillWithCursorBackground ? cursorBackground : white);
        const int baseline = top + measure.ascent();
        for (const TextRun& run : rendered_.runs) {
            painter.setPen(colourOf(rgbOf(run.colour)));
            painter.drawText(run.x, baseline, toQString(run.text));
        }
        if (rowOverlay_) {
            painter.save();
            rowOverlay_(painter, topIndex_ + row, QRect(0, top, outerWidth(), kRowHeight));
            painter.restore();
        }
    }
}

void TMDIChild::setRowOverlay(RowOverlay overlay)
{
    rowOverlay_ = std::move(overlay);
    update();
}

namespace {

bool startsAnInstructionName(const QKeyEvent* event)
{
    const QString text = event->text();
    return text.size() == 1 && text[0].isLetter()
           && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

} // namespace

void TMDIChild::keyPressEvent(QKeyEvent* event)
{
    const int from = topIndex_ + cursorRow_;
    // Shift pressed again, or Ctrl, leaves a selection run going on.
    const bool modifierOnly = event->key() == Qt::Key_Shift || event->key() == Qt::Key_Control
        || event->key() == Qt::Key_Alt || event->key() == Qt::Key_Meta || event->key() == Qt::Key_AltGr;
    bool moved = false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        InsertBlankLine();
        break;
    case Qt::Key_Up:
        keyUp();
        moved = true;
        break;
    case Qt::Key_Down:
        keyDown();
        moved = true;
        break;
    case Qt::Key_Delete:
        DeleteCursorLine();
        break;
    case Qt::Key_Escape:
        ClearSelection();
        break;
    case Qt::Key_Menu:
        PopUpLineMenu();
        break;
    case Qt::Key_F10:
        if (event->modifiers() & Qt::ShiftModifier)
            PopUpLineMenu();
        break;
    default:
        moved = pagingKey(event);
        if (!moved && startsAnInstructionName(event)) {
            emit instructionTyped(event->text());
            return;
        }
        break;
    }
    if (moved && (event->modifiers() & Qt::ShiftModifier))
        extendSelectionFrom(from);
    else if (!modifierOnly)
        selectionRun_.stop();
    ShowLinePosition(cursorRow_ + topIndex_);
    UpdateScrollBar();
    event->accept();
}

void TMDIChild::contextMenuEvent(QContextMenuEvent* event)
{
    // The right button has opened the menu already, on its press, when it was due.
    if (event->reason() == QContextMenuEvent::Keyboard)
        PopUpLineMenu();
    event->accept();
}

bool TMDIChild::focusNextPrevChild(bool)
{
    // Tab is a key of the view like any other, not a way out of it.
    return false;
}

void TMDIChild::keyUp()
{
    LineList& lines = document_->lines;
    ProgramLine* cursor = lines.cursor();
    if (!lines.isLine(cursor))
        return;
    if (!lines.isLine(cursor->prev)) {
        // The header line scrolled out above the view comes back into it.
        if (cursorRow_ < 0)
            moveTopLine(-topIndex_);
        return;
    }
    if (cursorRow_ > 0) {
        lines.setCursor(cursor->prev);
        repaintRows(cursorRow_);
        --cursorRow_;
        repaintRows(cursorRow_);
    } else if (topIndex_ != 0) {
        lines.setCursor(cursor->prev);
        topLine_ = topLine_->prev;
        --topIndex_;
        update();
    }
}

void TMDIChild::keyDown()
{
    LineList& lines = document_->lines;
    ProgramLine* cursor = lines.cursor();
    if (!lines.isLine(cursor) || cursorRow_ >= lineCount() - topIndex_ - 1)
        return;
    lines.setCursor(cursor->next);
    if (cursorRow_ >= 0)
        repaintRows(cursorRow_);
    ++cursorRow_;
    repaintRows(cursorRow_);
    // Without one whole row under the header, scrolling could take the top line past the end.
    if (cursorRow_ >= visibleRows() && lines.isLine(topLine_->next)) {
        --cursorRow_;
        topLine_ = topLine_->next;
        ++topIndex_;
        update();
    }
}

void TMDIChild::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = toDesign(event->position());
    const int span = drawnSpan(lineCount(), topIndex_);
    const int row = rowAt(pos.y());
    if (event->button() == Qt::LeftButton) {
        if (!hitsDrawnRow(pos.x(), pos.y(), outerWidth(), span))
            return;
        const int from = topIndex_ + cursorRow_;
        SetCursorRow(row);
        if (event->modifiers() & Qt::ShiftModifier)
            extendSelectionFrom(from);
        else
            selectionRun_.stop();
    } else if (event->button() == Qt::RightButton) {
        if (row != cursorRow_ || span == 0)
            return;
        popUpLineMenuAt(event->globalPosition().toPoint());
    }
}

void TMDIChild::mouseDoubleClickEvent(QMouseEvent* event)
{
    const UndoScope step(*this, "Select/Deselect");
    // Replaces the second press: the first click has already moved the cursor.
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = toDesign(event->position());
    if (!hitsDrawnRow(pos.x(), pos.y(), outerWidth(), drawnSpan(lineCount(), topIndex_)))
        return;
    const int row = rowAt(pos.y());
    LineList& lines = document_->lines;
    ProgramLine* line = lines.stepForward(topLine_, row);
    if (!lines.isLine(line) || line == lines.first())
        return;
    // An Inactive line keeps its state, but Cut and Copy are brought up to date all the same.
    if (!toggleSelectionOf(*line, row))
        reportSelection();
}

void TMDIChild::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const ChildLayout layout =
        childLayout(outerWidth(), outerHeight(), kFrameWidth, kMenuHeight, kScrollBarWidth);
    scrollBar_->setGeometry(toScreen(layout.scrollBarLeft), 0, toScreen(kScrollBarWidth),
                            toScreen(std::max(0, layout.scrollBarHeight)));
    header_->setGeometry(0, 0, toScreen(std::max(0, layout.headerWidth)), toScreen(kHeaderHeight));
    UpdateScrollBar();
}

void TMDIChild::closeEvent(QCloseEvent* event)
{
    if (!closeQuery_ || closeQuery_()) {
        event->accept();
        return;
    }
    event->ignore();
    // The question took the pointer away from the frame's close box, which so forgets it is
    // under the pointer and would ignore the next click on it. A move where the pointer
    // stands tells it again.
    if (QWidget* frame = parentWidget()) {
        const QPoint global = QCursor::pos();
        QCoreApplication::postEvent(frame, new QMouseEvent(QEvent::MouseMove, QPointF(frame->mapFromGlobal(global)),
                                                           QPointF(global), Qt::NoButton, Qt::NoButton,
                                                           Qt::NoModifier));
    }
}

void TMDIChild::ScrollBar1Scroll(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        lineUp();
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        lineDown();
        break;
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderPageStepAdd:
        scrollToPosition(scrollBar_->sliderPosition());
        break;
    case QAbstractSlider::SliderMove:
        // With tracking off this arrives once, when the thumb is let go.
        if (!scrollBar_->isSliderDown())
            scrollToPosition(scrollBar_->sliderPosition());
        break;
    default:
        break;
    }
}

void TMDIChild::lineUp()
{
    if (topIndex_ > 0)
        moveTopLine(-1);
}

void TMDIChild::lineDown()
{
    if (topIndex_ < lineCount() - visibleRows())
        moveTopLine(1);
}

void TMDIChild::scrollToPosition(int position)
{
    const ScrollTarget target = scrollTargetFor(position, scrollBar_->singleStep());
    // A window too small for a single row could ask for a top past the last line.
    const int top = std::clamp(target.topIndex, 0, std::max(0, lineCount() - 1));
    scrollBar_->setSliderPosition(target.position);
    moveTopLine(top - topIndex_);
}

void TMDIChild::moveTopLine(int lines)
{
    int moved = 0;
    for (; moved < lines && document_->lines.isLine(topLine_->next); ++moved)
        topLine_ = topLine_->next;
    for (; moved > lines && document_->lines.isLine(topLine_->prev); --moved)
        topLine_ = topLine_->prev;
    if (moved == 0)
        return;
    topIndex_ += moved;
    cursorRow_ -= moved;
    update();
}

void TMDIChild::HeaderControl1SectionResize(int section, int, int newWidth)
{
    if (section >= 0 && section < static_cast<int>(kSections.size())) {
        const SectionLimits& limits = kSections[static_cast<std::size_t>(section)];
        const int allowed = std::clamp(newWidth, toScreen(limits.minimum), toScreen(limits.maximum));
        if (allowed != newWidth) {
            // Comes back here with the allowed width.
            header_->resizeSection(section, allowed);
            return;
        }
    }
    takeColumnsFromHeader();
    update();
}

void TMDIChild::takeColumnsFromHeader()
{
    const SectionColumns columns =
        columnsFromSections(toDesign(header_->sectionSize(0)), toDesign(header_->sectionSize(1)),
                            toDesign(header_->sectionSize(2)), toDesign(header_->sectionSize(3)));
    columns_.instructionX = columns.instructionX;
    columns_.cyclesRight = columns.cyclesRight;
    columns_.bankX = columns.bankX;
    columns_.commentX = columns.commentX;
}
