#include "app/SimulatorController.h"

#include "app/PinDiagram.h"
#include "app/TMainForm.h"
#include "app/TimingDiagram.h"
#include "editor/ProgramText.h"
#include "editor/TMDIChild.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>
#include <cmath>
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

struct SpeedChoice {
    RunSpeed speed;
    const char* name;
    const char* caption;
    const char* running;  // the status while a run goes at this speed
};
constexpr std::array<SpeedChoice, 6> kSpeeds = {{
    {RunSpeed::RealTime, "SpeedRealTime1", "x1 (&real time)", "Running at x1 (real time)"},
    {RunSpeed::Tenth, "SpeedTenth1", "x&1/10", "Running at x1/10"},
    {RunSpeed::Hundredth, "SpeedHundredth1", "x1/1&00", "Running at x1/100"},
    {RunSpeed::Thousandth, "SpeedThousandth1", "&x1/1000", "Running at x1/1000"},
    {RunSpeed::Animate, "SpeedAnimate1", "&Animate", "Animating"},
    {RunSpeed::Unlimited, "SpeedUnlimited1", "As &fast as possible", "Running as fast as possible"},
}};

const SpeedChoice& choiceOf(RunSpeed speed)
{
    for (const SpeedChoice& choice : kSpeeds)
        if (choice.speed == speed)
            return choice;
    return kSpeeds[0];
}

constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::int64_t kBehindShownNs = 1'000'000'000;  // "cannot keep up" stays this long
constexpr std::int64_t kRateWindowNs = 500'000'000;     // the speed reached is measured over this
constexpr std::uint64_t kChunkSteps = 100'000;           // between looks at the clock
constexpr double kRunShare = 0.7;                        // of each tick; the rest is the window's
constexpr int kMessageMs = 5000;  // how long a message stays when nothing replaces it

} // namespace

SimulatorController::SimulatorController(TMainForm* form, PinDiagram* pins)
    : QObject(form), form_(form), pins_(pins)
{
    setObjectName(QStringLiteral("SimulatorController"));
    shownValues_.fill(-1);
    shownW_ = -1;
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
    runTimer_.setTimerType(Qt::PreciseTimer);
    connect(&runTimer_, &QTimer::timeout, this, &SimulatorController::runSlice);
    connect(form_->mdiArea(), &QMdiArea::subWindowActivated, this, &SimulatorController::activeWindowChanged);
    connect(pins_, &PinDiagram::pinClicked, this, &SimulatorController::togglePin);
    updateActions();
}

