#include "app/RecoveryController.h"
#include "app/SingleInstance.h"
#include "app/TMainForm.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    // Program files named on the command line (a file manager passes them this way), made
    // absolute here: the Tarvik they may be handed to has another current folder.
    QStringList files;
    for (const QString& argument : QApplication::arguments().mid(1))
        files.append(QFileInfo(argument).absoluteFilePath());

    SingleInstance instance;
    if (instance.handOverOrListen(files))
        return 0;

    TMainForm form;
    auto* recovery = new RecoveryController(form);
    form.setStartupFiles(files);
    form.setStartupStep([recovery] { recovery->runAtStart(); });
    QObject::connect(&instance, &SingleInstance::filesHandedOver, &form, &TMainForm::openHandedOverFiles);
    form.show();
    return QApplication::exec();
}
