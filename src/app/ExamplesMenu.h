#pragma once

#include <QString>

#include <functional>

class QMenu;
class QWidget;

// File > Examples: a submenu of the example programs shipped with Tarvik, listed afresh each
// time it opens. Choosing one calls open with the program's path; the window opens a copy.
QMenu* createExamplesMenu(QWidget* parent, std::function<void(const QString& path)> open);

// The folder the menu lists: the one set, or else the one found from the running program's
// folder. Empty when there is none.
QString examplesFolder();
void setExamplesFolder(const QString& folder);

// The menu text of an example: its file name without extension, words capitalised and
// separated by blanks ("eeprom-counter.qel" gives "Eeprom Counter").
QString exampleCaption(const QString& path);
