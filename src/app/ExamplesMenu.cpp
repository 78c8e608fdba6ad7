#include "app/ExamplesMenu.h"

#include "examples/ExampleFolder.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace {

QString chosenFolder;

} // namespace

QString examplesFolder()
{
    if (!chosenFolder.isEmpty())
        return chosenFolder;
    const std::optional<std::filesystem::path> found =
        tarvik::findExamplesFolder(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    return found ? QFile::decodeName(found->c_str()) : QString();
}

void setExamplesFolder(const QString& folder)
{
    chosenFolder = folder;
}

QString exampleCaption(const QString& path)
{
    QStringList words = QFileInfo(path).completeBaseName().split(QLatin1Char('-'), Qt::SkipEmptyParts);
    for (QString& word : words)
        word[0] = word[0].toUpper();
    return words.join(QLatin1Char(' '));
}

QMenu* createExamplesMenu(QWidget* parent, std::function<void(const QString& path)> open)
{
    auto* menu = new QMenu(QStringLiteral("Exa&mples"), parent);
    menu->setObjectName(QStringLiteral("FileExamplesItem"));
    menu->menuAction()->setStatusTip(QStringLiteral("Open a copy of an example program"));
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, open] {
        menu->clear();
        const QString folder = examplesFolder();
        const std::vector<std::filesystem::path> programs =
            folder.isEmpty() ? std::vector<std::filesystem::path>{}
                             : tarvik::examplePrograms(QFile::encodeName(folder).toStdString());
        for (const std::filesystem::path& program : programs) {
            const QString path = QFile::decodeName(program.c_str());
            QAction* item = menu->addAction(exampleCaption(path));
            item->setObjectName(QStringLiteral("Example_") + QFileInfo(path).completeBaseName());
            item->setStatusTip(path);
            QObject::connect(item, &QAction::triggered, menu, [open, path] { open(path); });
        }
        if (programs.empty())
            menu->addAction(QStringLiteral("(no examples found)"))->setEnabled(false);
    });
    return menu;
}
