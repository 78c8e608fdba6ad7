#pragma once

#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <memory>
#include <string>
#include <string_view>

namespace tarvik {

// The open document windows as the lifecycle sees them, in the main window's child order:
// the stacking order from the front (the active window) to the back.
class DocumentWindows {
public:
    virtual ~DocumentWindows() = default;

    virtual int documentCount() const = 0;
    virtual ProgramDocument& documentAt(int index) = 0;
    virtual void setCaption(int index, const std::string& caption) = 0;
    // Opens a window for the document under the caption; it becomes the active window.
    virtual void addDocument(std::unique_ptr<ProgramDocument> document, const std::string& caption) = 0;
    virtual void activateDocument(int index) = 0;
    // Destroys the window and its document without asking anything.
    virtual void destroyDocument(int index) = 0;
    // The document was written to its file: what stands in the window is what is on disk.
    virtual void documentSaved(int /*index*/) {}
};

enum class SaveResult { Saved, Cancelled, OverwriteDeclined, Failed };
enum class CloseAnswer { Close, Keep };

inline constexpr std::string_view kSaveAsTitle = "Save  As";
inline constexpr std::string_view kOverwriteQuestion = "The file is exist.Overwrite?";
inline constexpr const char* kSaveChangesQuestion = "Do you want to save the changes you made to %s";

// "Untitled" and the number.
std::string untitledName(int number);
// The name of a new untitled document: the number is the count of document windows
// including the new one, raised past any name an open window already shows.
std::string freshUntitledName(DocumentWindows& windows);
std::string fileNameWithoutFolder(std::string_view path);

// New, Open, Save, Save As and the ways of closing. Every question goes through the screen.
class DocumentLifecycle {
public:
    DocumentLifecycle(Screen& screen, const DeviceDefaults& defaults);

    void setScreen(Screen& screen) { screen_ = &screen; }
    Screen& screen() const { return *screen_; }

    void newDocument(DocumentWindows& windows) const;
    void open(DocumentWindows& windows) const;
    // Open without the dialog: from the command line or a drop. A file already open, also
    // under another path to it, activates its window instead.
    void openPath(DocumentWindows& windows, const std::string& path) const;
    SaveResult save(DocumentWindows& windows, int index) const;
    SaveResult saveAs(DocumentWindows& windows, int index) const;

    // The save-changes question for one window, brought to the front first; Yes keeps the
    // window unless it was saved.
    CloseAnswer askToClose(DocumentWindows& windows, int index) const;
    // Closes every window that may close, from the last to the first.
    void closeAll(DocumentWindows& windows) const;
    // Asks about every window, from the last to the first; true when all may close.
    bool confirmExit(DocumentWindows& windows) const;

private:
    SaveResult write(DocumentWindows& windows, int index, const std::string& path) const;

    Screen* screen_;
    const DeviceDefaults* defaults_;
};

} // namespace tarvik
