#include "app/mdlZorvoFLV.h"

#include "app/FileObject.h"
#include "app/Numbers.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace mdlZorvoFLV {

QString programFolder;
QString tempFolder;
QString moreEditableTypes;
QString editablePatterns, playablePatterns, imagePatterns, playlistPatterns;
QString openFilterAll, openFilterEditable;

std::function<QString()> playerFileName;
std::function<void()> releasePlayerFile;

const QString playableList = QStringLiteral(
    ";flv;ape;ac3;aac;mpv;mpa;mpc;mp1;mp2;pcm;dts;avi;dat;mpg;mpeg;m1v;m2v;m3v;m4v;wmv;asf;"
    "divx;mov;qt;3gp;rm;ram;rmvb;rmv;vob;ifo;wav;wma;ra;rma;m1a;m2a;m3a;m4a;mp3;mp4;ogg;ogm;"
    "cda;mkv;");
const QString audioList =
    QStringLiteral(";ape;wav;pcm;wma;ra;rma;m1a;m2a;m3a;m4a;mpa;mpc;mp1;mp2;mp3;ac3;aac;dts;ogg;");
const QString playlistList = QStringLiteral(";plt;pls;m3u;asx;");
const QString editableBaseList = QStringLiteral(";flv;mpg;mpeg;dat;vob;");
const QString moreEditableList = QStringLiteral(";avi;mp4;3gp;mov;wmv;asf;");
const QString streamSchemeList = QStringLiteral(";http;https;rtsp;mms;pnm;");
const QString playablePatternList = QStringLiteral(
    ";flv;ape;mpeg;wm?;asf;wav;pcm;mid;m?v;m?a;mp?;avi;ra;rm;rm?;ram;rmvb;rpm;mov;qt;3gp;au;"
    "snd;cda;dat;divx;vob;ifo;ac3;aac;dts;og?;mkv;");
const QString imagePatternList = QStringLiteral(";jpg;jpeg;jpe;gif;bmp;png;wmf;emf;ico;cur;");

// ---- Folders -----------------------------------------------------------------------------

QString ensurePrivateFolder(const QString& folder)
{
    if (folder.isEmpty())
        return QString();
    const QByteArray native = QFile::encodeName(QDir::cleanPath(folder));
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        if (errno != ENOENT || (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST))
            return QString();
        if (::lstat(native.constData(), &st) != 0)
            return QString();
    }
    // Programs are written here and started: refuse a link, a folder of somebody else's,
    // and one that others may write into.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & (S_IWGRP | S_IWOTH)))
        return QString();
    if (::access(native.constData(), R_OK | W_OK | X_OK) != 0)
        return QString();
    return withTrailingSeparator(QDir::cleanPath(folder));
}

QString privateTempFolder()
{
    // ZorvoResFLV picks its folder by the same rule: both must land on the same one, so a
    // refused folder is not swapped for another.
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    while (runtime.size() > 1 && runtime.endsWith(u'/'))
        runtime.chop(1);
    const QByteArray native = QFile::encodeName(runtime);
    struct stat st {};
    const bool usable = runtime.startsWith(u'/') && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
                        st.st_uid == ::getuid() && ::access(native.constData(), W_OK | X_OK) == 0;
    if (usable)
        return ensurePrivateFolder(runtime + QStringLiteral("/Zorvo.FLV"));
    return ensurePrivateFolder(QStringLiteral("/tmp/Zorvo.FLV-%1").arg(::getuid()));
}

void initFolders()
{
    programFolder = withTrailingSeparator(QCoreApplication::applicationDirPath());
    tempFolder = privateTempFolder();
    if (tempFolder.isEmpty())
        tempFolder = programFolder;
}

// ---- Media types -----------------------------------------------------------------------

namespace {

QString lowerExtension(const QString& name, bool bareExtension)
{
    QString n = name;
    if (bareExtension && !n.contains(u'.'))
        n = QStringLiteral("x.") + n;
    return FileObject::splitPath(n.trimmed()).extension.toLower();
}

bool inList(const QString& list, const QString& ext)
{
    return list.contains(u';' + ext + u';');
}

QString editableListInForce() { return editableBaseList + moreEditableTypes; }

} // namespace

bool isPlayableFile(const QString& name)
{
    return !name.isEmpty() && inList(playableList, lowerExtension(name, true));
}

bool isAudioFile(const QString& name)
{
    return !name.isEmpty() && inList(audioList, lowerExtension(name, true));
}

