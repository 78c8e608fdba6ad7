#include "app/TMainForm.h"

#include "app/Glyphs.h"
#include "app/PinDiagram.h"
#include "app/SimulatorController.h"
#include "app/QtScreen.h"
#include "app/TfrmAbout.h"
#include "assembler/ConvertToHex.h"
#include "assembler/TfrmHexFile.h"
#include "dialogs/instruction/EntryDialogs.h"
#include "dialogs/search/TfrmFind.h"
#include "dialogs/search/TfrmReplace.h"
#include "dialogs/symbols/TfrmNewBits.h"
#include "dialogs/symbols/TfrmNewConstants.h"
#include "dialogs/symbols/TfrmNewRegisters.h"
#include "editor/LineCommands.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <array>

namespace {

const QString kMainCaption = QStringLiteral("Tarvik - Visual Assembler for PIC16C84");

constexpr QSize kMinimumSize(620, 480);
constexpr QSize kMaximumSize(810, 590);
constexpr int kSpeedBarHeight = 30;
constexpr int kSpeedButtonSize = 25;
constexpr int kPaletteWidth = 245;
constexpr std::array<int, TMainForm::kStatusPanelCount> kStatusPanelWidths = {350, 32, 50, 50, 50, 100};

// Panel8's top while a document is open; with none open the whole palette is hidden.
constexpr int kPinTitleTop = 265;
constexpr int kPinDiagramHeight = 193;

struct PaletteButton {
    int code;
    int left;
    int top;
    int width;
};

// Positions inside Panel2 (byte-oriented), Panel3 (bit-oriented) and Panel7 (literal
// and control), grouped as the chip's instruction set is.
constexpr std::array<PaletteButton, 18> kByteButtons = {{
    {1, 0, 0, 40}, {2, 40, 0, 40}, {6, 80, 0, 40}, {10, 120, 0, 40}, {11, 160, 0, 40}, {35, 200, 0, 40},
    {3, 0, 24, 40}, {4, 40, 24, 40}, {7, 80, 24, 40}, {13, 120, 24, 40}, {14, 160, 24, 40}, {15, 200, 24, 40},
    {8, 0, 48, 40}, {5, 40, 48, 40}, {9, 80, 48, 40}, {12, 120, 48, 120},
    {20, 0, 71, 120}, {21, 120, 71, 120},
}};
constexpr std::array<PaletteButton, 4> kBitButtons = {{
    {16, 0, 0, 60}, {17, 61, 0, 59}, {18, 120, 0, 60}, {19, 180, 0, 60},
}};
constexpr std::array<PaletteButton, 13> kLiteralButtons = {{
    {22, 0, 0, 40}, {23, 40, 0, 40}, {34, 80, 0, 40}, {30, 120, 0, 60}, {29, 180, 0, 60},
    {24, 0, 24, 40}, {25, 40, 24, 40}, {26, 80, 24, 40}, {31, 120, 24, 60}, {32, 180, 24, 60},
    {27, 0, 48, 60}, {28, 60, 48, 60}, {33, 120, 48, 120},
}};
static_assert(kByteButtons.size() + kBitButtons.size() + kLiteralButtons.size() == tarvik::kInstructions.size());

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A hint holds the tool tip, a bar and the status-bar hint; without a bar it is both. A
// blank status-bar hint is none: shown, it would blank the status panels while hovered.
void applyHint(QWidget* widget, const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1).trimmed());
}

// The longest text each status panel must show whole: a four-digit line number, the
// longest status-affected text and "Modified". The comment panel keeps its width.
std::array<QString, TMainForm::kStatusPanelCount> longestStatusTexts()
{
    std::string_view affected;
    for (const tarvik::InstructionInfo& info : tarvik::kInstructions)
        if (info.affected.size() > affected.size())
            affected = info.affected;
    return {QString(), QStringLiteral("9999"), toQString(affected), QString(), QStringLiteral("Modified"), QString()};
}

