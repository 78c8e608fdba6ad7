#pragma once

#include "simulator/Session.h"
#include "simulator/SimProgram.h"

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

    bool active() const { return session_ != nullptr; }
    bool running() const { return runTimer_.isActive(); }
    tarvik::sim::Session* session() const { return session_.get(); }
    TMDIChild* simulatedWindow() const { return child_; }
    QString statusText() const;
    void setClockHz(double hz);
    // A click on the pin diagram: an input pin's outside level toggles.
    void togglePin(int pin);
    // The commands follow whether a session runs and a document is open.
    void updateActions();

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
    void refresh();
    void fillRegisters();
    void fillEeprom();
    // A message in the status bar until the next step, or for a few seconds.
    void say(const QString& text);
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
    QTimer messageTimer_;
    std::uint64_t sliceSteps_ = 20000;
    bool watchdog_ = false;
    double clockHz_ = 4'000'000.0;
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
    QDockWidget* registersDock_ = nullptr;
    QDockWidget* eepromDock_ = nullptr;
    QTableWidget* registersTable_ = nullptr;
    QTableWidget* eepromTable_ = nullptr;
    QLabel* coreLabel_ = nullptr;
    QDoubleSpinBox* clockBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
};
