// Prints every keyboard shortcut of the main window's commands, one a line, spelt as the
// menus show it, so that the man page can be checked against the program itself.

#include "app/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TMainForm form;
    for (const QAction* action : form.findChildren<QAction*>())
        for (const QKeySequence& keys : action->shortcuts())
            std::printf("%s\n", qPrintable(keys.toString(QKeySequence::NativeText)));
    return 0;
}
