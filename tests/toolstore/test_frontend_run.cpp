// The front-ends as programs: exit codes, and the watchdog that keeps a stuck ffmpeg
// from hanging a job (with a stand-in ffmpeg on PATH that never gets anywhere).
#include "common/TestMedia.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>

namespace {

int runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

void writeScript(const QString& path, const QByteArray& body)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

TEST(FrontEnds, FfmpegExitCodeIsPassedOn)
{
    testmedia::TempDir dir;
    const QString fmg = testmedia::binDir() + QStringLiteral("/zorvo_fmg");
    const auto env = QProcessEnvironment::systemEnvironment();
    EXPECT_EQ(runProgram(fmg, {QStringLiteral("-version")}, env), 0);
    EXPECT_NE(runProgram(fmg, {QStringLiteral("-y"), QStringLiteral("-i"), dir.file(QStringLiteral("none.flv")),
                               dir.file(QStringLiteral("x.flv"))}, env), 0);
    // A stand-in ffmpeg: its own code comes back.
    writeScript(dir.file(QStringLiteral("ffmpeg")), "exit 7\n");
    QProcessEnvironment fake = env;
    fake.insert(QStringLiteral("PATH"), dir.path());
    EXPECT_EQ(runProgram(fmg, {QStringLiteral("-i"), QStringLiteral("a"), QStringLiteral("b")}, fake), 7);
    // No ffmpeg at all.
    fake.insert(QStringLiteral("PATH"), dir.file(QStringLiteral("nothing")));
    EXPECT_EQ(runProgram(fmg, {QStringLiteral("-i"), QStringLiteral("a"), QStringLiteral("b")}, fake), 127);
}

TEST(FrontEnds, MencoderFrontEndKillsAStuckRun)
{
    testmedia::TempDir dir;
    // It starts, says nothing, and never ends.
    writeScript(dir.file(QStringLiteral("ffmpeg")), "exec sleep 600\n");
    writeScript(dir.file(QStringLiteral("ffprobe")), "exit 0\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral(":/usr/bin:/bin"));
    env.insert(QStringLiteral("ZORVO_MCD_STALL_SECONDS"), QStringLiteral("2"));
    QElapsedTimer t;
    t.start();
    const QString out = dir.file(QStringLiteral("out.avi"));
    const int rc = runProgram(testmedia::binDir() + QStringLiteral("/zorvo_mcd"),
                              {QStringLiteral("-mc"), QStringLiteral("1"), QStringLiteral("-ovc"), QStringLiteral("copy"),
                               QStringLiteral("-oac"), QStringLiteral("copy"), QStringLiteral("-o"), out,
                               testmedia::path(testmedia::Mpeg4Mp3Avi)},
                              env, 60000);
    EXPECT_EQ(rc, 124);
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST(FrontEnds, MencoderFrontEndRefusesLinesItCannotCarryOut)
{
    testmedia::TempDir dir;
    const QString out = dir.file(QStringLiteral("out.avi"));
    EXPECT_EQ(runProgram(testmedia::binDir() + QStringLiteral("/zorvo_mcd"),
                         {QStringLiteral("-ovc"), QStringLiteral("lavc"), QStringLiteral("-oac"), QStringLiteral("copy"),
                          QStringLiteral("-o"), out, testmedia::path(testmedia::Mpeg4Mp3Avi)},
                         QProcessEnvironment::systemEnvironment()),
              1);
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST(FrontEnds, MencoderFrontEndNeverWritesOverASource)
{
    testmedia::TempDir dir;
    const QString a = dir.file(QStringLiteral("a.flv"));
    ASSERT_TRUE(QFile::copy(testmedia::path(testmedia::Flv1Mp3), a));
    const qint64 size = QFileInfo(a).size();
    const QString mcd = testmedia::binDir() + QStringLiteral("/zorvo_mcd");
    const auto env = QProcessEnvironment::systemEnvironment();
    EXPECT_EQ(runProgram(mcd, {QStringLiteral("-mc"), QStringLiteral("1"), QStringLiteral("-ovc"), QStringLiteral("copy"),
                               QStringLiteral("-oac"), QStringLiteral("copy"), QStringLiteral("-o"), a,
                               testmedia::path(testmedia::CjkFlv), a}, env),
              1);
    EXPECT_EQ(QFileInfo(a).size(), size);
    EXPECT_EQ(testmedia::countVideoFrames(a), 100);
}

// A join whose list holds a file that is not media fails as a whole; ffmpeg alone would
// stop at that file and call the shorter result a success.
TEST(FrontEnds, MencoderFrontEndRefusesAJoinWithAnUnreadableInput)
{
    testmedia::TempDir dir;
    const QString out = dir.file(QStringLiteral("out.flv"));
    const QString mcd = testmedia::binDir() + QStringLiteral("/zorvo_mcd");
    const auto env = QProcessEnvironment::systemEnvironment();
    const QStringList head{QStringLiteral("-mc"), QStringLiteral("1"), QStringLiteral("-ovc"), QStringLiteral("copy"),
                           QStringLiteral("-oac"), QStringLiteral("copy"), QStringLiteral("-o"), out};
    const QString good = testmedia::path(testmedia::Flv1Mp3);
    const QString junk = testmedia::path(testmedia::Garbage);
    for (const QStringList& inputs : {QStringList{good, junk}, QStringList{junk, good}}) {
        EXPECT_EQ(runProgram(mcd, head + inputs, env), 1);
        EXPECT_FALSE(QFileInfo::exists(out));
    }
    EXPECT_EQ(runProgram(mcd, head + QStringList{good, good}, env), 0);
    EXPECT_EQ(testmedia::countVideoFrames(out), 200);
}

// A cut begins on the key frame at or before its start and keeps the length asked for,
// whether the FLV carries a key-frame index, none, or one that names the wrong times
// (which must not make ffmpeg seek past the key frame). Pictures reordered (B-frames),
// key frames each second.
TEST(FrontEnds, MencoderFrontEndCutsFromTheKeyFrameWithOrWithoutAnIndex)
{
    testmedia::TempDir dir;
    const QString mcd = testmedia::binDir() + QStringLiteral("/zorvo_mcd");
    const auto env = QProcessEnvironment::systemEnvironment();
    const QString indexed = dir.file(QStringLiteral("index.flv"));
    const QString plain = dir.file(QStringLiteral("plain.flv"));
    const QString lying = dir.file(QStringLiteral("lying.flv"));
    const QStringList make{"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i",
                           "sine=sample_rate=44100", "-t", "8", "-c:v", "libx264", "-bf", "2", "-g", "25", "-c:a", "aac"};
    ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), make + QStringList{"-flvflags", "add_keyframe_index", indexed}), 0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), make + QStringList{plain}), 0);
    {
        // Every index time halved: seeking by it would land seconds too late.
        QFile in(indexed), out(lying);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        QByteArray bytes = in.readAll();
        qsizetype at = bytes.indexOf(QByteArray("\x00\x05times\x0a", 8));
        ASSERT_GT(at, 0);
        at += 8;
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        const quint32 count = (quint32(p[at]) << 24) | (p[at + 1] << 16) | (p[at + 2] << 8) | p[at + 3];
        ASSERT_GE(count, 8u);
        for (quint32 i = 0; i < count; ++i) {
            char* v = bytes.data() + at + 4 + 9 * i + 1;
            quint64 bits = 0;
            for (int k = 0; k < 8; ++k)
                bits = (bits << 8) | uchar(v[k]);
            double t;
            std::memcpy(&t, &bits, 8);
            t /= 2;
            std::memcpy(&bits, &t, 8);
            for (int k = 7; k >= 0; --k, bits >>= 8)
                v[k] = char(bits & 0xff);
        }
        out.write(bytes);
    }
    for (const QString& source : {indexed, plain, lying}) {
        SCOPED_TRACE(source.toStdString());
        const QString piece = dir.file(QStringLiteral("piece.flv"));
        // From 5.5 s: the key frame at 5 s, to 7.5 s.
        EXPECT_EQ(runProgram(mcd, {"-mc", "1", "-ovc", "copy", "-oac", "copy", "-ss", "5.5", "-endpos", "2", "-o", piece, source}, env), 0);
        EXPECT_NEAR(testmedia::countVideoFrames(piece), 63, 1);
        EXPECT_NEAR(testmedia::durationOf(piece), 2.5, 0.15);
        // The first picture is the key frame, not a later one.
        const QString first = testmedia::probe(piece, {"-select_streams", "v:0", "-read_intervals", "%+#1", "-show_entries",
                                                       "packet=flags", "-of", "csv=p=0"});
        EXPECT_TRUE(first.startsWith(QLatin1Char('K'))) << first.toStdString();
        QFile::remove(piece);
    }
}

