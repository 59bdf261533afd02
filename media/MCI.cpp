#include "media/MCI.h"

#include "app/FileObject.h"
#include "app/Numbers.h"
#include "app/CommandLine.h"
#include "media/MciSend.h"
#include "ui/MsgBox.h"

#include <climits>
#include <cmath>

namespace media {

using mdlZorvoFLV::roundToInt32;
using mdlZorvoFLV::valLenient;

namespace {

QString num(qint64 v) { return QString::number(v); }

QString fileNamePart(const QString& path) { return FileObject::splitPath(path).fileName; }

QString extensionOf(const QString& name) { return FileObject::splitPath(name).extension; }

// "D:\Track03.cda" -> "D": the first character of the path, as the path helpers take it.
QString driveOf(const QString& path) { return FileObject::splitPath(path).drive; }

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool looksLikeCdTrack(const QString& fileName, QString& track)
{
    const QString name = fileNamePart(fileName).toLower();
    const bool pattern = name.size() == 11 && name.startsWith(QLatin1String("track")) && isDigit(name.at(5))
        && isDigit(name.at(6)) && name.endsWith(QLatin1String(".cda"));
    if (!pattern || extensionOf(name) != QLatin1String("cda") || fileName.size() < 6)
        return false;
    const QString digits = fileName.mid(fileName.size() - 6, 2);
    if (!isDigit(digits.at(0)) || !isDigit(digits.at(1)))
        return false;
    track = QString::number(digits.toInt());
    return true;
}

} // namespace

MCI::MCI() = default;

bool MCI::isCDa() const { return deviceType_ == QLatin1String("cdaudio"); }

int MCI::send(const QString& command, QString* reply, bool keep)
{
    const int code = reply ? mciSendString(command, reply, ReplyLength) : mciSendString(command, nullptr, 0);
    if (keep)
        lastError_ = code;
    return code;
}

int MCI::query(const QString& command, QString& reply)
{
    reply.clear();
    return send(command, &reply);
}

void MCI::setTimeFormat(const QString& fmt) { send(QStringLiteral("set ") + alias_ + QStringLiteral(" time format ") + fmt, nullptr, false); }

QString MCI::fromToClause(int a, int b)
{
    qint64 from = a, to = b;
    if (isCDa()) {
        if (to == 0)
            to = totalFramesCache_;
        from += startOffset_;
        to += startOffset_;
    }
    if (to > 0)
        return QStringLiteral(" from ") + num(from) + QStringLiteral(" to ") + num(to);
    return QString();
}

QString MCI::leadingWord(const QString& reply)
{
    QString word;
    for (const QChar ch : reply) {
        const QChar c = ch.toLower();
        if (isDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')))
            word += c;
        else
            break;
    }
    return word;
}

void MCI::parseWhereSize(const QString& reply, int& Width, int& Height)
{
    // Four numbers "left top width height": the reader skips blanks inside a number, so
    // width and height are cut apart at their blank before they are read.
    const int b1 = reply.indexOf(QLatin1Char(' '));
    const int b2 = b1 < 0 ? -1 : reply.indexOf(QLatin1Char(' '), b1 + 1);
    const QString rest = b2 < 0 ? QString() : reply.mid(b2 + 1);
    const int b3 = rest.indexOf(QLatin1Char(' '));
    const QString w = b3 < 0 ? rest : rest.left(b3 + 1);
    const QString h = b3 < 0 ? QString() : rest.mid(b3);
    Width = roundToInt32(valLenient(w));
    Height = roundToInt32(valLenient(h));
}

void MCI::openMCI(const QString& FileName, int hwnd, const QString& aliasName)
{
    const bool wasCd = isCDa();
    fileName_ = FileName;
    totalFramesCache_ = 0;
    totalSecondsCache_ = 0;
    if (hwnd != 0)
        parentWindow_ = hwnd;
    if (parentWindow_ == 0)
        ui::msgBox(QStringLiteral("务必指定 hWnd 参数"), ui::OkOnly);
    if (!aliasName.isEmpty())
        alias_ = aliasName;
    if (alias_.isEmpty())
        ui::msgBox(QStringLiteral("务必指定 aliasName 参数"), ui::OkOnly);

    deviceType_ = QStringLiteral("mpegvideo");
    QString track;
    if (looksLikeCdTrack(FileName, track)) {
        trackNumber_ = track;
        deviceType_ = QStringLiteral("cdaudio");
    }
    deviceType_ = deviceType_.toLower();
    const bool nowCd = isCDa();

    // A second track of the same disc plays on the device already open.
    if (!(wasCd && nowCd)) {
        send(QStringLiteral("stop ") + alias_);
        send(QStringLiteral("close ") + alias_);
    }
    if (nowCd) {
        const int code = send(QStringLiteral("open ") + driveOf(FileName) + QStringLiteral(" type cdaudio alias ")
                              + alias_ + QStringLiteral(" wait shareable"));
        setTimeFormat(QStringLiteral("ms"));
        if (code == 0)
            isAudioOnly_ = true;
    } else {
        // Quoted as every command line of the program is, so that a double quote inside the
        // path cannot end the name early.
        send(QStringLiteral("open ") + cmdline::quoteArgument(FileName) + QStringLiteral(" type ") + deviceType_ + QStringLiteral(" alias ")
             + alias_ + QStringLiteral(" parent ") + num(parentWindow_) + QStringLiteral(" style child"));
        setTimeFormat(QStringLiteral("frames"));
    }
    startOffset_ = getStartFrame();
    isSuccess_ = lastError_ == 0;
}

void MCI::playMCI(int fromWhere, int toWhere, bool rngRepeat, bool isNotRng, bool isRepeat)
{
    if (fromWhere < 0)
        fromWhere = 0;
    if (totalFramesCache_ < 1)
        getTotalFrames();
    int end = toWhere;
    if (toWhere > totalFramesCache_ || (fromWhere > 0 && toWhere <= 0))
        end = totalFramesCache_;
    if (isNotRng || (fromWhere < 1 && end < 1)) {
        rngStart_ = 0;
        rngEnd_ = 0;
    } else {
        rngStart_ = fromWhere;
        rngEnd_ = end;
    }
    rngRepeat_ = rngRepeat;
    send(QStringLiteral("play ") + alias_ + fromToClause(fromWhere, end) + (isRepeat ? QStringLiteral(" repeat") : QString()));
    isSuccess_ = lastError_ == 0;
}

void MCI::putMCI(int movWidth, int movHeight, bool toCenter, int plrLeft, int plrTop, int plrWdt, int plrHgt)
{
    if (isCDa()) {
        isSuccess_ = false;
        return;
    }
    if (parentWindow_ == 0)
        return;
    int dx = 0, dy = 0;
    if (toCenter) {
        dx = roundToInt32((double(plrWdt) - movWidth) / 2.0);
        if (dx < 0)
            dx = plrWdt - movWidth;
        dy = roundToInt32((double(plrHgt) - movHeight) / 2.0);
        if (dy < 0)
            dy = plrHgt - movHeight;
    }
    send(QStringLiteral("put ") + alias_ + QStringLiteral(" window at ") + num(qint64(plrLeft) + dx) + QLatin1Char(' ')
         + num(qint64(plrTop) + dy) + QLatin1Char(' ') + num(movWidth) + QLatin1Char(' ') + num(movHeight));
    isAudioOnly_ = false;
    if (lastError_ == 0) {
        isSuccess_ = true;
    } else {
        // Sound but no window: an audio-only file.
        setAudioShow(true);
        isAudioOnly_ = isSuccess_;
        isSuccess_ = false;
    }
}

bool MCI::isVideoOnly()
{
    // A file whose sound cannot be switched on has none. The sound stays on.
    setAudioShow(true);
    return !isSuccess_;
}

void MCI::rngCancel()
{
    rngStart_ = 0;
    rngEnd_ = 0;
    rngRepeat_ = false;
}

void MCI::pauseMCI()
{
    send(QStringLiteral("pause ") + alias_);
    isSuccess_ = lastError_ == 0;
}

void MCI::resumeMCI()
{
    send(QStringLiteral("resume ") + alias_);
    isSuccess_ = lastError_ == 0;
}

void MCI::stepMCI(int nFrames)
{
    send(QStringLiteral("step ") + alias_ + QStringLiteral(" by ") + num(nFrames));
    isSuccess_ = true;
}

void MCI::stopMCI(QString& aliasName, int toWhere)
{
    const int target = toWhere >= 1 ? toWhere : rngStart_;
    if (aliasName.isEmpty())
        aliasName = alias_;
    if (rngRepeat_) {
        playMCI(rngStart_, rngEnd_, true, false, false);
    } else if (!isCDa() || target != 0) {
        send(QStringLiteral("seek ") + aliasName + QStringLiteral(" to ") + num(qint64(startOffset_) + target));
    } else {
        pauseMCI();
    }
    isSuccess_ = lastError_ == 0;
}

void MCI::stopMCI(const QString& aliasName, int toWhere)
{
    QString a = aliasName;
    stopMCI(a, toWhere);
}

void MCI::closeMCI(QString& aliasName)
{
    if (aliasName.isEmpty())
        aliasName = alias_;
    send(QStringLiteral("stop ") + aliasName);
    send(QStringLiteral("close ") + aliasName);
    isSuccess_ = lastError_ == 0;
}

void MCI::closeMCI(const QString& aliasName)
{
    QString a = aliasName;
    closeMCI(a);
}

void MCI::closeAllMCI()
{
    if (isCDa())
        send(QStringLiteral("stop ") + alias_);
    send(QStringLiteral("Close All"));
    isSuccess_ = lastError_ == 0;
}

QString MCI::getStatus()
{
    QString r;
    if (query(QStringLiteral("status ") + alias_ + QStringLiteral(" mode"), r) != 0)
        return QStringLiteral("error");
    return leadingWord(r);
}

int MCI::getStartFrame()
{
    if (!isCDa())
        return 0;
    setTimeFormat(QStringLiteral("ms"));
    QString r;
    query(QStringLiteral("status ") + alias_ + QStringLiteral(" position track ") + trackNumber_, r);
    return lastError_ == 0 ? roundToInt32(valLenient(r)) : 0;
}

int MCI::getTotalFrames()
{
    QString r;
    int code;
    if (isCDa()) {
        setTimeFormat(QStringLiteral("ms"));
        code = query(QStringLiteral("status ") + alias_ + QStringLiteral(" length track ") + trackNumber_, r);
    } else {
        setTimeFormat(QStringLiteral("frames"));
        code = query(QStringLiteral("status ") + alias_ + QStringLiteral(" length"), r);
    }
    totalFramesCache_ = code == 0 ? roundToInt32(valLenient(r)) : 0;
    return totalFramesCache_;
}

float MCI::getTotalSeconds()
{
    QString r;
    int code;
    setTimeFormat(QStringLiteral("ms"));
    if (isCDa()) {
        code = query(QStringLiteral("status ") + alias_ + QStringLiteral(" length track ") + trackNumber_, r);
    } else {
        code = query(QStringLiteral("status ") + alias_ + QStringLiteral(" length"), r);
        setTimeFormat(QStringLiteral("frames"));
    }
    totalSecondsCache_ = code == 0 ? float(valLenient(r) / 1000.0) : 0.0f;
    return totalSecondsCache_;
}

void MCI::setCurFrame(int nFrame, bool andPlay)
{
    if (nFrame < 0)
        nFrame = 0;
    if (totalFramesCache_ < 1)
        getTotalFrames();
    if (nFrame > totalFramesCache_)
        nFrame = totalFramesCache_;
    const QString play = QStringLiteral("play ") + alias_ + fromToClause(nFrame, totalFramesCache_);
    if (andPlay) {
        send(play);
    } else {
        send(QStringLiteral("pause ") + alias_, nullptr, false);
        send(play);
        send(QStringLiteral("pause ") + alias_, nullptr, false);
    }
    isSuccess_ = lastError_ == 0;
}

int MCI::getCurFrame()
{
    setTimeFormat(isCDa() ? QStringLiteral("ms") : QStringLiteral("frames"));
    QString r;
    if (query(QStringLiteral("status ") + alias_ + QStringLiteral(" position"), r) != 0)
        return 0;
    return roundToInt32(valLenient(r) - startOffset_);
}

float MCI::getFramesPerSecond()
{
    if (isCDa())
        return 1000.0f;
    if (totalFramesCache_ < 1)
        getTotalFrames();
    if (!(totalSecondsCache_ > 0))
        getTotalSeconds();
    if (totalSecondsCache_ > 0)
        return float(totalFramesCache_) / totalSecondsCache_;
    return -1.0f;
}

float MCI::getFramesRateMPG()
{
    QString r;
    if (query(QStringLiteral("status ") + alias_ + QStringLiteral(" frame rate"), r) != 0)
        return -1.0f;
    return float(valLenient(r) / 1000.0);
}

void MCI::getCurSize(int& Width, int& Height)
{
    QString r;
    if (query(QStringLiteral("where ") + alias_ + QStringLiteral(" destination max"), r) != 0) {
        isSuccess_ = false;
        Width = Height = 0;
        return;
    }
    parseWhereSize(r, Width, Height);
    isSuccess_ = true;
}

void MCI::getDefaultSize(int& Width, int& Height)
{
    QString r;
    if (query(QStringLiteral("where ") + alias_ + QStringLiteral(" source"), r) != 0) {
        isSuccess_ = false;
        Width = Height = 0;
        return;
    }
    parseWhereSize(r, Width, Height);
    isSuccess_ = true;
}

void MCI::setVolume(int volume)
{
    send(QStringLiteral("setaudio ") + alias_ + QStringLiteral(" volume to ") + num(volume));
    isSuccess_ = lastError_ == 0;
}

void MCI::setAudioShow(bool isOn)
{
    send(QStringLiteral("set ") + alias_ + QStringLiteral(" audio all ") + (isOn ? QStringLiteral("on") : QStringLiteral("off")));
    isSuccess_ = lastError_ == 0;
}

QString MCI::getAudioOnOff()
{
    QString r;
    if (query(QStringLiteral("status ") + alias_ + QStringLiteral(" audio"), r) != 0)
        return QStringLiteral("error");
    return leadingWord(r);
}

void MCI::setSpeed(int speed)
{
    send(QStringLiteral("set ") + alias_ + QStringLiteral(" speed ") + num(speed));
    isSuccess_ = lastError_ == 0;
}

int MCI::getSpeed()
{
    QString r;
    if (query(QStringLiteral("status ") + alias_ + QStringLiteral(" speed"), r) != 0)
        return -1;
    return roundToInt32(valLenient(r));
}

} // namespace media
