#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace {

// Messages start with this line, so that a later version can tell an old sender apart.
const QByteArray messageHead = "Zorvo.FLV/1\n";

QString lockPath(const QString& key)
{
    QString safe = key;
    safe.replace(u'/', u'_');
    return QDir::tempPath() + u'/' + safe + QStringLiteral(".lock");
}

} // namespace

QString SingleInstance::defaultKey()
{
    QString key = QStringLiteral("Zorvo.FLV|FormDDE-%1").arg(::getuid());
    // Separate groups of copies for the same user (test runs beside a working copy).
    const QString group = qEnvironmentVariable("ZORVO_FLV_INSTANCE");
    if (!group.isEmpty())
        key += u'-' + group;
    return key;
}

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent), key_(key) {}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
}

bool SingleInstance::start()
{
    lock_ = std::make_unique<QLockFile>(lockPath(key_));
    // A copy that died leaves its lock behind; QLockFile takes it over once the process
    // named in it is gone.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(100)) {
        lock_.reset();
        return false;
    }
    // Only the holder of the lock may clear a socket left by a copy that crashed.
    QLocalServer::removeServer(key_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return server_->listen(key_);
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] { *buffer += socket->readAll(); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            socket->deleteLater();
            if (buffer->startsWith(messageHead))
                emit messageReceived(QString::fromUtf8(buffer->mid(messageHead.size())));
        });
        if (socket->state() != QLocalSocket::ConnectedState)
            socket->deleteLater();
    }
}

bool SingleInstance::sendToPrimary(const QString& key, const QString& commandLine, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(key);
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(messageHead + commandLine.toUtf8());
            const bool written = socket.waitForBytesWritten(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(500);
            return written || socket.bytesToWrite() == 0;
        }
        // The first copy holds the lock but may not listen yet.
        QThread::msleep(50);
    }
    return false;
}
