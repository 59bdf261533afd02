// The injector run as the tools run it, on clips made by ffmpeg; every result is read
// back with flvmeta, ffprobe and a tag reader of the test's own.
#include "FlvTestTools.h"
#include "common/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace flvtest;
using testmedia::TempDir;

namespace {

QJsonObject probeJson(const QString& file)
{
    const QString out = testmedia::probe(file, {QStringLiteral("-show_streams"), QStringLiteral("-show_format"),
                                                QStringLiteral("-of"), QStringLiteral("json")});
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

QJsonObject streamOf(const QJsonObject& probe, const QString& type)
{
    for (const QJsonValue& s : probe.value(QStringLiteral("streams")).toArray())
        if (s.toObject().value(QStringLiteral("codec_type")).toString() == type)
            return s.toObject();
    return {};
}

double rate(const QString& ratio)
{
    const QStringList p = ratio.split(QLatin1Char('/'));
    return p.size() == 2 && p[1].toDouble() != 0 ? p[0].toDouble() / p[1].toDouble() : 0;
}

QString videoCodecName(int id)
{
    switch (id) {
    case 2: return QStringLiteral("flv1");
    case 3: return QStringLiteral("flashsv");
    case 6: return QStringLiteral("flashsv2");
    case 7: return QStringLiteral("h264");
    default: return QString::number(id);
    }
}

QString audioCodecName(int id)
{
    switch (id) {
    case 1: return QStringLiteral("adpcm_swf");
    case 2: return QStringLiteral("mp3");
    case 3: return QStringLiteral("pcm_s16le");
    case 6: return QStringLiteral("nellymoser");
    case 10: return QStringLiteral("aac");
    default: return QString::number(id);
    }
}

bool sameMedia(const QList<Tag>& a, const QList<Tag>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].type != b[i].type || a[i].timestamp != b[i].timestamp || a[i].data != b[i].data)
            return false;
    return true;
}

int countMetadataTags(const QByteArray& flv)
{
    int n = 0;
    for (const Tag& t : tagsOf(flv))
        n += t.type == 18 && t.data.mid(3, 10) == "onMetaData";
    return n;
}

