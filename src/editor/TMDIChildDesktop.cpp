// The editor's paging keys and the mouse wheel, which move the view state as a whole and
// keep it tied to the list cursor; and the view drawn larger on screens of a higher DPI.

#include "editor/TMDIChild.h"

#include "editor/ViewPaging.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTransform>
#include <QWheelEvent>

#include <cmath>

using namespace tarvik;

bool TMDIChild::pagingKey(const QKeyEvent* event)
{
    const ViewSpot spot{topIndex_, topIndex_ + cursorRow_};
    const int n = lineCount();
    switch (event->key()) {
    case Qt::Key_PageUp:
        moveToSpot(paged(spot, n, visibleRows(), -1));
        return true;
    case Qt::Key_PageDown:
        moveToSpot(paged(spot, n, visibleRows(), 1));
        return true;
    case Qt::Key_Home:
        moveToSpot(atFirstLine());
        return true;
    case Qt::Key_End:
        moveToSpot(atLastLine(n, visibleRows()));
        return true;
    default:
        return false;
    }
}

void TMDIChild::moveToSpot(const ViewSpot& spot)
{
    LineList& lines = document_->lines;
    ProgramLine* top = lines.stepForward(lines.first(), spot.topIndex);
    ProgramLine* cursor = lines.stepForward(lines.first(), spot.cursorPosition);
    if (!lines.isLine(top) || !lines.isLine(cursor))
        return;
    topLine_ = top;
    topIndex_ = spot.topIndex;
    lines.setCursor(cursor);
    cursorRow_ = spot.cursorPosition - spot.topIndex;
    update();
}

void TMDIChild::wheelEvent(QWheelEvent* event)
{
    // A notch is 120; touchpads send less at a time, so the rest is kept for the next event.
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ %= 120;
    event->accept();
    if (notches == 0)
        return;
    const int lines = -notches * std::max(1, QApplication::wheelScrollLines());
    const ViewSpot spot =
        wheelScrolled({topIndex_, topIndex_ + cursorRow_}, lineCount(), visibleRows(), lines);
    moveTopLine(spot.topIndex - topIndex_);
    UpdateScrollBar();
}

int TMDIChild::toScreen(int length) const
{
    return qRound(length * scale_);
}

QRect TMDIChild::toScreen(const QRect& rect) const
{
    if (scale_ == 1.0)
        return rect;
    // One pixel more all round, for the rounding.
    return QTransform::fromScale(scale_, scale_).mapRect(rect).adjusted(-1, -1, 1, 1);
}

QPoint TMDIChild::toDesign(const QPointF& point) const
{
    // Truncated as the row of a point is: the pixel rows just under the header stay
    // outside the first row at every scale.
    const QPointF design = point / scale_;
    return {static_cast<int>(std::floor(design.x())), static_cast<int>(std::floor(design.y()))};
}

int TMDIChild::toDesign(int length) const
{
    return static_cast<int>(length / scale_);
}

void TMDIChild::startHistory()
{
    // The state before the first command is the oldest one Undo reaches.
    if (!historyStarted_) {
        history_.reset(*document_);
        historyStarted_ = true;
    }
}

TMDIChild::UndoScope::UndoScope(TMDIChild& view, std::string name, bool merge)
    : view_(view), name_(std::move(name)), merge_(merge)
{
    if (view_.undoDepth_++ > 0)
        return;
    view_.startHistory();
    view_.history_.begin(*view_.document_, {view_.topIndex_, view_.topIndex_ + view_.cursorRow_});
}

TMDIChild::UndoScope::~UndoScope()
{
    if (--view_.undoDepth_ > 0)
        return;
    const bool changed = view_.history_.commit(*view_.document_, std::move(name_),
                                               {view_.topIndex_, view_.topIndex_ + view_.cursorRow_}, merge_);
    emit view_.undoStateChanged();
    if (changed)
        emit view_.documentChanged();
}

void TMDIChild::Undo()
{
    startHistory();
    showRestored(history_.undo(*document_));
}

void TMDIChild::Redo()
{
    startHistory();
    showRestored(history_.redo(*document_));
}

void TMDIChild::showRestored(const std::optional<ViewSpot>& spot)
{
    if (!spot)
        return;
    // The line records are new: the view finds its top line and cursor again by position.
    const int n = lineCount();
    const int cursor = std::clamp(spot->cursorPosition, 0, std::max(0, n - 1));
    const int top = std::clamp(spot->topIndex, 0, cursor);
    moveToSpot({top, cursor});
    ShowLinePosition(cursorRow_ + topIndex_);
    UpdateScrollBar();
    reportSelection();
    emit documentModified();
    emit undoStateChanged();
    emit documentChanged();
}

void TMDIChild::markSaved()
{
    startHistory();
    history_.markSaved(*document_);
}
