#pragma once

#include "app/DocumentActions.h"
#include "editor/TMDIChild.h"
#include "files/DocumentLifecycle.h"
#include "model/DeviceDefaults.h"
#include "model/LineList.h"

#include <QList>
#include <QMainWindow>
#include <QMargins>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolButton;
class PinDiagram;
class RecentFiles;
class QtScreen;
class SimulatorController;
class TMDIChild;

// The application's one top-level window: the frame of the document windows, with the
// menus, the speed bar, the instruction palette, the pin diagram and the status bar. Its
// handlers route; what a document command needs besides its own work (an open document,
// an undo step, the refresh of what is shown) comes from DocumentActions.
//
// TMainForm.cpp: the document windows and what the frame shows of the active one.
// TMainFormControls.cpp: menus, speed bar, palette and status bar, sized for the screen.
// TMainFormFiles.cpp: the File menu, and files from the command line or dropped.
// TMainFormCommands.cpp: the commands on the active document.
// TMainFormDesktop.cpp: the Window menu, window placement and the frame's size limits.
class TMainForm : public QMainWindow, private tarvik::DocumentWindows {
    Q_OBJECT
public:
    static constexpr int kSymbolicMode = 0;
    static constexpr int kMpasmMode = 50;
    static constexpr int kStatusPanelCount = 6;
    // The panel the hints of menus and buttons show in.
    static constexpr int kMessagePanel = 5;

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Every message box and file dialog goes through the screen; null restores the
    // form's own.
    void setScreen(tarvik::Screen* screen);
    tarvik::Screen& screen() const;

    int displayMode() const { return displayMode_; }
    QMdiArea* mdiArea() const { return mdiArea_; }

    // The document windows in the main window's child order.
    QList<TMDIChild*> documentWindows() const;
    // The frame's child order, which the document commands count in: the stacking order
    // from the front (active) window to the back. Close All and Exit ask from the back.
    QList<TMDIChild*> childOrder() const;
    TMDIChild* activeChild() const;
    TMDIChild* viewOf(const tarvik::ProgramDocument& document) const;
    // Opens a window on the document and makes it the active one.
    TMDIChild* addDocumentWindow(std::unique_ptr<tarvik::ProgramDocument> document, const QString& caption);

    // Places and lays out the window for a screen whose maximised windows get this size.
    void fitToScreen(const QSize& maximisedArea);
    bool compactLayout() const { return compactLayout_; }
    QString statusPanelText(int panel) const;

    // File and window commands.
    void FileNewItemClick();
    void FileOpenItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    // File > Export MPASM Source...: the active program as MPASM source, in a file the
    // user picks.
    void FileExportItemClick();
    // File > Import MPASM Source...: a source file the user picks, opened as a new
    // untitled document.
    void FileImportItemClick();
    // File > Examples: an untitled copy of the example program at path, so the example
    // itself is never changed.
    void openExample(const QString& path);
    void FileExitItemClick();
    void WindowCloseAllItemClick();
    void WindowTileItemClick();
    void WindowCascadeItemClick();
    // Opens each file in its own window as Open does (a file already open activates its
    // window); for the command line and for files dropped on the window.
    void openFiles(const QStringList& paths);
    // Files named on the command line, opened when the window is first shown instead of
    // Untitled1; Untitled1 still comes when none of them opens.
    void setStartupFiles(const QStringList& paths) { startupFiles_ = paths; }
    // Runs when the window is first shown, after the command line's files and before
    // Untitled1, which does not come when the step opens a document.
    void setStartupStep(std::function<void()> step) { startupStep_ = std::move(step); }
    // Files another start of Tarvik handed over: opened as openFiles does, with the window
    // brought to the front.
    void openHandedOverFiles(const QStringList& paths);
    tarvik::DocumentLifecycle& lifecycle() { return lifecycle_; }
    void HelpAboutItemClick();
    // Help > User Guide (F1).
    void HelpGuideItemClick();
    void spbtnQELClick();
    void spbtnASMClick();

    // Every palette button (codes 1 to 35) and the context menu's ORG and blank line
    // items (101, 102) end here; the entry dialogs hook in at this one place.
    virtual void runInstructionDialog(int code);
    // Edit > Insert Instruction... (Insert), or a letter typed into the grid, which starts
    // the name: the palette by keyboard.
    void pickInstruction(const QString& typed = {});
    // The entry dialog of the active document's cursor line, in edit mode; nothing opens on
    // the header line.
    void editCurrentLine();
    // The commands on the active document; with none open they do nothing.
    void btnCutQELClick();
    void btnCopyQELClick();
    void btnPasteQELClick();
    void Delete2Click();
    void Se1Click();
    void Find1Click();
    void Replace1Click();
    void Registers1Click();
    void Bits1Click();
    void Constants1Click();
    void btnAddRegisterClick();
    void btnAddBitClick();
    void btnAddLiteralClick();
    void btnHexClick();
    // Tools > Insert Delay...: a delay exact to the cycle at the simulator's clock.
    void InsertDelay1Click();
    void Undo1Click();
    void Redo1Click();

    // Cut, Copy and the Edit menu's Delete follow the number of Selected lines.
    void UpdateClipboardCommands(int selectedCount);
    // Re-derives what is enabled and shown from whether any document is open.
    void UpdateMenuItems();
    // Undo and Redo name the step they would take, and are enabled when there is one.
    void UpdateUndoCommands();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Hints go to the message panel, leaving the panels of the document alone.
    bool event(QEvent* event) override;
    // The files of the command line wait until the window is on screen; the pin diagram
    // follows the palette's height.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // tarvik::DocumentWindows
    int documentCount() const override;
    tarvik::ProgramDocument& documentAt(int index) override;
    void setCaption(int index, const std::string& caption) override;
    void addDocument(std::unique_ptr<tarvik::ProgramDocument> document, const std::string& caption) override;
    void activateDocument(int index) override;
    void destroyDocument(int index) override;
    void documentSaved(int index) override;