// Runs the injector on a copy of src and checks everything that holds for any sound
// input: the run succeeds, flvmeta accepts the result, its metadata agrees with ffprobe
// of the input, the key frame index points at key frames, and every audio and video
// tag comes through byte for byte.
void checkInjected(const QString& src, double seconds, int frames)
{
    TempDir dir;
    const QString file = dir.file(QFileInfo(src).fileName());
    ASSERT_TRUE(QFile::copy(src, file));
    const QByteArray before = readFile(file);
    const QJsonObject probe = probeJson(src);

    const ProcResult r = inject(file);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray after = readFile(file);
    QString report;
    EXPECT_TRUE(flvmetaCheckPasses(file, &report)) << report.toStdString();
    EXPECT_TRUE(sameMedia(mediaTagsOf(before), mediaTagsOf(after)));
    const QList<Tag> tags = tagsOf(after);
    ASSERT_FALSE(tags.isEmpty());
    EXPECT_EQ(tags[0].type, 18);
    EXPECT_EQ(countMetadataTags(after), 1);
    EXPECT_TRUE(strayFiles(dir.path(), {QFileInfo(file).fileName()}).isEmpty());

    const QJsonObject md = metadataOf(file);
    EXPECT_EQ(md.value(QStringLiteral("metadatacreator")).toString(), QStringLiteral("Zorvo.FLV"));
    EXPECT_EQ(md.value(QStringLiteral("filesize")).toDouble(), double(after.size()));
    const double probed = probe.value(QStringLiteral("format")).toObject().value(QStringLiteral("duration")).toString().toDouble();
    EXPECT_NEAR(md.value(QStringLiteral("duration")).toDouble(), probed, 0.05);
    EXPECT_NEAR(md.value(QStringLiteral("duration")).toDouble(), seconds, 0.1);

    const QJsonObject v = streamOf(probe, QStringLiteral("video"));
    const QJsonObject a = streamOf(probe, QStringLiteral("audio"));
    EXPECT_EQ(md.value(QStringLiteral("hasVideo")).toBool(), !v.isEmpty());
    EXPECT_EQ(md.value(QStringLiteral("hasAudio")).toBool(), !a.isEmpty());
    if (!v.isEmpty()) {
        EXPECT_EQ(md.value(QStringLiteral("width")).toInt(), v.value(QStringLiteral("width")).toInt());
        EXPECT_EQ(md.value(QStringLiteral("height")).toInt(), v.value(QStringLiteral("height")).toInt());
        EXPECT_EQ(videoCodecName(md.value(QStringLiteral("videocodecid")).toInt()), v.value(QStringLiteral("codec_name")).toString());
        EXPECT_NEAR(md.value(QStringLiteral("framerate")).toDouble(), rate(v.value(QStringLiteral("r_frame_rate")).toString()), 0.01);
        EXPECT_EQ(testmedia::countVideoFrames(file), frames);

        // Every listed position is the start of a key-marked video tag of that time.
        QHash<qint64, Tag> byOffset;
        for (const Tag& t : tags)
            byOffset.insert(t.offset, t);
        const QJsonObject kf = md.value(QStringLiteral("keyframes")).toObject();
        const QJsonArray pos = kf.value(QStringLiteral("filepositions")).toArray();
        const QJsonArray times = kf.value(QStringLiteral("times")).toArray();
        ASSERT_EQ(pos.size(), times.size());
        EXPECT_GE(pos.size(), int(seconds));
        for (qsizetype i = 0; i < pos.size(); ++i) {
            const qint64 at = qint64(pos[i].toDouble());
            ASSERT_TRUE(byOffset.contains(at)) << "position " << at;
            const Tag& t = byOffset[at];
            EXPECT_EQ(t.type, 9);
            EXPECT_EQ(quint8(t.data[0]) >> 4, 1);
            EXPECT_DOUBLE_EQ(times[i].toDouble(), t.timestamp / 1000.0);
        }
    }
    if (!a.isEmpty()) {
        EXPECT_EQ(audioCodecName(md.value(QStringLiteral("audiocodecid")).toInt()), a.value(QStringLiteral("codec_name")).toString());
        EXPECT_EQ(md.value(QStringLiteral("audiosamplerate")).toInt(), a.value(QStringLiteral("sample_rate")).toString().toInt());
        EXPECT_EQ(md.value(QStringLiteral("stereo")).toBool(), a.value(QStringLiteral("channels")).toInt() >= 2);
    }

    // A second run has nothing left to repair: the same bytes again.
    ASSERT_EQ(inject(file).exitCode, 0);
    EXPECT_EQ(readFile(file), after);
}

class BuildClips : public ::testing::TestWithParam<testmedia::Clip> {};

TEST_P(BuildClips, MetadataAgreesWithFfprobeAndMediaIsUntouched)
{
    const testmedia::Clip c = GetParam();
    checkInjected(testmedia::path(c), c.seconds, c.frames);
}

INSTANTIATE_TEST_SUITE_P(Fmd, BuildClips,
                         ::testing::Values(testmedia::Flv1Mp3, testmedia::H264AacFlv, testmedia::SilentFlv,
                                           testmedia::LongFlv, testmedia::CjkFlv, testmedia::Video640,
                                           testmedia::Sample));

// Codecs and sizes the build's clips do not have: custom H.263 sizes, a cropped H.264
// picture, screen video, sound alone in several formats. Made once per test run.
struct Generated {
    const char* name;
    const char* args;
    double seconds;
    int frames;
};

class GeneratedClips : public ::testing::TestWithParam<Generated> {};

