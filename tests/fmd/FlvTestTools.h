#pragma once
// Test-side view of FLV files, written apart from the injector so that the two do not
// share their mistakes: a plain tag list, and the metadata as flvmeta reads it.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace flvtest {

struct Tag {
    qint64 offset = 0;
    int type = 0;          // 8, 9, 18
    quint32 timestamp = 0; // with the extended byte
    QByteArray data;
};

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

// Tags of a well-formed file, in order; stops at the first tag that runs past the end.
QList<Tag> tagsOf(const QByteArray& flv);
// Audio and video tags only (what must come through unchanged).
QList<Tag> mediaTagsOf(const QByteArray& flv);
// A tag with its trailing size, as the file holds it.
QByteArray encodeTag(int type, quint32 timestamp, const QByteArray& data);
QByteArray flvHeader(bool audio, bool video, quint32 dataOffset = 9);

struct ProcResult {
    int exitCode = -1;
    QString out, err;
};
// Runs a program; a modifier runs in the child before exec.
ProcResult run(const QString& program, const QStringList& args, const QString& workDir = QString(),
        const std::function<void()>& childModifier = {});
// The injector as the tool store writes it.
QString injector();
ProcResult inject(const QString& file);

// flvmeta's dump of the onMetaData tag (JSON), and its --check verdict.
QJsonObject metadataOf(const QString& file);
bool flvmetaCheckPasses(const QString& file, QString* report = nullptr);

// Files in a folder other than the given ones (left-over temporary files).
QStringList strayFiles(const QString& folder, const QStringList& expected);

} // namespace flvtest
