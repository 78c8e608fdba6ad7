#include "files/DocumentLifecycle.h"

#include "files/ProgramFile.h"

#include <filesystem>
#include <system_error>

namespace tarvik {

std::string untitledName(int number)
{
    return "Untitled" + std::to_string(number);
}

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
    const std::string name = untitledName(windows.documentCount() + 1);
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
            document.fileName = untitledName(windows.documentCount() + 1);
            document.untitled = true;
        }
        document.modified = false;
        document.resetCursorToTop();
        windows.addDocument(std::move(outcome.document), fileNameWithoutFolder(path));
    }
    if (outcome.status != ReadStatus::Ok)
        screen_->showMessage(kMessageCaption, readStatusMessage(outcome.status), MessageButtons::OkCancel);
}

SaveResult DocumentLifecycle::save(DocumentWindows& windows, int index) const
{
    ProgramDocument& document = windows.documentAt(index);
    if (document.untitled)
        return saveAs(windows, index);
    return write(document, document.fileName);
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
    return write(document, path);
}

SaveResult DocumentLifecycle::write(ProgramDocument& document, const std::string& path) const
{
    WriteError error;
    const WriteStatus status = writeProgramFile(path, document, &error);
    if (status != WriteStatus::Ok) {
        // The fixed text alone does not say whether the folder, the file or the disk is
        // at fault; the second line does.
        std::string text(writeStatusMessage(status));
        if (const std::string cause = error.describe(); !cause.empty())
            text += "\n" + cause;
        screen_->showMessage(kMessageCaption, text, MessageButtons::OkCancel);
        return SaveResult::Failed;
    }
    document.modified = false;
    return SaveResult::Saved;
}

CloseAnswer DocumentLifecycle::askToClose(DocumentWindows& windows, int index) const
{
    ProgramDocument& document = windows.documentAt(index);
    if (!document.modified)
        return CloseAnswer::Close;
    const std::string name = fileNameWithoutFolder(document.fileName);
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
    for (int i = windows.documentCount() - 1; i >= 0; --i)
        if (askToClose(windows, i) == CloseAnswer::Close)
            windows.destroyDocument(i);
}

bool DocumentLifecycle::confirmExit(DocumentWindows& windows) const
{
    bool allClose = true;
    for (int i = windows.documentCount() - 1; i >= 0; --i)
        if (askToClose(windows, i) == CloseAnswer::Keep)
            allClose = false;
    return allClose;
}

} // namespace tarvik
