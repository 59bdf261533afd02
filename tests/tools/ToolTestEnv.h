#pragma once
// What the tool tests share: a runtime folder of their own (so that parallel tests do not
// meet in one tool store), the build's program folder, and a stand-in for the two
// windows.
#include "common/TestMedia.h"
#include "tools/ToolHost.h"

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace tooltest {

// Points XDG_RUNTIME_DIR at a fresh private folder and the runner at build/bin.
class PrivateRuntime {
public:
    PrivateRuntime();
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// An ffmpeg of the test's own, first on the PATH (and a TMPDIR of its own) while this
// lives; body is the shell script it runs.
class StandInFfmpeg {
public:
    explicit StandInFfmpeg(const QByteArray& body = {});
    ~StandInFfmpeg();
    QString tmpPath() const { return tmp_.path(); }

protected:
    void write(const QByteArray& body);
    QTemporaryDir bin_, tmp_;

private:
    QByteArray oldPath_, oldTmp_;
};

// An ffmpeg that never ends, for the tests that break a run off. It writes its process id
// to pidFile() when it starts; before, if given, is shell script run ahead of that.
class HangingFfmpeg : public StandInFfmpeg {
public:
    explicit HangingFfmpeg(const QByteArray& before = {});
    QString pidFile() const { return bin_.filePath(QStringLiteral("pid")); }
};

struct TestHost : ToolHost {
    TestHost();
    QWidget* playerWindow() override { return player.get(); }
    QWidget* workspaceWindow() override { return workspace.get(); }
    void pausePlayer() override { ++pauses; }
    void closeRunFn(const QString& file) override { closed << file; }
    void showInBrowser(const QString& file) override { browsed << file; }
    bool doneToFileBrowser() override { return toBrowser; }

    std::unique_ptr<QWidget> player;
    std::unique_ptr<QWidget> workspace;
    int pauses = 0;
    QStringList closed;
    QStringList browsed;
    bool toBrowser = false;
};

// A job test: a source and an output folder of its own, the editable types widened (AVI
// among them), the closing report's OK sent to the test's file browser, and the current
// folder given back at the end.
class JobTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A copy of a clip in the source folder, under a name of the test's choice.
    QString source(const testmedia::Clip& clip, const QString& name);

    TestHost host_;
    testmedia::TempDir src_, out_;
    QString saveFolder_;
    QString before_;
};

// What a run of the command-line program gave.
struct CliRun {
    int exit = -1;
    QString out; // standard output
    QString err; // standard error
};
// zorvo of the build with args, in this process's environment (the test's runtime folder,
// a stand-in ffmpeg on the PATH), from folder when given.
CliRun runZorvo(const QStringList& args, const QString& folder = QString());
// The same, started and left running (the test signals it); the caller waits for it.
std::unique_ptr<QProcess> startZorvo(const QStringList& args);

// One packet of a stream as ffprobe lists it.
struct Packet {
    double pts;
    double dts;
    bool key;
};
// Packets of the first video ("v") or audio ("a") stream.
QList<Packet> packets(const QString& file, const char* stream);
// Frames a stream-copy cut from start for length seconds keeps: those from the key frame
// at or before start up to start + length, counted on the picture's own clock.
int expectedCutFrames(const QString& source, double start, double length);
// Timestamps (decoding order) that never go back; false for a file without the stream.
bool monotonic(const QString& file, const char* stream);
// ffprobe's value of one entry of the first stream of a kind, e.g. ("a", "bit_rate").
QString streamEntry(const QString& file, const char* stream, const char* entry);
// The codec names of all streams, in order, joined by ",".
QString codecs(const QString& file);
// The same, sorted: the order of the streams in a file follows its first packets.
QString sortedCodecs(const QString& file);
// Bits a second of one stream, from the sizes of its packets.
double measuredBitRate(const QString& file, const char* stream);
// Whether `flvmeta --check` passes the file; report gets what it printed.
bool flvmetaAccepts(const QString& file, QString* report);
// A digest of a file's bytes, to show that a source stayed as it was.
QByteArray digest(const QString& file);
// Every entry of a folder, hidden ones included, by name.
QStringList entries(const QString& folder);

} // namespace tooltest