TEST_P(GeneratedClips, MetadataAgreesWithFfprobe)
{
    const Generated g = GetParam();
    static TempDir cache;
    const QString file = cache.file(QString::fromUtf8(g.name));
    if (!QFile::exists(file)) {
        QStringList args = {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")};
        args += QString::fromUtf8(g.args).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        args += {QStringLiteral("-f"), QStringLiteral("flv"), file};
        const ProcResult r = run(testmedia::ffmpeg(), args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    checkInjected(file, g.seconds, g.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Fmd, GeneratedClips,
    ::testing::Values(
        Generated{"h263_custom8.flv", "-f lavfi -i testsrc=size=200x150:rate=25:duration=2 -c:v flv1 -g 25", 2.0, 50},
        Generated{"h264_cropped.flv", "-f lavfi -i testsrc=size=200x150:rate=25:duration=2 -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p", 2.0, 50},
        Generated{"h264_30.flv", "-f lavfi -i testsrc=size=160x120:rate=30:duration=2 -f lavfi -i sine=sample_rate=48000:duration=2 -c:v libx264 -preset ultrafast -g 30 -pix_fmt yuv420p -ac 2 -c:a aac", 2.0, 60},
        Generated{"screen.flv", "-f lavfi -i testsrc=size=96x64:rate=10:duration=2 -c:v flashsv -g 10", 2.0, 20},
        Generated{"screen2.flv", "-f lavfi -i testsrc=size=96x64:rate=10:duration=2 -c:v flashsv2 -g 10", 2.0, 20},
        Generated{"mp3_only.flv", "-f lavfi -i sine=sample_rate=22050:duration=3 -ac 2 -c:a libmp3lame -b:a 48k", 3.0, 0},
        Generated{"aac_only.flv", "-f lavfi -i sine=sample_rate=44100:duration=3 -c:a aac", 3.0, 0},
        Generated{"pcm_only.flv", "-f lavfi -i sine=sample_rate=11025:duration=3 -c:a pcm_s16le", 3.0, 0},
        Generated{"nelly.flv", "-f lavfi -i sine=sample_rate=22050:duration=3 -c:a nellymoser", 3.0, 0}));

// --- damaged and foreign input ---

struct Case {
    TempDir dir;
    QString file;
    explicit Case(const QByteArray& bytes, const QString& name = QStringLiteral("case.flv"))
        : file(dir.file(name))
    {
        writeFile(file, bytes);
    }
    bool onlyFile() const { return strayFiles(dir.path(), {QFileInfo(file).fileName()}).isEmpty(); }
};

QByteArray clipBytes() { return readFile(testmedia::path(testmedia::Flv1Mp3)); }

// A refused file is left byte for byte, with a message and nothing else in its folder.
void expectRefused(const QByteArray& bytes)
{
    Case c(bytes);
    const ProcResult r = inject(c.file);
    EXPECT_GT(r.exitCode, 0);
    EXPECT_FALSE(r.err.trimmed().isEmpty());
    EXPECT_EQ(readFile(c.file), bytes);
    EXPECT_TRUE(c.onlyFile());
}

TEST(FmdDamaged, ForeignFilesAreRefusedAndLeftAlone)
{
    expectRefused(readFile(testmedia::path(testmedia::Garbage)));
    expectRefused(readFile(testmedia::path(testmedia::ToneMp3)));
    expectRefused(QByteArray());
    expectRefused(QByteArray("FL"));
    expectRefused(flvHeader(true, true));  // a header and no tags
    QRandomGenerator rng(7);
    QByteArray random(64 * 1024, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
    expectRefused(random);
}

TEST(FmdDamaged, RandomBytesAfterAHeaderNeverCrash)
{
    QRandomGenerator rng(11);
    for (int i = 0; i < 20; ++i) {
        QByteArray bytes = flvHeader(true, true);
        QByteArray noise(4096 + i * 512, Qt::Uninitialized);
        rng.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        bytes += noise;
        Case c(bytes);
        const ProcResult r = inject(c.file);
        ASSERT_GE(r.exitCode, 0) << "crashed on case " << i;
        if (r.exitCode != 0)
            EXPECT_EQ(readFile(c.file), bytes);
        else
            EXPECT_TRUE(flvmetaCheckPasses(c.file));
        EXPECT_TRUE(c.onlyFile());
    }
}

TEST(FmdDamaged, TruncatedLastTagIsDroppedAndTheRestKept)
{
    const QByteArray whole = clipBytes();
    const QList<Tag> media = mediaTagsOf(whole);
    const Tag& cutTag = media[media.size() / 2];
    Case c(whole.left(cutTag.offset + 11 + cutTag.data.size() / 2));
    const ProcResult r = inject(c.file);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("dropped")));
    EXPECT_TRUE(sameMedia(mediaTagsOf(readFile(c.file)), media.mid(0, media.size() / 2)));
    EXPECT_TRUE(flvmetaCheckPasses(c.file));
    EXPECT_TRUE(c.onlyFile());
}

TEST(FmdDamaged, WrongHeaderOffsetIsRepaired)
{
    const QByteArray whole = clipBytes();
    for (quint32 offset : {0u, 5u, 0x7FFFFFFFu, 0x100u}) {
        QByteArray bytes = whole;
        bytes[5] = char(offset >> 24);
        bytes[6] = char(offset >> 16);
        bytes[7] = char(offset >> 8);
        bytes[8] = char(offset);
        Case c(bytes);
        ASSERT_EQ(inject(c.file).exitCode, 0) << offset;
        EXPECT_TRUE(sameMedia(mediaTagsOf(readFile(c.file)), mediaTagsOf(whole))) << offset;
        EXPECT_TRUE(flvmetaCheckPasses(c.file));
    }
}

void setDataSize(QByteArray& bytes, qint64 tagOffset, quint32 size)
{
    bytes[tagOffset + 1] = char(size >> 16);
    bytes[tagOffset + 2] = char(size >> 8);
    bytes[tagOffset + 3] = char(size);
}

TEST(FmdDamaged, ImpossibleDataSizesLoseOnlyTheirOwnTag)
{
    const QByteArray whole = clipBytes();
    const QList<Tag> media = mediaTagsOf(whole);

    // The last tag claims more than the file has: it goes, the rest stays.
    QByteArray last = whole;
    setDataSize(last, media.last().offset, 0xFFFFFF);
    Case c1(last);
    ASSERT_EQ(inject(c1.file).exitCode, 0);
    EXPECT_TRUE(sameMedia(mediaTagsOf(readFile(c1.file)), media.mid(0, media.size() - 1)));

    // A tag in the middle claims 16 MB, and its trailing size is lost too: the walk
    // steps over it to the next sound tag.
    QByteArray middle = whole;
    const qsizetype k = media.size() / 3;
    setDataSize(middle, media[k].offset, 0xFFFFFF);
    middle[media[k].offset + 11 + media[k].data.size()] = char(0x55);
    Case c2(middle);
    const ProcResult r = inject(c2.file);
    ASSERT_EQ(r.exitCode, 0);
    QList<Tag> expected = media;
    expected.removeAt(k);
    EXPECT_TRUE(sameMedia(mediaTagsOf(readFile(c2.file)), expected));
    EXPECT_TRUE(flvmetaCheckPasses(c2.file));

    // A wrong trailing size alone is only rewritten.
    QByteArray trailer = whole;
    const qint64 sizeField = media[k].offset + 11 + media[k].data.size();
    trailer[sizeField] = char(0x55);
    Case c3(trailer);
    ASSERT_EQ(inject(c3.file).exitCode, 0);
    EXPECT_TRUE(sameMedia(mediaTagsOf(readFile(c3.file)), media));
}

TEST(FmdDamaged, GarbageBetweenTagsIsSkipped)
{
    const QByteArray whole = clipBytes();
    const QList<Tag> media = mediaTagsOf(whole);
    QRandomGenerator rng(3);
    QByteArray noise(5000, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    QByteArray bytes = whole;
    bytes.insert(media[40].offset, noise);
    Case c(bytes);
    const ProcResult r = inject(c.file);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("dropped")));
    EXPECT_TRUE(sameMedia(mediaTagsOf(readFile(c.file)), media));
    EXPECT_TRUE(flvmetaCheckPasses(c.file));
}

// The damage byte flips leave in real files where readers trip, all in one H.264 clip:
// each is mended without touching a codec byte, said on stderr, and the result reads
// as the undamaged clip did.
TEST(FmdDamaged, HeaderDamageIsMendedAndReported)
{
    const QByteArray whole = readFile(testmedia::path(testmedia::H264AacFlv));
    const QList<Tag> media = mediaTagsOf(whole);
    ASSERT_GT(media.size(), 60);
    ASSERT_EQ(media[0].type, 9);  // the AVC sequence header leads
    ASSERT_EQ(media[0].data.mid(0, 2), QByteArray("\x17\x00", 2));
    auto nth = [&](int type, int n) {
        for (const Tag& t : media)
            if (t.type == type && n-- == 0)
                return t;
        return Tag{};
    };
    QByteArray bytes = whole;
    setDataSize(bytes, media[0].offset, quint32(media[0].data.size() + 7));  // sequence header: data size wrong
    bytes[nth(9, 10).offset + 9] = char(0x02);                               // a stream id
    bytes[nth(9, 20).offset + 5] = char(bytes[nth(9, 20).offset + 5] ^ 0x40); // a video time jumps 16 s ahead
    bytes[nth(8, 30).offset + 5] = char(bytes[nth(8, 30).offset + 5] ^ 0x04); // an audio time falls back
    bytes[nth(8, 40).offset] = char(0x48);                                    // reserved type bits
    bytes[nth(9, 30).offset + 11] = char(~bytes[nth(9, 30).offset + 11]);      // video flags: no codec, no frame type
    bytes[nth(8, 50).offset + 11] = char(0x5F);                               // audio flags: another codec
    const Tag oldMeta = tagsOf(whole).first();
    ASSERT_EQ(oldMeta.data.mid(3, 10), QByteArray("onMetaData"));
    bytes[oldMeta.offset + 11 + 2] = char(0xF5);                              // the old metadata's name length
    ASSERT_FALSE(flvmetaCheckPasses(Case(bytes).file));

    Case c(bytes);
    const ProcResult r = inject(c.file);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (const char* kind : {"stream id", "timestamp", "type byte", "data size", "flags byte"})
        EXPECT_TRUE(r.err.contains(QLatin1String(kind))) << kind << ": " << r.err.toStdString();
    QString report;
    EXPECT_TRUE(flvmetaCheckPasses(c.file, &report)) << report.toStdString();

    // Every tag is back, its bytes untouched and its time within a millisecond of the
    // original (a mended time is put between its neighbours).
    const QList<Tag> out = mediaTagsOf(readFile(c.file));
    ASSERT_EQ(out.size(), media.size());
    for (qsizetype i = 0; i < media.size(); ++i) {
        EXPECT_EQ(out[i].type, media[i].type) << i;
        EXPECT_EQ(out[i].data, media[i].data) << i;
        EXPECT_LE(std::abs(qint64(out[i].timestamp) - qint64(media[i].timestamp)), 1) << i;
    }
    const QJsonObject probe = probeJson(c.file);
    EXPECT_EQ(streamOf(probe, QStringLiteral("video")).value(QStringLiteral("width")).toInt(), 320);
    EXPECT_EQ(streamOf(probe, QStringLiteral("audio")).value(QStringLiteral("codec_name")).toString(), QStringLiteral("aac"));
    EXPECT_EQ(metadataOf(c.file).value(QStringLiteral("height")).toDouble(), 240.0);
    EXPECT_TRUE(c.onlyFile());
}

// Where mending is not possible and the walk would drop a codec header, the stream
// could no longer be decoded: the file is left exactly as it was.
TEST(FmdDamaged, AnUnmendableCodecHeaderIsNeverDropped)
{
    const QByteArray whole = readFile(testmedia::path(testmedia::H264AacFlv));
    const QList<Tag> media = mediaTagsOf(whole);
    for (const Tag& header : {media[0], media[1]}) {  // AVC and AAC configuration
        QByteArray bytes = whole;
        setDataSize(bytes, header.offset, quint32(header.data.size() + 3));
        bytes[header.offset + 11 + header.data.size()] = char(0x7F);
        expectRefused(bytes);
    }
}

// --- timestamps and script tags ---

TEST(FmdTimestamps, WrappedTwentyFourBitTimesAreUnwrapped)
{
    // The clip's tags moved to just before the 24-bit limit and written the way an old
    // muxer does: low 24 bits only, no extended byte.
    const quint32 base = 0xFFF000;
    const QList<Tag> media = mediaTagsOf(clipBytes());
    QByteArray bytes = flvHeader(true, true);
    for (const Tag& t : media)
        bytes += encodeTag(t.type, (t.timestamp + base) & 0xFFFFFF, t.data);
    Case c(bytes);
    ASSERT_EQ(inject(c.file).exitCode, 0);
    const QList<Tag> out = mediaTagsOf(readFile(c.file));
    ASSERT_EQ(out.size(), media.size());
    for (qsizetype i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i].timestamp, media[i].timestamp + base) << i;
    const QJsonObject md = metadataOf(c.file);
    EXPECT_NEAR(md.value(QStringLiteral("duration")).toDouble(), 4.0, 0.1);
    EXPECT_NEAR(md.value(QStringLiteral("lasttimestamp")).toDouble(), (base + media.last().timestamp) / 1000.0, 0.1);
    EXPECT_TRUE(flvmetaCheckPasses(c.file));
}

TEST(FmdTimestamps, ExtendedTimesAreKept)
{
    const quint32 base = 0x2345678;  // beyond 24 bits, written properly
    const QList<Tag> media = mediaTagsOf(clipBytes());
    QByteArray bytes = flvHeader(true, true);
    for (const Tag& t : media)
        bytes += encodeTag(t.type, t.timestamp + base, t.data);
    Case c(bytes);
    ASSERT_EQ(inject(c.file).exitCode, 0);
    const QList<Tag> out = mediaTagsOf(readFile(c.file));
    ASSERT_EQ(out.size(), media.size());
    EXPECT_EQ(out.first().timestamp, media.first().timestamp + base);
    EXPECT_EQ(out.last().timestamp, media.last().timestamp + base);
    EXPECT_NEAR(metadataOf(c.file).value(QStringLiteral("duration")).toDouble(), 4.0, 0.1);
}

QByteArray amfString(const QByteArray& s)
{
    QByteArray b;
    b.append(char(2));
    b.append(char(s.size() >> 8));
    b.append(char(s.size()));
    return b + s;
}

TEST(FmdScript, OldMetadataIsReplacedAndOtherScriptTagsStayInPlace)
{
    const QByteArray whole = clipBytes();  // ffmpeg wrote an onMetaData already
    ASSERT_EQ(countMetadataTags(whole), 1);
    const QList<Tag> media = mediaTagsOf(whole);
    const QByteArray cue = amfString("onCuePoint") + amfString("chapter two");
    QByteArray bytes = flvHeader(true, true);
    for (qsizetype i = 0; i < media.size(); ++i) {
        if (i == 30) {
            bytes += encodeTag(18, media[i].timestamp, cue);
            // A second, stale onMetaData in the middle goes too.
            bytes += encodeTag(18, media[i].timestamp, amfString("onMetaData") + QByteArray("\x08\0\0\0\0\0\0\x09", 8));
        }
        bytes += encodeTag(media[i].type, media[i].timestamp, media[i].data);
    }
    Case c(bytes);
    ASSERT_EQ(inject(c.file).exitCode, 0);
    const QList<Tag> out = tagsOf(readFile(c.file));
    EXPECT_EQ(countMetadataTags(readFile(c.file)), 1);
    ASSERT_EQ(out.size(), media.size() + 2);
    EXPECT_EQ(out[0].type, 18);
    EXPECT_EQ(out[31].type, 18);
    EXPECT_EQ(out[31].data, cue);
    EXPECT_TRUE(flvmetaCheckPasses(c.file));
}

// --- command lines of the tools ---

TEST(FmdCommandLine, FormsTheToolsUse)
{
    TempDir dir;
    const QByteArray clip = clipBytes();
    auto rewritten = [](const QString& f) {
        return metadataOf(f).value(QStringLiteral("metadatacreator")).toString() == QStringLiteral("Zorvo.FLV");
    };

    // `{flvmdi} ~fix~tmpSJoin.flv`: a bare name in the current folder.
    writeFile(dir.file(QStringLiteral("~fix~tmpSJoin.flv")), clip);
    EXPECT_EQ(run(injector(), {QStringLiteral("~fix~tmpSJoin.flv")}, dir.path()).exitCode, 0);
    EXPECT_TRUE(rewritten(dir.file(QStringLiteral("~fix~tmpSJoin.flv"))));

    // `{flvmdi} "{target}"` through a shell: one argument with blanks and CJK.
    QDir(dir.path()).mkpath(QStringLiteral("中文 目录"));
    const QString target = dir.file(QStringLiteral("中文 目录/测试 片段.flv"));
    writeFile(target, clip);
    const QString line = injector() + QStringLiteral(" \"") + target + QStringLiteral("\"");
    EXPECT_EQ(run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line}).exitCode, 0);
    EXPECT_TRUE(rewritten(target));

    // A runner that splits at blanks and keeps the quotation marks.
    writeFile(target, clip);
    QStringList pieces = (QStringLiteral("\"") + target + QStringLiteral("\"")).split(QLatin1Char(' '));
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(run(injector(), pieces).exitCode, 0);
    EXPECT_TRUE(rewritten(target));

    // One argument that still carries its quotation marks.
    writeFile(target, clip);
    EXPECT_EQ(run(injector(), {QStringLiteral("\"") + target + QStringLiteral("\"")}).exitCode, 0);
    EXPECT_TRUE(rewritten(target));

    const ProcResult none = run(injector(), {});
    EXPECT_NE(none.exitCode, 0);
    EXPECT_FALSE(none.err.isEmpty());
    const ProcResult missing = run(injector(), {dir.file(QStringLiteral("missing.flv"))});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("missing.flv")));
}

