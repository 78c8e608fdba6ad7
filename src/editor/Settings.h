#pragma once

#include <QSettings>

#include <memory>

// The user's settings, one file for every part of the program:
// $XDG_CONFIG_HOME/tarvik/tarvik.ini (~/.config/tarvik/tarvik.ini).
inline std::unique_ptr<QSettings> openSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tarvik"),
                                       QStringLiteral("tarvik"));
}
