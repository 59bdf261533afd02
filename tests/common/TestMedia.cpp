#include "common/TestMedia.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

namespace testmedia {

QString mediaDir() { return QString::fromUtf8(ZORVO_MEDIA_DIR); }
QString binDir() { return QString::fromUtf8(ZORVO_BIN_DIR); }
QString ffmpeg() { return QString::fromUtf8(ZORVO_FFMPEG); }
QString ffprobe() { return QString::fromUtf8(ZORVO_FFPROBE); }

QString path(const Clip& clip) { return mediaDir() + QLatin1Char('/') + QString::fromUtf8(clip.file); }

QString probe(const QString& file, const QStringList& args)
{
    QProcess p;
    p.start(ffprobe(), QStringList{QStringLiteral("-v"), QStringLiteral("error")} + args + QStringList{file});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

int countVideoFrames(const QString& file)
{
    const QString out = probe(file, {QStringLiteral("-count_frames"), QStringLiteral("-select_streams"),
                                     QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                                     QStringLiteral("stream=nb_read_frames"), QStringLiteral("-of"),
                                     QStringLiteral("csv=p=0")});
    bool ok = false;
    const int n = out.toInt(&ok);
    return ok ? n : -1;
}

double durationOf(const QString& file)
{
    const QString out = probe(file, {QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                                     QStringLiteral("-of"), QStringLiteral("csv=p=0")});
    bool ok = false;
    const double d = out.toDouble(&ok);
    return ok ? d : -1;
}

TempDir::TempDir()
{
    path_ = QDir::tempPath() + QStringLiteral("/zorvo-test-") + QUuid::createUuid().toString(QUuid::Id128);
    QDir().mkpath(path_);
}

TempDir::~TempDir() { QDir(path_).removeRecursively(); }

} // namespace testmedia
