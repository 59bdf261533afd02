#include "FlvTestTools.h"

#include "common/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

namespace flvtest {
namespace {

quint32 be24(const QByteArray& b, qint64 at)
{
    return (quint32(quint8(b[at])) << 16) | (quint32(quint8(b[at + 1])) << 8) | quint8(b[at + 2]);
}

void put24(QByteArray& b, quint32 v)
{
    b.append(char(v >> 16));
    b.append(char(v >> 8));
    b.append(char(v));
}

void put32(QByteArray& b, quint32 v)
{
    b.append(char(v >> 24));
    put24(b, v);
}

} // namespace

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QList<Tag> tagsOf(const QByteArray& flv)
{
    QList<Tag> tags;
    if (flv.size() < 13 || !flv.startsWith("FLV"))
        return tags;
    qint64 at = ((quint32(quint8(flv[5])) << 24) | be24(flv, 6)) + 4;
    while (at + 11 <= flv.size()) {
        Tag t;
        t.offset = at;
        t.type = quint8(flv[at]) & 0x1F;
        const quint32 size = be24(flv, at + 1);
        t.timestamp = be24(flv, at + 4) | (quint32(quint8(flv[at + 7])) << 24);
        if (at + 11 + qint64(size) > flv.size())
            break;
        t.data = flv.mid(at + 11, size);
        tags.append(t);
        at += 11 + size + 4;
    }
    return tags;
}

QList<Tag> mediaTagsOf(const QByteArray& flv)
{
    QList<Tag> out;
    for (const Tag& t : tagsOf(flv))
        if (t.type == 8 || t.type == 9)
            out.append(t);
    return out;
}

QByteArray encodeTag(int type, quint32 timestamp, const QByteArray& data)
{
    QByteArray b;
    b.append(char(type));
    put24(b, quint32(data.size()));
    put24(b, timestamp & 0xFFFFFF);
    b.append(char(timestamp >> 24));
    put24(b, 0);
    b.append(data);
    put32(b, quint32(11 + data.size()));
    return b;
}

QByteArray flvHeader(bool audio, bool video, quint32 dataOffset)
{
    QByteArray b("FLV\x01", 4);
    b.append(char((audio ? 4 : 0) | (video ? 1 : 0)));
    put32(b, dataOffset);
    put32(b, 0);
    return b;
}

ProcResult run(const QString& program, const QStringList& args, const QString& workDir,
        const std::function<void()>& childModifier)
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    if (childModifier)
        p.setChildProcessModifier(childModifier);
    p.start(program, args);
    ProcResult r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString injector() { return testmedia::binDir() + QStringLiteral("/zorvo_fmd"); }

ProcResult inject(const QString& file) { return run(injector(), {file}); }

QJsonObject metadataOf(const QString& file)
{
    const ProcResult r = run(QStringLiteral("flvmeta"), {QStringLiteral("-D"), QStringLiteral("-j"), file});
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

bool flvmetaCheckPasses(const QString& file, QString* report)
{
    const ProcResult r = run(QStringLiteral("flvmeta"), {QStringLiteral("--check"), file});
    if (report)
        *report = r.out + r.err;
    return r.exitCode == 0 && (r.out + r.err).contains(QStringLiteral("0 error(s)"));
}

QStringList strayFiles(const QString& folder, const QStringList& expected)
{
    QStringList stray;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!expected.contains(name))
            stray.append(name);
    return stray;
}

} // namespace flvtest
