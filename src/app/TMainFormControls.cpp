// The frame's controls: the menus, the speed bar, the instruction palette with the pin
// diagram and the status bar; how they are laid out for the screen, and what they show
// of the active document.

#include "app/TMainForm.h"
#include "dialogs/device/DeviceDialogs.h"
#include "dialogs/device/TfrmProgramChip.h"

#include "app/ExamplesMenu.h"
#include "app/RecentFiles.h"
#include "app/Glyphs.h"
#include "app/PinDiagram.h"
#include "app/SimulatorController.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"
#include "model/InstructionCode.h"
#include "timing/LineCycles.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <array>

namespace {

// A message longer than its panel ends in an ellipsis rather than a cut letter; a path
// (a recent file, an example) loses its middle, where the folders are.
class ElidedPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect room = contentsRect().adjusted(margin(), 0, -margin(), 0);
        const bool path = text().startsWith(QLatin1Char('/'));
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), path ? Qt::ElideMiddle : Qt::ElideRight, room.width()));
    }
};

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

// A hint holds the tool tip, a bar and the status-bar hint; without a bar it is both. A
// blank status-bar hint is none.
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
    return {QString(), QStringLiteral("9999"), fromProgramText(affected), QString(), QStringLiteral("Modified"), QString()};
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
        QString mnemonic = fromProgramText(info.mnemonic);
        mnemonic[0] = mnemonic[0].toUpper();
        button->setObjectName(QStringLiteral("btn") + mnemonic);
        button->setText(fromProgramText(info.paletteCaption));
        button->setGeometry(entry.left, entry.top, entry.width, 22);
        button->setFocusPolicy(Qt::NoFocus);
        applyHint(button, fromProgramText(info.paletteHint));
        const int code = entry.code;
        QObject::connect(button, &QToolButton::clicked, form, [form, code] { form->runInstructionDialog(code); });
    }
    return panel;
}

} // namespace