QLabel* makeTitlePanel(QWidget* parent, const char* name, const char* caption, const QRect& geometry)
{
    auto* panel = new QLabel(QString::fromLatin1(caption), parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->setGeometry(geometry);
    return panel;
}

template <std::size_t N>
QFrame* makeButtonPanel(QWidget* parent, const char* name, const QRect& geometry,
                        const std::array<PaletteButton, N>& buttons, TMainForm* form)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(geometry);
    for (const PaletteButton& entry : buttons) {
        const tarvik::InstructionInfo& info = *tarvik::instructionInfo(entry.code);
        auto* button = new QToolButton(panel);
        QString mnemonic = toQString(info.mnemonic);
        mnemonic[0] = mnemonic[0].toUpper();
        button->setObjectName(QStringLiteral("btn") + mnemonic);
        button->setText(toQString(info.paletteCaption));
        button->setGeometry(entry.left, entry.top, entry.width, 22);
        button->setFocusPolicy(Qt::NoFocus);
        applyHint(button, toQString(info.paletteHint));
        const int code = entry.code;
        QObject::connect(button, &QToolButton::clicked, form, [form, code] { form->runInstructionDialog(code); });
    }
    return panel;
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent),
      ownScreen_(std::make_unique<QtScreen>(this, [this](tarvik::ProgramDocument& document) {
          return viewOf(document);
      })),
      screen_(ownScreen_.get()),
      lifecycle_(*screen_, defaults_)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kMainCaption);
    setWindowIcon(Glyphs::applicationIcon());
    uiScale_ = std::max(1.0, logicalDpiY() / 96.0);

    createMenus();
    createDesktopShortcuts();

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
    new SimulatorController(this);
    UpdateMenuItems();
}

TMainForm::~TMainForm()
{
    // The document windows go while the lifecycle they ask is still alive, and
    // without asking: Exit has asked already.
    closingWithoutAsking_ = true;
    mdiArea_->disconnect(this);
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

void TMainForm::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    file->menuAction()->setStatusTip(QStringLiteral("File related commands"));
    connect(addItem(file, "FileNewItem", "&New", "Create a new file"), &QAction::triggered, this,
            &TMainForm::FileNewItemClick);
    connect(addItem(file, "FileOpenItem", "&Open...", "Open an existing file"), &QAction::triggered, this,
            &TMainForm::FileOpenItemClick);
    saveItem_ = addItem(file, "FileSaveItem", "&Save", "Save current file");
    connect(saveItem_, &QAction::triggered, this, &TMainForm::FileSaveItemClick);
    saveAsItem_ = addItem(file, "FileSaveAsItem", "Save &As...", "Save current file as...");
    connect(saveAsItem_, &QAction::triggered, this, &TMainForm::FileSaveAsItemClick);
    exportItem_ = addItem(file, "FileExportItem", "&Export MPASM Source...", "Export current file as MPASM source");
    connect(exportItem_, &QAction::triggered, this, &TMainForm::FileExportItemClick);
    connect(addItem(file, "FileImportItem", "&Import MPASM Source...", "Import MPASM source as a new file"),
            &QAction::triggered, this, &TMainForm::FileImportItemClick);
    file->addSeparator();
    connect(addItem(file, "FileExitItem", "E&xit", "Exit the application"), &QAction::triggered, this,
            &TMainForm::FileExitItemClick);

    editMenu_ = bar->addMenu(QStringLiteral("&Edit"));
    editMenu_->setObjectName(QStringLiteral("Line"));
    connect(editMenu_, &QMenu::aboutToShow, this, &TMainForm::LineClick);
    cutItem_ = addItem(editMenu_, "Cut1", "Cu&t", "Cut to clipboard");
    cutItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(cutItem_, &QAction::triggered, this, &TMainForm::btnCutQELClick);
    copyItem_ = addItem(editMenu_, "Copy1", "&Copy", "Copy to clipboard");
    copyItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copyItem_, &QAction::triggered, this, &TMainForm::btnCopyQELClick);
    pasteItem_ = addItem(editMenu_, "Paste1", "&Paste");
    pasteItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(pasteItem_, &QAction::triggered, this, &TMainForm::btnPasteQELClick);
    deleteItem_ = addItem(editMenu_, "Delete2", "&Delete");
    deleteItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    connect(deleteItem_, &QAction::triggered, this, &TMainForm::Delete2Click);
    connect(addItem(editMenu_, "Se1", "&Select All"), &QAction::triggered, this, &TMainForm::Se1Click);
    for (QAction* item : {cutItem_, copyItem_, pasteItem_, deleteItem_})
        item->setEnabled(false);

    searchMenu_ = bar->addMenu(QStringLiteral("&Search"));
    searchMenu_->setObjectName(QStringLiteral("Search1"));
    connect(addItem(searchMenu_, "Find1", "&Find..."), &QAction::triggered, this, &TMainForm::Find1Click);
    connect(addItem(searchMenu_, "Replace1", "&Replace..."), &QAction::triggered, this, &TMainForm::Replace1Click);

    viewMenu_ = bar->addMenu(QStringLiteral("&View"));
    viewMenu_->setObjectName(QStringLiteral("View1"));
    connect(addItem(viewMenu_, "Registers1", "&Registers..."), &QAction::triggered, this,
            &TMainForm::Registers1Click);
    connect(addItem(viewMenu_, "Bits1", "&Bits..."), &QAction::triggered, this, &TMainForm::Bits1Click);
    connect(addItem(viewMenu_, "Constants1", "&Literals..."), &QAction::triggered, this,
            &TMainForm::Constants1Click);

    windowMenu_ = bar->addMenu(QStringLiteral("&Window"));
    windowMenu_->setObjectName(QStringLiteral("Window1"));
    windowMenu_->menuAction()->setStatusTip(QStringLiteral("Window related commands such as Tile and Cascade"));
    closeAllItem_ = addItem(windowMenu_, "WindowCloseAllItem", "&Close All");
    connect(closeAllItem_, &QAction::triggered, this, &TMainForm::WindowCloseAllItemClick);
    connect(addItem(windowMenu_, "WindowTileItem", "&Tile"), &QAction::triggered, this,
            &TMainForm::WindowTileItemClick);
    connect(addItem(windowMenu_, "WindowCascadeItem", "C&ascade"), &QAction::triggered, this,
            &TMainForm::WindowCascadeItemClick);
    connect(windowMenu_, &QMenu::aboutToShow, this, &TMainForm::fillWindowMenu);

    toolsMenu_ = bar->addMenu(QStringLiteral("&Tools"));
    toolsMenu_->setObjectName(QStringLiteral("Tools1"));
    QMenu* addNew = toolsMenu_->addMenu(QStringLiteral("&Add New"));
    addNew->setObjectName(QStringLiteral("AddNew1"));
    connect(addItem(addNew, "NewRegister1", "&Register"), &QAction::triggered, this,
            &TMainForm::btnAddRegisterClick);
    connect(addItem(addNew, "NewBit1", "&Bit"), &QAction::triggered, this, &TMainForm::btnAddBitClick);
    connect(addItem(addNew, "NewLiteral1", "&Literal"), &QAction::triggered, this, &TMainForm::btnAddLiteralClick);
    QMenu* convertTo = toolsMenu_->addMenu(QStringLiteral("&Convert to"));
    convertTo->setObjectName(QStringLiteral("Convertto1"));
    connect(addItem(convertTo, "Hex1", "&Hex"), &QAction::triggered, this, &TMainForm::btnHexClick);
    addItem(convertTo, "Bin1", "&Bin")->setEnabled(false);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    connect(addItem(help, "HelpAboutItem", "&About..."), &QAction::triggered, this,
            &TMainForm::HelpAboutItemClick);
}

