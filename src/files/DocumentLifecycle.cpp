#include "files/DocumentLifecycle.h"

#include "files/ProgramFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tarvik {

std::string untitledName(int number)
{
    return "Untitled" + std::to_string(number);
}

std::string freshUntitledName(DocumentWindows& windows)
{
    const int count = windows.documentCount();
    for (int number = count + 1;; ++number) {
        const std::string name = untitledName(number);
        bool taken = false;
        for (int i = 0; i < count && !taken; ++i)
            taken = fileNameWithoutFolder(windows.documentAt(i).fileName) == name;
        if (!taken)
            return name;
    }
}

namespace {

// The windows as they stand now, so that asking from the last to the first still reaches
// each one once while activating and closing reorder them.
std::vector<const ProgramDocument*> documentsOf(DocumentWindows& windows)
{
    std::vector<const ProgramDocument*> documents;
    for (int i = 0; i < windows.documentCount(); ++i)
        documents.push_back(&windows.documentAt(i));
    return documents;
}

int indexOf(DocumentWindows& windows, const ProgramDocument* document)
{
    for (int i = 0; i < windows.documentCount(); ++i)
        if (&windows.documentAt(i) == document)
            return i;
    return -1;
}

// The first line of a message as the specification gives it, the file on the second, and
// what the system said about it when there is something to say.
std::string withFile(std::string_view text, const std::string& path, const std::string& reason = {})
{
    std::string message(text);
    message += "\n" + fileNameText(path);
    if (!reason.empty())
        message += ": " + reason;
    return message;
}

// Why a file could not be opened for reading, as the system puts it.
std::string openFailure(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) {
        std::fclose(file);
        return {};
    }
    return std::strerror(errno);
}

} // namespace

std::string fileNameWithoutFolder(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

DocumentLifecycle::DocumentLifecycle(Screen& screen, const DeviceDefaults& defaults)
    : screen_(&screen), defaults_(&defaults)
{
}

void DocumentLifecycle::newDocument(DocumentWindows& windows) const
{
    const std::string name = freshUntitledName(windows);
    auto document = std::make_unique<ProgramDocument>(*defaults_);
    document->fileName = name;
    document->untitled = true;
    document->modified = false;
    windows.addDocument(std::move(document), name);
}

void DocumentLifecycle::open(DocumentWindows& windows) const
{
    const std::optional<std::string> chosen = screen_->chooseFileToOpen();
    if (!chosen || chosen->empty())
        return;
    openPath(windows, *chosen);
}

void DocumentLifecycle::openPath(DocumentWindows& windows, const std::string& path) const
{
    for (int i = 0; i < windows.documentCount(); ++i) {
        const ProgramDocument& document = windows.documentAt(i);
        std::error_code error;
        if (document.fileName == path
            || (!document.untitled && std::filesystem::equivalent(document.fileName, path, error))) {
            windows.activateDocument(i);
            return;
        }
    }

    ReadOutcome outcome = readProgramFile(path, *defaults_);
    if (outcome.document) {
        ProgramDocument& document = *outcome.document;
        // A partly read file keeps an untitled name, so Save asks instead of
        // overwriting the damaged file with what could be read of it.
        if (outcome.status == ReadStatus::Ok) {
            document.fileName = path;
            document.untitled = false;
        } else {
            document.fileName = freshUntitledName(windows);
            document.untitled = true;
        }
        document.modified = false;
        document.resetCursorToTop();
        windows.addDocument(std::move(outcome.document), fileNameWithoutFolder(path));
    }
    if (outcome.status != ReadStatus::Ok) {
        const std::string reason = outcome.status == ReadStatus::CannotOpen ? openFailure(path) : std::string();
        screen_->showMessage(kMessageCaption, withFile(readStatusMessage(outcome.status), path, reason),
                             MessageButtons::OkCancel);
    }
}

SaveResult DocumentLifecycle::save(DocumentWindows& windows, int index) const
{
    ProgramDocument& document = windows.documentAt(index);
    if (document.untitled)
        return saveAs(windows, index);
    return write(windows, index, document.fileName);
}

SaveResult DocumentLifecycle::saveAs(DocumentWindows& windows, int index) const
{
    const std::optional<std::string> chosen = screen_->chooseFileToSave(kSaveAsTitle);
    if (!chosen || chosen->empty())
        return SaveResult::Cancelled;
    const std::string& path = *chosen;

    // Asked before anything changes: a declined overwrite leaves caption, name and
    // untitled state as they were, so no later Save can reach the declined file.
    std::error_code error;
    if (std::filesystem::exists(path, error)
        && screen_->showMessage(kTarvikCaption, kOverwriteQuestion, MessageButtons::YesNoCancel)
               != MessageAnswer::Yes)
        return SaveResult::OverwriteDeclined;

    ProgramDocument& document = windows.documentAt(index);
    windows.setCaption(index, fileNameWithoutFolder(path));
    document.untitled = false;
    document.fileName = path;
    return write(windows, index, path);
}

SaveResult DocumentLifecycle::write(DocumentWindows& windows, int index, const std::string& path) const
{
    ProgramDocument& document = windows.documentAt(index);
    WriteError error;
    const WriteStatus status = writeProgramFile(path, document, &error);
    if (status != WriteStatus::Ok) {
        // The fixed text alone does not say whether the folder, the file or the disk is
        // at fault; the second line does.
        std::string text(writeStatusMessage(status));
        if (const std::string cause = error.describe(); !cause.empty())
            text += "\n" + fileNameText(cause);
        screen_->showMessage(kMessageCaption, text, MessageButtons::OkCancel);
        return SaveResult::Failed;
    }
    document.modified = false;
    windows.documentSaved(index);
    return SaveResult::Saved;
}

CloseAnswer DocumentLifecycle::askToClose(DocumentWindows& windows, int index) const
{
    ProgramDocument& document = windows.documentAt(index);
    if (!document.modified)
        return CloseAnswer::Close;
    // Two windows may show the same name; the one asked about is the one in front.
    windows.activateDocument(index);
    index = indexOf(windows, &document);
    const std::string name = fileNameText(fileNameWithoutFolder(document.fileName));
    switch (screen_->showMessage(kMessageCaption, formatMessage(kSaveChangesQuestion, name.c_str()),
                                 MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes:
        // Only a save that happened lets the window go: a cancelled file dialog, a declined
        // overwrite or a failed write would lose the changes the user chose to keep.
        return save(windows, index) == SaveResult::Saved ? CloseAnswer::Close : CloseAnswer::Keep;
    case MessageAnswer::No:
        return CloseAnswer::Close;
    default:
        return CloseAnswer::Keep;
    }
}

void DocumentLifecycle::closeAll(DocumentWindows& windows) const
{
    const std::vector<const ProgramDocument*> documents = documentsOf(windows);
    for (auto it = documents.rbegin(); it != documents.rend(); ++it)
        if (const int index = indexOf(windows, *it); index >= 0 && askToClose(windows, index) == CloseAnswer::Close)
            windows.destroyDocument(indexOf(windows, *it));
}

bool DocumentLifecycle::confirmExit(DocumentWindows& windows) const
{
    const std::vector<const ProgramDocument*> documents = documentsOf(windows);
    bool allClose = true;
    for (auto it = documents.rbegin(); it != documents.rend(); ++it)
        if (const int index = indexOf(windows, *it); index >= 0 && askToClose(windows, index) == CloseAnswer::Keep)
            allClose = false;
    return allClose;
}

} // namespace tarvik
