#pragma once

#include "files/FileIdentity.h"
#include "model/ProgramDocument.h"
#include "model/Screen.h"

#include <map>
#include <memory>
#include <optional>
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
inline constexpr const char* kChangedOnDiskNotice =
    "The file %s has been changed by another program since Tarvik read or saved it.";
inline constexpr const char* kRemovedFromDiskNotice =
    "The file %s has been deleted or moved by another program since Tarvik read or saved it.";
inline constexpr const char* kChangedOnDiskQuestion =
    "The file %s has been changed by another program since Tarvik read or saved it.\n"
    "Write over those changes? No saves the program under another name.";
inline constexpr const char* kImportSourceRefusal = "The file %s would overwrite the MPASM source the program was imported from!";

// "Untitled" and the number.
std::string untitledName(int number);
// The name of a new untitled document: the number is the count of document windows
// including the new one, raised past any name an open window already shows.
std::string freshUntitledName(DocumentWindows& windows);
std::string fileNameWithoutFolder(std::string_view path);

// New, Open, Save, Save As and the ways of closing. Every question goes through the screen.
//
// The lifecycle remembers what each titled document's file was when it was last read or
// written. Save asks before it writes over a file someone else has changed since, and
// noticeChangeOnDisk tells of such a change once.
class DocumentLifecycle {
public:
    DocumentLifecycle(Screen& screen, const DeviceDefaults& defaults);

    void setScreen(Screen& screen) { screen_ = &screen; }
    Screen& screen() const { return *screen_; }
    const DeviceDefaults& defaults() const { return *defaults_; }

    void newDocument(DocumentWindows& windows) const;
    void open(DocumentWindows& windows);
    // Open without the dialog: from the command line or a drop. A file already open, also
    // under another path to it, activates its window instead.
    void openPath(DocumentWindows& windows, const std::string& path);
    SaveResult save(DocumentWindows& windows, int index);
    SaveResult saveAs(DocumentWindows& windows, int index);

    // The save-changes question for one window, brought to the front first; Yes keeps the
    // window unless it was saved.
    CloseAnswer askToClose(DocumentWindows& windows, int index);
    // Closes every window that may close, from the last to the first.
    void closeAll(DocumentWindows& windows);
    // Asks about every window, from the last to the first; true when all may close.
    bool confirmExit(DocumentWindows& windows);

    // What the document's own file was when last read or written here; nullopt when that
    // is not known (an untitled document, one that was never read or written).
    std::optional<FileIdentity> knownFile(const ProgramDocument& document) const;
    // For a document that was read some other way (recovered after a crash).
    void rememberFile(const ProgramDocument& document, const FileIdentity& identity);
    // Tells once of each new state of a document's file that someone else has changed or
    // removed since it was last read or written here.
    void noticeChangeOnDisk(DocumentWindows& windows, int index);

private:
    struct KnownFile {
        std::string path;
        FileIdentity identity;
        FileIdentity toldAbout;  // the state last told of
    };

    SaveResult write(DocumentWindows& windows, ProgramDocument& document, const std::string& path);
    // The document's file as remembered, when it still names the document's path.
    KnownFile* known(const ProgramDocument& document);
    // Forgets the documents whose windows are gone.
    void forgetClosed(DocumentWindows& windows);

    Screen* screen_;
    const DeviceDefaults* defaults_;
    std::map<const ProgramDocument*, KnownFile> files_;
};

} // namespace tarvik
