#include "app/RecentFiles.h"

#include "editor/Settings.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

const QString kKey = QStringLiteral("recentFiles");
constexpr int kFolderChars = 40;

} // namespace

QString recentFileCaption(int number, const QString& path)
{
    const QFileInfo file(path);
    QString folder = QDir::toNativeSeparators(file.absolutePath());
    if (folder.size() > kFolderChars) {
        const int half = (kFolderChars - 3) / 2;
        folder = folder.left(half) + QStringLiteral("...") + folder.right(kFolderChars - 3 - half);
    }
    // A '&' in a name is a letter of the name, not a second Alt letter.
    QString name = file.fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    folder.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2  [%3]").arg(number).arg(name, folder);
}

RecentFiles::RecentFiles(QMenu* menu, std::function<void(const QString& path)> open,
                         std::function<void(const QString& text)> tell, QObject* parent)
    : QObject(parent), menu_(menu), open_(std::move(open)), tell_(std::move(tell))
{
    connect(menu_, &QMenu::aboutToShow, this, &RecentFiles::fillMenu);
}

QStringList RecentFiles::paths() const
{
    return openSettings()->value(kKey).toStringList().mid(0, kMost);
}

void RecentFiles::store(const QStringList& paths)
{
    openSettings()->setValue(kKey, paths.mid(0, kMost));
}

void RecentFiles::remember(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = paths();
    list.removeAll(absolute);
    list.prepend(absolute);
    store(list);
}

void RecentFiles::forget(const QString& path)
{
    QStringList list = paths();
    list.removeAll(path);
    store(list);
}

void RecentFiles::clear()
{
    store({});
}

void RecentFiles::fillMenu()
{
    menu_->clear();
    const QStringList list = paths();
    for (int i = 0; i < list.size(); ++i) {
        const QString path = list.at(i);
        QAction* item = menu_->addAction(recentFileCaption(i + 1, path));
        item->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
        item->setStatusTip(QDir::toNativeSeparators(path));
        connect(item, &QAction::triggered, this, [this, path] {
            if (QFileInfo(path).isFile()) {
                open_(path);
                return;
            }
            forget(path);
            tell_(QFileInfo(path).fileName() + QStringLiteral(": cannot read the file\n")
                  + QDir::toNativeSeparators(path) + QStringLiteral(" is no longer there; it is taken off the list."));
        });
    }
    if (list.isEmpty())
        menu_->addAction(QStringLiteral("(none)"))->setEnabled(false);
    menu_->addSeparator();
    QAction* clearItem = menu_->addAction(QStringLiteral("&Clear List"));
    clearItem->setObjectName(QStringLiteral("RecentFilesClear"));
    clearItem->setEnabled(!list.isEmpty());
    connect(clearItem, &QAction::triggered, this, &RecentFiles::clear);
}