QAction* TMainForm::addItem(QMenu* menu, const char* name, const char* caption, const char* hint)
{
    QAction* item = menu->addAction(QString::fromLatin1(caption));
    item->setObjectName(QString::fromLatin1(name));
    if (hint)
        item->setStatusTip(QString::fromLatin1(hint));
    return item;
}

QToolButton* TMainForm::addSpeedButton(QWidget* bar, const char* name, int left, const char* hint)
{
    auto* button = new QToolButton(bar);
    const QString objectName = QString::fromLatin1(name);
    button->setObjectName(objectName);
    button->setGeometry(left, (kSpeedBarHeight - kSpeedButtonSize) / 2, kSpeedButtonSize, kSpeedButtonSize);
    button->setIcon(Glyphs::speedButtonIcon(objectName));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    applyHint(button, QString::fromLatin1(hint));
    return button;
}

QWidget* TMainForm::createSpeedBar()
{
    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("SpeedBar"));
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setFixedHeight(kSpeedBarHeight);

    connect(addSpeedButton(bar, "SpeedButton1", 2, "New| "), &QToolButton::clicked, this,
            &TMainForm::FileNewItemClick);
    connect(addSpeedButton(bar, "OpenBtn", 28, "Open|"), &QToolButton::clicked, this,
            &TMainForm::FileOpenItemClick);
    saveBtn_ = addSpeedButton(bar, "SaveBtn", 54, "Save|");
    connect(saveBtn_, &QToolButton::clicked, this, &TMainForm::FileSaveItemClick);
    connect(addSpeedButton(bar, "ExitBtn", 80, "Exit|"), &QToolButton::clicked, this,
            &TMainForm::FileExitItemClick);
    cutBtn_ = addSpeedButton(bar, "btnCutQEL", 112, "Cut|");
    connect(cutBtn_, &QToolButton::clicked, this, &TMainForm::btnCutQELClick);
    copyBtn_ = addSpeedButton(bar, "btnCopyQEL", 138, "Copy|");
    connect(copyBtn_, &QToolButton::clicked, this, &TMainForm::btnCopyQELClick);
    pasteBtn_ = addSpeedButton(bar, "btnPasteQEL", 163, "Paste|");
    connect(pasteBtn_, &QToolButton::clicked, this, &TMainForm::btnPasteQELClick);
    for (QToolButton* button : {cutBtn_, copyBtn_, pasteBtn_})
        button->setEnabled(false);
    findBtn_ = addSpeedButton(bar, "btnFind", 193, "Find| ");
    connect(findBtn_, &QToolButton::clicked, this, &TMainForm::Find1Click);

    qelBtn_ = addSpeedButton(bar, "spbtnQEL", 223, "Tarvik syntax|");
    asmBtn_ = addSpeedButton(bar, "spbtnASM", 249, "MPASM syntax|");
    syntaxGroup_ = new QButtonGroup(bar);
    syntaxGroup_->setExclusive(true);
    for (QToolButton* button : {qelBtn_, asmBtn_}) {
        button->setCheckable(true);
        syntaxGroup_->addButton(button);
    }
    asmBtn_->setChecked(true);
    connect(qelBtn_, &QToolButton::clicked, this, &TMainForm::spbtnQELClick);
    connect(asmBtn_, &QToolButton::clicked, this, &TMainForm::spbtnASMClick);

    addRegisterBtn_ = addSpeedButton(bar, "btnAddRegister", 279, "Add New Register|");
    connect(addRegisterBtn_, &QToolButton::clicked, this, &TMainForm::btnAddRegisterClick);
    addBitBtn_ = addSpeedButton(bar, "btnAddBit", 305, "Add New Bit|");
    connect(addBitBtn_, &QToolButton::clicked, this, &TMainForm::btnAddBitClick);
    addLiteralBtn_ = addSpeedButton(bar, "btnAddLiteral", 330, "Add New Literal|");
    connect(addLiteralBtn_, &QToolButton::clicked, this, &TMainForm::btnAddLiteralClick);
    hexBtn_ = addSpeedButton(bar, "btnHex", 360, "Convert to Hex");
    connect(hexBtn_, &QToolButton::clicked, this, &TMainForm::btnHexClick);
    return bar;
}

