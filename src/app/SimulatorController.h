#pragma once

#include "simulator/Session.h"
#include "simulator/SimProgram.h"
#include "timing/Stopwatch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QDockWidget;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QTableWidget;
class PinDiagram;
class TMainForm;
class TMDIChild;

// The Simulate menu and everything a simulation shows in the main window: the program
// counter's line and the breakpoints in the editor, the Registers and EEPROM docks, the
// live pin diagram and the reason a run stopped. A session runs the program of one document
// window as it was assembled; any change to that program ends the session.
class SimulatorController : public QObject {
    Q_OBJECT
public:
    // pins is the main window's pin diagram, which shows the simulated port pins.
    SimulatorController(TMainForm* form, PinDiagram* pins);
    ~SimulatorController() override;

    // A document's program changed: the session running it ends unless it still assembles
    // to what runs.
    void endIfProgramChanged(TMDIChild* view);

    // Simulate menu commands (F6, F7, F8, F9, F5, F4, F2).
    void ResetClick();
    void StepIntoClick();
    void StepOverClick();
    void RunClick();
    void HaltClick();
    void RunToCursorClick();
    void ToggleBreakpointClick();
    void EndSimulationClick();
    // Simulate > Reset Stopwatch: the Registers window counts the cycles from here, while
    // Step Over and Run to Cursor report in the status bar the cycles each took.
    void ResetStopwatchClick();

    bool active() const { return session_ != nullptr; }
    bool running() const { return runTimer_.isActive(); }
    tarvik::sim::Session* session() const { return session_.get(); }
    TMDIChild* simulatedWindow() const { return child_; }
    QString statusText() const;
    void setClockHz(double hz);
    // The clock set in the Registers window, which timing outside a session reads too.
    std::uint32_t clockHz() const;
    // A click on the pin diagram: an input pin's outside level toggles.
    void togglePin(int pin);

signals:
    void clockChanged();

private:
    bool ensureSession();
    void endSession(const QString& why);
    // False (and the session ended) when the program's window has closed.
    bool windowOpen();
    // False (and the session ended) when the program shown is no longer the one running.
    bool programUnchanged();
    void startRun(std::optional<std::uint16_t> target);
    void runSlice();
    void stopRun(const QString& why);
    void showStop(tarvik::sim::RunEnd end);
    // Starts timing a command for the stopwatch, and reports it in the status bar once done,
    // with why it stopped where that was not where it was to stop.
    void startTiming(const QString& command);
    void reportTiming(const QString& why = {});
    void refresh();
    void fillRegisters();
    void fillEeprom();
    void updateActions();
    void paintRow(class QPainter& painter, int lineNumber, const QRect& row) const;
    void createMenu();
    void createDocks();

    TMainForm* form_;
    PinDiagram* pins_;
    QPointer<TMDIChild> child_;
    QMetaObject::Connection childClosed_;
    std::unique_ptr<tarvik::sim::Session> session_;
    std::optional<std::uint16_t> runTarget_;
    QTimer runTimer_;
    std::uint64_t sliceSteps_ = 20000;
    bool watchdog_ = false;
    double clockHz_ = 4'000'000.0;
    tarvik::Stopwatch stopwatch_;
    QString timedCommand_;  // empty while no command is timed
    std::array<int, 256> shownValues_{};  // -1: not shown yet

    QMenu* menu_ = nullptr;
    QAction* resetItem_ = nullptr;
    QAction* stepIntoItem_ = nullptr;
    QAction* stepOverItem_ = nullptr;
    QAction* runItem_ = nullptr;
    QAction* haltItem_ = nullptr;
    QAction* runToCursorItem_ = nullptr;
    QAction* breakpointItem_ = nullptr;
    QAction* watchdogItem_ = nullptr;
    QAction* endItem_ = nullptr;
    QAction* resetStopwatchItem_ = nullptr;
    QDockWidget* registersDock_ = nullptr;
    QDockWidget* eepromDock_ = nullptr;
    QTableWidget* registersTable_ = nullptr;
    QTableWidget* eepromTable_ = nullptr;
    QLabel* coreLabel_ = nullptr;
    QDoubleSpinBox* clockBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
};
