#include "app/TimingDiagram.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

using namespace tarvik::sim;

namespace {

constexpr double kZoomStep = 1.25;   // per wheel notch
constexpr int kScrollParts = 8;      // a wheel notch scrolls an eighth of the width
constexpr int kMinTickSpacing = 100; // pixels between the ruler's labelled ticks

const QColor kBackground(252, 252, 250);
const QColor kStripe(242, 244, 246);
const QColor kSelected(255, 244, 200);
const QColor kPinTrace(0, 110, 40);
const QColor kWatchTrace(20, 70, 170);
const QColor kHighFill(0, 150, 60, 28);
const QColor kUnknown(170, 170, 170);
const QColor kCursorA(30, 90, 220);
const QColor kCursorB(210, 40, 40);

QString seconds(std::uint64_t cycle, std::uint32_t clockHz)
{
    return QString::fromStdString(formatSeconds(cyclesToSeconds(static_cast<double>(cycle), clockHz)));
}

QString span(std::uint64_t from, std::uint64_t to, std::uint32_t clockHz)
{
    return QString::fromStdString(formatSpan(from, to, clockHz));
}

// The smallest of 1, 2 or 5 times a power of ten that is at least the value.
double niceStep(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double multiple : {1.0, 2.0, 5.0})
        if (multiple * power >= value * (1 - 1e-9))
            return multiple * power;
    return 10 * power;
}

} // namespace

TimingDiagram::TimingDiagram(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(kLabelWidth + 120, kRulerHeight + 3 * kRowHeight);
}

void TimingDiagram::setTrace(const Trace* trace)
{
    trace_ = trace;
    restart();
}

void TimingDiagram::setRows(std::vector<Row> rows)
{
    rows_ = std::move(rows);
    if (selectedRow_ >= static_cast<int>(rows_.size()))
        selectedRow_ = -1;
    setFirstRow(firstRow_);
    changed();
}

void TimingDiagram::setNow(std::uint64_t cycle)
{
    now_ = cycle;
    if (view_ == View::Fit)
        fitAll();
    else if (view_ == View::Follow)
        keepNowInView();
    update();
}

void TimingDiagram::setClockHz(std::uint32_t hz)
{
    clockHz_ = std::max<std::uint32_t>(hz, 1);
    changed();
}

void TimingDiagram::restart()
{
    cursors_ = {};
    selectedRow_ = -1;
    dragging_.reset();
    view_ = View::Fit;
    fitAll();
    changed();
}

std::uint64_t TimingDiagram::oldestCycle() const
{
    return trace_ && !trace_->empty() ? trace_->sample(trace_->begin()).cycle : 0;
}

void TimingDiagram::setAxis(const TimeAxis& axis, View view)
{
    axis_ = axis;
    axis_.cyclesPerPixel = std::clamp(axis_.cyclesPerPixel, TimeAxis::kMinCyclesPerPixel, TimeAxis::kMaxCyclesPerPixel);
    axis_.firstCycle = std::max(0.0, axis_.firstCycle);
    view_ = view;
    update();
}

void TimingDiagram::fitAll()
{
    const std::uint64_t oldest = oldestCycle();
    const double cycles = static_cast<double>(std::max(now_, oldest) - oldest);
    axis_.firstCycle = static_cast<double>(oldest);
    axis_.cyclesPerPixel = std::clamp(cycles / std::max(waveWidth(), 1), TimeAxis::kMinCyclesPerPixel,
                                      TimeAxis::kMaxCyclesPerPixel);
    view_ = View::Fit;
    update();
}

void TimingDiagram::followLatest()
{
    view_ = View::Follow;
    axis_.firstCycle = std::max(0.0, static_cast<double>(now_) - waveWidth() * axis_.cyclesPerPixel);
    update();
}

void TimingDiagram::keepNowInView()
{
    if (axis_.xAt(static_cast<double>(now_)) > waveWidth())
        axis_.firstCycle = std::max(0.0, static_cast<double>(now_) - waveWidth() * axis_.cyclesPerPixel);
}

void TimingDiagram::userMovedView(const TimeAxis& axis)
{
    axis_ = axis;
    // Scrolling stops with the present at the left edge: beyond it there is nothing.
    axis_.firstCycle = std::min(axis_.firstCycle, static_cast<double>(now_));
    view_ = axis_.cycleAt(waveWidth()) >= static_cast<double>(now_) ? View::Follow : View::Free;
    update();
}

void TimingDiagram::setCursor(Cursor which, std::optional<std::uint64_t> cycle)
{
    cursors_[which] = cycle;
    changed();
}

