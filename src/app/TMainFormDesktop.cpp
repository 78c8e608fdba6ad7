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
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

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
    if (startupFiles_.isEmpty())
        openStartupFiles();
    else if (windowHandle()->isExposed())
        QTimer::singleShot(0, this, &TMainForm::openStartupFiles);
    else
        windowHandle()->installEventFilter(this);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panel1_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        fitPinDiagram();
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        QTimer::singleShot(0, this, &TMainForm::openStartupFiles);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::openStartupFiles()
{
    const QStringList files = std::exchange(startupFiles_, {});
    openFiles(files);
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
    // The frame's own cascade sizes each window to what its contents ask, which for a
    // painted grid is no more than the title bar. Here each keeps the size of a new
    // window, as far as the client area allows, one title bar lower and further right
    // than the one behind it.
    QList<QMdiSubWindow*> windows;
    for (TMDIChild* child : documentWindows())
        if (QMdiSubWindow* window = subWindowOf(child))
            windows.append(window);
    if (windows.isEmpty())
        return;
    const QMdiSubWindow* first = windows.constFirst();
    const int step = std::max(1, first->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, first));
    const QSize room = mdiArea_->viewport()->size();
    const QRect frame = frameGeometry();
    const QSize standard(frame.width() - scaled(280), frame.height() - scaled(103));
    QMdiSubWindow* active = mdiArea_->activeSubWindow();
    // The stacking order, the back first, so that the active window ends in front.
    const QList<QMdiSubWindow*> stacked = mdiArea_->subWindowList(QMdiArea::StackingOrder);
    int place = 0;
    for (QMdiSubWindow* window : stacked) {
        if (!windows.contains(window))
            continue;
        if (window->isMinimized() || window->isMaximized())
            window->showNormal();
        const int offset = step * (place % std::max(1, (room.height() / 2) / step));
        const QSize minimum = window->minimumSizeHint();
        const QSize size(std::max(std::min(standard.width(), room.width() - offset), minimum.width()),
                         std::max(std::min(standard.height(), room.height() - offset), minimum.height()));
        window->setGeometry(QRect(QPoint(offset, offset), size));
        window->raise();
        ++place;
    }
    if (active)
        mdiArea_->setActiveSubWindow(active);
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
