#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include "app/mdlZorvoFLV.h"


namespace {

// Messages start with this line, so that a later version can tell an old sender apart.
const QByteArray messageHead = "Zorvo.FLV/1\n";

QString fileNameOf(const QString& key)
{
    QString safe = key;
    for (QChar& c : safe)
        if (c == u'/' || c == u'|')
            c = u'_';
    return safe;
}

constexpr qsizetype kSocketPathMax = 100;

// $XDG_RUNTIME_DIR, which is the user's alone, else the private temporary folder.
QString defaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && !mdlZorvoFLV::ensurePrivateFolder(runtime).isEmpty())
        return runtime;
    return mdlZorvoFLV::privateTempFolder();
}

} // namespace

QString SingleInstance::defaultKey()
{
    QString key = QStringLiteral("Zorvo.FLV|FormDDE");
    // Separate groups of copies for the same user (test runs beside a working copy).
    const QString group = qEnvironmentVariable("ZORVO_FLV_INSTANCE");
    if (!group.isEmpty())
        key += u'-' + group;
    return key;
}

SingleInstance::SingleInstance(const QString& key, const QString& folder, QObject* parent)
    : QObject(parent),
      // Only this user can make or remove files in the private folder: nobody else can
      // pre-create the lock or the socket and so pass for a running copy.
      folder_(mdlZorvoFLV::ensurePrivateFolder(folder.isEmpty() ? defaultFolder() : folder))
{
    if (folder_.isEmpty())
        return;
    socketPath_ = folder_ + fileNameOf(key) + QStringLiteral(".socket");
    // A socket's path has room for 107 bytes only; a long folder gets a short name.
    if (QFile::encodeName(socketPath_).size() > kSocketPathMax)
        socketPath_ = folder_
                      + QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16))
                      + QStringLiteral(".socket");
}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
}

SingleInstance::Start SingleInstance::start()
{
    if (folder_.isEmpty()) {
        error_ = QStringLiteral("no private folder for the single-instance lock");
        return Start::Failed;
    }
    lock_ = std::make_unique<QLockFile>(socketPath_ + QStringLiteral(".lock"));
    // A copy that died leaves its lock behind; QLockFile takes it over once the process
    // named in it is gone.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(100)) {
        const bool held = lock_->error() == QLockFile::LockFailedError;
        error_ = held ? QString() : QStringLiteral("cannot create the lock %1").arg(lock_->fileName());
        lock_.reset();
        return held ? Start::Second : Start::Failed;
    }
    // Only the holder of the lock may clear a socket left by a copy that crashed.
    QLocalServer::removeServer(socketPath_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    if (!server_->listen(socketPath_)) {
        error_ = server_->errorString();
        server_.reset();
        return Start::Failed;
    }
    return Start::First;
}

QString SingleInstance::handOverText(const QString& commandLine, const QString& currentFolder)
{
    QString path = commandLine;
    path.remove(u'"');
    if (path.isEmpty() || path.contains(QLatin1String("://")) || QDir::isAbsolutePath(path))
        return commandLine;
    return QDir::cleanPath(QDir(currentFolder).absoluteFilePath(path));
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

bool SingleInstance::sendToPrimary(const QString& serverName, const QString& commandLine, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(serverName);
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