QWidget* TMainForm::createPalette()
{
    panel1_ = new QFrame(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFixedWidth(kPaletteWidth);

    makeTitlePanel(panel1_, "Panel4", " PIC16C84  byte-oriented instructions", QRect(3, 3, 239, 22));
    makeButtonPanel(panel1_, "Panel2", QRect(3, 27, 240, 94), kByteButtons, this);
    panel5_ = makeTitlePanel(panel1_, "Panel5", " Bit - oriented file register operations", QRect(3, 122, 239, 22));
    panel3_ = makeButtonPanel(panel1_, "Panel3", QRect(3, 145, 240, 22), kBitButtons, this);
    panel6_ = makeTitlePanel(panel1_, "Panel6", " Literal and control operations", QRect(3, 169, 239, 22));
    panel7_ = makeButtonPanel(panel1_, "Panel7", QRect(3, 192, 240, 71), kLiteralButtons, this);
    panel8_ = makeTitlePanel(panel1_, "Panel8", " PIC16C84 - Pin Diagram", QRect(3, kPinTitleTop, 239, 22));

    imagePanel_ = new PinDiagram(panel1_);
    imagePanel_->setObjectName(QStringLiteral("ImagePanel"));
    imagePanel_->setGeometry(3, 318, 239, kPinDiagramHeight);
    return panel1_;
}

void TMainForm::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const std::array<QString, kStatusPanelCount> longest = longestStatusTexts();
    for (int i = 0; i < kStatusPanelCount; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The widths suit a small dialog font; a larger desktop font widens a panel just
        // enough that "Modified" and the line number are not cut off.
        const auto index = static_cast<std::size_t>(i);
        panel->setText(longest[index]);
        const int width = std::max(kStatusPanelWidths[index], panel->sizeHint().width());
        panel->clear();
        if (i + 1 < kStatusPanelCount) {
            panel->setFixedWidth(width);
            bar->addWidget(panel);
        } else {
            // The last panel, always empty, runs to the end of the bar and gives way in a
            // narrow window, so the panels in use never overlap.
            panel->setMinimumWidth(0);
            bar->addWidget(panel, 1);
        }
        statusPanels_[i] = panel;
    }
}

