#include "app/SimulatorController.h"

#include "app/PinDiagram.h"
#include "app/TMainForm.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"

#include <QAction>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

using namespace tarvik;
using namespace tarvik::sim;

namespace {

// Checks whether the program still assembles to what runs, without a word to the user.
class SilentScreen : public Screen {
public:
    MessageAnswer showMessage(std::string_view, std::string_view, MessageButtons) override
    {
        return MessageAnswer::Cancel;
    }
};

// The port pin of each package pin: port and bit, or none.
std::optional<std::pair<Port, int>> portPin(int pin)
{
    switch (pin) {
    case 1: return std::pair{Port::A, 2};
    case 2: return std::pair{Port::A, 3};
    case 3: return std::pair{Port::A, 4};
    case 17: return std::pair{Port::A, 0};
    case 18: return std::pair{Port::A, 1};
    default:
        if (pin >= 6 && pin <= 13)
            return std::pair{Port::B, pin - 6};
        return std::nullopt;
    }
}

QString hex(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// A program counter on a word no line gave (past the program's end) is on no line.
QString lineText(int line)
{
    return line >= 0 ? QStringLiteral("line %1").arg(line) : QStringLiteral("no line");
}

constexpr int kMessageMs = 5000;  // how long a message stays when nothing replaces it

constexpr int kRunIntervalMs = 33;  // about 30 repaints a second
constexpr int kSliceBudgetMs = 25;  // leaves the rest of each interval to the window

} // namespace

SimulatorController::SimulatorController(TMainForm* form, PinDiagram* pins)
    : QObject(form), form_(form), pins_(pins)
{
    setObjectName(QStringLiteral("SimulatorController"));
    shownValues_.fill(-1);
    createMenu();
    createDocks();
    statusLabel_ = new QLabel(form_->statusBar());
    statusLabel_->setObjectName(QStringLiteral("SimulatorStatus"));
    form_->statusBar()->addPermanentWidget(statusLabel_);

    messageTimer_.setSingleShot(true);
    messageTimer_.setInterval(kMessageMs);
    connect(&messageTimer_, &QTimer::timeout, this, [this] {
        if (!running())
            statusLabel_->clear();
    });
    runTimer_.setInterval(kRunIntervalMs);
    connect(&runTimer_, &QTimer::timeout, this, &SimulatorController::runSlice);
    connect(form_->mdiArea(), &QMdiArea::subWindowActivated, this, [this] { updateActions(); });
    connect(pins_, &PinDiagram::pinClicked, this, &SimulatorController::togglePin);
    updateActions();
}

SimulatorController::~SimulatorController()
{
    // The editor and the pin diagram outlive the controller; they must not call back into it.
    if (child_)
        child_->setRowOverlay({});
    pins_->setPinStates({});
}

void SimulatorController::createMenu()
{
    QMenuBar* bar = form_->menuBar();
    // Alt+S is Search's.
    menu_ = new QMenu(QStringLiteral("S&imulate"), bar);
    menu_->setObjectName(QStringLiteral("Simulate1"));
    QMenu* window = form_->findChild<QMenu*>(QStringLiteral("Window1"));
    bar->insertMenu(window ? window->menuAction() : nullptr, menu_);
    const auto add = [this](const char* name, const QString& caption, Qt::Key key, const QString& tip,
                            void (SimulatorController::*slot)()) {
        QAction* item = menu_->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        item->setShortcut(QKeySequence(key));
        item->setStatusTip(tip);
        connect(item, &QAction::triggered, this, slot);
        return item;
    };
    resetItem_ = add("Reset1", QStringLiteral("&Reset"), Qt::Key_F6, QStringLiteral("Power-on reset of the simulated chip"),
                     &SimulatorController::ResetClick);
    stepIntoItem_ = add("StepInto1", QStringLiteral("Step &Into"), Qt::Key_F7, QStringLiteral("Run one instruction"),
                        &SimulatorController::StepIntoClick);
    stepOverItem_ = add("StepOver1", QStringLiteral("Step &Over"), Qt::Key_F8,
                        QStringLiteral("Run one instruction; a call runs until it returns"),
                        &SimulatorController::StepOverClick);
    runItem_ = add("Run1", QStringLiteral("&Run"), Qt::Key_F9, QStringLiteral("Run until a breakpoint, Halt or SLEEP"),
                   &SimulatorController::RunClick);
    haltItem_ = add("Halt1", QStringLiteral("&Halt"), Qt::Key_F5, QStringLiteral("Stop the running program"),
                    &SimulatorController::HaltClick);
    runToCursorItem_ = add("RunToCursor1", QStringLiteral("Run to &Cursor"), Qt::Key_F4,
                           QStringLiteral("Run until the cursor line"), &SimulatorController::RunToCursorClick);
    breakpointItem_ = add("ToggleBreakpoint1", QStringLiteral("Toggle &Breakpoint"), Qt::Key_F2,
                          QStringLiteral("Set or clear a breakpoint on the cursor line"),
                          &SimulatorController::ToggleBreakpointClick);
    menu_->addSeparator();
    watchdogItem_ = menu_->addAction(QStringLiteral("&Watchdog Timer"));
    watchdogItem_->setObjectName(QStringLiteral("Watchdog1"));
    watchdogItem_->setCheckable(true);
    watchdogItem_->setStatusTip(QStringLiteral("Run with the watchdog timer on"));
    connect(watchdogItem_, &QAction::toggled, this, [this](bool on) {
        watchdog_ = on;
        if (session_)
            session_->chip().setWatchdogEnabled(on || session_->program().watchdogEnabled());
    });
    endItem_ = menu_->addAction(QStringLiteral("&End Simulation"));
    endItem_->setObjectName(QStringLiteral("EndSimulation1"));
    connect(endItem_, &QAction::triggered, this, &SimulatorController::EndSimulationClick);
}

void SimulatorController::createDocks()
{
    registersDock_ = new QDockWidget(QStringLiteral("Registers"), form_);
    registersDock_->setObjectName(QStringLiteral("RegistersDock"));
    auto* panel = new QWidget(registersDock_);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(4, 4, 4, 4);
    coreLabel_ = new QLabel(panel);
    coreLabel_->setObjectName(QStringLiteral("labCore"));
    coreLabel_->setTextFormat(Qt::RichText);
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    coreLabel_->setFont(fixed);
    column->addWidget(coreLabel_);
    auto* clockRow = new QHBoxLayout;
    clockRow->addWidget(new QLabel(QStringLiteral("Clock:"), panel));
    clockBox_ = new QDoubleSpinBox(panel);
    clockBox_->setObjectName(QStringLiteral("txtClock"));
    clockBox_->setRange(0.001, 40.0);
    clockBox_->setDecimals(3);
    clockBox_->setSuffix(QStringLiteral(" MHz"));
    clockBox_->setValue(clockHz_ / 1e6);
    connect(clockBox_, &QDoubleSpinBox::valueChanged, this, [this](double mhz) { setClockHz(mhz * 1e6); });
    clockRow->addWidget(clockBox_);
    clockRow->addStretch();
    column->addLayout(clockRow);
    registersTable_ = new QTableWidget(0, 4, panel);
    registersTable_->setObjectName(QStringLiteral("lvRegisters"));
    registersTable_->setHorizontalHeaderLabels({QStringLiteral("Register"), QStringLiteral("Addr"),
                                                QStringLiteral("Hex"), QStringLiteral("Binary")});
    registersTable_->verticalHeader()->hide();
    registersTable_->verticalHeader()->setDefaultSectionSize(18);
    registersTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    registersTable_->setFont(fixed);
    const QFontMetrics metrics(fixed);
    int tableWidth = 0;
    for (const auto& [index, sample] : {std::pair{0, "GPR0H0CXXX"}, {1, "Addr"}, {2, "Hex"}, {3, "00000000"}}) {
        registersTable_->setColumnWidth(index, metrics.horizontalAdvance(QLatin1String(sample)) + 10);
        tableWidth += registersTable_->columnWidth(index);
    }
    registersTable_->setMinimumWidth(tableWidth + 24);
    column->addWidget(registersTable_, 1);
    registersDock_->setWidget(panel);
    form_->addDockWidget(Qt::RightDockWidgetArea, registersDock_);

    eepromDock_ = new QDockWidget(QStringLiteral("EEPROM"), form_);
    eepromDock_->setObjectName(QStringLiteral("EepromDock"));
    eepromTable_ = new QTableWidget(8, 8, eepromDock_);
    eepromTable_->setObjectName(QStringLiteral("lvEeprom"));
    eepromTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    eepromTable_->setFont(fixed);
    for (int i = 0; i < 8; ++i) {
        eepromTable_->setHorizontalHeaderItem(i, new QTableWidgetItem(QString::number(i)));
        eepromTable_->setVerticalHeaderItem(i, new QTableWidgetItem(hex(i * 8, 2)));
    }
    eepromTable_->horizontalHeader()->setDefaultSectionSize(28);
    eepromTable_->verticalHeader()->setDefaultSectionSize(18);
    eepromDock_->setWidget(eepromTable_);
    form_->addDockWidget(Qt::RightDockWidgetArea, eepromDock_);
    registersDock_->hide();
    eepromDock_->hide();
}

bool SimulatorController::ensureSession()
{
    if (session_)
        return programUnchanged();
    TMDIChild* child = form_->activeChild();
    if (!child)
        return false;
    SimProgram program;
    // Errors are reported as Convert to Hex reports them, with the dialog that can help.
    if (!assembleForSimulation(child->document(), form_->screen(), program))
        return false;
    session_ = std::make_unique<Session>(program);
    session_->chip().setClockHz(static_cast<std::uint32_t>(clockHz_));
    session_->chip().setWatchdogEnabled(watchdog_ || program.watchdogEnabled());
    child_ = child;
    shownValues_.fill(-1);
    // Noticed once the window is gone, not while it is being torn down.
    childClosed_ = connect(child, &QObject::destroyed, this, [this] { windowOpen(); }, Qt::QueuedConnection);
    child->setRowOverlay([this](QPainter& painter, int line, const QRect& row) { paintRow(painter, line, row); });
    pins_->setPinStates([this](int pin) -> std::optional<PinDiagram::PinState> {
        const auto port = portPin(pin);
        if (!session_ || !port)
            return std::nullopt;
        const Pic16c84& chip = session_->chip();
        return PinDiagram::PinState{chip.isOutput(port->first, port->second), chip.pinLevel(port->first, port->second)};
    });
    // Registers under the program's names (the user's where given), both banks.
    registersTable_->setRowCount(0);
    for (const RegisterTable* file : {&child->document().registerFile0, &child->document().registerFile1}) {
        for (const RegisterEntry& entry : *file) {
            const int row = registersTable_->rowCount();
            registersTable_->insertRow(row);
            registersTable_->setItem(row, 0, new QTableWidgetItem(fromProgramText(entry.nameText())));
            registersTable_->setItem(row, 1, new QTableWidgetItem(hex(entry.address, 2)));
            registersTable_->item(row, 1)->setData(Qt::UserRole, entry.address);
            registersTable_->setItem(row, 2, new QTableWidgetItem);
            registersTable_->setItem(row, 3, new QTableWidgetItem);
        }
    }
    registersDock_->show();
    eepromDock_->show();
    say(QStringLiteral("Simulation: reset"));
    updateActions();
    return true;
}

bool SimulatorController::windowOpen()
{
    if (!session_)
        return false;
    if (!child_) {
        endSession(QStringLiteral("Simulation ended: the program's window closed"));
        return false;
    }
    return true;
}

bool SimulatorController::programUnchanged()
{
    if (!windowOpen())
        return false;
    SilentScreen silent;
    SimProgram now;
    const SimProgram& running = session_->program();
    if (!assembleForSimulation(child_->document(), silent, now) || now.words != running.words
        || now.lines != running.lines || now.eeprom != running.eeprom) {
        endSession(QStringLiteral("Simulation ended: the program changed"));
        return false;
    }
    return true;
}

void SimulatorController::endIfProgramChanged(TMDIChild* view)
{
    if (session_ && view == child_)
        programUnchanged();
}

void SimulatorController::endSession(const QString& why)
{
    runTimer_.stop();
    session_.reset();
    disconnect(childClosed_);
    if (child_) {
        child_->setRowOverlay({});
        child_->update();
    }
    child_ = nullptr;
    pins_->setPinStates({});
    registersDock_->hide();
    eepromDock_->hide();
    say(why);
    updateActions();
}

void SimulatorController::ResetClick()
{
    if (!ensureSession())
        return;
    runTimer_.stop();
    session_->reset();
    say(QStringLiteral("Simulation: reset"));
    refresh();
}

void SimulatorController::StepIntoClick()
{
    if (running() || !ensureSession())
        return;
    if (session_->chip().step() == StepOutcome::Asleep)
        showStop(RunEnd::Asleep);
    else
        statusLabel_->clear();
    refresh();
}

void SimulatorController::StepOverClick()
{
    if (running() || !ensureSession())
        return;
    if (const auto target = session_->stepOverTarget())
        startRun(target);
    else
        StepIntoClick();
}

void SimulatorController::RunClick()
{
    if (running() || !ensureSession())
        return;
    startRun(std::nullopt);
}

void SimulatorController::HaltClick()
{
    if (running())
        stopRun(QStringLiteral("Halted at %1").arg(lineText(session_->currentLine())));
}

void SimulatorController::RunToCursorClick()
{
    if (running() || !ensureSession())
        return;
    const int line = child_->topIndex() + child_->cursorRow();
    const int address = session_->program().addressOfLine(line);
    if (address < 0) {
        say(QStringLiteral("Run to Cursor: line %1 holds no instruction").arg(line));
        return;
    }
    startRun(static_cast<std::uint16_t>(address));
}

void SimulatorController::ToggleBreakpointClick()
{
    if (!ensureSession())
        return;
    const int line = child_->topIndex() + child_->cursorRow();
    const bool wasSet = session_->hasBreakpoint(line);
    if (!session_->toggleBreakpoint(line) && !wasSet)
        say(QStringLiteral("Line %1 holds no instruction: no breakpoint").arg(line));
    child_->update();
}

void SimulatorController::EndSimulationClick()
{
    if (session_)
        endSession(QStringLiteral("Simulation ended"));
}

void SimulatorController::setClockHz(double hz)
{
    clockHz_ = hz;
    if (session_) {
        session_->chip().setClockHz(static_cast<std::uint32_t>(hz));
        refresh();
    }
}

void SimulatorController::togglePin(int pin)
{
    const auto port = portPin(pin);
    if (!session_ || !port)
        return;
    Pic16c84& chip = session_->chip();
    const QString name = QStringLiteral("R%1%2").arg(port->first == Port::A ? 'A' : 'B').arg(port->second);
    if (chip.isOutput(port->first, port->second)) {
        say(name + QStringLiteral(" is an output: the program sets its level"));
        return;
    }
    chip.setInputPin(port->first, port->second, !chip.inputPin(port->first, port->second));
    say(QStringLiteral("%1 set %2").arg(name, chip.inputPin(port->first, port->second)
                                                                   ? QStringLiteral("high") : QStringLiteral("low")));
    refresh();
}

void SimulatorController::startRun(std::optional<std::uint16_t> target)
{
    runTarget_ = target;
    say(QStringLiteral("Running..."));
    runTimer_.start();
    updateActions();
}

void SimulatorController::runSlice()
{
    // Changes to the program end the session as they are made, not here.
    if (!windowOpen())
        return;
    QElapsedTimer clock;
    clock.start();
    RunEnd end = RunEnd::Budget;
    while (end == RunEnd::Budget && clock.elapsed() < kSliceBudgetMs)
        end = session_->run(sliceSteps_, runTarget_);
    if (end != RunEnd::Budget) {
        runTimer_.stop();
        showStop(end);
        updateActions();
    }
    refresh();
}

void SimulatorController::stopRun(const QString& why)
{
    runTimer_.stop();
    say(why);
    refresh();
    updateActions();
}

void SimulatorController::showStop(RunEnd end)
{
    const int line = session_->currentLine();
    switch (end) {
    case RunEnd::Breakpoint: say(QStringLiteral("Breakpoint at %1").arg(lineText(line))); break;
    case RunEnd::Target: say(QStringLiteral("Stopped at %1").arg(lineText(line))); break;
    case RunEnd::Asleep:
        say(QStringLiteral("SLEEP without a wake-up source (%1): an input pin can wake it").arg(lineText(line)));
        break;
    case RunEnd::Budget: break;
    }
}

void SimulatorController::say(const QString& text)
{
    statusLabel_->setText(text);
    messageTimer_.start();
}

QString SimulatorController::statusText() const
{
    return statusLabel_->text();
}

void SimulatorController::refresh()
{
    if (!session_)
        return;
    fillRegisters();
    fillEeprom();
    pins_->update();
    if (child_) {
        // After a step or a stop the program counter's line comes into view.
        const int line = session_->currentLine();
        if (!running() && line >= 0
            && (line < child_->topIndex() || line >= child_->topIndex() + child_->visibleRows()))
            child_->MoveCursorToLine(line);
        child_->update();
    }
}

void SimulatorController::fillRegisters()
{
    const Pic16c84& chip = session_->chip();
    QString stack;
    for (int i = 0; i < chip.stackDepth(); ++i)
        stack += QStringLiteral(" 0x") + hex(chip.stackEntry(i), 3);
    const int status = chip.peek(reg::STATUS);
    // STATUS bit by bit: the names over their values.
    static const char* const kStatusBits[8] = {"IRP", "RP1", "RP0", "TO", "PD", "Z", "DC", "C"};
    QString names, values;
    for (int i = 0; i < 8; ++i) {
        const QString name = QLatin1String(kStatusBits[i]);
        names += name + QLatin1Char(' ');
        values += QString::number((status >> (7 - i)) & 1).rightJustified(name.size()) + QLatin1Char(' ');
    }
    QString bits = names.trimmed() + QStringLiteral("<br>       ") + values.trimmed();
    bits.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
    const double seconds = chip.elapsedSeconds();
    coreLabel_->setText(QStringLiteral("W&nbsp;&nbsp;0x%1&nbsp;&nbsp;&nbsp;PC&nbsp;0x%2 (%3)<br>"
                                       "Stack:%4<br>STATUS&nbsp;%5<br>Cycles %6<br>Time&nbsp;&nbsp;&nbsp;%7 ms")
                            .arg(hex(chip.w(), 2), hex(chip.pc(), 3))
                            .arg(lineText(session_->currentLine()).replace(QLatin1Char(' '), QStringLiteral("&nbsp;")))
                            .arg(stack.isEmpty() ? QStringLiteral(" empty") : stack, bits)
                            .arg(chip.cycles())
                            .arg(seconds * 1000.0, 0, 'f', 3));
    const QColor changed(255, 235, 120);
    for (int row = 0; row < registersTable_->rowCount(); ++row) {
        const int address = registersTable_->item(row, 1)->data(Qt::UserRole).toInt();
        const int value = chip.peek(address);
        const int shown = shownValues_[static_cast<std::size_t>(address & 0xFF)];
        registersTable_->item(row, 2)->setText(hex(value, 2));
        registersTable_->item(row, 3)->setText(QStringLiteral("%1").arg(value, 8, 2, QLatin1Char('0')));
        const QBrush background = shown >= 0 && shown != value ? QBrush(changed) : QBrush();
        for (int column = 0; column < 4; ++column)
            registersTable_->item(row, column)->setBackground(background);
    }
    for (int address = 0; address < 256; ++address)
        shownValues_[static_cast<std::size_t>(address)] = chip.peek(address);
}

void SimulatorController::fillEeprom()
{
    const Pic16c84& chip = session_->chip();
    for (int i = 0; i < kEepromBytes; ++i) {
        QTableWidgetItem* item = eepromTable_->item(i / 8, i % 8);
        if (!item) {
            item = new QTableWidgetItem;
            eepromTable_->setItem(i / 8, i % 8, item);
        }
        item->setText(hex(chip.eeprom(i), 2));
    }
}

void SimulatorController::paintRow(QPainter& painter, int lineNumber, const QRect& row) const
{
    if (!session_)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBackgroundMode(Qt::TransparentMode);
    if (lineNumber == session_->currentLine()) {
        painter.fillRect(row, QColor(60, 200, 60, 60));
        QPainterPath arrow;
        const qreal middle = row.top() + row.height() / 2.0;
        arrow.moveTo(row.left() + 1, middle - 5);
        arrow.lineTo(row.left() + 9, middle);
        arrow.lineTo(row.left() + 1, middle + 5);
        arrow.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 150, 0));
        painter.drawPath(arrow);
    }
    if (session_->hasBreakpoint(lineNumber)) {
        painter.setPen(QPen(QColor(120, 0, 0), 1));
        painter.setBrush(QColor(220, 30, 30, lineNumber == session_->currentLine() ? 150 : 255));
        painter.drawEllipse(QRectF(row.left() + 1.5, row.top() + row.height() / 2.0 - 4, 8, 8));
    }
}

void SimulatorController::updateActions()
{
    const bool canStart = session_ || form_->activeChild();
    for (QAction* item : {resetItem_, stepIntoItem_, stepOverItem_, runItem_, runToCursorItem_, breakpointItem_})
        item->setEnabled(canStart && !running());
    breakpointItem_->setEnabled(canStart);
    haltItem_->setEnabled(running());
    endItem_->setEnabled(session_ != nullptr);
}
