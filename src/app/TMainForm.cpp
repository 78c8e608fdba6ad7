#include "app/TMainForm.h"

#include "app/Glyphs.h"
#include "app/PinDiagram.h"
#include "app/QtScreen.h"
#include "app/RecentFiles.h"
#include "app/SimulatorController.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kMainCaption = QStringLiteral("Tarvik - Visual Assembler for PIC16C84");

QList<TMDIChild*> documentsIn(const QList<QMdiSubWindow*>& windows)
{
    QList<TMDIChild*> children;
    for (QMdiSubWindow* window : windows) {
        // A closed window lingers in the list until its deferred deletion.
        if (window->isHidden() && window->testAttribute(Qt::WA_WState_ExplicitShowHide))
            continue;
        if (auto* child = qobject_cast<TMDIChild*>(window->widget()))
            children.append(child);
    }
    return children;
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent),
      ownScreen_(std::make_unique<QtScreen>(this, [this](tarvik::ProgramDocument& document) {
          return viewOf(document);
      })),
      screen_(ownScreen_.get()),
      lifecycle_(*screen_, defaults_),
      documents_([this] { return activeChild(); }, [this](TMDIChild& child) { showDocumentState(child); })
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kMainCaption);
    setWindowIcon(Glyphs::applicationIcon());
    setAcceptDrops(true);
    uiScale_ = std::max(1.0, logicalDpiY() / 96.0);

    createMenus();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(createSpeedBar());
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(createPalette());
    mdiArea_ = new QMdiArea(central);
    mdiArea_->setObjectName(QStringLiteral("ClientArea"));
    mdiArea_->setBackground(palette().brush(QPalette::Dark));
    mdiArea_->addActions(lineItems_);
    row->addWidget(mdiArea_, 1);
    column->addLayout(row, 1);
    setCentralWidget(central);
    createStatusBar();
    scaleForDensity();

    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::childActivated);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::UpdateUndoCommands);

    // The frame is known once the native window exists (on some systems only once shown;
    // the limits follow it when it arrives).
    winId();
    applyWholeWindowLimits();
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        fitToScreen(primary->availableGeometry().size());
    simulator_ = new SimulatorController(this, imagePanel_);
    connect(&documents_, &DocumentActions::documentChanged, simulator_, &SimulatorController::endIfProgramChanged);
    connect(simulator_, &SimulatorController::clockChanged, this, &TMainForm::showSelectedCycles);
    watchFilesOnDisk();
    for (QAction* item : menuBar()->actions())
        if (QMenu* menu = item->menu())
            connect(menu, &QMenu::aboutToHide, this, [this] { QTimer::singleShot(0, this, &TMainForm::leaveMenuBarAfterEscape); });
    UpdateMenuItems();
}

TMainForm::~TMainForm()
{
    // The simulator follows the document windows, which go next: while the lifecycle they
    // ask is still alive, and without asking, as Exit has asked already.
    delete simulator_;
    simulator_ = nullptr;
    closingWithoutAsking_ = true;
    // Whoever else follows the windows must not hear of them while they go.
    mdiArea_->disconnect();
    for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
        window->disconnect(this);
        if (QWidget* view = window->widget())
            view->disconnect(this);
    }
    delete mdiArea_;
}

void TMainForm::setScreen(tarvik::Screen* screen)
{
    screen_ = screen ? screen : ownScreen_.get();
    lifecycle_.setScreen(*screen_);
}

tarvik::Screen& TMainForm::screen() const
{
    return *screen_;
}

QList<TMDIChild*> TMainForm::documentWindows() const
{
    return documentsIn(mdiArea_->subWindowList(QMdiArea::CreationOrder));
}

QList<TMDIChild*> TMainForm::childOrder() const
{
    QList<TMDIChild*> children = documentsIn(mdiArea_->subWindowList(QMdiArea::StackingOrder));
    std::reverse(children.begin(), children.end());
    return children;
}

int TMainForm::indexOf(TMDIChild& child) const
{
    return static_cast<int>(childOrder().indexOf(&child));
}