void TMainForm::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    file->menuAction()->setStatusTip(QStringLiteral("File related commands"));
    QAction* newItem = addItem(file, "FileNewItem", "&New", "Create a new file");
    newItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(newItem, &QAction::triggered, this, &TMainForm::FileNewItemClick);
    QAction* openItem = addItem(file, "FileOpenItem", "&Open...", "Open an existing file");
    openItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(openItem, &QAction::triggered, this, &TMainForm::FileOpenItemClick);
    QMenu* recent = file->addMenu(QStringLiteral("Open &Recent"));
    recent->setObjectName(QStringLiteral("FileRecentItem"));
    recent->menuAction()->setStatusTip(QStringLiteral("Open a program opened or saved lately"));
    recentFiles_ = new RecentFiles(
        recent, [this](const QString& path) { openFiles({path}); },
        [this](const QString& text) {
            screen_->showMessage(tarvik::kMessageCaption, tarvik::fileNameText(text.toStdString()),
                                 tarvik::MessageButtons::Ok);
        },
        this);
    saveItem_ = addItem(file, "FileSaveItem", "&Save", "Save current file");
    saveItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveItem_, &QAction::triggered, this, &TMainForm::FileSaveItemClick);
    saveAsItem_ = addItem(file, "FileSaveAsItem", "Save &As...", "Save current file as...");
    connect(saveAsItem_, &QAction::triggered, this, &TMainForm::FileSaveAsItemClick);
    exportItem_ = addItem(file, "FileExportItem", "&Export MPASM Source...", "Export current file as MPASM source");
    connect(exportItem_, &QAction::triggered, this, &TMainForm::FileExportItemClick);
    connect(addItem(file, "FileImportItem", "&Import MPASM Source...", "Import MPASM source as a new file"),
            &QAction::triggered, this, &TMainForm::FileImportItemClick);
    file->addMenu(createExamplesMenu(this, [this](const QString& path) { openExample(path); }));
    file->addSeparator();
    connect(addItem(file, "FileExitItem", "E&xit", "Exit the application"), &QAction::triggered, this,
            &TMainForm::FileExitItemClick);

    editMenu_ = bar->addMenu(QStringLiteral("&Edit"));
    editMenu_->setObjectName(QStringLiteral("Line"));
    connect(editMenu_, &QMenu::aboutToShow, this, &TMainForm::LineClick);
    connect(editMenu_, &QMenu::aboutToShow, this, &TMainForm::UpdateUndoCommands);
    undoItem_ = addItem(editMenu_, "Undo1", "&Undo");
    undoItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undoItem_, &QAction::triggered, this, &TMainForm::Undo1Click);
    redoItem_ = addItem(editMenu_, "Redo1", "&Redo");
    redoItem_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(redoItem_, &QAction::triggered, this, &TMainForm::Redo1Click);
    editMenu_->addSeparator();
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
    for (QAction* item : {undoItem_, redoItem_, cutItem_, copyItem_, pasteItem_, deleteItem_})
        item->setEnabled(false);

    using LineCommand = TMDIChild::LineCommand;
    editMenu_->addSeparator();
    addLineCommand("EditLine1", "&Edit Line...", LineCommand::Edit, [this] { editCurrentLine(); });
    addLineCommand("ActiveInactive2", "Active/&Inactive", LineCommand::ActiveInactive, [this] {
        documents_.run({}, [](TMDIChild& child) { child.ActiveInactive1Click(); });
    });
    addLineCommand("SelectDeselect2", "Select/Dese&lect", LineCommand::SelectDeselect, [this] {
        documents_.run({}, [](TMDIChild& child) { child.SelectDeselect1Click(); });
    });
    addLineCommand("DeselectAll1", "Deselect &All", LineCommand::DeselectAll, [this] {
        documents_.run({}, [](TMDIChild& child) { child.ClearSelection(); });
    });
    addLineCommand("ORG2", "&ORG...", LineCommand::Org, [this] { runInstructionDialog(tarvik::kOrgCode); });
    addLineCommand("InsertBlank2", "Insert &Blank...", LineCommand::InsertBlank,
                   [this] { runInstructionDialog(tarvik::kBlankCode); });
    addLineCommand("InsertInstruction1", "Insert I&nstruction...", LineCommand::PickInstruction,
                   [this] { pickInstruction(); });

    searchMenu_ = bar->addMenu(QStringLiteral("&Search"));
    searchMenu_->setObjectName(QStringLiteral("Search1"));
    QAction* findItem = addItem(searchMenu_, "Find1", "&Find...");
    findItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(findItem, &QAction::triggered, this, &TMainForm::Find1Click);
    QAction* replaceItem = addItem(searchMenu_, "Replace1", "&Replace...");
    replaceItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(replaceItem, &QAction::triggered, this, &TMainForm::Replace1Click);

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
    // Ctrl+W and Ctrl+F4 close the active window through its own window menu, which asks
    // as its close box does.
    connect(addItem(windowMenu_, "WindowCloseAllItem", "&Close All"), &QAction::triggered, this,
            &TMainForm::WindowCloseAllItemClick);
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
    connect(addItem(toolsMenu_, "InsertDelay1", "Insert &Delay...", "Insert a delay exact to the cycle"),
            &QAction::triggered, this, &TMainForm::InsertDelay1Click);
    toolsMenu_->addSeparator();
    const auto deviceCommand = [this](const char* name, const char* caption, std::string undoName, auto run) {
        connect(addItem(toolsMenu_, name, caption), &QAction::triggered, this, [this, undoName, run] {
            documents_.run(undoName, [this, run](TMDIChild& child) { run(child.document(), *screen_, this); });
        });
    };
    deviceCommand("ConfigurationWord1", "Con&figuration Word...", "Configuration Word", runConfigWordDialog);
    deviceCommand("EepromData1", "&EEPROM Data...", "EEPROM Data", runEepromDataDialog);
    deviceCommand("ProgramChip1", "&Program Chip...", "Program Chip", runProgramChip);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* guideItem = addItem(help, "HelpGuideItem", "&User Guide", "Open the user guide");
    guideItem->setShortcut(QKeySequence(Qt::Key_F1));
    connect(guideItem, &QAction::triggered, this, &TMainForm::HelpGuideItemClick);
    connect(addItem(help, "HelpAboutItem", "&About..."), &QAction::triggered, this,
            &TMainForm::HelpAboutItemClick);
}