void TMainForm::fitToScreen(const QSize& maximisedArea)
{
    screenHeight_ = maximisedArea.height();
    screenWidth_ = maximisedArea.width();
    const int h = screenHeight_;
    const int w = screenWidth_;
    compactLayout_ = h < scaled(500) && w < scaled(700);
    // The sizes are of the whole window, frame and title bar included, so that on a small
    // screen the status bar stays on it.
    const QRect whole = h < scaled(620) && w < scaled(820) ? QRect(0, 0, w, h) : QRect(QPoint(30, 30), scaled(kMaximumSize));
    setGeometry(whole.marginsRemoved(windowFrame()));

    // Too little height for the pin diagram: drop it and close the palette up.
    panel8_->setVisible(!compactLayout_);
    imagePanel_->setFixedHeight(compactLayout_ ? 0 : scaled(kPinDiagramHeight));
    panel5_->move(panel5_->x(), scaled(compactLayout_ ? 142 : 122));
    panel3_->move(panel3_->x(), scaled(compactLayout_ ? 165 : 145));
    panel6_->move(panel6_->x(), scaled(compactLayout_ ? 209 : 169));
    panel7_->move(panel7_->x(), scaled(compactLayout_ ? 232 : 192));
}

QString TMainForm::statusPanelText(int panel) const
{
    return panel >= 0 && panel < kStatusPanelCount ? statusPanels_[panel]->text() : QString();
}

void TMainForm::setStatusPanel(int panel, const QString& text)
{
    if (panel >= 0 && panel < kStatusPanelCount)
        statusPanels_[panel]->setText(text);
}

void TMainForm::showModifiedOf(TMDIChild* child)
{
    const bool modified = child && child->document().modified;
    setStatusPanel(4, modified ? QStringLiteral("Modified") : QString());
}

namespace {

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
    connect(child, &TMDIChild::statusPanelChanged, this, &TMainForm::setStatusPanel);
    connect(child, &TMDIChild::selectionChanged, this, &TMainForm::UpdateClipboardCommands);
    connect(child, &TMDIChild::documentModified, this, [this, child] { showModifiedOf(child); });
    connect(child, &TMDIChild::undoStateChanged, this, &TMainForm::UpdateUndoCommands);
    connect(child, &TMDIChild::editLineRequested, this, [this, child] {
        // The header line has no dialog.
        tarvik::ProgramDocument& document = child->document();
        if (document.lines.cursor() != document.headerLine())
            screen_->editCurrentLine(document);
    });
    connect(child, &TMDIChild::orgLineRequested, this, [this] { runInstructionDialog(tarvik::kOrgCode); });
    connect(child, &TMDIChild::blankLineDialogRequested, this, [this] { runInstructionDialog(tarvik::kBlankCode); });
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
        child->ShowLinePosition(child->cursorRow() + child->topIndex());
        child->setFocus();
    }
    UpdateMenuItems();
}

bool TMainForm::askToCloseChild(TMDIChild* child)
{
    if (closingWithoutAsking_)
        return true;
    const int index = static_cast<int>(childOrder().indexOf(child));
    return index < 0 || lifecycle_.askToClose(*this, index) == tarvik::CloseAnswer::Close;
}

