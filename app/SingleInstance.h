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
    // The channel's name for this user, built from "Zorvo.FLV|FormDDE" and the user id.
    static QString defaultKey();

    explicit SingleInstance(const QString& key = defaultKey(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy: it holds the lock and listens from now on.
    bool start();

    // Sends the command line to the first copy; retries until the deadline while that
    // copy is still starting. False when nobody took it.
    static bool sendToPrimary(const QString& key, const QString& commandLine, int timeoutMs = 2000);

    QString serverName() const { return key_; }

signals:
    void messageReceived(const QString& commandLine);

private:
    void onNewConnection();

    QString key_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};
