// The main window on the desktop: maximised at start-up with the files of the command
// line, its size limits kept as the frame changes, and the Window menu that arranges,
// lists and closes the document windows.

#include "app/TMainForm.h"

#include "editor/TMDIChild.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QResizeEvent>
#include <QWindow>

namespace {

constexpr int kWindowStep = 7;
constexpr int kFirstWindowLeft = kWindowStep - 4;

} // namespace

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (firstShown_)
        return;
    firstShown_ = true;
    // The system may apply the maximised size later; resizeEvent catches it.
    sizeBeforeMaximised_ = size();
    awaitingMaximisedSize_ = !isMaximized();
    setWindowState(windowState() | Qt::WindowMaximized);
    setStatusPanel(1, QStringLiteral("   0"));
    openFiles(startupFiles_);
    startupFiles_.clear();
    if (startupStep_)
        startupStep_();
    if (documentWindows().isEmpty())
        FileNewItemClick();
}

QMargins TMainForm::windowFrame() const
{
    const QWindow* window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

void TMainForm::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    applyWholeWindowLimits();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyWholeWindowLimits();
    if (!awaitingMaximisedSize_ || !isMaximized() || event->size() == sizeBeforeMaximised_)
        return;
    awaitingMaximisedSize_ = false;
    // Windows opened before the maximised size arrived take their size from it, unless
    // the user has moved or sized them meanwhile.
    const QRect frame = frameGeometry();
    for (const auto& [window, placed] : std::as_const(sizedBeforeMaximised_))
        if (window && window->geometry() == placed)
            window->resize(frame.width() - scaled(280), frame.height() - scaled(103));
    sizedBeforeMaximised_.clear();
}

int TMainForm::newWindowLeft(int count, int width) const
{
    const int room = mdiArea_->viewport()->width() - width;
    if (room < kFirstWindowLeft)
        return kFirstWindowLeft;
    const int places = (room - kFirstWindowLeft) / kWindowStep + 1;
    return kWindowStep * ((count - 1) % places + 1) - 4;
}

void TMainForm::WindowCloseAllItemClick()
{
    lifecycle_.closeAll(*this);
    UpdateMenuItems();
}

void TMainForm::WindowTileItemClick()
{
    mdiArea_->tileSubWindows();
}

void TMainForm::WindowCascadeItemClick()
{
    mdiArea_->cascadeSubWindows();
}

void TMainForm::fillWindowMenu()
{
    // Only the list under the fixed items is rebuilt: clearing the whole menu would delete
    // the items it owns.
    for (QAction* item : windowMenu_->actions()) {
        if (item->objectName().isEmpty()) {
            windowMenu_->removeAction(item);
            delete item;
        }
    }
    const QList<TMDIChild*> children = documentWindows();
    if (!children.isEmpty())
        windowMenu_->addSeparator();
    const TMDIChild* active = activeChild();
    for (qsizetype i = 0; i < children.size(); ++i) {
        QMdiSubWindow* window = subWindowOf(children[i]);
        QAction* item = windowMenu_->addAction(windowListCaption(static_cast<int>(i), children));
        item->setCheckable(true);
        item->setChecked(children[i] == active);
        connect(item, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (window)
                mdiArea_->setActiveSubWindow(window);
        });
    }
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
