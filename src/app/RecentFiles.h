#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QMenu;

// File > Open Recent: the programs last opened or saved, newest first, kept in the settings
// so that they outlive the session. The menu is filled afresh each time it opens.
class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kMost = 8;

    // open is called with the path of the item chosen, when the file is still there.
    RecentFiles(QMenu* menu, std::function<void(const QString& path)> open,
                std::function<void(const QString& text)> tell, QObject* parent);

    void remember(const QString& path);
    void forget(const QString& path);
    void clear();
    QStringList paths() const;

private:
    void fillMenu();
    void store(const QStringList& paths);

    QMenu* menu_;
    std::function<void(const QString&)> open_;
    std::function<void(const QString&)> tell_;
};

// The menu text of a recent file: its number as the Alt letter, its name, then its folder,
// shortened in the middle when long ("&2 blink.qel  [/home/ann/pic]").
QString recentFileCaption(int number, const QString& path);
