// Prints the MIME type the desktop's shared MIME database gives each file, one a line,
// first by name and content, then by content alone.
#include <QCoreApplication>
#include <QFile>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QMimeDatabase database;
    QTextStream out(stdout);
    for (const QString& path : app.arguments().mid(1)) {
        QFile file(path);
        const QString byContent = file.open(QIODevice::ReadOnly) ? database.mimeTypeForData(&file).name() : QString();
        out << database.mimeTypeForFile(path).name() << ' ' << byContent << '\n';
    }
    return 0;
}