SimulatorController::~SimulatorController()
{
    // The editor and the pin diagram outlive the controller; they must not call back into it.
    if (child_)
        child_->setRowOverlay({});
    pins_->setPinStates({});
    timing_->setTrace(nullptr);
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
        if (key)
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
    runItem_ = add("Run1", QStringLiteral("R&un"), Qt::Key_F9, QStringLiteral("Run until a breakpoint, Halt or SLEEP"),
                   &SimulatorController::RunClick);
    haltItem_ = add("Halt1", QStringLiteral("&Halt"), Qt::Key_F5, QStringLiteral("Stop the running program"),
                    &SimulatorController::HaltClick);
    runToCursorItem_ = add("RunToCursor1", QStringLiteral("Run to &Cursor"), Qt::Key_F4,
                           QStringLiteral("Run until the cursor line"), &SimulatorController::RunToCursorClick);
    breakpointItem_ = add("ToggleBreakpoint1", QStringLiteral("Toggle &Breakpoint"), Qt::Key_F2,
                          QStringLiteral("Set or clear a breakpoint on the cursor line"),
                          &SimulatorController::ToggleBreakpointClick);
    resetStopwatchItem_ = menu_->addAction(QStringLiteral("Reset &Stopwatch"));
    resetStopwatchItem_->setObjectName(QStringLiteral("ResetStopwatch1"));
    resetStopwatchItem_->setStatusTip(QStringLiteral("Set the stopwatch of the Registers window to zero"));
    connect(resetStopwatchItem_, &QAction::triggered, this, &SimulatorController::ResetStopwatchClick);

    QMenu* speeds = menu_->addMenu(QStringLiteral("Run S&peed"));
    speeds->setObjectName(QStringLiteral("RunSpeed1"));
    speedItems_ = new QActionGroup(this);
    for (const SpeedChoice& choice : kSpeeds) {
        QAction* item = speeds->addAction(QString::fromLatin1(choice.caption));
        item->setObjectName(QString::fromLatin1(choice.name));
        item->setCheckable(true);
        item->setChecked(choice.speed == speed_);
        item->setActionGroup(speedItems_);
        connect(item, &QAction::triggered, this, [this, speed = choice.speed] { setSpeed(speed); });
    }

    menu_->addSeparator();
    saveWaveformItem_ = add("SaveWaveform1", QStringLiteral("Save Wa&veform..."), Qt::Key(0),
                            QStringLiteral("Save the pins' changes as a value change dump (VCD)"),
                            &SimulatorController::SaveWaveformClick);
    loadStimulusItem_ = add("LoadStimulus1", QStringLiteral("Load S&timulus..."), Qt::Key(0),
                            QStringLiteral("Drive input pins from a file of CYCLE PIN LEVEL lines"),
                            &SimulatorController::LoadStimulusClick);
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

void SimulatorController::setWallClock(std::function<std::int64_t()> clock)
{
    wallClock_ = std::move(clock);
}

std::int64_t SimulatorController::wallNs() const
{
    if (wallClock_)
        return wallClock_();
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.nsecsElapsed();
}

bool SimulatorController::ensureSession()
{
    TMDIChild* active = form_->activeChild();
    if (session_ && child_ && active && active != child_) {
        switch (askToSwitch(active)) {
        case SwitchAnswer::Cancel: return false;
        case SwitchAnswer::Stay: break;
        case SwitchAnswer::Switch:
            endSession(QStringLiteral("Simulation ended: %1 is simulated instead").arg(active->parentWidget()->windowTitle()));
            return startSession(active);
        }
    }
    if (session_)
        return programUnchanged();
    return active && startSession(active);
}

SimulatorController::SwitchAnswer SimulatorController::askToSwitch(TMDIChild* active)
{
    const QString simulated = documentName();
    const QString other = active->parentWidget()->windowTitle();
    const QString question = QStringLiteral("%1 is being simulated.\n\nYes: end its simulation and simulate %2.\n"
                                            "No: go on with %1.")
                                 .arg(simulated, other);
    switch (form_->screen().showMessage(kTarvikCaption, toProgramText(question), MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes: return SwitchAnswer::Switch;
    case MessageAnswer::No:
        // The commands go on in the simulated program's window, brought to the front.
        if (auto* window = qobject_cast<QMdiSubWindow*>(child_->parentWidget()))
            form_->mdiArea()->setActiveSubWindow(window);
        return SwitchAnswer::Stay;
    default: return SwitchAnswer::Cancel;
    }
}

bool SimulatorController::startSession(TMDIChild* child)
{
    SimProgram program;
    // Errors are reported as Convert to Hex reports them, with the dialog that can help.
    if (!assembleForSimulation(child->document(), form_->screen(), program))
        return false;
    session_ = std::make_unique<Session>(program);
    stopwatch_.reset(0);
    timedCommand_.clear();
    session_->chip().setClockHz(clockHz_);
    session_->chip().setWatchdogEnabled(watchdog_ || program.watchdogEnabled());
    session_->setTracing(true);
    child_ = child;
    stimulusName_.clear();
    shownValues_.fill(-1);
    shownW_ = -1;
    registersTable_->setRowCount(0);
    // Noticed once the window is gone, not while it is being torn down.
    childClosed_ = connect(child, &QObject::destroyed, this, [this] { windowOpen(); }, Qt::QueuedConnection);
    titleChanged_ = connect(child->parentWidget(), &QWidget::windowTitleChanged, this, &SimulatorController::updateTitles);
    child->setRowOverlay([this](QPainter& painter, int line, const QRect& row) { paintRow(painter, line, row); });
    pins_->setPinStates([this](int pin) -> std::optional<PinDiagram::PinState> {
        const auto port = portPin(pin);
        if (!session_ || !port)
            return std::nullopt;
        const Pic16c84& chip = session_->chip();
        return PinDiagram::PinState{chip.isOutput(port->first, port->second), chip.pinLevel(port->first, port->second)};
    });
    timing_->setTrace(&session_->trace());
    timing_->setClockHz(clockHz_);
    showPinRows();
    updateTitles();
    showDocks();
    setStatus(QStringLiteral("Simulation: reset"));
    refresh();
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
    timing_->setTrace(nullptr);
    timing_->setRows({});
    session_.reset();
    disconnect(childClosed_);
    disconnect(titleChanged_);
    if (child_) {
        child_->setRowOverlay({});
        child_->update();
    }
    child_ = nullptr;
    stimulusName_.clear();
    pins_->setPinStates({});
    for (QDockWidget* dock : {registersDock_, eepromDock_, timingDock_})
        dock->hide();
    updateTitles();
    setStatus(why);
    updateActions();
}

void SimulatorController::activeWindowChanged()
{
    updateActions();
    if (!session_ || !child_)
        return;
    // Another document in front does not stop the simulated one: the status says which runs.
    if (form_->activeChild() && form_->activeChild() != child_)
        setStatus(QStringLiteral("%1 is being simulated%2").arg(documentName(), running() ? QStringLiteral(" (running)") : QString()));
    else if (running())
        setStatus(runningText(wallNs()));
    else
        setStatus(QStringLiteral("Simulating %1").arg(documentName()));
}

void SimulatorController::ResetClick()
{
    if (!ensureSession())
        return;
    runTimer_.stop();
    session_->reset();
    stopwatch_.reset(0);
    resetRows();
    timing_->restart();
    setStatus(QStringLiteral("Simulation: reset"));
    refresh();
    updateActions();
}

void SimulatorController::StepIntoClick()
{
    if (running() || !ensureSession())
        return;
    // Through the session, so that the stimulus plays and the steps are counted.
    if (session_->run(1) == RunEnd::Asleep)
        showStop(RunEnd::Asleep);
    else
        setStatus(QStringLiteral("Stepped to %1").arg(lineText(session_->currentLine())));
    refresh();
}

void SimulatorController::StepOverClick()
{
    if (running() || !ensureSession())
        return;
    startTiming(QStringLiteral("Step Over"));
    if (const auto target = session_->stepOverTarget()) {
        startRun(target);
    } else {
        StepIntoClick();
        reportTiming();
    }
}

void SimulatorController::RunClick()
{
    if (running() || !ensureSession())
        return;
    timedCommand_.clear();
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
        setStatus(QStringLiteral("Run to Cursor: line %1 holds no instruction").arg(line));
        return;
    }
    startTiming(QStringLiteral("Run to Cursor"));
    startRun(static_cast<std::uint16_t>(address));
}

void SimulatorController::ToggleBreakpointClick()
{
    if (!ensureSession())
        return;
    const int line = child_->topIndex() + child_->cursorRow();
    const bool wasSet = session_->hasBreakpoint(line);
    if (!session_->toggleBreakpoint(line) && !wasSet)
        setStatus(QStringLiteral("Line %1 holds no instruction: no breakpoint").arg(line));
    child_->update();
}

void SimulatorController::EndSimulationClick()
{
    if (session_)
        endSession(QStringLiteral("Simulation ended"));
}

void SimulatorController::ResetStopwatchClick()
{
    if (!session_)
        return;
    stopwatch_.reset(session_->chip().cycles());
    setStatus(QStringLiteral("Stopwatch reset"));
    refresh();
}

void SimulatorController::startTiming(const QString& command)
{
    timedCommand_ = command;
    stopwatch_.start(session_->chip().cycles());
}

void SimulatorController::reportTiming(const QString& why)
{
    if (!session_ || timedCommand_.isEmpty())
        return;
    const QString report = QString::fromStdString(
        stopwatch_.lapText(timedCommand_.toStdString(), session_->chip().cycles(), clockHz()));
    timedCommand_.clear();
    // The figures first: a narrow status bar cuts the end off.
    setStatus(why.isEmpty() ? report : report + QStringLiteral("; ") + why);
    statusLabel_->setToolTip(statusLabel_->text());
}

void SimulatorController::setClockHz(std::uint32_t hz)
{
    clockHz_ = std::clamp<std::uint32_t>(hz, 32'000, 20'000'000);
    if (clockBox_->value() != static_cast<int>(clockHz_))
        clockBox_->setValue(static_cast<int>(clockHz_));
    timing_->setClockHz(clockHz_);
    emit clockChanged();
    if (session_) {
        session_->chip().setClockHz(clockHz_);
        restartPacing();
        refresh();
    }
}

void SimulatorController::setSpeed(RunSpeed speed)
{
    speed_ = speed;
    for (QAction* item : speedItems_->actions())
        item->setChecked(item->objectName() == QLatin1String(choiceOf(speed).name));
    const int index = static_cast<int>(&choiceOf(speed) - kSpeeds.data());
    if (speedBox_->currentIndex() != index)
        speedBox_->setCurrentIndex(index);
    if (running()) {
        restartPacing();
        setStatus(runningText(wallNs()));
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
        setStatus(name + QStringLiteral(" is an output: the program sets its level"));
        return;
    }
    // From the level shown, which may be a pull-up's rather than one set before.
    const bool high = !chip.pinLevel(port->first, port->second);
    chip.setInputPin(port->first, port->second, high);
    setStatus(QStringLiteral("%1 set %2").arg(name, high ? QStringLiteral("high") : QStringLiteral("low")));
    refresh();
}

void SimulatorController::startRun(std::optional<std::uint16_t> target)
{
    runTarget_ = target;
    // The window follows at the screen's rate.
    const QScreen* screen = form_->QWidget::screen();
    const double rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    runTimer_.setInterval(std::clamp(static_cast<int>(std::lround(1000.0 / rate)), 8, 40));
    restartPacing();
    runTimer_.start();
    setStatus(runningText(wallNs()));
    updateActions();
}

std::uint64_t SimulatorController::paceDone() const
{
    return paceUnit(speed_) == PaceUnit::Instructions ? session_->steps() : session_->chip().cycles();
}

void SimulatorController::restartPacing()
{
    if (!session_)
        return;
    const std::int64_t now = wallNs();
    paceOrigin_ = {now, paceDone()};
    behindUntilNs_ = 0;
    rateMarkNs_ = now;
    rateMarkCycles_ = session_->chip().cycles();
    reached_ = 0;
}

void SimulatorController::runSlice()
{
    // Changes to the program end the session as they are made, not here.
    if (!windowOpen())
        return;
    const std::int64_t start = wallNs();
    const std::int64_t budget = static_cast<std::int64_t>(runTimer_.interval() * kRunShare * kNsPerMs);
    const Pace pace = sim::pace(paceOrigin_, start, paceDone(), speed_, clockHz_);
    paceOrigin_ = pace.origin;
    if (pace.behind)
        behindUntilNs_ = start + kBehindShownNs;
    Pic16c84& chip = session_->chip();
    RunEnd end = RunEnd::Budget;
    if (pace.unlimited) {
        while (end == RunEnd::Budget && wallNs() - start < budget)
            end = session_->run(kChunkSteps, runTarget_);
    } else if (paceUnit(speed_) == PaceUnit::Instructions) {
        if (pace.due > 0)
            end = session_->run(pace.due, runTarget_);
    } else if (pace.due > 0) {
        const std::uint64_t until = chip.cycles() + pace.due;
        while (end == RunEnd::Budget && chip.cycles() < until) {
            end = session_->run(kChunkSteps, runTarget_, until);
            if (wallNs() - start >= budget)
                break;  // what is left is due next tick; a run that stays behind hears of it
        }
    }
    if (end != RunEnd::Budget) {
        runTimer_.stop();
        showStop(end);
        updateActions();
    } else if (!form_->activeChild() || form_->activeChild() == child_) {
        setStatus(runningText(wallNs()));
    }
    refresh();
}

QString SimulatorController::runningText(std::int64_t nowNs)
{
    if (!session_)
        return {};
    if (nowNs - rateMarkNs_ >= kRateWindowNs) {
        const double simulated = cyclesToSeconds(static_cast<double>(session_->chip().cycles() - rateMarkCycles_), clockHz_);
        reached_ = simulated * 1e9 / static_cast<double>(nowNs - rateMarkNs_);
        rateMarkNs_ = nowNs;
        rateMarkCycles_ = session_->chip().cycles();
    }
    const QString speed = QString::fromLatin1(choiceOf(speed_).running);
    const QString reached = reached_ > 0 ? QStringLiteral("x") + QString::number(reached_, 'g', 3) : QStringLiteral("...");
    if (nowNs < behindUntilNs_)
        return QStringLiteral("%1: this computer cannot keep up, reaching %2").arg(speed, reached);
    if (speed_ == RunSpeed::Unlimited)
        return QStringLiteral("%1 (%2)").arg(speed, reached);
    return speed;
}

void SimulatorController::stopRun(const QString& why)
{
    runTimer_.stop();
    setStatus(why);
    reportTiming(why);
    refresh();
    updateActions();
}

void SimulatorController::showStop(RunEnd end)
{
    const int line = session_->currentLine();
    switch (end) {
    case RunEnd::Breakpoint: setStatus(QStringLiteral("Breakpoint at %1").arg(lineText(line))); break;
    case RunEnd::Target: setStatus(QStringLiteral("Stopped at %1").arg(lineText(line))); break;
    case RunEnd::Asleep:
        setStatus(QStringLiteral("SLEEP without a wake-up source (%1): an input pin can wake it").arg(lineText(line)));
        break;
    case RunEnd::Budget: break;
    }
    // Where the command was to stop is told by the line's mark.
    reportTiming(end == RunEnd::Target ? QString() : statusLabel_->text());
}

QString SimulatorController::statusText() const
{
    return statusLabel_->text();
}

void SimulatorController::setStatus(const QString& text)
{
    // With another program in front, news of the simulation says whose it is.
    const QString name = documentName();
    const bool elsewhere = session_ && form_->activeChild() && form_->activeChild() != child_;
    statusLabel_->setText(elsewhere && !text.startsWith(name) ? name + QStringLiteral(": ") + text : text);
    newsLabel_->setText(text);
    messageTimer_.start();
}

QString SimulatorController::lineText(int line)
{
    // A program counter on a word no line gave (past the program's end) is on no line.
    return line >= 0 ? QStringLiteral("line %1").arg(line) : QStringLiteral("no line");
}

void SimulatorController::updateActions()
{
    const bool canStart = session_ || form_->activeChild();
    for (QAction* item : {resetItem_, stepIntoItem_, stepOverItem_, runItem_, runToCursorItem_, loadStimulusItem_})
        item->setEnabled(canStart && !running());
    breakpointItem_->setEnabled(canStart);
    haltItem_->setEnabled(running());
    saveWaveformItem_->setEnabled(session_ != nullptr);
    endItem_->setEnabled(session_ != nullptr);
    resetStopwatchItem_->setEnabled(session_ != nullptr);
    watchButton_->setEnabled(session_ != nullptr);
    for (QDockWidget* dock : {registersDock_, eepromDock_, timingDock_})
        dock->toggleViewAction()->setEnabled(session_ != nullptr);
    // Values are typed in while the program stands still.
    const auto triggers = session_ && !running()
        ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked | QAbstractItemView::AnyKeyPressed
        : QAbstractItemView::NoEditTriggers;
    registersTable_->setEditTriggers(triggers);
    eepromTable_->setEditTriggers(triggers);
}