// --- the original survives every failure ---

TEST(FmdSafety, FailedWriteLeavesTheOriginal)
{
    const QByteArray clip = readFile(testmedia::path(testmedia::LongFlv));
    ASSERT_GT(clip.size(), 100000);
    Case c(clip);
    const ProcResult r = run(injector(), {c.file}, QString(), [] {
        struct rlimit lim {60000, 60000};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::signal(SIGXFSZ, SIG_IGN);
    });
    EXPECT_GT(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("left as it was"))) << r.err.toStdString();
    EXPECT_EQ(readFile(c.file), clip);
    EXPECT_TRUE(c.onlyFile());

    // Even when the limit's signal is left at its default (a kill), the program itself
    // turns it into a write error.
    const ProcResult killed = run(injector(), {c.file}, QString(), [] {
        struct rlimit lim {60000, 60000};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::signal(SIGXFSZ, SIG_DFL);
    });
    EXPECT_GT(killed.exitCode, 0);
    EXPECT_EQ(readFile(c.file), clip);
    EXPECT_TRUE(c.onlyFile());
}

TEST(FmdSafety, ReadOnlyFolderLeavesTheOriginal)
{
    // Root writes anywhere, so the program runs as nobody there; it needs a copy of
    // itself where nobody may run it.
    TempDir binDir;
    const QString program = binDir.file(QStringLiteral("zorvo_fmd"));
    ASSERT_TRUE(QFile::copy(injector(), program));
    ::chmod(binDir.path().toLocal8Bit().constData(), 0755);
    ::chmod(program.toLocal8Bit().constData(), 0755);

    const QByteArray clip = clipBytes();
    Case c(clip);
    ::chmod(c.file.toLocal8Bit().constData(), 0644);
    ::chmod(c.dir.path().toLocal8Bit().constData(), 0555);
    const bool root = ::geteuid() == 0;
    const ProcResult r = run(program, {c.file}, QString(), [root] {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
    });
    ::chmod(c.dir.path().toLocal8Bit().constData(), 0755);
    ASSERT_NE(r.exitCode, 99);
    EXPECT_GT(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("temporary"))) << r.err.toStdString();
    EXPECT_EQ(readFile(c.file), clip);
    EXPECT_TRUE(c.onlyFile());
}

