// One Tarvik per user: a second start hands its files over the local socket and is told
// they were taken; a socket its Tarvik left behind when killed is taken over.

#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Another start of Tarvik: it blocks until the answer comes, so it runs beside the event
// loop of the one that listens.
std::future<bool> startAgain(const QString& socket, const QStringList& files)
{
    return std::async(std::launch::async, [socket, files] {
        SingleInstance second(socket);
        return second.handOverOrListen(files);
    });
}

// Runs this side's event loop until the other start ends; false when it never does.
bool await(std::future<bool>& result)
{
    QDeadlineTimer deadline(10000);
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
    }
    return result.get();
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;
    QString socket() const { return runtime_.filePath(QStringLiteral("tarvik.socket")); }

private slots:
    void theSocketIsInTheUsersRuntimeFolder()
    {
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
        QCOMPARE(SingleInstance::defaultSocketPath(), socket());
        qputenv("XDG_RUNTIME_DIR", "relative");
        QVERIFY(SingleInstance::defaultSocketPath().endsWith(QStringLiteral("/tarvik-%1.socket").arg(::getuid())));
    }

    void aSecondStartHandsItsFilesToTheFirst()
    {
        SingleInstance first(socket());
        QVERIFY(!first.handOverOrListen({}));
        QVERIFY(first.isListening());
        QSignalSpy handed(&first, &SingleInstance::filesHandedOver);

        std::future<bool> second = startAgain(socket(), {QStringLiteral("/home/ann/blink.qel"), QStringLiteral("/a b/é.qel")});
        QVERIFY(await(second));
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0][0].toStringList(), (QStringList{QStringLiteral("/home/ann/blink.qel"), QStringLiteral("/a b/é.qel")}));

        // No files: the first only comes forward.
        second = startAgain(socket(), {});
        QVERIFY(await(second));
        QTRY_COMPARE(handed.size(), 2);
        QVERIFY(handed[1][0].toStringList().isEmpty());
    }

    void filesWaitWhileADialogIsOpen()
    {
        SingleInstance first(socket());
        first.handOverOrListen({});
        QSignalSpy handed(&first, &SingleInstance::filesHandedOver);
        QDialog question;
        int seenDuringDialog = -1;
        QTimer::singleShot(0, &question, [&] {
            std::future<bool> second = startAgain(socket(), {QStringLiteral("/x.qel")});
            seenDuringDialog = await(second) ? int(handed.size()) : -2;
            question.accept();
        });
        question.exec();
        QCOMPARE(seenDuringDialog, 0);
        QTRY_COMPARE(handed.size(), 1);
    }

    void aSocketLeftByAKilledTarvikIsTakenOver()
    {
        // A bound socket file with nobody listening, as a killed process leaves it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(socket());
        std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile::exists(socket()));

        SingleInstance first(socket());
        QVERIFY(!first.handOverOrListen({QStringLiteral("/x.qel")}));
        QVERIFY(first.isListening());
        QSignalSpy handed(&first, &SingleInstance::filesHandedOver);
        std::future<bool> second = startAgain(socket(), {QStringLiteral("/y.qel")});
        QVERIFY(await(second));
        QCOMPARE(handed.size(), 1);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
