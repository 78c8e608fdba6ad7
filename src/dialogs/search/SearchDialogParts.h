#pragma once

#include "dialogs/FormFont.h"
#include "dialogs/ProgramTextBox.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The small pieces both search dialogs are built from.
namespace search_parts {

inline void setUpDialog(QDialog& dialog, const char* name, const QString& caption, QSize client)
{
    dialog.setObjectName(QString::fromLatin1(name));
    dialog.setWindowTitle(caption);
    dialog.setFont(formFont());
    dialog.setFixedSize(client);
}

inline Qt::WindowFlags closeBoxOnly()
{
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

// A caption that must end before its edit box: a wider font than the forms were drawn
// for would hide its colon under the box, so it gets a smaller size where it has to.
inline QLabel* label(QWidget* parent, const char* name, const QString& text, QPoint at, int room)
{
    auto* result = new QLabel(text, parent);
    result->setObjectName(QString::fromLatin1(name));
    QFont font = parent->font();
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPixelSize(font.pixelSize() - 1);
    result->setFont(font);
    result->move(at);
    result->adjustSize();
    return result;
}

inline QLineEdit* box(QWidget* parent, const char* name, QRect place, int maxLength)
{
    auto* result = new QLineEdit(parent);
    result->setObjectName(QString::fromLatin1(name));
    result->setGeometry(place);
    limitTyping(result, maxLength);
    return result;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect place)
{
    auto* result = new QPushButton(caption, parent);
    result->setObjectName(QString::fromLatin1(name));
    result->setGeometry(place);
    return result;
}

} // namespace search_parts
