#pragma once

#include <QIcon>
#include <QString>

// Pictures of the program: the speed button glyphs and the application icon. A speed
// button takes the desktop theme's icon where the theme has one and a drawn one otherwise.
namespace Glyphs {

// The glyph of a speed button, by the button's object name.
QIcon speedButtonIcon(const QString& buttonName);
// The drawn glyph alone, whatever the theme holds.
QIcon drawnSpeedButtonIcon(const QString& buttonName);
QIcon applicationIcon();

} // namespace Glyphs
