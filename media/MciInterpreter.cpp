// The command strings of the media control interface, carried out on libmpv devices.
#include "app/CommandLine.h"
#include "media/MciSend.h"
#include "media/MpvDevice.h"
#include "media/WindowRegistry.h"

#include <QCoreApplication>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

namespace media {

namespace {

MciSender& currentSender()
{
    static MciSender s;
    return s;
}

using DeviceMap = std::map<QString, std::unique_ptr<MpvDevice>>;

DeviceMap& devices()
{
    static DeviceMap d;
    return d;
}

// Devices whose alias was closed while they waited for libmpv (the window's events run
// during such a wait): they go once no command is running any more.
std::vector<std::unique_ptr<MpvDevice>>& closedWhileBusy()
{
    static std::vector<std::unique_ptr<MpvDevice>> d;
    return d;
}

// Devices being opened, not yet under their alias: a close meanwhile ends the open.
std::map<QString, MpvDevice*>& opening()
{
    static std::map<QString, MpvDevice*> d;
    return d;
}

int g_depth = 0; // commands in progress (nested ones run inside a device's wait)

void closeDevice(std::unique_ptr<MpvDevice> device)
{
    if (device && device->busy()) {
        device->abortWait();
        closedWhileBusy().push_back(std::move(device));
    }
}

void closeAllDevices()
{
    for (auto& [key, device] : opening())
        device->abortWait();
    for (auto& [key, device] : devices())
        closeDevice(std::move(device));
    devices().clear();
}

// Devices hold widgets and libmpv handles: they go before the application object does.
void ensureCleanupAtExit()
{
    static bool registered = false;
    if (!registered && QCoreApplication::instance()) {
        qAddPostRoutine(closeAllDevices);
        registered = true;
    }
}

// Blanks separate words; double quotes group a path that holds blanks, and a path that
// holds a double quote itself has it escaped (as MCI writes it).
QStringList tokenize(const QString& command) { return cmdline::splitCommandLine(command); }

void writeReply(QString* reply, int length, const QString& text)
{
    if (reply)
        *reply = length > 0 ? text.left(length - 1) : QString();
}

bool toInt(const QString& s, qint64& v)
{
    bool ok = false;
    v = s.toLongLong(&ok);
    return ok;
}

QString rectText(const QRect& r)
{
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

class Args {
public:
    Args(const QStringList& t, int from) : t_(t), i_(from) {}
    bool done() const { return i_ >= t_.size(); }
    QString peek() const { return done() ? QString() : t_.at(i_).toLower(); }
    QString take() { return done() ? QString() : t_.at(i_++); }
    bool accept(const char* word)
    {
        if (peek() == QLatin1String(word)) {
            ++i_;
            return true;
        }
        return false;
    }

private:
    const QStringList& t_;
    int i_;
};

int doOpen(const QStringList& t, QString* reply, int len)
{
    if (t.size() < 2)
        return MciErrMissingParameter;
    const QString target = t.at(1);
    QString type = QStringLiteral("mpegvideo"), alias;
    int parent = 0;
    Args a(t, 2);
    while (!a.done()) {
        if (a.accept("type")) {
            type = a.take().toLower();
        } else if (a.accept("alias")) {
            alias = a.take();
        } else if (a.accept("parent")) {
            qint64 v = 0;
            if (!toInt(a.take(), v))
                return MciErrBadInteger;
            parent = int(v);
        } else if (a.accept("style")) {
            a.take();
        } else if (a.accept("wait") || a.accept("notify") || a.accept("shareable")) {
        } else {
            return MciErrUnrecognizedKeyword;
        }
    }
    if (alias.isEmpty())
        alias = target;
    const QString key = alias.toLower();
    if (key == QLatin1String("all"))
        return MciErrInvalidDeviceName;
    if (devices().count(key))
        return MciErrDeviceOpen;
    ensureCleanupAtExit();
    if (opening().count(key))
        return MciErrDeviceOpen;
    auto device = std::make_unique<MpvDevice>();
    opening()[key] = device.get();
    const int rc = type == QLatin1String("cdaudio") ? device->openCd(target)
                                                     : device->openFile(target, windowOf(parent));
    opening().erase(key);
    if (rc != MciOk)
        return rc;
    devices()[key] = std::move(device);
    writeReply(reply, len, QStringLiteral("1"));
    return MciOk;
}

int doPlay(MpvDevice& d, Args& a)
{
    std::optional<qint64> from, to;
    bool repeat = false;
    while (!a.done()) {
        qint64 v = 0;
        if (a.accept("from")) {
            if (!toInt(a.take(), v))
                return MciErrBadInteger;
            from = v;
        } else if (a.accept("to")) {
            if (!toInt(a.take(), v))
                return MciErrBadInteger;
            to = v;
        } else if (a.accept("repeat")) {
            repeat = true;
        } else if (a.accept("wait") || a.accept("notify") || a.accept("fullscreen")
                   || a.accept("window")) {
        } else {
            return MciErrUnrecognizedKeyword;
        }
    }
    if (from && *from < 0)
        return MciErrOutOfRange;
    return d.play(from, to, repeat);
}

int doSet(MpvDevice& d, Args& a)
{
    if (a.accept("time")) {
        if (!a.accept("format"))
            return MciErrMissingParameter;
        const QString f = a.take().toLower();
        if (f == QLatin1String("frames"))
            d.setMsFormat(d.isCd());
        else if (f == QLatin1String("ms") || f == QLatin1String("milliseconds"))
            d.setMsFormat(true);
        else
            return MciErrUnrecognizedKeyword;
        return MciOk;
    }
    if (a.accept("audio")) {
        if (!a.accept("all") && !a.accept("left") && !a.accept("right"))
            return MciErrMissingParameter;
        if (a.accept("on"))
            return d.setAudio(true);
        if (a.accept("off"))
            return d.setAudio(false);
        return MciErrMissingParameter;
    }
    if (a.accept("speed")) {
        qint64 v = 0;
        if (!toInt(a.take(), v))
            return MciErrBadInteger;
        return d.setSpeed(int(std::clamp<qint64>(v, -1, 1000000)));
    }
    return MciErrUnrecognizedKeyword;
}

int doStatus(MpvDevice& d, Args& a, QString* reply, int len)
{
    const auto number = [&](qint64 v) {
        writeReply(reply, len, QString::number(v));
        return int(MciOk);
    };
    const auto word = [&](const QString& w) {
        writeReply(reply, len, w);
        return int(MciOk);
    };
    if (a.accept("mode"))
        return word(d.mode());
    const bool position = a.accept("position");
    if (position || a.accept("length")) {
        if (a.accept("track")) {
            qint64 n = 0, v = 0;
            if (!toInt(a.take(), n))
                return MciErrBadInteger;
            if (!d.isCd())
                return MciErrUnsupportedFunction;
            const int rc = position ? d.trackStart(int(n), v) : d.trackLength(int(n), v);
            return rc == MciOk ? number(v) : rc;
        }
        return number(position ? d.position() : d.length());
    }
    if (a.accept("frame")) {
        if (!a.accept("rate"))
            return MciErrMissingParameter;
        if (d.isCd())
            return MciErrUnsupportedFunction;
        return number(d.frameRateMilli());
    }
    if (a.accept("audio"))
        return word(d.audioOn() && d.hasAudio() ? QStringLiteral("on") : QStringLiteral("off"));
    if (a.accept("speed"))
        return number(d.speedPerMille());
    if (a.accept("time")) {
        if (!a.accept("format"))
            return MciErrMissingParameter;
        return word(d.msFormat() ? QStringLiteral("milliseconds") : QStringLiteral("frames"));
    }
    if (a.accept("ready"))
        return word(QStringLiteral("true"));
    if (a.accept("number")) {
        a.accept("of");
        if (!a.accept("tracks"))
            return MciErrMissingParameter;
        return number(d.isCd() ? d.trackCount() : 1);
    }
    return MciErrUnrecognizedKeyword;
}

int doCommand(const QString& verb, MpvDevice& d, Args& a, QString* reply, int len)
{
    if (verb == QLatin1String("play"))
        return doPlay(d, a);
    if (verb == QLatin1String("status"))
        return doStatus(d, a, reply, len);
    if (verb == QLatin1String("set"))
        return doSet(d, a);
    if (verb == QLatin1String("pause"))
        return d.pause();
    if (verb == QLatin1String("resume"))
        return d.resume();
    if (verb == QLatin1String("stop"))
        return d.stop();
    if (verb == QLatin1String("seek")) {
        if (!a.accept("to"))
            return MciErrMissingParameter;
        if (a.accept("start"))
            return d.seekTo(0);
        if (a.accept("end"))
            return d.seekToEnd();
        qint64 v = 0;
        if (!toInt(a.take(), v))
            return MciErrBadInteger;
        return v < 0 ? MciErrOutOfRange : d.seekTo(v);
    }
    if (verb == QLatin1String("step")) {
        qint64 v = 1;
        if (a.accept("reverse"))
            v = -1;
        else if (a.accept("by") && !toInt(a.take(), v))
            return MciErrBadInteger;
        return d.step(int(std::clamp<qint64>(v, -10000000, 10000000)));
    }
    if (verb == QLatin1String("put")) {
        if (!a.accept("window") && !a.accept("destination"))
            return MciErrMissingParameter;
        if (!a.accept("at"))
            return MciErrMissingParameter;
        qint64 v[4];
        for (qint64& x : v)
            if (!toInt(a.take(), x))
                return MciErrBadInteger;
        return d.put(QRect(int(v[0]), int(v[1]), int(v[2]), int(v[3])));
    }
    if (verb == QLatin1String("where")) {
        QRect r;
        int rc = MciErrMissingParameter;
        if (a.accept("source"))
            rc = d.whereSource(r);
        else if (a.accept("destination") || a.accept("window")) {
            a.accept("max");
            rc = d.whereDestination(r);
        }
        if (rc == MciOk)
            writeReply(reply, len, rectText(r));
        return rc;
    }
    if (verb == QLatin1String("setaudio")) {
        if (!a.accept("volume"))
            return MciErrMissingParameter;
        a.accept("to");
        qint64 v = 0;
        if (!toInt(a.take(), v))
            return MciErrBadInteger;
        return d.setVolume(int(std::clamp<qint64>(v, -1, 1001)));
    }
    return MciErrUnrecognizedCommand;
}

int interpret(const QString& command, QString* reply, int replyLength)
{
    writeReply(reply, replyLength, QString());
    const QStringList t = tokenize(command);
    if (t.isEmpty())
        return MciErrMissingCommandString;
    const QString verb = t.at(0).toLower();
    if (verb == QLatin1String("open"))
        return doOpen(t, reply, replyLength);
    if (t.size() < 2)
        return MciErrMissingParameter;
    const QString key = t.at(1).toLower();
    if (verb == QLatin1String("close")) {
        if (key == QLatin1String("all")) {
            closeAllDevices();
            return MciOk;
        }
        if (const auto o = opening().find(key); o != opening().end()) {
            o->second->abortWait();
            return MciOk;
        }
        const auto it = devices().find(key);
        if (it == devices().end())
            return MciErrInvalidDeviceName;
        closeDevice(std::move(it->second));
        devices().erase(it);
        return MciOk;
    }
    const auto it = devices().find(key);
    if (it == devices().end())
        return MciErrInvalidDeviceName;
    // While the device waits for libmpv only its status can be read.
    if (it->second->busy() && verb != QLatin1String("status"))
        return MciErrDeviceNotReady;
    Args a(t, 2);
    return doCommand(verb, *it->second, a, reply, replyLength);
}

} // namespace

int mciInterpret(const QString& command, QString* reply, int replyLength)
{
    ++g_depth;
    const int rc = interpret(command, reply, replyLength);
    if (--g_depth == 0)
        closedWhileBusy().clear();
    return rc;
}

MciSender setMciSender(MciSender sender)
{
    MciSender old = std::move(currentSender());
    currentSender() = std::move(sender);
    return old;
}

int mciSendString(const QString& command, QString* reply, int replyLength)
{
    if (currentSender())
        return currentSender()(command, reply, replyLength);
    return mciInterpret(command, reply, replyLength);
}

MpvDevice* mciDevice(const QString& alias)
{
    const auto it = devices().find(alias.toLower());
    return it == devices().end() ? nullptr : it->second.get();
}

QImage mciSnapshot(const QString& alias, const QSize& size)
{
    MpvDevice* d = mciDevice(alias);
    return d ? d->snapshot(size) : QImage();
}

} // namespace media