void TMainForm::addLineCommand(const char* name, const char* caption, TMDIChild::LineCommand keys,
                               const std::function<void()>& command)
{
    QAction* item = addItem(editMenu_, name, caption);
    item->setShortcut(TMDIChild::keysOf(keys));
    // Space and Escape belong to whatever else has the focus, a dock's table or a box.
    item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(item, &QAction::triggered, this, command);
    lineItems_.append(item);
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
    auto* syntaxGroup = new QButtonGroup(bar);
    syntaxGroup->setExclusive(true);
    for (QToolButton* button : {qelBtn_, asmBtn_}) {
        button->setCheckable(true);
        syntaxGroup->addButton(button);
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
    imagePanel_->setGeometry(3, kPinTitleTop + 24, 239, kPinDiagramHeight);
    panel1_->installEventFilter(this);
    return panel1_;
}

void TMainForm::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const std::array<QString, kStatusPanelCount> longest = longestStatusTexts();
    for (int i = 0; i < kStatusPanelCount; ++i) {
        auto* panel = i + 1 < kStatusPanelCount ? new QLabel(bar) : new ElidedPanel(bar);
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
            // The last panel, the cycles of a selection, runs to the end of the bar and gives
            // way in a narrow window, so the panels before it never overlap.
            // A long hint must not ask for room either: the panels before it would move.
            panel->setMinimumWidth(0);
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            bar->addWidget(panel, 1);
        }
        statusPanels_[i] = panel;
    }
}

void TMainForm::fitToScreen(const QSize& maximisedArea)
{
    const int h = maximisedArea.height();
    const int w = maximisedArea.width();
    compactLayout_ = h < scaled(500) && w < scaled(700);
    // The sizes are of the whole window, frame and title bar included, so that on a small
    // screen the status bar stays on it.
    const QRect whole = h < scaled(620) && w < scaled(820) ? QRect(0, 0, w, h) : QRect(QPoint(30, 30), scaled(kMaximumSize));
    setGeometry(whole.marginsRemoved(windowFrame()));

    // Too little height for the pin diagram: drop it and close the palette up.
    panel8_->setVisible(!compactLayout_);
    fitPinDiagram();
    panel5_->move(panel5_->x(), scaled(compactLayout_ ? 142 : 122));
    panel3_->move(panel3_->x(), scaled(compactLayout_ ? 165 : 145));
    panel6_->move(panel6_->x(), scaled(compactLayout_ ? 209 : 169));
    panel7_->move(panel7_->x(), scaled(compactLayout_ ? 232 : 192));
}

