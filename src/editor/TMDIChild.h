#pragma once

#include "editor/LineCommands.h"
#include "editor/LineRenderer.h"
#include "editor/UndoHistory.h"
#include "editor/ViewPaging.h"
#include "model/ProgramDocument.h"

#include <QFont>
#include <QKeySequence>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QHeaderView;
class QMenu;
class QPainter;
class QScrollBar;

// One document window: owns its program and paints it as a grid of 17-pixel rows under a
// four-section header, beside its own scroll bar. What a row says comes from renderLine;
// this class keeps the view state (cursor row, top line) tied to the list cursor.
class TMDIChild : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the document; the view starts at the top with the header line as
    // the list cursor and top line.
    explicit TMDIChild(std::unique_ptr<tarvik::ProgramDocument> document, QWidget* parent = nullptr);
    ~TMDIChild() override;
    tarvik::ProgramDocument& document();

    // Brackets a command that may change the document: the outermost scope records one
    // step under its name, when the document changed.
    class UndoScope {
    public:
        // With merge, a change joins the last step when that has the same name.
        UndoScope(TMDIChild& view, std::string name, bool merge = false);
        ~UndoScope();
        UndoScope(const UndoScope&) = delete;
        UndoScope& operator=(const UndoScope&) = delete;

    private:
        TMDIChild& view_;
        std::string name_;
        bool merge_;
    };
    const tarvik::UndoHistory& undoHistory() const { return history_; }
    void Undo();
    void Redo();
    // After a successful save: the document as it stands is the one on disk.
    void markSaved();

    // Moves the cursor to a row (counted from the top line) without scrolling.
    void SetCursorRow(int row);
    // Status panels 0 to 2 for the cursor line, p being its line number.
    void ShowLinePosition(int position);
    void UpdateScrollBar();
    void ResetCursorToTop();
    // Inserts a copy of the line after the list cursor, repaints, updates status and scroll bar.
    void InsertLineAfterCursor(const tarvik::ProgramLine& line);
    // Header = 0; numbers outside the program are brought to its first or last line.
    void MoveCursorToLine(int lineNumber);
    // The same, and a line out of view is scrolled to a third of the way down, with what
    // leads to it above: for a line the user is sent to (a failing line, the program
    // counter's).
    void ShowLine(int lineNumber);
    // After a command inserted the lines at positions first to last (header 0) with the
    // list cursor on the last: the view scrolls as little as it can to show them, the cursor
    // row on the last.
    void ShowInsertedLines(int first, int last);
    void InsertBlankLine();
    void DeleteCursorLine();
    // Context menu toggles of the cursor line.
    void ActiveInactive1Click();
    void SelectDeselect1Click();
    // Select All: every line after the header; repaints the whole view and returns how
    // many lines are now Selected.
    int SelectAllLines();
    // Escape: no line stays Selected.
    void ClearSelection();
    // The line menu at the cursor line, for the keyboard (Shift+F10, the Menu key).
    void PopUpLineMenu();

    int cursorRow() const;
    const tarvik::ProgramLine* topLine() const;
    int topIndex() const;
    int visibleRows() const;
    int instructionX() const;
    int bankX() const;
    int commentX() const;
    // Where the cycles of instruction lines end, right-aligned in their column.
    int cyclesRight() const;
    int shownDisplayMode() const;
    // Takes the main window's display mode (0 symbolic, 50 MPASM); repaints when it changes.
    void setShownDisplayMode(int mode);
    QMenu* popupMenu() const;

    // The keys of the line commands: the line menu shows them, the main window's Edit menu
    // binds them while a document window has the focus.
    enum class LineCommand { Edit, ActiveInactive, SelectDeselect, Org, InsertBlank, DeselectAll, PickInstruction };
    static QKeySequence keysOf(LineCommand command);

    // Consulted by closeEvent: false keeps the window open.
    void setCloseQuery(std::function<bool()> query);
    // Drawn over each row after its text, with the row's line number (header 0) and its
    // rectangle; the simulator marks the program counter's line and breakpoints with it.
    using RowOverlay = std::function<void(QPainter&, int lineNumber, const QRect& row)>;
    void setRowOverlay(RowOverlay overlay);

    // The window's width and height as the row and layout arithmetic counts them: the
    // client area plus a frame on each side (and a title allowance for the height).
    int outerWidth() const;
    int outerHeight() const;

