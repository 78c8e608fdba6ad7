#pragma once

#include <QFont>

// The forms are laid out in pixels for an 8-point "MS Sans Serif" at 96 dpi: the lists
// show all eight bits and the labels fit beside their boxes only at that size.
inline QFont formFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}
