// The File menu: programs made, opened and saved through the document lifecycle, MPASM
// source exported and imported, Exit; and programs opened from the command line or
// dropped on the window.

#include "app/TMainForm.h"

#include "editor/TMDIChild.h"
#include "mpasm/Import.h"
#include "mpasm/MpasmExport.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
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
        const QByteArray suggestedPath = QFile::encodeName(suggested);
        tarvik::FileRequest request(kExportTitle);
        request.filter = kExportFilter;
        request.suggestedPath = std::string_view(suggestedPath.constData(), static_cast<std::size_t>(suggestedPath.size()));
        request.confirmOverwrite = true;
        const std::optional<std::string> path = screen_->chooseFileToSave(request);
        if (path && !path->empty())
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
    if (tarvik::importMpasmFile(*this, *screen_, defaults_, *path))
        showModifiedOf(activeChild());
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
