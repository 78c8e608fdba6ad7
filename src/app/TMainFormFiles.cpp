// The File menu: programs made, opened and saved through the document lifecycle, MPASM
// source exported and imported, Exit; programs opened from the command line, handed over
// by another start of Tarvik or dropped on the window; files changed on disk by others.

#include "app/TMainForm.h"
#include "dialogs/device/DeviceDialogs.h"

#include "editor/TMDIChild.h"
#include "files/ProgramFile.h"
#include "files/FileIdentity.h"
#include "files/InputFile.h"
#include "model/Names.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QUrl>

namespace {

constexpr std::string_view kExportTitle = "Export MPASM Source";
constexpr std::string_view kExportFilter = "MPASM source files (*.asm)";
constexpr std::string_view kImportTitle = "Import MPASM Source";
constexpr std::string_view kImportFilter = "MPASM source files (*.asm *.inc);;All files (*)";

// The local program files among dropped items; anything else is not for this window.
QStringList droppedPrograms(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && path.endsWith(QStringLiteral(".qel"), Qt::CaseInsensitive))
            paths.append(path);
    }
    return paths;
}

} // namespace

void TMainForm::FileNewItemClick()
{
    lifecycle_.newDocument(*this);
    // A new program is for the chip the user chose last; an untouched one stays unmodified.
    if (TMDIChild* child = activeChild(); child && lastChosenDevice() != child->document().device()) {
        child->document().setDevice(lastChosenDevice());
        child->markSaved();
        showDeviceOf(child);
    }
}

void TMainForm::FileOpenItemClick()
{
    lifecycle_.open(*this);
}

void TMainForm::FileSaveItemClick()
{
    documents_.run({}, [this](TMDIChild& child) { lifecycle_.save(*this, indexOf(child)); });
}

void TMainForm::FileSaveAsItemClick()
{
    documents_.run({}, [this](TMDIChild& child) { lifecycle_.saveAs(*this, indexOf(child)); });
}

void TMainForm::FileExportItemClick()
{
    // A definition offered for a failing line may add a symbol, which the refresh shows.
    documents_.run({}, [this](TMDIChild& child) {
        tarvik::ProgramDocument& document = child.document();
        // Next to the program, under its name; an untitled one under its window caption.
        const QMdiSubWindow* window = subWindowOf(&child);
        QString suggested = (window ? window->windowTitle() : QStringLiteral("Untitled")) + QStringLiteral(".asm");
        if (!document.untitled) {
            const QFileInfo program(QFile::decodeName(document.fileName.c_str()));
            suggested = program.dir().filePath(program.completeBaseName() + QStringLiteral(".asm"));
        }
        // An imported program goes beside its source, never under the source's own name.
        const std::string& source = document.importedFrom;
        if (!source.empty()) {
            const QFileInfo from(QFile::decodeName(source.c_str()));
            if (document.untitled || QFileInfo(suggested).absoluteFilePath() == from.absoluteFilePath()
                || tarvik::sameFile(QFile::encodeName(suggested).toStdString(), source))
                suggested = from.dir().filePath(from.completeBaseName() + QStringLiteral("-export.asm"));
        }
        const QByteArray suggestedPath = QFile::encodeName(suggested);
        tarvik::FileRequest request(kExportTitle);
        request.filter = kExportFilter;
        request.suggestedPath = std::string_view(suggestedPath.constData(), static_cast<std::size_t>(suggestedPath.size()));
        request.confirmOverwrite = true;
        const std::optional<std::string> path = screen_->chooseFileToSave(request);
        if (!path || path->empty())
            return;
        if (!source.empty() && (*path == source || tarvik::sameFile(*path, source))) {
            tarvik::ReportError(*screen_, "The MPASM file %s would overwrite the source the program was imported from!",
                                path->c_str());
            return;
        }
        tarvik::exportMpasmFile(document, *screen_, *path);
    });
}

void TMainForm::FileImportItemClick()
{
    tarvik::FileRequest request(kImportTitle);
    request.filter = kImportFilter;
    const std::optional<std::string> path = screen_->chooseFileToOpen(request);
    if (!path || path->empty())
        return;
    // A named pipe would hold the reader up until something arrived through it.
    if (const tarvik::InputCheck check = tarvik::checkInputFile(*path); !check.ok()) {
        screen_->showMessage(tarvik::kMessageCaption,
                             tarvik::fileNameWithoutFolder(*path) + ": cannot read the file\n" + check.describe(),
                             tarvik::MessageButtons::Ok);
        return;
    }
    if (!tarvik::importMpasmFile(*this, *screen_, defaults_, *path))
        return;
    if (TMDIChild* imported = activeChild()) {
        const QFileInfo source(QFile::decodeName(QByteArray::fromStdString(*path)));
        imported->document().importedFrom = QFile::encodeName(source.absoluteFilePath()).toStdString();
        showModifiedOf(imported);
    }
}

void TMainForm::openExample(const QString& path)
{
    tarvik::ReadOutcome outcome = tarvik::readProgramFile(QFile::encodeName(path).toStdString(), defaults_);
    if (outcome.status != tarvik::ReadStatus::Ok) {
        screen_->showMessage(tarvik::kMessageCaption, tarvik::readStatusMessage(outcome.status),
                             tarvik::MessageButtons::Ok);
        return;
    }
    const std::string caption = tarvik::untitledName(documentCount() + 1);
    tarvik::ProgramDocument& document = *outcome.document;
    document.fileName = caption;
    document.untitled = true;
    document.modified = false;
    document.resetCursorToTop();
    addDocument(std::move(outcome.document), caption);
}

void TMainForm::FileExitItemClick()
{
    close();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!lifecycle_.confirmExit(*this)) {
        // A Yes among the answers may have saved the active document.
        showModifiedOf(activeChild());
        event->ignore();
        return;
    }
    event->accept();
}

void TMainForm::openFiles(const QStringList& paths)
{
    for (const QString& path : paths) {
        // Absolute, so that a file is known again whichever way it was named, and Save
        // writes where it came from even after the current directory changed.
        const QString absolute = QFileInfo(path).absoluteFilePath();
        lifecycle_.openPath(*this, QFile::encodeName(absolute).toStdString());
    }
}

void TMainForm::openHandedOverFiles(const QStringList& paths)
{
    openFiles(paths);
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void TMainForm::watchFilesOnDisk()
{
    // Queued: the notice waits until the activation that prompts it has run its course.
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::noticeChangeOnDisk, Qt::QueuedConnection);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            QMetaObject::invokeMethod(this, &TMainForm::noticeChangeOnDisk, Qt::QueuedConnection);
    });
}

void TMainForm::noticeChangeOnDisk()
{
    // Not over a dialog: the next activation tells instead.
    if (QApplication::activeModalWidget())
        return;
    if (TMDIChild* child = activeChild())
        lifecycle_.noticeChangeOnDisk(*this, indexOf(*child));
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedPrograms(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QStringList paths = droppedPrograms(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    openFiles(paths);
}
