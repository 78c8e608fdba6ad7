#include "app/SingleInstance.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kGreeting = QByteArrayLiteral("TARVIK-OPEN-1");
const QByteArray kTaken = QByteArrayLiteral("TAKEN\n");
// A list of paths is kilobytes; anything larger is not a start of Tarvik talking.
constexpr qint64 kMaxMessageBytes = 1 << 20;
constexpr int kConnectMs = 1000;
// The running Tarvik answers from its event loop, which a modal dialog keeps running too.
constexpr int kAnswerMs = 10000;
constexpr int kLockMs = 15000;

// A socket of another user in a shared folder is neither talked to nor taken over.
bool ownedByAnother(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && info.st_uid != ::getuid();
}

} // namespace

QString SingleInstance::defaultSocketPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("tarvik.socket"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("tarvik-%1.socket").arg(::getuid()));
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent) : QObject(parent), path_(std::move(socketPath))
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    retry_.setSingleShot(true);
    retry_.setInterval(250);
    connect(&retry_, &QTimer::timeout, this, &SingleInstance::deliver);
}

bool SingleInstance::handOverOrListen(const QStringList& files)
{
    if (ownedByAnother(path_))
        return false;
    // Two starts at once must not both find no one listening and both listen; nor may one
    // remove the socket the other has just made.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    const bool locked = lock.tryLock(kLockMs);
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (socket.waitForConnected(kConnectMs))
        return handOver(socket, files);
    if (!locked)
        return false;
    // A socket whose Tarvik was killed: nobody answers on it any more.
    QLocalServer::removeServer(path_);
    server_.listen(path_);
    return false;
}

bool SingleInstance::handOver(QLocalSocket& socket, const QStringList& files)
{
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << kGreeting << files;
    socket.write(message);
    if (!socket.waitForBytesWritten(kAnswerMs))
        return false;
    QByteArray answer;
    while (answer.size() < kTaken.size() && socket.waitForReadyRead(kAnswerMs))
        answer += socket.readAll();
    return answer.startsWith(kTaken);
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxMessageBytes) {
                socket->abort();
                return;
            }
            QDataStream in(socket);
            in.startTransaction();
            QByteArray greeting;
            QStringList files;
            in >> greeting >> files;
            if (!in.commitTransaction())
                return;  // the rest is still on its way
            if (greeting != kGreeting) {
                socket->abort();
                return;
            }
            // Answered at once: the other start ends as soon as it knows its files are here.
            socket->write(kTaken);
            socket->flush();
            socket->disconnectFromServer();
            pending_.append(files);
            deliver();
        });
    }
}

void SingleInstance::deliver()
{
    if (QApplication::activeModalWidget()) {
        retry_.start();
        return;
    }
    while (!pending_.isEmpty())
        emit filesHandedOver(pending_.takeFirst());
}
