#pragma once

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <QTimer>

class QLocalSocket;
// One Tarvik per user. A start while another runs hands its files to that one and ends, so
// two windows never hold the same file unknown to each other. The running one listens on a
// local socket that only its user may reach.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // tarvik.socket in the user's runtime folder ($XDG_RUNTIME_DIR); without one, a name
    // with the user's number in the temporary folder.
    static QString defaultSocketPath();

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);

    // Hands the files (absolute paths; none only brings that window forward) to the Tarvik
    // that already runs: true when it took them. Otherwise this process listens from now
    // on, and false is returned; also when the socket cannot be used at all, so that Tarvik
    // still starts.
    bool handOverOrListen(const QStringList& files);
    bool isListening() const { return server_.isListening(); }
    QString socketPath() const { return path_; }

signals:
    // Files another start handed over; told only while no modal dialog is open, so they
    // never open under a question.
    void filesHandedOver(const QStringList& files);

private:
    bool handOver(QLocalSocket& socket, const QStringList& files);
    void acceptConnections();
    void deliver();

    QString path_;
    QLocalServer server_;
    QList<QStringList> pending_;
    QTimer retry_;
};
