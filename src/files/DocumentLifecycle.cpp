#include "files/DocumentLifecycle.h"

#include "files/InputFile.h"
#include "files/ProgramFile.h"

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

// A message's fixed text on its first line, the file on the second, and
// what the system said about it when there is something to say.
std::string withFile(std::string_view text, const std::string& path, const std::string& reason = {})
{
    std::string message(text);
    message += "\n" + fileNameText(path);
    if (!reason.empty())
        message += ": " + reason;
    return message;
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

void DocumentLifecycle::open(DocumentWindows& windows)
{
    const std::optional<std::string> chosen = screen_->chooseFileToOpen();
    if (!chosen || chosen->empty())
        return;
    openPath(windows, *chosen);
}

void DocumentLifecycle::openPath(DocumentWindows& windows, const std::string& path)
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

    // Taken before the read: a change that comes while reading is asked about, not missed.
    const FileIdentity identity = identifyFile(path);
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
        if (outcome.status == ReadStatus::Ok) {
            forgetClosed(windows);
            files_[&document] = {path, identity, identity};
        }
        windows.addDocument(std::move(outcome.document), fileNameWithoutFolder(path));
    }
    if (outcome.status == ReadStatus::Ok)
        return;
    // The fixed text says the file does not exist, whatever kept it from being read; the
    // second line names the file and says what the system found.
    std::string reason;
    if (const InputCheck check = checkInputFile(path); outcome.status == ReadStatus::CannotOpen && !check.ok())
        reason = fileNameText(check.describe());
    screen_->showMessage(kMessageCaption, withFile(readStatusMessage(outcome.status), path, reason),
                         MessageButtons::OkCancel);
}

SaveResult DocumentLifecycle::save(DocumentWindows& windows, int index)
{
    ProgramDocument& document = windows.documentAt(index);
    if (document.untitled)
        return saveAs(windows, index);
    // A file that is gone loses nothing by being written again.
    KnownFile* file = known(document);
    const FileIdentity now = file ? identifyFile(document.fileName) : FileIdentity{};
    if (file && now.exists && now != file->identity) {
        file->toldAbout = now;
        const std::string name = fileNameText(fileNameWithoutFolder(document.fileName));
        switch (screen_->showMessage(kMessageCaption, formatMessage(kChangedOnDiskQuestion, name.c_str()),
                                     MessageButtons::YesNoCancelDefaultNo)) {
        case MessageAnswer::Yes:
            break;
        case MessageAnswer::No:
            return saveAs(windows, index);
        default:
            return SaveResult::Cancelled;
        }
    }
    return write(windows, document, document.fileName);
}

SaveResult DocumentLifecycle::saveAs(DocumentWindows& windows, int index)
{
    const std::optional<std::string> chosen = screen_->chooseFileToSave(kSaveAsTitle);
    if (!chosen || chosen->empty())
        return SaveResult::Cancelled;
    const std::string& path = *chosen;

    // The overwrite question would not say that this file is where the program came from.
    if (const std::string& source = windows.documentAt(index).importedFrom;
        !source.empty() && (path == source || sameFile(path, source))) {
        screen_->showMessage(kMessageCaption, formatMessage(kImportSourceRefusal, fileNameText(path).c_str()), MessageButtons::Ok);
        return SaveResult::Failed;
    }

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
    return write(windows, document, path);
}

SaveResult DocumentLifecycle::write(DocumentWindows& windows, ProgramDocument& document, const std::string& path)
{
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
    // Our own write replaced the file: what it is now is what the document holds.
    forgetClosed(windows);
    const FileIdentity identity = identifyFile(path);
    files_[&document] = {path, identity, identity};
    windows.documentSaved(indexOf(windows, &document));
    return SaveResult::Saved;
}

CloseAnswer DocumentLifecycle::askToClose(DocumentWindows& windows, int index)
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

void DocumentLifecycle::closeAll(DocumentWindows& windows)
{
    const std::vector<const ProgramDocument*> documents = documentsOf(windows);
    for (auto it = documents.rbegin(); it != documents.rend(); ++it)
        if (const int index = indexOf(windows, *it); index >= 0 && askToClose(windows, index) == CloseAnswer::Close)
            windows.destroyDocument(indexOf(windows, *it));
}

bool DocumentLifecycle::confirmExit(DocumentWindows& windows)
{
    const std::vector<const ProgramDocument*> documents = documentsOf(windows);
    bool allClose = true;
    for (auto it = documents.rbegin(); it != documents.rend(); ++it)
        if (const int index = indexOf(windows, *it); index >= 0 && askToClose(windows, index) == CloseAnswer::Keep)
            allClose = false;
    return allClose;
}

DocumentLifecycle::KnownFile* DocumentLifecycle::known(const ProgramDocument& document)
{
    const auto found = files_.find(&document);
    if (found == files_.end() || document.untitled || found->second.path != document.fileName)
        return nullptr;
    return &found->second;
}

std::optional<FileIdentity> DocumentLifecycle::knownFile(const ProgramDocument& document) const
{
    const auto found = files_.find(&document);
    if (found == files_.end() || document.untitled || found->second.path != document.fileName)
        return std::nullopt;
    return found->second.identity;
}

void DocumentLifecycle::rememberFile(const ProgramDocument& document, const FileIdentity& identity)
{
    files_[&document] = {document.fileName, identity, identity};
}

void DocumentLifecycle::noticeChangeOnDisk(DocumentWindows& windows, int index)
{
    const ProgramDocument& document = windows.documentAt(index);
    KnownFile* file = known(document);
    if (!file)
        return;
    const FileIdentity now = identifyFile(document.fileName);
    if (now == file->identity || now == file->toldAbout)
        return;
    file->toldAbout = now;
    const std::string name = fileNameWithoutFolder(document.fileName);
    screen_->showMessage(kMessageCaption,
                         formatMessage(now.exists ? kChangedOnDiskNotice : kRemovedFromDiskNotice, name.c_str()),
                         MessageButtons::Ok);
}

void DocumentLifecycle::forgetClosed(DocumentWindows& windows)
{
    // A new document may be made where a closed one was: its entry must not carry over.
    std::erase_if(files_, [&windows](const auto& entry) {
        for (int i = 0; i < windows.documentCount(); ++i)
            if (&windows.documentAt(i) == entry.first)
                return false;
        return true;
    });
}

} // namespace tarvik