void TMainForm::UpdateMenuItems()
{
    const bool open = !documentWindows().isEmpty();
    for (QAction* item : {saveItem_, saveAsItem_, exportItem_, pasteItem_})
        item->setEnabled(open);
    for (QToolButton* button : {saveBtn_, pasteBtn_, findBtn_})
        button->setEnabled(open);
    for (QMenu* menu : {editMenu_, searchMenu_, viewMenu_, toolsMenu_, windowMenu_})
        menu->menuAction()->setEnabled(open);
    for (QWidget* widget : std::initializer_list<QWidget*>{panel1_, imagePanel_, qelBtn_, asmBtn_, addRegisterBtn_,
                                                           addBitBtn_, addLiteralBtn_, hexBtn_})
        widget->setVisible(open);
    panel8_->move(panel8_->x(), scaled(open ? kPinTitleTop : 0));
    if (open)
        return;
    // Cut and Copy would act on no document, and the panels would describe a closed one.
    UpdateClipboardCommands(0);
    for (int panel : {0, 2, 4})
        setStatusPanel(panel, QString());
    setStatusPanel(1, QStringLiteral("   0"));
}

void TMainForm::UpdateClipboardCommands(int selectedCount)
{
    const bool any = selectedCount != 0;
    cutBtn_->setEnabled(any);
    copyBtn_->setEnabled(any);
    cutItem_->setEnabled(any);
    copyItem_->setEnabled(any);
    deleteItem_->setEnabled(any);
}

void TMainForm::LineClick()
{
    if (TMDIChild* child = activeChild())
        UpdateClipboardCommands(child->document().lines.countSelected());
}

void TMainForm::fillWindowMenu()
{
    // Only the list under the fixed items is rebuilt: clearing the whole menu would delete
    // the items it owns.
    for (QAction* item : windowMenu_->actions()) {
        if (item->objectName().isEmpty()) {
            windowMenu_->removeAction(item);
            delete item;
        }
    }
    const QList<TMDIChild*> children = documentWindows();
    if (!children.isEmpty())
        windowMenu_->addSeparator();
    const TMDIChild* active = activeChild();
    for (qsizetype i = 0; i < children.size(); ++i) {
        QMdiSubWindow* window = subWindowOf(children[i]);
        QAction* item = windowMenu_->addAction(windowListCaption(static_cast<int>(i), children));
        item->setCheckable(true);
        item->setChecked(children[i] == active);
        connect(item, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (window)
                mdiArea_->setActiveSubWindow(window);
        });
    }
}

QMargins TMainForm::windowFrame() const
{
    const QWindow* window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

void TMainForm::applyWholeWindowLimits()
{
    const QMargins frame = windowFrame();
    if (limitsApplied_ && frame == limitsFrame_)
        return;
    limitsApplied_ = true;
    limitsFrame_ = frame;
    const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
    setMinimumSize(scaled(kMinimumSize) - extra);
    setMaximumSize(scaled(kMaximumSize) - extra);
}

void TMainForm::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    applyWholeWindowLimits();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyWholeWindowLimits();
    if (!awaitingMaximisedSize_ || !isMaximized() || event->size() == sizeBeforeMaximised_)
        return;
    awaitingMaximisedSize_ = false;
    // Windows opened before the maximised size arrived take their size from it, unless
    // the user has moved or sized them meanwhile.
    const QRect frame = frameGeometry();
    for (const auto& [window, placed] : std::as_const(sizedBeforeMaximised_))
        if (window && window->geometry() == placed)
            window->resize(frame.width() - scaled(280), frame.height() - scaled(103));
    sizedBeforeMaximised_.clear();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (firstShown_)
        return;
    firstShown_ = true;
    // The system may apply the maximised size later; resizeEvent catches it.
    sizeBeforeMaximised_ = size();
    awaitingMaximisedSize_ = !isMaximized();
    setWindowState(windowState() | Qt::WindowMaximized);
    setStatusPanel(1, QStringLiteral("   0"));
    openFiles(startupFiles_);
    startupFiles_.clear();
    if (documentWindows().isEmpty())
        FileNewItemClick();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!lifecycle_.confirmExit(*this)) {
        // A Yes among the answers may have saved the active document.
        showModifiedOf(activeChild());
        event->ignore();
        return;
    }
    event->accept();
}

void TMainForm::FileNewItemClick()
{
    lifecycle_.newDocument(*this);
}

void TMainForm::FileOpenItemClick()
{
    lifecycle_.open(*this);
}

void TMainForm::FileSaveItemClick()
{
    if (TMDIChild* child = activeChild()) {
        if (lifecycle_.save(*this, static_cast<int>(childOrder().indexOf(child))) == tarvik::SaveResult::Saved)
            child->markSaved();
        showModifiedOf(child);
    }
}