bool isPlaylistFile(const QString& name)
{
    return !name.isEmpty() && name.contains(u'.') && inList(playlistList, lowerExtension(name, false));
}

bool isEditableFile(const QString& name)
{
    QString n = name;
    if (n.isEmpty() && playerFileName)
        n = playerFileName();
    if (n.isEmpty())
        return false;
    const QString ext = lowerExtension(n, true);
    return !ext.isEmpty() && inList(editableListInForce(), ext);
}

bool isStreamAddress(const QString& name)
{
    QString n = name;
    if (n.isEmpty() && playerFileName)
        n = playerFileName();
    const qsizetype colon = n.indexOf(u':');
    if (colon < 1)
        return false;
    return inList(streamSchemeList, n.left(colon).toLower());
}

QString patternsFromList(const QString& list)
{
    QString out;
    for (const QString& item : list.split(u';', Qt::SkipEmptyParts))
        out += QStringLiteral("*.") + item + u';';
    return out;
}

void buildPatterns()
{
    QString editable = editableListInForce();
    while (editable.contains(QStringLiteral(";;")))
        editable.replace(QStringLiteral(";;"), QStringLiteral(";"));
    editablePatterns = patternsFromList(editable);
    playablePatterns = patternsFromList(playablePatternList);
    imagePatterns = patternsFromList(imagePatternList);
    playlistPatterns = patternsFromList(playlistList);
}

void buildOpenFilters()
{
    const QString first = QStringLiteral("支援处理的档案 (flv ; mpg ; dat ; vob)|");
    openFilterAll = first + editablePatterns + QStringLiteral("|支援播放的多媒体档案|") + playablePatterns +
                    QStringLiteral("|支援浏览的影像图档案|") + imagePatterns + QStringLiteral("|所有档案|*.*");
    openFilterEditable = first + editablePatterns;
}

// ---- Paths and folders -------------------------------------------------------------------

QString withTrailingSeparator(const QString& path)
{
    if (path.isEmpty() || endsWithSeparator(path))
        return path;
    return path + u'/';
}

QString upperDriveLetter(const QString& path)
{
    const qsizetype colon = path.indexOf(u':');
    if (colon != 1)
        return path;
    return path.left(1).toUpper() + path.mid(1);
}

QString getOutputFolder(const QString& sourceFile, QString& saveFolder)
{
    if (!saveFolder.isEmpty() && !FileObject::instance().FolderExists(saveFolder))
        saveFolder.clear();
    if (!saveFolder.isEmpty())
        return withTrailingSeparator(saveFolder);
    if (sourceFile.isEmpty())
        return QString();
    return withTrailingSeparator(FileObject::instance().GetParentFolderName(sourceFile));
}

void changeToFolder(const QString& path)
{
    QString folder = path.trimmed();
    if (!endsWithSeparator(folder))
        folder = withTrailingSeparator(FileObject::instance().GetParentFolderName(folder));
    if (!folder.isEmpty())
        QDir::setCurrent(folder);
}

void deleteFileQuiet(const QString& path, bool keepPlayer)
{
    const QString fn = path.trimmed();
    if (fn.isEmpty())
        return;
    const QFileInfo fi(fn);
    if (!fi.exists() || fi.isDir())
        return;
    if (!keepPlayer && releasePlayerFile)
        releasePlayerFile();
    FileObject::instance().DeleteFile(fn, true);
    QCoreApplication::processEvents();
}

bool hasMoreTypesMarker()
{
    return FileObject::instance().FileExists(programFolder + QStringLiteral("I want more.ico"));
}

// ---- Windows and the desktop ---------------------------------------------------------

void setTopmost(QWidget* window, bool onTop)
{
    if (!window)
        return;
    const QRect geometry = window->geometry();
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) {
        // Changing the flag hides the window; bring it back where it was.
        window->setGeometry(geometry);
        window->show();
    }
}

void shellOpen(const QString& target)
{
    const QString t = target.trimmed();
    if (t.isEmpty())
        return;
    const QUrl url = QUrl::fromUserInput(t, QDir::currentPath(), QUrl::AssumeLocalFile);
    QDesktopServices::openUrl(url);
}

bool showInExplorer(const QString& path)
{
    const QString abs = QFileInfo(path).absoluteFilePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(abs).toString()} << QString();
        const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, 5000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(abs).absolutePath()));
}

