#pragma once

#include <QDir>
#include <QString>

namespace tarvik::test {

// Where a test leaves the pictures of what it rendered, for a person to look at.
inline QString screenshotPath(const QString& name)
{
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    return QDir(folder).filePath(name);
}

} // namespace tarvik::test