signals:
    // What Undo and Redo would do has changed.
    void undoStateChanged();
    // Status bar panels 0 (comment), 1 ("%4d" position), 2 (affected text).
    void statusPanelChanged(int panel, const QString& text);
    // The number of Selected lines may have changed: drives Cut, Copy and Delete. The menu
    // items follow at once with the buttons, so their shortcuts work right after a double
    // click instead of only once the Edit menu has been opened.
    void selectionChanged(int selectedCount);
    // The program changed through the view itself; the modified flag is already set.
    void documentModified();
    // A command (the outermost undo scope) that changed the program has ended, or Undo or
    // Redo took the program back or forward.
    void documentChanged();
    // Context menu items whose dialogs live elsewhere.
    void editLineRequested();
    void orgLineRequested();
    void blankLineDialogRequested();
    // A letter typed into the grid: the start of an instruction's name.
    void instructionTyped(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildHeader();
    void buildScrollBar();
    void buildPopupMenu();
    void ScrollBar1Scroll(int action);
    void HeaderControl1SectionResize(int section, int oldWidth, int newWidth);
    void takeColumnsFromHeader();
    void keyUp();
    void keyDown();
    void lineUp();
    void lineDown();
    void scrollToPosition(int position);
    void moveTopLine(int lines);
    void repaintRows(int row, int count = 1);
    int lineCount() const;
    void reportSelection();
    tarvik::ViewPlace place() const;
    void takePlace(const tarvik::ViewPlace& place);
    void showLineEdit(const tarvik::LineEdit& edit);
    // Select/Deselect of the line in the row; false when the line may not change.
    bool toggleSelectionOf(tarvik::ProgramLine& line, int row);
    // Shift with a movement: the selection runs from where the cursor was to where it is.
    void extendSelectionFrom(int position);
    // The check marks follow the cursor line before the menu shows.
    void popUpLineMenuAt(const QPoint& global);

    // Page Up, Page Down, Home and End (with or without Ctrl); false for any other key.
    bool pagingKey(const QKeyEvent* event);
    void moveToSpot(const tarvik::ViewSpot& spot);
    void startHistory();
    void showRestored(const std::optional<tarvik::ViewSpot>& spot);
    // The row arithmetic counts in pixels of a 96-DPI screen; at a higher logical DPI the
    // view is drawn larger, and points, rectangles and lengths convert at its edges.
    int toScreen(int length) const;
    QRect toScreen(const QRect& rect) const;
    QPoint toDesign(const QPointF& point) const;
    int toDesign(int length) const;

    std::unique_ptr<tarvik::ProgramDocument> document_;
    std::function<bool()> closeQuery_;
    RowOverlay rowOverlay_;
    QHeaderView* header_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QAction* activeInactive1_ = nullptr;
    QAction* selectDeselect1_ = nullptr;
    QFont drawFont_;

    int cursorRow_ = 0;
    tarvik::ProgramLine* topLine_ = nullptr;
    int topIndex_ = 0;
    tarvik::ColumnPositions columns_;
    int shownDisplayMode_ = 50;
    tarvik::RenderedLine rendered_;  // reused by every row of a paint
    int wheelRemainder_ = 0;  // wheel movement short of a notch
    double scale_ = 1.0;      // logical DPI / 96, never below 1
    tarvik::UndoHistory history_;
    bool historyStarted_ = false;
    int undoDepth_ = 0;  // nested command scopes
    tarvik::SelectionRun selectionRun_;
};