void TMainForm::fitPinDiagram()
{
    // Right under its title; the fonts of a desktop make the rows above it taller than
    // those the palette was drawn for, so it takes what height is left, up to its own.
    const int top = panel8_->geometry().bottom() + 1 + scaled(2);
    const int room = panel1_->isVisible() ? panel1_->height() - top - scaled(2) : scaled(kPinDiagramHeight);
    imagePanel_->move(imagePanel_->x(), top);
    imagePanel_->setFixedHeight(compactLayout_ ? 0 : std::clamp(room, 0, scaled(kPinDiagramHeight)));
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

int TMainForm::scaled(int length) const
{
    return qRound(length * uiScale_);
}

QSize TMainForm::scaled(const QSize& size) const
{
    return {scaled(size.width()), scaled(size.height())};
}

void TMainForm::scaleForDensity()
{
    if (uiScale_ == 1.0)
        return;
    auto scaleGeometry = [this](QWidget* widget) {
        const QRect r = widget->geometry();
        widget->setGeometry(scaled(r.x()), scaled(r.y()), scaled(r.width()), scaled(r.height()));
    };
    // Every palette piece sits at a fixed place inside its parent panel.
    for (QWidget* widget : panel1_->findChildren<QWidget*>())
        scaleGeometry(widget);
    panel1_->setFixedWidth(scaled(panel1_->width()));

    if (auto* bar = findChild<QFrame*>(QStringLiteral("SpeedBar"))) {
        bar->setFixedHeight(scaled(bar->height()));
        for (QToolButton* button : bar->findChildren<QToolButton*>()) {
            scaleGeometry(button);
            button->setIconSize(scaled(button->iconSize()));
        }
    }
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
    if (simulator_) {
        if (auto* simulate = findChild<QMenu*>(QStringLiteral("Simulate1")))
            simulate->menuAction()->setEnabled(open);
        simulator_->updateActions();
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{panel1_, imagePanel_, qelBtn_, asmBtn_, addRegisterBtn_,
                                                           addBitBtn_, addLiteralBtn_, hexBtn_})
        widget->setVisible(open);
    panel8_->move(panel8_->x(), scaled(open ? kPinTitleTop : 0));
    fitPinDiagram();
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
    showSelectedCycles();
}

void TMainForm::showSelectedCycles()
{
    TMDIChild* child = activeChild();
    if (!child || !simulator_) {
        setStatusPanel(5, QString());
        return;
    }
    const tarvik::CycleSum sum = tarvik::selectedCycles(child->document());
    const std::uint32_t clock = simulator_->clockHz();
    setStatusPanel(5, QString::fromStdString(tarvik::cycleSumText(sum, clock)));
    statusPanels_[5]->setToolTip(sum.instructions == 0 ? QString()
        : QStringLiteral("The Selected lines taken straight through, each once, at %1")
              .arg(QString::fromStdString(tarvik::clockText(clock))));
}

void TMainForm::LineClick()
{
    if (TMDIChild* child = activeChild())
        UpdateClipboardCommands(child->document().lines.countSelected());
}

void TMainForm::UpdateUndoCommands()
{
    // The client area comes after the menus.
    if (!mdiArea_)
        return;
    const TMDIChild* child = activeChild();
    const tarvik::UndoHistory* history = child ? &child->undoHistory() : nullptr;
    auto caption = [](const char* verb, const std::string& name) {
        return name.empty() ? QString::fromLatin1(verb)
                            : QStringLiteral("%1 %2").arg(QLatin1String(verb), QString::fromStdString(name));
    };
    undoItem_->setEnabled(history && history->canUndo());
    undoItem_->setText(caption("&Undo", history ? history->undoName() : std::string()));
    redoItem_->setEnabled(history && history->canRedo());
    redoItem_->setText(caption("&Redo", history ? history->redoName() : std::string()));
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

void TMainForm::showDeviceOf(TMDIChild* child)
{
    const QString chip = QString::fromLatin1(
        tarvik::deviceName(child ? child->document().device() : tarvik::Device::Pic16C84));
    if (auto* title = panel1_->findChild<QLabel*>(QStringLiteral("Panel4")))
        title->setText(QStringLiteral(" %1  byte-oriented instructions").arg(chip));
    if (auto* title = qobject_cast<QLabel*>(panel8_))
        title->setText(QStringLiteral(" %1 - Pin Diagram").arg(chip));
    imagePanel_->setChipName(chip);
}

void TMainForm::showDocumentState(TMDIChild& child)
{
    showDeviceOf(&child);
    // Operands are drawn under their symbols' current names.
    child.update();
    // A dialog attaches a new line's comment after the line is in: the panels follow now.
    child.ShowLinePosition(child.cursorRow() + child.topIndex());
    showModifiedOf(&child);
    UpdateClipboardCommands(child.document().lines.countSelected());
    UpdateUndoCommands();
}