void TimingDiagram::changed()
{
    update();
    emit readoutChanged(readout());
}

int TimingDiagram::shownRows() const
{
    return std::max(0, (height() - kRulerHeight) / kRowHeight);
}

void TimingDiagram::setFirstRow(int row)
{
    const int last = std::max(0, static_cast<int>(rows_.size()) - shownRows());
    firstRow_ = std::clamp(row, 0, last);
    update();
}

int TimingDiagram::rowAt(int y) const
{
    if (y < kRulerHeight)
        return -1;
    const int row = firstRow_ + (y - kRulerHeight) / kRowHeight;
    return row < static_cast<int>(rows_.size()) ? row : -1;
}

int TimingDiagram::rowMiddle(int row) const
{
    return kRulerHeight + (row - firstRow_) * kRowHeight + kRowHeight / 2;
}

QString TimingDiagram::readout() const
{
    const auto& a = cursors_[CursorA];
    const auto& b = cursors_[CursorB];
    if (!a && !b)
        return QStringLiteral("Click: cursor A; right click: cursor B. Wheel: scroll; Ctrl+wheel: zoom; "
                              "Shift+wheel: rows");
    QStringList parts;
    if (a)
        parts << QStringLiteral("A: cycle %1 = %2").arg(*a).arg(seconds(*a, clockHz_));
    if (b)
        parts << QStringLiteral("B: cycle %1 = %2").arg(*b).arg(seconds(*b, clockHz_));
    if (a && b)
        parts << QStringLiteral("A to B: ") + span(*a, *b, clockHz_);
    if (a && trace_ && selectedRow_ >= 0) {
        const Row& row = rows_[static_cast<std::size_t>(selectedRow_)];
        const auto level = *a >= row.knownFrom ? levelAt(*trace_, row.signal, *a) : std::nullopt;
        const auto pulse = pulseAt(*trace_, row.signal, *a);
        if (!level) {
            parts << row.name + QStringLiteral(" unknown");
        } else if (pulse && pulse->start > row.knownFrom) {
            QString text = QStringLiteral("%1 %2 ").arg(row.name, pulse->level ? QStringLiteral("high")
                                                                                : QStringLiteral("low"))
                + span(pulse->start, pulse->end, clockHz_);
            if (pulse->period)
                text += QStringLiteral(", period ") + span(0, *pulse->period, clockHz_);
            parts << text;
        } else {
            parts << QStringLiteral("%1 %2").arg(row.name).arg(*level ? 1 : 0);
        }
    }
    return parts.join(QStringLiteral("   "));
}

std::uint64_t TimingDiagram::cycleForClick(double x, int row) const
{
    if (trace_ && row >= 0) {
        const int signal = rows_[static_cast<std::size_t>(row)].signal;
        const std::uint64_t whole = cursorCycle(axis_, x);
        std::optional<std::uint64_t> best;
        double bestDistance = kSnapPixels + 0.5;
        for (const auto edge : {trace_->previousEdge(signal, whole + 1), trace_->nextEdge(signal, whole)}) {
            if (!edge)
                continue;
            const double distance = std::fabs(axis_.xAt(static_cast<double>(*edge)) - x);
            if (distance < bestDistance) {
                best = edge;
                bestDistance = distance;
            }
        }
        if (best)
            return *best;
    }
    return cursorCycle(axis_, x);
}

void TimingDiagram::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    paintRows(painter, event->rect());
    paintRuler(painter);
    paintCursors(painter);
}