    void createMenus();
    QWidget* createSpeedBar();
    QWidget* createPalette();
    void createStatusBar();
    QToolButton* addSpeedButton(QWidget* bar, const char* name, int left, const char* hint);
    QAction* addItem(QMenu* menu, const char* name, const char* caption, const char* hint = nullptr);
    // An Edit menu item for a command of the document window's line menu, its keys bound
    // while a document window has the focus.
    void addLineCommand(const char* name, const char* caption, TMDIChild::LineCommand keys,
                        const std::function<void()>& command);
    // A menu closed by Escape leaves the menu bar holding the keys; they go back to the
    // document instead.
    void leaveMenuBarAfterEscape();
    // Opens the files of the command line once the window is on screen, so that what
    // they report stands over it; Untitled1 comes when none of them opens.
    void openStartupFiles();

    QMdiSubWindow* subWindowOf(const TMDIChild* child) const;
    void childActivated(QMdiSubWindow* window);
    bool askToCloseChild(TMDIChild* child);
    void setStatusPanel(int panel, const QString& text);
    void showModifiedOf(TMDIChild* child);
    // Panel 5: the cycles of the active document's Selected lines, and their time at the
    // simulator's clock.
    void showSelectedCycles();
    // Palette and pin diagram captions name the document's chip.
    void showDeviceOf(TMDIChild* child);
    // After a command: the view repainted, and the status bar and the menus telling the
    // document as it now stands.
    void showDocumentState(TMDIChild& child);
    // The index of the document in the order the file commands count in.
    int indexOf(TMDIChild& child) const;
    // The window's frame and title bar; empty while the system has not told them.
    QMargins windowFrame() const;
    // The size limits are of the whole window: the client's follow the frame.
    void applyWholeWindowLimits();
    // The pin diagram under its title, whole above the status bar.
    void fitPinDiagram();
    // Opening the Edit menu: Cut, Copy and Delete follow the active document's selection.
    void LineClick();
    void fillWindowMenu();
    // A document window that comes to the front tells once that someone else has changed
    // its file; so does the application when it becomes active again.
    void watchFilesOnDisk();
    void noticeChangeOnDisk();
    // Window menu text of a document window: the mnemonic for the first nine, and the
    // folder when another window shows a file of the same name.
    QString windowListCaption(int index, const QList<TMDIChild*>& children) const;
    // Left edge of the count-th document window: seven pixels further right each time,
    // back to the left before a window would run past the right edge of the client area.
    int newWindowLeft(int count, int width) const;
    void setDisplayMode(int mode);
    // The palette, the speed bar and the window sizes are laid out for 96 DPI; on a screen
    // of a higher logical DPI (whose fonts are larger) they grow in proportion.
    void scaleForDensity();
    int scaled(int length) const;
    QSize scaled(const QSize& size) const;

    tarvik::DeviceDefaults defaults_;
    tarvik::LineList lineClipboard_;
    int displayMode_ = kMpasmMode;
    bool compactLayout_ = false;
    bool firstShown_ = false;
    bool limitsApplied_ = false;
    QMargins limitsFrame_;
    bool awaitingMaximisedSize_ = false;
    QSize sizeBeforeMaximised_;
    QList<QPair<QPointer<QMdiSubWindow>, QRect>> sizedBeforeMaximised_;
    bool closingWithoutAsking_ = false;
    QStringList startupFiles_;
    std::function<void()> startupStep_;
    double uiScale_ = 1.0;  // logical DPI / 96, never below 1

    std::unique_ptr<QtScreen> ownScreen_;
    tarvik::Screen* screen_ = nullptr;
    tarvik::DocumentLifecycle lifecycle_;
    DocumentActions documents_;

    QMdiArea* mdiArea_ = nullptr;
    SimulatorController* simulator_ = nullptr;
    RecentFiles* recentFiles_ = nullptr;
    QLabel* statusPanels_[kStatusPanelCount] = {};

    QMenu* editMenu_ = nullptr;
    QMenu* searchMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QAction* saveItem_ = nullptr;
    QAction* saveAsItem_ = nullptr;
    QAction* exportItem_ = nullptr;
    QAction* undoItem_ = nullptr;
    QAction* redoItem_ = nullptr;
    QAction* cutItem_ = nullptr;
    QAction* copyItem_ = nullptr;
    QAction* pasteItem_ = nullptr;
    QAction* deleteItem_ = nullptr;
    QList<QAction*> lineItems_;
    int lastPicked_ = 0;  // offered first when Insert Instruction opens again

    QToolButton* saveBtn_ = nullptr;
    QToolButton* cutBtn_ = nullptr;
    QToolButton* copyBtn_ = nullptr;
    QToolButton* pasteBtn_ = nullptr;
    QToolButton* findBtn_ = nullptr;
    QToolButton* qelBtn_ = nullptr;
    QToolButton* asmBtn_ = nullptr;
    QToolButton* addRegisterBtn_ = nullptr;
    QToolButton* addBitBtn_ = nullptr;
    QToolButton* addLiteralBtn_ = nullptr;
    QToolButton* hexBtn_ = nullptr;

    QFrame* panel1_ = nullptr;
    QWidget* panel3_ = nullptr;
    QWidget* panel5_ = nullptr;
    QWidget* panel6_ = nullptr;
    QWidget* panel7_ = nullptr;
    QWidget* panel8_ = nullptr;
    PinDiagram* imagePanel_ = nullptr;
};
