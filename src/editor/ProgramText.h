#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

// Program text (names, operands, comments, and the messages built from them) is Latin-1
// bytes, as the program file stores them. These two are the only crossings between those
// bytes and Qt's strings; a character Latin-1 cannot hold becomes '?', as when typed.
inline QString fromProgramText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toProgramText(const QString& text)
{
    return text.toLatin1().toStdString();
}
