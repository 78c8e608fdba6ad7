// What a desktop editor's users reach for: opening files from the command line and by
// dropping them, the usual shortcuts, and a Window menu that arranges the windows.

#include "app/TMainForm.h"

#include "editor/TMDIChild.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

namespace {

constexpr int kWindowStep = 7;
constexpr int kFirstWindowLeft = kWindowStep - 4;

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

void TMainForm::createDesktopShortcuts()
{
    setAcceptDrops(true);
    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"FileNewItem", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"FileOpenItem", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"FileSaveItem", QKeySequence(Qt::CTRL | Qt::Key_S)},
    };
    for (const auto& [name, keys] : shortcuts)
        if (QAction* item = findChild<QAction*>(QString::fromLatin1(name)))
            item->setShortcut(keys);

    // Ctrl+W and Ctrl+F4 close the active window through its own window menu, which
    // asks as its close box does.

    // Undo and Redo head the Edit menu.
    undoItem_ = new QAction(QStringLiteral("&Undo"), editMenu_);
    undoItem_->setObjectName(QStringLiteral("Undo1"));
    undoItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undoItem_, &QAction::triggered, this, &TMainForm::Undo1Click);
    redoItem_ = new QAction(QStringLiteral("&Redo"), editMenu_);
    redoItem_->setObjectName(QStringLiteral("Redo1"));
    redoItem_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(redoItem_, &QAction::triggered, this, &TMainForm::Redo1Click);
    QAction* first = editMenu_->actions().value(0);
    editMenu_->insertActions(first, {undoItem_, redoItem_});
    editMenu_->insertSeparator(first);
    connect(editMenu_, &QMenu::aboutToShow, this, &TMainForm::UpdateUndoCommands);
    undoItem_->setEnabled(false);
    redoItem_->setEnabled(false);
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

void TMainForm::WindowTileItemClick()
{
    mdiArea_->tileSubWindows();
}

void TMainForm::WindowCascadeItemClick()
{
    mdiArea_->cascadeSubWindows();
}

QString TMainForm::windowListCaption(int index, const QList<TMDIChild*>& children) const
{
    TMDIChild* child = children.at(index);
    QString caption = subWindowOf(child)->windowTitle();
    const tarvik::ProgramDocument& document = child->document();
    bool sameName = false;
    for (TMDIChild* other : children)
        if (other != child && subWindowOf(other)->windowTitle() == caption)
            sameName = true;
    if (sameName && !document.untitled) {
        const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(document.fileName)));
        caption += QStringLiteral("  (%1)").arg(file.absolutePath());
    }
    // An ampersand in a file name is text, not a mnemonic.
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return index < 9 ? QStringLiteral("&%1 %2").arg(index + 1).arg(caption)
                     : QStringLiteral("%1 %2").arg(index + 1).arg(caption);
}

int TMainForm::newWindowLeft(int count, int width) const
{
    const int room = mdiArea_->viewport()->width() - width;
    if (room < kFirstWindowLeft)
        return kFirstWindowLeft;
    const int places = (room - kFirstWindowLeft) / kWindowStep + 1;
    return kWindowStep * ((count - 1) % places + 1) - 4;
}

int TMainForm::scaled(int length) const
{
    return qRound(length * uiScale_);
}

QSize TMainForm::scaled(const QSize& size) const
{
    return {scaled(size.width()), scaled(size.height())};
}

void TMainForm::scaleForDensity()
{
    if (uiScale_ == 1.0)
        return;
    auto scaleGeometry = [this](QWidget* widget) {
        const QRect r = widget->geometry();
        widget->setGeometry(scaled(r.x()), scaled(r.y()), scaled(r.width()), scaled(r.height()));
    };
    // Every palette piece sits at a fixed place inside its parent panel.
    for (QWidget* widget : panel1_->findChildren<QWidget*>())
        scaleGeometry(widget);
    panel1_->setFixedWidth(scaled(panel1_->width()));

    if (auto* bar = findChild<QFrame*>(QStringLiteral("SpeedBar"))) {
        bar->setFixedHeight(scaled(bar->height()));
        for (QToolButton* button : bar->findChildren<QToolButton*>()) {
            scaleGeometry(button);
            button->setIconSize(scaled(button->iconSize()));
        }
    }
}

std::optional<TMDIChild::UndoScope> TMainForm::undoStep(const char* name)
{
    TMDIChild* child = activeChild();
    if (!child)
        return std::nullopt;
    return std::optional<TMDIChild::UndoScope>(std::in_place, *child, name);
}

void TMainForm::UpdateUndoCommands()
{
    // The client area comes after the menus.
    if (!mdiArea_)
        return;
    const TMDIChild* child = activeChild();
    const tarvik::UndoHistory* history = child ? &child->undoHistory() : nullptr;
    auto caption = [](const char* verb, const std::string& name) {
        return name.empty() ? QString::fromLatin1(verb)
                            : QStringLiteral("%1 %2").arg(QLatin1String(verb), QString::fromStdString(name));
    };
    undoItem_->setEnabled(history && history->canUndo());
    undoItem_->setText(caption("&Undo", history ? history->undoName() : std::string()));
    redoItem_->setEnabled(history && history->canRedo());
    redoItem_->setText(caption("&Redo", history ? history->redoName() : std::string()));
}

void TMainForm::Undo1Click()
{
    if (TMDIChild* child = activeChild())
        child->Undo();
}

void TMainForm::Redo1Click()
{
    if (TMDIChild* child = activeChild())
        child->Redo();
}
