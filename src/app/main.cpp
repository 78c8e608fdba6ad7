#include "app/TMainForm.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik"));
    TMainForm form;
    // Program files named on the command line (a file manager passes them this way).
    form.setStartupFiles(QApplication::arguments().mid(1));
    form.show();
    return QApplication::exec();
}
