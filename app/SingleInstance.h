#pragma once
// One running copy per user: a second start hands its command line to the first copy
// and ends.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Start {
        First,  // this copy holds the lock and listens
        Second, // another copy holds the lock
        Failed, // neither: the channel could not be set up (errorString says why)
    };

    // The channel's name, built from "Zorvo.FLV|FormDDE".
    static QString defaultKey();

    // The lock and the socket live in folder; when it is empty, in $XDG_RUNTIME_DIR (the
    // user's alone), else in the private temporary folder.
    explicit SingleInstance(const QString& key = defaultKey(), const QString& folder = QString(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    Start start();
    QString errorString() const { return error_; }

    // Sends the command line to the first copy; retries until the deadline while that
    // copy is still starting. False when nobody took it.
    static bool sendToPrimary(const QString& serverName, const QString& commandLine, int timeoutMs = 2000);

    // The text a second copy hands over: a relative path names a file in that copy's own
    // current folder, which the first copy does not share, so it is made absolute.
    static QString handOverText(const QString& commandLine, const QString& currentFolder);

    // Full path of the socket.
    QString serverName() const { return socketPath_; }

signals:
    void messageReceived(const QString& commandLine);

private:
    void onNewConnection();

    QString folder_;
    QString socketPath_;
    QString error_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};
