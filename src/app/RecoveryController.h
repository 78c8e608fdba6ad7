#pragma once

#include "files/Recovery.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <string>

class QWidget;
class TMainForm;
class TMDIChild;

// Keeps the state of every modified document of the main window in a recovery file, written
// shortly after each change, so that a crash loses at most the last seconds of work. A
// document saved, given up or closed loses its file; so do all of them when the run ends
// normally. At start it offers the documents of runs that ended without closing them.
//
// Writing happens on the user-interface thread: the program file of a document is some tens
// of kilobytes, written without waiting for the disk.
class RecoveryController : public QObject {
    Q_OBJECT
public:
    enum class Choice { Recover, Discard, Later };
    // Asked with the names of the documents that can be recovered.
    using Question = std::function<Choice(const QStringList& names)>;

    static constexpr int kDefaultDelayMs = 2000;

    explicit RecoveryController(TMainForm& form, tarvik::RecoveryStore store = tarvik::RecoveryStore());
    ~RecoveryController() override;

    // The longest time from a change to its recovery file.
    void setDelay(int milliseconds);
    // Replaces the question (ask, over the main window) for tests.
    void setQuestion(Question question) { question_ = std::move(question); }

    // Writes the documents changed since their last write and removes the files of those no
    // longer modified. Runs by itself after a change.
    void writeNow();

    // The main window's start-up step: puts back files that a write cut short and tells of
    // the copies it keeps, then offers what runs that ended without closing left behind.
    // Recovered documents open on top, modified, under their own names, the last one active.
    void runAtStart();

    // "Recover" is the default button: Return recovers. Escape keeps the files for later.
    static Choice ask(QWidget* parent, const QStringList& names);

private:
    struct Watched {
        int slot = 0;
        bool dirty = true;    // changed since its last write
        bool onFile = false;  // its recovery file exists
        std::string fileName;
        bool untitled = true;
    };

    void watchNewWindows();
    void changed(TMDIChild* child);
    void forget(TMDIChild* child);
    void tellOfInterruptedWrites();
    void recoverLeftBehind();

    TMainForm& form_;
    tarvik::RecoveryStore store_;
    Question question_;
    QTimer timer_;
    QHash<TMDIChild*, Watched> watched_;
    int nextSlot_ = 1;
    bool failureTold_ = false;
};
