#pragma once

#include "simulator/Trace.h"
#include "simulator/TraceReadout.h"

#include <QString>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// A logic analyser's view of a trace: one row per signal against simulated time, drawn
// one pixel column at a time from the trace's column query, so that a paint costs the
// same whatever the number of changes. The wheel scrolls time, Ctrl+wheel zooms at the
// mouse, Shift+wheel scrolls the rows. A left click sets cursor A, a right click (or
// Shift+click) cursor B; near an edge of the row clicked a cursor snaps to it. The
// readout tells both cursors, the time between them in cycles and seconds at the clock,
// and the pulse and period of the clicked row's signal at cursor A.
class TimingDiagram : public QWidget {
    Q_OBJECT
public:
    struct Row {
        int signal = 0;
        QString name;
        std::uint64_t knownFrom = 0;  // a watched bit is unknown before it was watched
    };
    enum Cursor { CursorA, CursorB };
    // Fit keeps the whole trace in view, Follow keeps the newest time in view at the zoom
    // the user chose, Free leaves the view where the user put it.
    enum class View { Fit, Follow, Free };

    static constexpr int kLabelWidth = 96;
    static constexpr int kRulerHeight = 20;
    static constexpr int kRowHeight = 18;
    static constexpr int kSnapPixels = 5;

    explicit TimingDiagram(QWidget* parent = nullptr);

    // Null shows nothing; the trace must outlive its use here.
    void setTrace(const tarvik::sim::Trace* trace);
    void setRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return rows_; }
    // How far simulated time has come: nothing is drawn after it.
    void setNow(std::uint64_t cycle);
    std::uint64_t now() const { return now_; }
    void setClockHz(std::uint32_t hz);
    // The trace started anew: cursors go, the view fits again.
    void restart();

    const tarvik::sim::TimeAxis& axis() const { return axis_; }
    void setAxis(const tarvik::sim::TimeAxis& axis, View view = View::Free);
    View view() const { return view_; }
    void fitAll();
    void followLatest();

    std::optional<std::uint64_t> cursor(Cursor which) const { return cursors_[which]; }
    void setCursor(Cursor which, std::optional<std::uint64_t> cycle);
    // The row whose pulse the readout tells; -1 for none.
    int selectedRow() const { return selectedRow_; }
    QString readout() const;

    // Geometry, for the mouse and for tests.
    int waveLeft() const { return kLabelWidth; }
    int waveWidth() const { return std::max(0, width() - kLabelWidth); }
    // The row at y, -1 above, between or below the rows.
    int rowAt(int y) const;
    int rowMiddle(int row) const;
    int firstShownRow() const { return firstRow_; }

signals:
    void readoutChanged(const QString& text);
    // A right click on a row's name; row -1 under the last row.
    void rowMenuRequested(int row, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintRuler(class QPainter& painter) const;
    void paintRows(QPainter& painter, const QRect& exposed);
    void paintCursors(QPainter& painter) const;
    // The cursor cycle for a click at x on a row: an edge of its signal within
    // kSnapPixels, or the whole cycle under x.
    std::uint64_t cycleForClick(double x, int row) const;
    void userMovedView(const tarvik::sim::TimeAxis& axis);
    void keepNowInView();
    std::uint64_t oldestCycle() const;
    int shownRows() const;
    void setFirstRow(int row);
    void changed();

    const tarvik::sim::Trace* trace_ = nullptr;
    std::vector<Row> rows_;
    std::uint64_t now_ = 0;
    std::uint32_t clockHz_ = 4'000'000;
    tarvik::sim::TimeAxis axis_;
    View view_ = View::Fit;
    std::array<std::optional<std::uint64_t>, 2> cursors_{};
    int selectedRow_ = -1;
    int firstRow_ = 0;
    std::optional<Cursor> dragging_;
    std::vector<tarvik::sim::TraceColumn> columns_;  // kept between paints to spare the allocation
};