// Sound and picture of a copied piece begin together and end where the mark does, also
// where pictures are reordered (B-frames: the key frame is decoded before it is shown).
// From 1.5 s for 2 s: from the key frame at 1 s (1.04 s in the AVI) to 3.5 s.
TEST(FrontEnds, MencoderFrontEndCutsSoundAndPictureTogether)
{
    testmedia::TempDir dir;
    QStringList sources{dir.file(QStringLiteral("hevc.mp4"))};
    QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4",
                                                 "-f", "lavfi", "-i", "sine=duration=4", "-c:v", "libx265", "-x265-params",
                                                 "keyint=25:bframes=3:log-level=error", "-c:a", "aac", sources.first()});
    EXPECT_TRUE(QFileInfo::exists(sources.first())) << "the installed ffmpeg makes no HEVC";
    for (const testmedia::Clip& c : {testmedia::Flv1Mp3, testmedia::H264AacFlv, testmedia::H264AacMp4, testmedia::Mpeg1Mp2,
                                     testmedia::Mpeg4Mp3Avi})
        sources << testmedia::path(c);
    auto times = [](const QString& file, const char* stream, const char* entry) {
        QList<double> out;
        for (const QString& line : testmedia::probe(file, {"-select_streams", stream, "-show_entries", entry, "-of", "csv=p=0"})
                                       .split(QLatin1Char('\n'))) {
            bool ok = false; // a picture may have no time
            const double t = line.section(QLatin1Char(','), 0, 0).toDouble(&ok);
            if (ok)
                out.append(t);
        }
        return out;
    };
    for (const QString& source : sources) {
        SCOPED_TRACE(source.toStdString());
        const QString piece = dir.file(QStringLiteral("piece.") + QFileInfo(source).suffix());
        ASSERT_EQ(runProgram(testmedia::binDir() + QStringLiteral("/zorvo_mcd"),
                             {"-mc", "1", "-ovc", "copy", "-oac", "copy", "-ss", "1.5", "-endpos", "2", "-o", piece, source},
                             QProcessEnvironment::systemEnvironment()),
                  0);
        // The pictures as shown (decoded), the sound's packets.
        const QList<double> shown = times(piece, "v:0", "frame=best_effort_timestamp_time");
        const QList<double> sound = times(piece, "a:0", "packet=pts_time");
        ASSERT_FALSE(shown.isEmpty() || sound.isEmpty());
        const double first = *std::min_element(shown.begin(), shown.end());
        EXPECT_NEAR(sound.first(), first, 0.04);
        EXPECT_NEAR(*std::max_element(shown.begin(), shown.end()) + 0.04 - first, 2.5, 0.041);
        EXPECT_NEAR(sound.last() - first, 2.5, 0.08);
        EXPECT_NEAR(shown.size(), 62.5, 1);
        QFile::remove(piece);
    }
}

