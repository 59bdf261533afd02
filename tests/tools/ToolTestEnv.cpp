#include "ToolTestEnv.h"

#include "common/TestMedia.h"
#include "app/mdlZorvoFLV.h"
#include "tools/mdlTools.h"

#include <QFile>
#include <QProcess>
#include <QDir>
#include <QCryptographicHash>
#include <algorithm>

namespace tooltest {

PrivateRuntime::PrivateRuntime()
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    mdlTools::setProgramFolder(testmedia::binDir());
}

TestHost::TestHost()
    : player(std::make_unique<QWidget>())
    , workspace(std::make_unique<QWidget>())
{
    player->setGeometry(100, 120, 520, 400);
    workspace->setGeometry(700, 80, 300, 500);
}

void JobTest::SetUp()
{
    before_ = QDir::currentPath();
    mdlZorvoFLV::moreEditableTypes = mdlZorvoFLV::moreEditableList;
    host_.toBrowser = true;
    saveFolder_ = out_.path();
}

void JobTest::TearDown()
{
    mdlZorvoFLV::moreEditableTypes.clear();
    QDir::setCurrent(before_);
}

QString JobTest::source(const testmedia::Clip& clip, const QString& name)
{
    const QString file = src_.file(name);
    EXPECT_TRUE(QFile::copy(testmedia::path(clip), file));
    return file;
}

std::unique_ptr<QProcess> startZorvo(const QStringList& args)
{
    auto process = std::make_unique<QProcess>();
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(testmedia::binDir() + QStringLiteral("/zorvo"), args);
    EXPECT_TRUE(process->waitForStarted(10000));
    return process;
}

CliRun runZorvo(const QStringList& args, const QString& folder)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(testmedia::binDir() + QStringLiteral("/zorvo"), args);
    CliRun run;
    if (!process.waitForStarted(10000) || !process.waitForFinished(180000))
        return run;
    run.exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QList<Packet> packets(const QString& file, const char* stream)
{
    const QString out = testmedia::probe(file, {QStringLiteral("-select_streams"), QString::fromLatin1(stream) + QStringLiteral(":0"),
                                                QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time,dts_time,flags"),
                                                QStringLiteral("-of"), QStringLiteral("csv=p=0")});
    QList<Packet> list;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char(','));
        if (f.size() < 3)
            continue;
        bool okP = false, okD = false;
        double pts = f[0].toDouble(&okP);
        double dts = f[1].toDouble(&okD);
        if (!okP)
            pts = dts;
        if (!okD)
            dts = pts;
        if (okP || okD)
            list.append({pts, dts, f[2].startsWith(QLatin1Char('K'))});
    }
    return list;
}

int expectedCutFrames(const QString& source, double start, double length)
{
    const QList<Packet> v = packets(source, "v");
    if (v.isEmpty())
        return -1;
    double first = v.first().pts;
    for (const Packet& p : v)
        first = std::min(first, p.pts);
    double key = 0;
    for (const Packet& p : v)
        if (p.key && p.pts - first <= start + 0.0005)
            key = std::max(key, p.pts - first);
    int n = 0;
    for (const Packet& p : v) {
        const double t = p.pts - first;
        if (t >= key - 0.0005 && t < start + length - 0.0005)
            ++n;
    }
    return n;
}

bool monotonic(const QString& file, const char* stream)
{
    const QList<Packet> list = packets(file, stream);
    if (list.isEmpty())
        return false;
    for (qsizetype i = 1; i < list.size(); ++i)
        if (list[i].dts < list[i - 1].dts)
            return false;
    return true;
}

QString streamEntry(const QString& file, const char* stream, const char* entry)
{
    return testmedia::probe(file, {QStringLiteral("-select_streams"), QString::fromLatin1(stream) + QStringLiteral(":0"),
                                   QStringLiteral("-show_entries"), QStringLiteral("stream=") + QString::fromLatin1(entry),
                                   QStringLiteral("-of"), QStringLiteral("csv=p=0")});
}

QString codecs(const QString& file)
{
    return testmedia::probe(file, {QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name"),
                                   QStringLiteral("-of"), QStringLiteral("csv=p=0")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
        .join(QLatin1Char(','));
}

QString sortedCodecs(const QString& file)
{
    QStringList list = codecs(file).split(QLatin1Char(','), Qt::SkipEmptyParts);
    list.sort();
    return list.join(QLatin1Char(','));
}

double measuredBitRate(const QString& file, const char* stream)
{
    const QString out = testmedia::probe(file, {QStringLiteral("-select_streams"), QString::fromLatin1(stream) + QStringLiteral(":0"),
                                                QStringLiteral("-show_entries"), QStringLiteral("packet=size,pts_time"),
                                                QStringLiteral("-of"), QStringLiteral("csv=p=0")});
    double bytes = 0, lo = 1e18, hi = -1e18;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char(','));
        if (f.size() < 2)
            continue;
        bool ok = false;
        const double t = f[0].toDouble(&ok);
        bytes += f[1].toDouble();
        if (ok) {
            lo = std::min(lo, t);
            hi = std::max(hi, t);
        }
    }
    return hi > lo ? bytes * 8 / (hi - lo) : -1;
}

bool flvmetaAccepts(const QString& file, QString* report)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("flvmeta"), {QStringLiteral("--check"), file});
    if (!p.waitForFinished(60000))
        return false;
    *report = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray digest(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5);
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

StandInFfmpeg::StandInFfmpeg(const QByteArray& body)
    : oldPath_(qgetenv("PATH")), oldTmp_(qgetenv("TMPDIR"))
{
    if (!body.isEmpty())
        write(body);
    qputenv("PATH", QFile::encodeName(bin_.path()) + ":" + oldPath_);
    qputenv("TMPDIR", QFile::encodeName(tmp_.path()));
}

void StandInFfmpeg::write(const QByteArray& body)
{
    QFile f(bin_.filePath(QStringLiteral("ffmpeg")));
    if (f.open(QIODevice::WriteOnly)) {
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

StandInFfmpeg::~StandInFfmpeg()
{
    qputenv("PATH", oldPath_);
    if (oldTmp_.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp_);
}

HangingFfmpeg::HangingFfmpeg(const QByteArray& before)
{
    write(before + "echo $$ > '" + QFile::encodeName(pidFile()) + "'\nexec sleep 600\n");
}

} // namespace tooltest