void TMainForm::FileSaveAsItemClick()
{
    if (TMDIChild* child = activeChild()) {
        if (lifecycle_.saveAs(*this, static_cast<int>(childOrder().indexOf(child))) == tarvik::SaveResult::Saved)
            child->markSaved();
        showModifiedOf(child);
    }
}

void TMainForm::FileExportItemClick()
{
    TMDIChild* child = activeChild();
    if (!child)
        return;
    tarvik::ProgramDocument& document = child->document();
    // Next to the program, under its name; an untitled one under its window caption.
    const QMdiSubWindow* window = subWindowOf(child);
    QString suggested = (window ? window->windowTitle() : QStringLiteral("Untitled")) + QStringLiteral(".asm");
    if (!document.untitled) {
        const QFileInfo program(QFile::decodeName(document.fileName.c_str()));
        suggested = program.dir().filePath(program.completeBaseName() + QStringLiteral(".asm"));
    }
    std::optional<std::string> path;
    if (chooseExportFile) {
        path = chooseExportFile(suggested);
    } else {
        QFileDialog dialog(this, QStringLiteral("Export MPASM Source"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("MPASM source files (*.asm)"));
        dialog.setDefaultSuffix(QStringLiteral("asm"));
        dialog.selectFile(suggested);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    }
    if (!path || path->empty())
        return;
    tarvik::exportMpasmFile(document, *screen_, *path);
    // A definition offered for a failing line may have added a symbol.
    showModifiedOf(child);
}

void TMainForm::FileImportItemClick()
{
    std::optional<std::string> path;
    if (chooseImportFile) {
        path = chooseImportFile();
    } else {
        const QString chosen = QFileDialog::getOpenFileName(
            this, QStringLiteral("Import MPASM Source"), QString(),
            QStringLiteral("MPASM source files (*.asm *.inc);;All files (*)"));
        if (!chosen.isEmpty())
            path = QFile::encodeName(chosen).toStdString();
    }
    if (!path || path->empty())
        return;
    if (tarvik::importMpasmFile(*this, *screen_, defaults_, *path))
        showModifiedOf(activeChild());
}

void TMainForm::FileExitItemClick()
{
    close();
}

void TMainForm::WindowCloseAllItemClick()
{
    lifecycle_.closeAll(*this);
    UpdateMenuItems();
}

void TMainForm::HelpAboutItemClick()
{
    TfrmAbout about(this);
    about.exec();
}

void TMainForm::spbtnQELClick()
{
    displayMode_ = kSymbolicMode;
    if (TMDIChild* child = activeChild())
        child->setShownDisplayMode(displayMode_);
}

void TMainForm::spbtnASMClick()
{
    displayMode_ = kMpasmMode;
    if (TMDIChild* child = activeChild())
        child->setShownDisplayMode(displayMode_);
}

void TMainForm::runInstructionDialog(int code)
{
    const tarvik::InstructionInfo* info = tarvik::instructionInfo(code);
    const std::string name = info ? "Insert " + std::string(info->mnemonic)
                                  : code == tarvik::kOrgCode ? "ORG" : "Insert Blank";
    const auto step = undoStep(name.c_str());
    if (TMDIChild* child = activeChild())
        ::runInstructionDialog(*child, *screen_, code, this);
}

void TMainForm::editCurrentLine()
{
    const auto step = undoStep("Edit");
    if (TMDIChild* child = activeChild())
        EditCurrentLine(*child, *screen_, this);
}

void TMainForm::btnCutQELClick()
{
    const auto step = undoStep("Cut");
    if (TMDIChild* child = activeChild()) {
        tarvik::cutSelection(child->document(), lineClipboard_);
        showSelectionRemoved(child);
    }
}

void TMainForm::btnCopyQELClick()
{
    if (TMDIChild* child = activeChild())
        tarvik::copySelection(child->document(), lineClipboard_);
}

void TMainForm::btnPasteQELClick()
{
    const auto step = undoStep("Paste");
    TMDIChild* child = activeChild();
    if (!child)
        return;
    tarvik::pasteClipboard(lineClipboard_, child->document());
    child->ResetCursorToTop();
    child->ShowLinePosition(0);
    showModifiedOf(child);
}

void TMainForm::Delete2Click()
{
    const auto step = undoStep("Delete");
    if (TMDIChild* child = activeChild()) {
        tarvik::deleteSelection(child->document());
        showSelectionRemoved(child);
    }
}

void TMainForm::showSelectionRemoved(TMDIChild* child)
{
    child->ResetCursorToTop();
    child->ShowLinePosition(0);
    UpdateClipboardCommands(0);
    showModifiedOf(child);
}

void TMainForm::Se1Click()
{
    const auto step = undoStep("Select All");
    // The menu items follow with the buttons, as after a double click, so that Ctrl+X and
    // Ctrl+C work at once.
    if (TMDIChild* child = activeChild())
        UpdateClipboardCommands(child->SelectAllLines());
}
void TMainForm::Find1Click()
{
    const auto step = undoStep("Find");
    TMDIChild* child = activeChild();
    if (!child)
        return;
    TfrmFind dialog(child->document(), *screen_, [child] {
        child->ResetCursorToTop();
        child->ShowLinePosition(0);
    }, this);
    dialog.exec();
}

void TMainForm::Replace1Click()
{
    const auto step = undoStep("Replace");
    TMDIChild* child = activeChild();
    if (!child)
        return;
    TfrmReplace dialog(child->document(), *screen_, [child] {
        child->ResetCursorToTop();
        child->ShowLinePosition(0);
    }, this);
    dialog.exec();
    showModifiedOf(child);
}

void TMainForm::Registers1Click()
{
    const auto step = undoStep("Registers");
    if (TMDIChild* child = activeChild()) {
        TfrmNewRegisters dialog(child->document(), *screen_, this);
        dialog.setBrowseMode();
        dialog.exec();
    }
}

void TMainForm::Bits1Click()
{
    const auto step = undoStep("Bits");
    if (TMDIChild* child = activeChild()) {
        TfrmNewBits dialog(child->document(), *screen_, this);
        dialog.exec();
        showSymbolsChangedIn(child);
    }
}

void TMainForm::Constants1Click()
{
    const auto step = undoStep("Literals");
    if (TMDIChild* child = activeChild()) {
        TfrmNewConstants dialog(child->document(), *screen_, this);
        dialog.setBrowseMode();
        dialog.exec();
    }
}

void TMainForm::btnAddRegisterClick()
{
    const auto step = undoStep("Add Register");
    if (TMDIChild* child = activeChild()) {
        std::string added;
        TfrmNewRegisters dialog(child->document(), *screen_, this);
        dialog.setCallerText(&added);
        dialog.exec();
        showSymbolsChangedIn(child);
    }
}

void TMainForm::btnAddBitClick()
{
    const auto step = undoStep("Add Bit");
    if (TMDIChild* child = activeChild()) {
        std::string added;
        TfrmNewBits dialog(child->document(), *screen_, this);
        dialog.setCallerText(&added);
        dialog.exec();
        showSymbolsChangedIn(child);
    }
}

void TMainForm::btnAddLiteralClick()
{
    const auto step = undoStep("Add Literal");
    if (TMDIChild* child = activeChild()) {
        std::string added;
        TfrmNewConstants dialog(child->document(), *screen_, this);
        dialog.setCallerText(&added);
        dialog.setAddMode();
        dialog.exec();
        showSymbolsChangedIn(child);
    }
}

void TMainForm::showSymbolsChangedIn(TMDIChild* child)
{
    // Bit operands are drawn under their current names.
    child->update();
    showModifiedOf(child);
}
void TMainForm::btnHexClick()
{
    const auto step = undoStep("Convert to Hex");
    TMDIChild* child = activeChild();
    if (!child)
        return;
    const tarvik::ConvertOutcome outcome = tarvik::convertToHex(child->document(), *screen_, hexImage_);
    // A definition offered for a failing line may have added a symbol.
    showModifiedOf(child);
    // A failed write still shows the viewer: it holds an older file of that name, or says
    // that there is none.
    if (outcome.status != tarvik::ConvertStatus::Written && outcome.status != tarvik::ConvertStatus::WriteFailed)
        return;
    TfrmHexFile viewer(*screen_, this);
    viewer.setFileName(outcome.hexFileName);
    viewer.exec();
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
    addDocumentWindow(std::move(document), QFile::decodeName(QByteArray::fromStdString(caption)));
}

void TMainForm::activateDocument(int index)
{
    if (QMdiSubWindow* window = subWindowOf(childOrder().at(index)))
        mdiArea_->setActiveSubWindow(window);
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