void TimingDiagram::paintRuler(QPainter& painter) const
{
    const int left = waveLeft();
    painter.fillRect(QRect(0, 0, width(), kRulerHeight), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, kRulerHeight - 1, width(), kRulerHeight - 1);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(4, 0, kLabelWidth - 8, kRulerHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 MHz").arg(clockHz_ / 1e6, 0, 'g', 6));
    const double secondsPerCycle = cyclesToSeconds(1, clockHz_);
    const double step = niceStep(kMinTickSpacing * axis_.cyclesPerPixel * secondsPerCycle);
    const double firstSecond = axis_.firstCycle * secondsPerCycle;
    const double lastSecond = axis_.cycleAt(waveWidth()) * secondsPerCycle;
    painter.save();
    painter.setClipRect(QRect(left, 0, waveWidth(), kRulerHeight));
    for (double k = std::ceil(firstSecond / step); k * step <= lastSecond; ++k) {
        const double t = k * step;
        const int x = left + static_cast<int>(std::lround(axis_.xAt(t / secondsPerCycle)));
        painter.drawLine(x, kRulerHeight - 6, x, kRulerHeight - 1);
        painter.drawText(QRect(x + 3, 0, kMinTickSpacing, kRulerHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(formatSeconds(t)));
    }
    painter.restore();
}

void TimingDiagram::paintRows(QPainter& painter, const QRect& exposed)
{
    const int left = waveLeft();
    const int width = waveWidth();
    const int count = std::min(static_cast<int>(rows_.size()) - firstRow_, shownRows() + 1);
    for (int i = 0; i < count; ++i) {
        const int row = firstRow_ + i;
        const QRect band(0, kRulerHeight + i * kRowHeight, this->width(), kRowHeight);
        if (row == selectedRow_)
            painter.fillRect(band, kSelected);
        else if (row % 2)
            painter.fillRect(band, kStripe);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(left - 1, kRulerHeight, left - 1, height());

    const auto a = cursors_[CursorA];
    const std::optional<std::uint32_t> levelsAtA = a && trace_ ? trace_->levelsAt(*a) : std::nullopt;
    for (int i = 0; i < count; ++i) {
        const Row& row = rows_[static_cast<std::size_t>(firstRow_ + i)];
        const QRect label(4, kRulerHeight + i * kRowHeight, kLabelWidth - 10, kRowHeight);
        painter.setPen(row.signal < kPinSignals ? kPinTrace : kWatchTrace);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, row.name);
        if (a) {
            const bool known = levelsAtA && *a >= row.knownFrom;
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                             known ? QString::number((*levelsAtA >> row.signal) & 1) : QStringLiteral("?"));
        }
    }
    if (!trace_ || width <= 0 || count <= 0 || !exposed.intersects(QRect(left, 0, width, height())))
        return;

    columns_.resize(static_cast<std::size_t>(width));
    trace_->columns(axis_.firstCycle, axis_.cyclesPerPixel, columns_);
    // Columns from the present on are the future: nothing is drawn there.
    const double nowX = axis_.xAt(static_cast<double>(now_));
    const int shownColumns = static_cast<int>(std::clamp(std::ceil(nowX), 0.0, static_cast<double>(width)));

    std::vector<QLine> pinLines, watchLines, unknownLines;
    std::vector<QRect> highs, pinChanges, watchChanges;
    for (int i = 0; i < count; ++i) {
        const Row& row = rows_[static_cast<std::size_t>(firstRow_ + i)];
        const int top = kRulerHeight + i * kRowHeight;
        const int high = top + 4, low = top + kRowHeight - 5;
        const std::uint32_t bit = 1u << row.signal;
        const double knownX = axis_.xAt(static_cast<double>(row.knownFrom));
        const bool pin = row.signal < kPinSignals;
        // A run of columns in one state: unknown, low, high, or changing in every column
        // (drawn as one block, however many edges it holds).
        enum State { None, Unknown, Low, High, Changing };
        int runStart = 0;
        State runState = None;
        const auto endRun = [&](int end) {
            if (end <= runStart)
                return;
            const int x0 = left + runStart, x1 = left + end - 1;
            switch (runState) {
            case Unknown: unknownLines.emplace_back(x0, (high + low) / 2, x1, (high + low) / 2); break;
            case Low: (pin ? pinLines : watchLines).emplace_back(x0, low, x1, low); break;
            case High:
                (pin ? pinLines : watchLines).emplace_back(x0, high, x1, high);
                highs.emplace_back(QPoint(x0, high), QPoint(x1, low));
                break;
            case Changing: (pin ? pinChanges : watchChanges).emplace_back(QPoint(x0, high), QPoint(x1, low)); break;
            case None: break;
            }
        };
        for (int c = 0; c < shownColumns; ++c) {
            const TraceColumn& column = columns_[static_cast<std::size_t>(c)];
            State state;
            if (!column.known || c + 1 <= knownX)
                state = Unknown;
            else if (column.changed & bit)
                state = Changing;
            else
                state = (column.after & bit) ? High : Low;
            if (state != runState) {
                endRun(c);
                runStart = c;
                runState = state;
            }
        }
        endRun(shownColumns);
    }
    painter.save();
    painter.setClipRect(QRect(left, kRulerHeight, width, height() - kRulerHeight));
    for (const QRect& r : highs)
        painter.fillRect(r, kHighFill);
    for (const QRect& r : pinChanges)
        painter.fillRect(r, kPinTrace);
    for (const QRect& r : watchChanges)
        painter.fillRect(r, kWatchTrace);
    painter.setPen(QPen(kPinTrace, 1));
    painter.drawLines(pinLines.data(), static_cast<int>(pinLines.size()));
    painter.setPen(QPen(kWatchTrace, 1));
    painter.drawLines(watchLines.data(), static_cast<int>(watchLines.size()));
    painter.setPen(QPen(kUnknown, 1, Qt::DotLine));
    painter.drawLines(unknownLines.data(), static_cast<int>(unknownLines.size()));
    if (shownColumns > 0 && shownColumns < width) {
        painter.setPen(QPen(kUnknown, 1, Qt::DashLine));
        painter.drawLine(left + shownColumns, kRulerHeight, left + shownColumns, height());
    }
    painter.restore();
}

void TimingDiagram::paintCursors(QPainter& painter) const
{
    const int left = waveLeft();
    painter.save();
    painter.setClipRect(QRect(left, 0, waveWidth(), height()));
    const std::array<std::pair<Cursor, QColor>, 2> cursors = {{{CursorA, kCursorA}, {CursorB, kCursorB}}};
    for (const auto& [which, colour] : cursors) {
        const auto& cycle = cursors_[which];
        if (!cycle)
            continue;
        const double x = axis_.xAt(static_cast<double>(*cycle));
        if (x < -1 || x > waveWidth() + 1)
            continue;
        const int at = left + static_cast<int>(std::lround(x));
        painter.setPen(QPen(colour, 1, Qt::DashLine));
        painter.drawLine(at, kRulerHeight, at, height());
        const QRect flag(at - 6, 2, 13, kRulerHeight - 5);
        painter.fillRect(flag, colour);
        painter.setPen(Qt::white);
        painter.drawText(flag, Qt::AlignCenter, which == CursorA ? QStringLiteral("A") : QStringLiteral("B"));
    }
    painter.restore();
}

void TimingDiagram::wheelEvent(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    const double notches = (angle.y() != 0 ? angle.y() : angle.x()) / 120.0;
    if (notches == 0)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        const double x = std::clamp(event->position().x() - waveLeft(), 0.0, static_cast<double>(waveWidth()));
        userMovedView(axis_.zoomedAt(x, std::pow(kZoomStep, notches)));
    } else if (event->modifiers() & Qt::ShiftModifier) {
        setFirstRow(firstRow_ - static_cast<int>(std::lround(notches)));
    } else {
        userMovedView(axis_.scrolledBy(-notches * waveWidth() / kScrollParts));
    }
    event->accept();
}

