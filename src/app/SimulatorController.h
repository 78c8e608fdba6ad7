#pragma once

#include "simulator/Pacing.h"
#include "simulator/Session.h"
#include "simulator/SimProgram.h"
#include "timing/Stopwatch.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QComboBox;
class QDockWidget;
class QLabel;
class QMenu;
class QPainter;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;
class QToolButton;
class PinDiagram;
class TimingDiagram;
class TMainForm;
class TMDIChild;

// Where the simulator's windows float: beside and below the main window where the screen
// has room; else at the screen's right edge, over the right of the program (its comments),
// and over the bottom of the program's room, never over the pin diagram the user clicks
// inputs on. They never dock, so the main window keeps its size limits and its layout
// however small the screen.
struct SimulatorWindowPlaces {
    QRect registers;
    QRect eeprom;
    QRect timing;
};
SimulatorWindowPlaces placeSimulatorWindows(const QRect& mainFrame, const QRect& pinDiagram, const QRect& available,
                                            int sideWidth, int eepromHeight, int timingHeight);

// The Simulate menu and everything a simulation shows: the program counter's line and the
// breakpoints in the editor, the Registers, EEPROM and Timing Diagram windows, the live pin
// diagram and the state of a run in the status bar. A session runs the program of one
// document window as it was assembled, and the windows' titles name it; any change to that
// program ends the session, and a command given from another document's window asks first.
//
// SimulatorController.cpp: the session, its commands and the paced run.
// SimulatorControllerViews.cpp: the windows and what they show.
// SimulatorControllerFiles.cpp: waveform and stimulus files.
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
    // The pins' changes as a value change dump, from the oldest the trace keeps to now.
    void SaveWaveformClick();
    // Input levels for the pins from a file of "CYCLE PIN LEVEL" lines, played as the
    // simulated time reaches them.
    void LoadStimulusClick();

    bool active() const { return session_ != nullptr; }
    bool running() const { return runTimer_.isActive(); }
    tarvik::sim::Session* session() const { return session_.get(); }
    TMDIChild* simulatedWindow() const { return child_; }
    QString statusText() const;
    void setClockHz(std::uint32_t hz);
    std::uint32_t clockHz() const { return clockHz_; }
    void setSpeed(tarvik::sim::RunSpeed speed);
    tarvik::sim::RunSpeed speed() const { return speed_; }
    // A click on the pin diagram: an input pin's outside level toggles.
    void togglePin(int pin);
    // The commands follow whether a session runs and a document is open.
    void updateActions();
    // Adds a register bit to the timing diagram; false when every watch slot is taken.
    bool watchBit(int address, int bit);
    TimingDiagram* timingDiagram() const { return timing_; }
    // Puts the simulator's windows beside the main window on a screen of that area (done
    // by itself the first time they show).
    void placeWindows(const QRect& available);

    // One tick of a run, as the run's timer gives it: the instructions due by the wall clock
    // at the speed, within a share of the tick.
    void runSlice();
    // Nanoseconds of a monotonic clock; a test may give its own.
    void setWallClock(std::function<std::int64_t()> clock);

signals:
    void clockChanged();

private:
    enum class SwitchAnswer { Switch, Stay, Cancel };

    bool ensureSession();
    bool startSession(TMDIChild* child);
    SwitchAnswer askToSwitch(TMDIChild* active);
    void endSession(const QString& why);
    // False (and the session ended) when the program's window has closed.
    bool windowOpen();
    // False (and the session ended) when the program shown is no longer the one running.
    bool programUnchanged();
    void startRun(std::optional<std::uint16_t> target);
    void restartPacing();
    std::uint64_t paceDone() const;
    void stopRun(const QString& why);
    void showStop(tarvik::sim::RunEnd end);
    // Starts timing a command for the stopwatch, and reports it in the status bar once done,
    // with why it stopped where that was not where it was to stop.
    void startTiming(const QString& command);
    void reportTiming(const QString& why = {});
    QString runningText(std::int64_t nowNs);
    void activeWindowChanged();
    void refresh();
    void fillRegisters();
    void fillEeprom();
    // A value typed into the Registers or EEPROM window while the program stands still.
    void registerEdited(QTableWidgetItem* item);
    void eepromEdited(QTableWidgetItem* item);
    void paintRow(QPainter& painter, int lineNumber, const QRect& row) const;
    void createMenu();
    void createDocks();
    QDockWidget* createTimingDock();
    void showDocks();
    void updateTitles();
    QString documentName() const;
    void fillWatchMenu(QMenu* menu);
    void showPinRows();
    void removeRow(int row);
    void showRowMenu(int row, const QPoint& globalPos);
    void resetRows();
    // A message in the status bar until the next one, or for a few seconds.
    void setStatus(const QString& text);
    static QString lineText(int line);
    std::int64_t wallNs() const;

    TMainForm* form_;
    PinDiagram* pins_;
    QPointer<TMDIChild> child_;
    QMetaObject::Connection childClosed_;
    QMetaObject::Connection titleChanged_;
    std::unique_ptr<tarvik::sim::Session> session_;
    std::optional<std::uint16_t> runTarget_;
    QTimer runTimer_;
    QTimer messageTimer_;
    bool watchdog_ = false;
    std::uint32_t clockHz_ = tarvik::sim::kDefaultClockHz;
    tarvik::Stopwatch stopwatch_;
    QString timedCommand_;  // empty while no command is timed
    std::array<int, 256> shownValues_{};  // -1: not shown yet
    int shownW_ = -1;
    // The W row of the Registers window, which has no address.
    static constexpr int kNoAddress = -1;
    QString stimulusName_;

    tarvik::sim::RunSpeed speed_ = tarvik::sim::RunSpeed::RealTime;
    std::function<std::int64_t()> wallClock_;
    tarvik::sim::PaceOrigin paceOrigin_;
    std::int64_t behindUntilNs_ = 0;   // the run fell behind lately: say so until then
    std::int64_t rateMarkNs_ = 0;      // where the speed reached was last measured
    std::uint64_t rateMarkCycles_ = 0;
    double reached_ = 0;               // simulated seconds per real second, measured
    bool windowsPlaced_ = false;

    QMenu* menu_ = nullptr;
    QAction* resetItem_ = nullptr;
    QAction* stepIntoItem_ = nullptr;
    QAction* stepOverItem_ = nullptr;
    QAction* runItem_ = nullptr;
    QAction* haltItem_ = nullptr;
    QAction* runToCursorItem_ = nullptr;
    QAction* breakpointItem_ = nullptr;
    QAction* watchdogItem_ = nullptr;
    QAction* saveWaveformItem_ = nullptr;
    QAction* loadStimulusItem_ = nullptr;
    QAction* endItem_ = nullptr;
    QAction* resetStopwatchItem_ = nullptr;
    QActionGroup* speedItems_ = nullptr;
    QDockWidget* registersDock_ = nullptr;
    QDockWidget* eepromDock_ = nullptr;
    QDockWidget* timingDock_ = nullptr;
    QTableWidget* registersTable_ = nullptr;
    QTableWidget* eepromTable_ = nullptr;
    TimingDiagram* timing_ = nullptr;
    QLabel* timingReadout_ = nullptr;
    QToolButton* watchButton_ = nullptr;
    QLabel* coreLabel_ = nullptr;
    QLabel* newsLabel_ = nullptr;
    QSpinBox* clockBox_ = nullptr;
    QComboBox* speedBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
};