// A disk with room for the file but not for its new copy: the file stays as it was, no
// work file is left, and the message names the full disk as the tools look for it.
TEST(FmdSafety, AFullDiskLeavesTheOriginal)
{
    TempDir small;
    const QByteArray at = QFile::encodeName(small.path());
    if (::mount("tmpfs", at.constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    struct Unmount { QByteArray at; ~Unmount() { ::umount(at.constData()); } } unmount{at};
    const QByteArray clip = clipBytes();
    ASSERT_GT(clip.size(), 128 * 1024);
    const QString file = small.file(QStringLiteral("case.flv"));
    ASSERT_TRUE(writeFile(file, clip));
    const ProcResult r = inject(file);
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(r.err.contains(QStringLiteral("No space left on device"))) << r.err.toStdString();
    EXPECT_EQ(readFile(file), clip);
    EXPECT_TRUE(strayFiles(small.path(), {QStringLiteral("case.flv")}).isEmpty());
}

// Only a regular file is read: a FIFO named like a video is refused at once, not waited on.
TEST(FmdSafety, AFifoIsRefusedWithoutWaiting)
{
    TempDir dir;
    const QString fifo = dir.file(QStringLiteral("pipe.flv"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0644), 0);
    QProcess p;
    p.start(injector(), {fifo});
    ASSERT_TRUE(p.waitForFinished(20000)) << "blocked on the FIFO";
    EXPECT_GT(p.exitCode(), 0);
    EXPECT_TRUE(QFileInfo(fifo).exists());
    EXPECT_TRUE(strayFiles(dir.path(), {QStringLiteral("pipe.flv")}).isEmpty());
}

// Stopped at any moment, from its first instant to the rename, the program leaves the
// original whole (or finished) and no work file beside it.
TEST(FmdSafety, StopSignalsLeaveNoWorkFile)
{
    QByteArray big = flvHeader(true, true);
    const QList<Tag> media = mediaTagsOf(clipBytes());
    for (quint32 round = 0; big.size() < 40 * 1024 * 1024; ++round)
        for (const Tag& t : media)
            big += encodeTag(t.type, round * 5000 + t.timestamp, t.data);
    TempDir dir;
    const QString file = dir.file(QStringLiteral("big.flv"));
    int sawWorkFile = 0;
    for (int i = 0; i < 24; ++i) {
        ASSERT_TRUE(writeFile(file, big));
        const int sig = i % 3 == 0 ? SIGINT : i % 3 == 1 ? SIGTERM : SIGHUP;
        const QByteArray program = injector().toLocal8Bit(), path = file.toLocal8Bit();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(program.constData(), program.constData(), path.constData(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Every 24th of the way through the first few milliseconds; the later ones once
        // the work file is there.
        if (i < 12) {
            ::usleep(static_cast<useconds_t>(i * 400));
        } else {
            for (int wait = 0; wait < 20000 && strayFiles(dir.path(), {QStringLiteral("big.flv")}).isEmpty(); ++wait)
                ::usleep(100);
            sawWorkFile += !strayFiles(dir.path(), {QStringLiteral("big.flv")}).isEmpty();
        }
        ::kill(pid, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(strayFiles(dir.path(), {QStringLiteral("big.flv")}).isEmpty()) << "signal " << sig << " at step " << i;
        const QByteArray after = readFile(file);
        if (WIFSIGNALED(status)) {
            EXPECT_TRUE(after == big || countMetadataTags(after) == 1) << i;
        }
    }
    EXPECT_GT(sawWorkFile, 0);
}

TEST(FmdSafety, PermissionsAndLinksArePreserved)
{
    Case c(clipBytes());
    const QByteArray path = c.file.toLocal8Bit();
    ::chmod(path.constData(), 0604);
    const QString link = c.dir.file(QStringLiteral("link.flv"));
    ASSERT_TRUE(QFile::link(c.file, link));
    ASSERT_EQ(inject(link).exitCode, 0);
    struct stat st {};
    ASSERT_EQ(::stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(countMetadataTags(readFile(c.file)), 1);
    EXPECT_EQ(metadataOf(c.file).value(QStringLiteral("metadatacreator")).toString(), QStringLiteral("Zorvo.FLV"));
}

} // namespace
