// The real program under a display (Xvfb in the test run): it shows the picture of the
// clip it was started with, hands a second start over to the first copy, and writes its
// settings when its window is closed.
#include <gtest/gtest.h>

#include "app/TextFile.h"
#include "common/TestMedia.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>

namespace {

bool haveDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY"); }

QString run(const QString& program, const QStringList& args, int ms = 20000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(ms))
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The window id of the top-level window whose title is exactly title; empty when none.
QString windowWithTitle(const QString& title)
{
    const QString tree = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    for (const QString& line : tree.split(u'\n')) {
        const qsizetype q = line.indexOf(u'"');
        if (q < 0)
            continue;
        const qsizetype end = line.indexOf(u'"', q + 1);
        if (end < 0 || line.mid(q + 1, end - q - 1) != title)
            continue;
        return line.trimmed().section(u' ', 0, 0);
    }
    return QString();
}

template <typename F>
bool waitFor(F cond, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

// How many pixels of an image are strongly coloured: the test pattern has colour bars,
// a black or grey window has none.
int colouredPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            if (c.saturation() > 120 && c.value() > 80)
                ++n;
        }
    return n;
}

class E2EPlayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveDisplay())
            GTEST_SKIP() << "no display";
        // A program folder of its own, so the settings it writes stay here.
        for (const char* name : {"Zorvo.FLV", "ZorvoResFLV"}) {
            const QString from = testmedia::binDir() + u'/' + QString::fromUtf8(name);
            ASSERT_TRUE(QFile::copy(from, folder.file(QString::fromUtf8(name)))) << name;
        }
        program = folder.file(QStringLiteral("Zorvo.FLV"));
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZORVO_FLV_INSTANCE"), QUuid::createUuid().toString(QUuid::Id128));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // Without a mixer the program says so in a box that waits for a click; a software
        // mixer keeps the start clean.
        QFile conf(folder.file(QStringLiteral("asound.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("ctl_type.zorvotest { lib \"" ZORVO_TEST_ALSA_PLUGIN "\" }\nctl.default { type zorvotest }\n");
        conf.close();
        env.insert(QStringLiteral("ALSA_CONFIG_PATH"), conf.fileName());
    }

    void TearDown() override
    {
        if (first.state() != QProcess::NotRunning) {
            first.kill();
            first.waitForFinished(5000);
        }
    }

    void start(QProcess& p, const QString& clip)
    {
        p.setProcessEnvironment(env);
        // Into a file: a pipe nobody reads fills up and stops the program on its next line.
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setStandardOutputFile(folder.file(QStringLiteral("output-%1.log").arg(++started)));
        p.start(program, clip.isEmpty() ? QStringList() : QStringList{clip});
        ASSERT_TRUE(p.waitForStarted(5000));
    }

    testmedia::TempDir folder;
    QString program;
    QProcessEnvironment env;
    QProcess first;
    int started = 0;
};

} // namespace

TEST_F(E2EPlayer, ShowsThePictureHandsOverAndSavesOnClose)
{
    start(first, testmedia::path(testmedia::Video640));
    QString id;
    ASSERT_TRUE(waitFor([&] { return !(id = windowWithTitle(QStringLiteral(" video640.flv - Zorvo.FLV"))).isEmpty(); },
                        20000))
        << "see " << folder.file(QStringLiteral("output-1.log")).toStdString();

    // The picture is drawn: the window shows the test pattern's colours.
    const QString shot = folder.file(QStringLiteral("shot.png"));
    ASSERT_TRUE(waitFor(
        [&] {
            run(QStringLiteral("import"), {QStringLiteral("-window"), id, shot});
            return colouredPixels(QImage(shot)) > 2000;
        },
        20000))
        << "the video area stayed dark: " << shot.toStdString();

    // A second start with another clip ends at once, and the first copy plays that clip.
    QProcess second;
    start(second, testmedia::path(testmedia::Flv1Mp3));
    EXPECT_TRUE(second.waitForFinished(2000)) << "the second copy should hand over and end";
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return !windowWithTitle(QStringLiteral(" flv1_mp3.flv - Zorvo.FLV")).isEmpty(); },
                        10000));

    // Ending the program (as a session logout does) closes its window, which writes the
    // settings with their keys in order.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000)) << "the program did not end";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    QStringList lines;
    ASSERT_TRUE(mdlZorvoFLV::readTextLines(folder.file(QStringLiteral("Zorvo.FLV.ini")), lines));
    QStringList keys;
    for (const QString& l : lines)
        keys << l.section(u'=', 0, 0);
    EXPECT_EQ(keys.join(u','), QStringLiteral("MainRect,ListRect,CapRect,KeepWH,KeepDef,ListDir,SaveDir,ListDirIdx,"
                                              "StepMode,PlaySetting,ToListEnd,StartList,AutoAddMark,LineFmt,DoneToFn"));
}