void TimingDiagram::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int row = rowAt(at.y());
    if (at.x() < waveLeft()) {
        if (event->button() == Qt::RightButton)
            emit rowMenuRequested(row, event->globalPosition().toPoint());
        else if (event->button() == Qt::LeftButton && row >= 0) {
            selectedRow_ = row;
            changed();
        }
        return;
    }
    const bool second = event->button() == Qt::RightButton
        || (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    if (!second && event->button() != Qt::LeftButton)
        return;
    const Cursor which = second ? CursorB : CursorA;
    if (which == CursorA && row >= 0)
        selectedRow_ = row;
    dragging_ = which;
    cursors_[which] = cycleForClick(at.x() - waveLeft(), row);
    changed();
}

void TimingDiagram::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPoint at = event->position().toPoint();
    cursors_[*dragging_] = cycleForClick(std::max(0, at.x() - waveLeft()), rowAt(at.y()));
    changed();
}

void TimingDiagram::mouseReleaseEvent(QMouseEvent*)
{
    dragging_.reset();
}

void TimingDiagram::keyPressEvent(QKeyEvent* event)
{
    const double middle = waveWidth() / 2.0;
    switch (event->key()) {
    case Qt::Key_Left: userMovedView(axis_.scrolledBy(-waveWidth() / kScrollParts)); break;
    case Qt::Key_Right: userMovedView(axis_.scrolledBy(waveWidth() / kScrollParts)); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: userMovedView(axis_.zoomedAt(middle, 2)); break;
    case Qt::Key_Minus: userMovedView(axis_.zoomedAt(middle, 0.5)); break;
    case Qt::Key_Home: userMovedView({static_cast<double>(oldestCycle()), axis_.cyclesPerPixel}); break;
    case Qt::Key_End: followLatest(); break;
    case Qt::Key_Escape:
        cursors_ = {};
        changed();
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void TimingDiagram::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    setFirstRow(firstRow_);
    if (view_ == View::Fit)
        fitAll();
    else if (view_ == View::Follow)
        keepNowInView();
}