QMdiSubWindow* TMainForm::subWindowOf(const TMDIChild* child) const
{
    for (QMdiSubWindow* window : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (window->widget() == child)
            return window;
    return nullptr;
}

TMDIChild* TMainForm::activeChild() const
{
    QMdiSubWindow* window = mdiArea_->currentSubWindow();
    auto* child = window ? qobject_cast<TMDIChild*>(window->widget()) : nullptr;
    return documentWindows().contains(child) ? child : nullptr;
}

TMDIChild* TMainForm::viewOf(const tarvik::ProgramDocument& document) const
{
    for (TMDIChild* child : documentWindows())
        if (&child->document() == &document)
            return child;
    return nullptr;
}

TMDIChild* TMainForm::addDocumentWindow(std::unique_ptr<tarvik::ProgramDocument> document, const QString& caption)
{
    auto* child = new TMDIChild(std::move(document));
    auto* window = new QMdiSubWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWidget(child);
    window->setWindowTitle(caption);
    window->setWindowIcon(Glyphs::drawnSpeedButtonIcon(QStringLiteral("SpeedButton1")));
    mdiArea_->addSubWindow(window);

    child->setCloseQuery([this, child] { return askToCloseChild(child); });
    documents_.watch(*child);
    connect(child, &TMDIChild::statusPanelChanged, this, &TMainForm::setStatusPanel);
    connect(child, &TMDIChild::selectionChanged, this, &TMainForm::UpdateClipboardCommands);
    connect(child, &TMDIChild::documentModified, this, [this, child] { showModifiedOf(child); });
    connect(child, &TMDIChild::undoStateChanged, this, &TMainForm::UpdateUndoCommands);
    // The line menu is the active window's; Edit runs as a command of the main window, so
    // that the status bar shows what the dialog changed.
    connect(child, &TMDIChild::editLineRequested, this, [this] {
        documents_.run({}, [this](TMDIChild& active) {
            tarvik::ProgramDocument& document = active.document();
            // The header line has no dialog.
            if (document.lines.cursor() != document.headerLine())
                screen_->editCurrentLine(document);
        });
    });
    connect(child, &TMDIChild::orgLineRequested, this, [this] { runInstructionDialog(tarvik::kOrgCode); });
    connect(child, &TMDIChild::blankLineDialogRequested, this, [this] { runInstructionDialog(tarvik::kBlankCode); });
    connect(child, &TMDIChild::instructionTyped, this, &TMainForm::pickInstruction);
    connect(window, &QObject::destroyed, this, &TMainForm::UpdateMenuItems);

    const int count = static_cast<int>(documentWindows().size());
    const QRect frame = frameGeometry();
    const QSize size(frame.width() - scaled(280), frame.height() - scaled(103));
    window->setGeometry(QRect(QPoint(newWindowLeft(count, size.width()), 1), size));
    if (awaitingMaximisedSize_)
        sizedBeforeMaximised_.append({window, window->geometry()});
    window->show();
    mdiArea_->setActiveSubWindow(window);
    // Activation is reported only when the window was not already the current one.
    if (mdiArea_->currentSubWindow() == window)
        childActivated(window);
    return child;
}

void TMainForm::childActivated(QMdiSubWindow* window)
{
    auto* child = window ? qobject_cast<TMDIChild*>(window->widget()) : nullptr;
    if (child && documentWindows().contains(child)) {
        if (child->shownDisplayMode() != displayMode_)
            child->setShownDisplayMode(displayMode_);
        UpdateClipboardCommands(child->document().lines.countSelected());
        showModifiedOf(child);
        showDeviceOf(child);
        child->ShowLinePosition(child->cursorRow() + child->topIndex());
        child->setFocus();
    }
    UpdateMenuItems();
}

bool TMainForm::askToCloseChild(TMDIChild* child)
{
    if (closingWithoutAsking_)
        return true;
    const int index = indexOf(*child);
    return index < 0 || lifecycle_.askToClose(*this, index) == tarvik::CloseAnswer::Close;
}

int TMainForm::documentCount() const
{
    return static_cast<int>(documentWindows().size());
}

tarvik::ProgramDocument& TMainForm::documentAt(int index)
{
    return childOrder().at(index)->document();
}

void TMainForm::setCaption(int index, const std::string& caption)
{
    if (QMdiSubWindow* window = subWindowOf(childOrder().at(index)))
        window->setWindowTitle(QFile::decodeName(QByteArray::fromStdString(caption)));
}

void TMainForm::addDocument(std::unique_ptr<tarvik::ProgramDocument> document, const std::string& caption)
{
    if (!document->untitled)
        recentFiles_->remember(QFile::decodeName(QByteArray::fromStdString(document->fileName)));
    addDocumentWindow(std::move(document), QFile::decodeName(QByteArray::fromStdString(caption)));
}

void TMainForm::activateDocument(int index)
{
    if (QMdiSubWindow* window = subWindowOf(childOrder().at(index)))
        mdiArea_->setActiveSubWindow(window);
}

void TMainForm::documentSaved(int index)
{
    TMDIChild* child = childOrder().at(index);
    child->markSaved();
    recentFiles_->remember(QFile::decodeName(QByteArray::fromStdString(child->document().fileName)));
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        setStatusPanel(kMessagePanel, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::leaveMenuBarAfterEscape()
{
    // Another menu opened in its place (Left, Right), or an item's dialog took the focus.
    QMenuBar* bar = menuBar();
    if (QApplication::activePopupWidget() || QApplication::focusWidget() != bar)
        return;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &escape);
    if (QApplication::focusWidget() == bar || !QApplication::focusWidget())
        if (TMDIChild* child = activeChild())
            child->setFocus();
}

void TMainForm::destroyDocument(int index)
{
    QMdiSubWindow* window = subWindowOf(childOrder().at(index));
    if (!window)
        return;
    closingWithoutAsking_ = true;
    window->close();
    closingWithoutAsking_ = false;
}