void drawEdgeBox(QWidget* box, int edge)
{
    if (auto* frame = qobject_cast<QFrame*>(box)) {
        // The raised edge styles carry the outer or inner raised bit (1 or 4).
        const bool raised = (edge & 5) != 0 && (edge & 10) == 0;
        frame->setFrameStyle(QFrame::Panel | (raised ? QFrame::Raised : QFrame::Sunken));
        frame->setLineWidth(2);
        frame->update();
    }
}

// ---- Time text -----------------------------------------------------------------------

namespace {

// The text of a value with the given number of decimals. Every value that reaches here
// has been cut to hundredths, so it is taken as a whole number of hundredths and rounded
// on that decimal form, halves to even (12.45 shows "12.4" with one decimal, 2.5 shows
// "2" with none), not on the binary value just above or below it.
QString formatFixed(double value, int decimals)
{
    decimals = std::clamp(decimals, 0, 9);
    const double hundredths = std::fabs(value) * 100.0;
    if (!std::isfinite(hundredths) || hundredths > 1e9)
        return QString::number(value, 'f', decimals);
    long long q = std::llround(hundredths);
    if (decimals < 2) {
        const long long div = decimals == 1 ? 10 : 100;
        const long long r = q % div;
        q /= div;
        if (2 * r > div || (2 * r == div && (q & 1)))
            ++q;
    } else {
        for (int i = 2; i < decimals; ++i)
            q *= 10;
    }
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    QString text = QString::number(q / scale);
    if (decimals > 0)
        text += u'.' + QString::number(q % scale).rightJustified(decimals, u'0');
    if (value < 0 && q != 0)
        text.prepend(u'-');
    return text;
}

QString twoDigits(long long n)
{
    return n < 10 && n >= 0 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
}

} // namespace

double cutToHundredths(double seconds) { return std::floor((seconds + 0.004) * 100.0) / 100.0; }

QString formatTimeText(float& seconds, int mode, int decimals, int& parts)
{
    // The value is kept in single precision, but the arithmetic runs in double: in single
    // precision 86399.99 would come out as 24:00:00.
    // A length the device could not tell (infinite or no number) shows as 0.
    if (!std::isfinite(seconds))
        seconds = 0.0f;
    seconds = static_cast<float>(cutToHundredths(seconds));
    const double secs = seconds;
    const bool twoDigitSeconds = mode >= 2;

    long long hours = static_cast<long long>(std::floor(secs / 3600.0));
    long long minutes = static_cast<long long>(std::floor((secs - hours * 3600.0) / 60.0));
    if (mode == 4) {
        hours = 0;
        minutes = static_cast<long long>(std::floor(secs / 60.0));
    }
    const float rest = static_cast<float>(secs - hours * 3600.0 - minutes * 60.0);

    auto withPattern = [&](float v, bool integerOnly) {
        if (integerOnly)
            v = std::floor(v);
        QString t = formatFixed(v, integerOnly ? 0 : std::max(decimals, 0));
        if (twoDigitSeconds) {
            const qsizetype intDigits = t.indexOf(u'.') < 0 ? t.size() : t.indexOf(u'.');
            if (intDigits < 2 && !t.startsWith(u'-'))
                t.prepend(u'0');
        }
        return t;
    };

    if (mode == 0) {
        parts = 1;
        return withPattern(seconds, false);
    }
    // With the pattern "00" the whole seconds show (59.9 shows "59", not "60").
    QString text = withPattern(rest, twoDigitSeconds && decimals <= 0);
    parts = 1;
    if (mode >= 2 || minutes > 0) {
        text = twoDigits(minutes) + u':' + text;
        parts = 2;
    }
    if (mode == 3 || hours > 0) {
        text = twoDigits(hours) + u':' + text;
        parts = 3;
    }
    return text;
}

QString formatTimeText(double seconds, int mode, int decimals)
{
    float s = static_cast<float>(seconds);
    int parts = 0;
    return formatTimeText(s, mode, decimals, parts);
}

std::optional<float> parseTimeText(const QString& text)
{
    if (!text.contains(u':'))
        return 0.0f;
    const QStringList fields = text.split(u':');
    float sum = 0.0f;
    double weight = 1.0;
    for (qsizetype i = fields.size() - 1; i >= 0; --i) {
        double v = 0;
        if (!parseDecimal(fields[i], v))
            return std::nullopt;
        sum += static_cast<float>(v * weight);
        weight *= 60.0;
    }
    return sum;
}

} // namespace mdlZorvoFLV