// A muxer may put sound ahead of the picture it goes with, and a codec header after the
// first frames. A cut that gives ffmpeg the file from the key frame on keeps both: here
// the sound of the first 0.2 s after each key frame lies before it in the file, and the
// H.264 header after the first three sound tags.
TEST(FrontEnds, MencoderFrontEndCutsAnFlvWhoseTagsLieOutOfTheUsualOrder)
{
    testmedia::TempDir dir;
    const QString plain = dir.file(QStringLiteral("plain.flv")), odd = dir.file(QStringLiteral("odd.flv"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"),
                                {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i",
                                 "sine=sample_rate=44100", "-t", "8", "-c:v", "libx264", "-bf", "2", "-g", "25", "-c:a", "aac",
                                 plain}),
              0);
    QFile in(plain), out(odd);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
    const QByteArray bytes = in.readAll();
    struct Tag {
        int type, ts;
        bool key, header;
        QByteArray data; // with its trailing size
    };
    QList<Tag> tags;
    for (qsizetype at = 13; at + 11 <= bytes.size(); at += tags.last().data.size()) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + at;
        const int type = p[0] & 0x1f;
        tags.append({type, (p[4] << 16) | (p[5] << 8) | p[6], type == 9 && (p[11] >> 4) == 1, type != 18 && p[12] == 0,
                     bytes.mid(at, 11 + ((p[1] << 16) | (p[2] << 8) | p[3]) + 4)});
    }
    QList<Tag> moved;
    std::optional<Tag> pictureHeader;
    for (qsizetype i = 0, sounds = 0; i < tags.size(); ++i) {
        if (tags[i].type == 9 && tags[i].header) {
            pictureHeader = tags[i];
            continue;
        }
        moved.append(tags[i]);
        if (tags[i].type == 8 && !tags[i].header && ++sounds == 3 && pictureHeader)
            moved.append(*pictureHeader);
        // The sound of the next 0.2 s goes in front of a key frame.
        for (qsizetype j = i + 1, keyAt = moved.size() - 1; tags[i].key && j < tags.size() && tags[j].ts < tags[i].ts + 200; ++j)
            if (tags[j].type == 8 && !tags[j].header)
                moved.insert(keyAt++, tags.takeAt(j--));
    }
    out.write(bytes.left(13));
    for (const Tag& t : moved)
        out.write(t.data);
    out.close();

    const QString piece = dir.file(QStringLiteral("piece.flv"));
    ASSERT_EQ(runProgram(testmedia::binDir() + QStringLiteral("/zorvo_mcd"),
                         {"-mc", "1", "-ovc", "copy", "-oac", "copy", "-ss", "5.5", "-endpos", "2", "-o", piece, odd},
                         QProcessEnvironment::systemEnvironment()),
              0);
    auto column = [&](const char* stream, const char* entry) {
        return testmedia::probe(piece, {"-select_streams", stream, "-show_entries", entry, "-of", "csv=p=0"})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    const QStringList sound = column("a:0", "packet=pts_time"), shown = column("v:0", "frame=best_effort_timestamp_time");
    ASSERT_FALSE(sound.isEmpty() || shown.isEmpty());
    EXPECT_NEAR(sound.first().toDouble(), shown.first().toDouble(), 0.04);
    EXPECT_NEAR(shown.size(), 63, 1);
}
