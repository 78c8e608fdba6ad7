#pragma once

#include <QObject>

#include <functional>
#include <string_view>

class TMDIChild;

// Runs the main window's document commands. Each acts on the active document (with none
// open it does nothing), is recorded as one undo step under its name, and leaves the view,
// the status bar and the menus showing the document as it now stands. Every change of a
// program, by a command or in its window itself, is told on as documentChanged.
class DocumentActions : public QObject {
    Q_OBJECT
public:
    using ActiveDocument = std::function<TMDIChild*()>;
    using ShowDocument = std::function<void(TMDIChild&)>;
    using Command = std::function<void(TMDIChild&)>;

    // active finds the document a command acts on; show brings what the main window shows of
    // a document up to date with it.
    DocumentActions(ActiveDocument active, ShowDocument show);

    // The command on the active document as one undo step named undoName; a command that
    // leaves the program as it is (Copy, Save) passes no name. False when no document is open.
    bool run(std::string_view undoName, const Command& command);

    // A new document window, whose own changes (keys, Undo, Redo) are told on too.
    void watch(TMDIChild& view);

signals:
    void documentChanged(TMDIChild* view);

private:
    ActiveDocument active_;
    ShowDocument show_;
};
