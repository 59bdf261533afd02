// Saving marked ranges as one cropped file or as numbered pieces: the dialogs and the
// messages answered by the test, ZorvoResFLV, the front-ends and ffmpeg for real, the
// results judged by ffprobe and flvmeta.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "app/mdlZorvoFLV.h"
#include "media/MCI.h"
#include "media/WindowRegistry.h"
#include "player/Marks.h"
#include "tools/PlayerClock.h"
#include "tools/frmBuzy.h"
#include "tools/mdlSaveRng.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/CommDialog.h"
#include "ui/MsgBox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testmedia;
using mdlSaveRng::RangeSource;
using mdlSaveRng::SaveEnd;

using tooltest::flvmetaAccepts;
using tooltest::digest;
using tooltest::entries;

namespace {

tooltest::PrivateRuntime g_runtime;

constexpr int crop = mdlSaveRng::modeCrop;
constexpr int split = mdlSaveRng::modeSplit;

// Seconds the cuts keep: every range widened outwards to whole seconds.
double widenedSum(const std::vector<RangeSource::Range>& ranges)
{
    double sum = 0;
    for (const auto& r : ranges) {
        const mdlToolCmds::CutTimes t = mdlToolCmds::cutTimes(r.start, r.end);
        sum += t.length;
    }
    return sum;
}

// Frames the cuts keep: from the key frame at or before each widened start.
int expectedFrames(const Clip& clip, const std::vector<RangeSource::Range>& ranges)
{
    int frames = 0;
    for (const auto& r : ranges) {
        const mdlToolCmds::CutTimes t = mdlToolCmds::cutTimes(r.start, r.end);
        frames += tooltest::expectedCutFrames(path(clip), t.start, t.length);
    }
    return frames;
}

class SaveRng : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = QDir::currentPath();
        host_.toBrowser = true; // the closing report's OK goes to the (test) file browser
        saveFolder_ = out_.path();
    }
    void TearDown() override { QDir::setCurrent(before_); }

    QString source(const Clip& clip, const QString& name)
    {
        const QString file = src_.file(name);
        EXPECT_TRUE(QFile::copy(path(clip), file));
        return file;
    }

    RangeSource marked(const QString& file, std::vector<RangeSource::Range> ranges)
    {
        RangeSource s;
        s.file = file;
        s.hasScale = true;
        s.ranges = std::move(ranges);
        return s;
    }

    SaveEnd run(int mode, const RangeSource& s)
    {
        return mdlSaveRng::saveMarkedRanges(host_, host_.player.get(), mode, s, saveFolder_);
    }

    // Nothing of the job is left: no progress window, no tool files, only the expected
    // files in the output folder.
    void expectClean(const QStringList& expectedOut)
    {
        EXPECT_EQ(frmBuzy::instance(), nullptr);
        EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFfmpeg));
        EXPECT_FALSE(QFileInfo::exists(mdlTools::pathMencoder));
        EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFlvmdi));
        EXPECT_EQ(entries(out_.path()), expectedOut);
    }

    void expectSound(const QString& file, const Clip& clip)
    {
        EXPECT_TRUE(tooltest::monotonic(file, "v")) << file.toStdString();
        if (clip.hasAudio) {
            EXPECT_TRUE(tooltest::monotonic(file, "a")) << file.toStdString();
        }
    }

    void expectFlvMetadata(const QString& file)
    {
#ifdef ZORVO_HAVE_FMD
        QString report;
        EXPECT_TRUE(flvmetaAccepts(file, &report)) << report.toStdString();
#else
        (void)file;
#endif
    }

    tooltest::TestHost host_;
    TempDir src_, out_;
    QString saveFolder_;
    QString before_;
};

} // namespace

// Both kinds of FLV, several marks: the pieces joined, re-muxed and given metadata; one
// file as long as the widened ranges with timestamps that never go back; the source kept.
TEST_F(SaveRng, CropOfFlvJoinsTheWidenedRanges)
{
    struct Case {
        const Clip* clip;
        std::vector<RangeSource::Range> ranges;
    };
    for (const Case& c : {Case{&LongFlv, {{2.2, 4.5}, {8.0, 10.0}, {14.3, 15.6}}},
                          Case{&H264AacFlv, {{0.4, 1.2}, {2.5, 3.0}}}}) {
        SCOPED_TRACE(c.clip->file);
        const QString file = source(*c.clip, QStringLiteral("影 片.flv"));
        const QByteArray sum = digest(file);
        const QString target = out_.file(QStringLiteral("影 片_part.flv"));
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).thenFile(target);
        host_.browsed.clear();

        EXPECT_EQ(run(crop, marked(file, c.ranges)), SaveEnd::Done);

        const std::vector<ui::Shown>& shown = ui::shownBoxes();
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[0].text, mdlSaveRng::confirmQuestion(crop, file));
        EXPECT_EQ(shown[0].style, ui::OkCancel);
        EXPECT_EQ(shown[1].kind, ui::Shown::File);
        EXPECT_EQ(shown[1].style, ui::SaveFile);
        EXPECT_EQ(shown[1].defaultText, QStringLiteral("影 片_part.flv"));
        EXPECT_EQ(shown[1].filter, QStringLiteral("FLV 档案格式 (*.flv)|*.flv"));
        EXPECT_EQ(shown[1].initDir, out_.path() + QLatin1Char('/'));
        EXPECT_TRUE(shown[2].text.startsWith(QStringLiteral("全部的档案处理程序已经成功结束"))) << shown[2].text.toStdString();
        EXPECT_EQ(host_.browsed, QStringList{target});
        EXPECT_GE(host_.pauses, 1);
        EXPECT_EQ(QDir::currentPath(), out_.path());

        EXPECT_EQ(tooltest::sortedCodecs(target), tooltest::sortedCodecs(path(*c.clip)));
        EXPECT_NEAR(durationOf(target), widenedSum(c.ranges), 0.3);
        EXPECT_NEAR(countVideoFrames(target), expectedFrames(*c.clip, c.ranges), 2);
        expectSound(target, *c.clip);
        expectFlvMetadata(target);
        EXPECT_EQ(digest(file), sum);
        expectClean({QStringLiteral("影 片_part.flv")});
        QFile::remove(target);
        QFile::remove(file);
    }
}

// One mark: the piece itself, with its metadata, becomes the target; a whole end second
// is not widened further.
TEST_F(SaveRng, CropOfOneMarkRenamesThePiece)
{
    const QString file = source(LongFlv, QStringLiteral("a.flv"));
    const QString target = out_.file(QStringLiteral("one.flv"));
    ui::ScriptedAnswers answers;
    answers.then(ui::Ok).thenFile(target);
    EXPECT_EQ(run(crop, marked(file, {{10.2, 15.0}})), SaveEnd::Done);
    EXPECT_NEAR(durationOf(target), 5.0, 0.3);
    expectSound(target, LongFlv);
    expectFlvMetadata(target);
    expectClean({QStringLiteral("one.flv")});
}

// Split: split_001, split_002 … with the source's extension in the chosen folder, an older
// file of such a name replaced, and the report naming the first.
TEST_F(SaveRng, SplitWritesNumberedPieces)
{
    struct Case {
        const Clip* clip;
        const char* name;
        std::vector<RangeSource::Range> ranges;
    };
    for (const Case& c : {Case{&LongFlv, "a.flv", {{1.5, 3.0}, {6.2, 7.7}, {12.0, 14.4}}},
                          Case{&Mpeg1Mp2, "b.mpg", {{0.3, 1.6}, {2.0, 3.9}}}}) {
        SCOPED_TRACE(c.name);
        const QString file = source(*c.clip, QString::fromLatin1(c.name));
        const QString ext = QFileInfo(file).suffix();
        const QString older = out_.file(QStringLiteral("split_002.") + ext);
        {
            QFile f(older);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("an older piece");
        }
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).thenFile(out_.path());
        host_.browsed.clear();
        host_.closed.clear();

        EXPECT_EQ(run(split, marked(file, c.ranges)), SaveEnd::Done);

        const std::vector<ui::Shown>& shown = ui::shownBoxes();
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[0].text, mdlSaveRng::confirmQuestion(split, file));
        EXPECT_EQ(shown[1].style, ui::ChooseDir);
        EXPECT_EQ(shown[1].text, QStringLiteral("分割出的档案将以“split_编号.") + ext
                                     + QStringLiteral("”储存\r\n请选取分割出的新档案的储存目录\r\n这里，强烈建议你新建一个资料夹！"));
        EXPECT_TRUE(ui::CommDialog::shared().DialogTitle.isEmpty());
        const QString first = out_.file(QStringLiteral("split_001.") + ext);
        EXPECT_EQ(host_.browsed, QStringList{first});

        QStringList expected;
        for (int i = 0; i < static_cast<int>(c.ranges.size()); ++i) {
            const QString piece = out_.file(mdlToolCmds::splitName(i, ext));
            expected << QFileInfo(piece).fileName();
            EXPECT_TRUE(host_.closed.contains(piece));
            EXPECT_NEAR(durationOf(piece), widenedSum({c.ranges[static_cast<std::size_t>(i)]}), 0.3) << i;
            expectSound(piece, *c.clip);
            if (ext == QLatin1String("flv"))
                expectFlvMetadata(piece);
        }
        expectClean(expected);
        for (const QString& name : expected)
            QFile::remove(out_.file(name));
    }
}

// MPEG: the pieces re-muxed, joined and re-muxed into the target. A type-3 file (AVI):
// cut and joined by copy alone.
TEST_F(SaveRng, CropOfMpgAndAvi)
{
    for (const Clip* clip : {&Mpeg1Mp2, &Mpeg4Mp3Avi}) {
        SCOPED_TRACE(clip->file);
        const QString file = source(*clip, QString::fromLatin1(clip->file));
        const QByteArray sum = digest(file);
        const QString target = out_.file(mdlToolCmds::partName(file));
        const std::vector<RangeSource::Range> ranges{{0.2, 1.5}, {2.5, 3.4}};
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).thenFile(target);
        EXPECT_EQ(run(crop, marked(file, ranges)), SaveEnd::Done);
        EXPECT_EQ(tooltest::sortedCodecs(target), tooltest::sortedCodecs(path(*clip)));
        // The AVI's key frames lie one frame after each second: a cut starts a second earlier.
        const int frames = expectedFrames(*clip, ranges);
        EXPECT_NEAR(countVideoFrames(target), frames, 2);
        EXPECT_NEAR(durationOf(target), frames / 25.0, 0.35);
        expectSound(target, *clip);
        EXPECT_EQ(digest(file), sum);
        expectClean({QFileInfo(target).fileName()});
        QFile::remove(target);
    }
}

// Another playable container that ffmpeg copies into itself (Matroska, which keeps no
// decoding times) is cut like the rest, the pieces joined in the same container.
TEST_F(SaveRng, CropOfMatroska)
{
    const QString file = src_.file(QStringLiteral("a.mkv"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-i", path(H264AacFlv), "-c", "copy", file}), 0);
    const QString target = out_.file(mdlToolCmds::partName(file));
    const std::vector<RangeSource::Range> ranges{{0.2, 1.5}, {2.5, 3.4}};
    ui::ScriptedAnswers answers;
    answers.then(ui::Ok).thenFile(target);
    EXPECT_EQ(run(crop, marked(file, ranges)), SaveEnd::Done);
    EXPECT_EQ(tooltest::sortedCodecs(target), QStringLiteral("aac,h264"));
    EXPECT_NEAR(countVideoFrames(target), expectedFrames(H264AacFlv, ranges), 1);
    EXPECT_NEAR(durationOf(target), widenedSum(ranges), 0.3);
    expectClean({QFileInfo(target).fileName()});
}

// A type-3 file whose sound the piece cannot hold (MPEG-1 video and AAC in a ".dat", cut
// as MPEG): the question comes once, while the progress window counts the join too; later
// pieces are re-encoded without asking. Cancel ends in the failure message, nothing left.
TEST_F(SaveRng, SoundThatMustBeReencodedAsksOnce)
{
    const QString file = src_.file(QStringLiteral("clip.dat"));
    QProcess make;
    make.setProcessChannelMode(QProcess::MergedChannels);
    make.start(ffmpeg(), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path(Mpeg1Mp2),
                          QStringLiteral("-i"), path(H264AacMp4), QStringLiteral("-map"), QStringLiteral("0:v"),
                          QStringLiteral("-map"), QStringLiteral("1:a"), QStringLiteral("-c"), QStringLiteral("copy"),
                          QStringLiteral("-f"), QStringLiteral("mp4"), file});
    ASSERT_TRUE(make.waitForFinished(60000) && make.exitCode() == 0) << make.readAll().toStdString();
    const QString target = out_.file(QStringLiteral("clip_part.dat"));
    const std::vector<RangeSource::Range> ranges{{0.5, 1.5}, {2.0, 3.0}};
    {
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).thenFile(target).then(ui::Cancel);
        EXPECT_EQ(run(crop, marked(file, ranges)), SaveEnd::Failed);
        const QStringList texts = answers.texts();
        ASSERT_EQ(texts.size(), 4);
        EXPECT_EQ(texts[2], mdlSaveRng::reencodeQuestion(crop));
        EXPECT_EQ(texts[3], QStringLiteral("出现错误，无法成功处理档案\r\n\r\n可能是档案格式不支援进一步的剪辑\r\n"
                                           "或者，该档案被正被其他程式所执行"));
        EXPECT_EQ(ui::shownBoxes()[3].title, ui::errorTitle);
        expectClean({});
    }
    {
        QString label;
        int questions = 0;
        ui::ScriptedAnswers answers;
        ui::setAnswerer([&](const ui::Shown& shown) {
            if (shown.kind == ui::Shown::File)
                return ui::Answer{ui::Ok, target, {}, 0};
            if (shown.text == mdlSaveRng::reencodeQuestion(crop)) {
                ++questions;
                if (frmBuzy::instance())
                    label = frmBuzy::instance()->lblBuzy->text();
            }
            return ui::Answer{ui::Ok, {}, {}, 0};
        });
        EXPECT_EQ(run(crop, marked(file, ranges)), SaveEnd::Done);
        EXPECT_EQ(questions, 1);
        EXPECT_EQ(label, QStringLiteral("Zorvo.FLV\r\n\r\n正在进行“裁剪”多媒体档案\r\n\r\n共有 3 个程序，正处理第 1 个"));
        EXPECT_EQ(tooltest::streamEntry(target, "a", "codec_name"), QStringLiteral("mp3"));
        EXPECT_EQ(tooltest::streamEntry(target, "v", "codec_name"), QStringLiteral("mpeg1video"));
        EXPECT_NEAR(countVideoFrames(target), expectedFrames(Mpeg1Mp2, ranges), 2);
        expectClean({QFileInfo(target).fileName()});
    }
}

// What is refused runs nothing: no file, no length, no marks, a file without picture, the
// question or the dialog cancelled, and an output that is the source or would replace it.
TEST_F(SaveRng, RefusalsRunNoTool)
{
    const QString file = source(Flv1Mp3, QStringLiteral("a.flv"));
    const QByteArray sum = digest(file);
    {
        ui::ScriptedAnswers answers;
        RangeSource noScale = marked(file, {{0.5, 1.0}});
        noScale.hasScale = false;
        EXPECT_EQ(run(crop, marked(src_.file(QStringLiteral("none.flv")), {{0.5, 1.0}})), SaveEnd::Refused);
        EXPECT_EQ(run(crop, noScale), SaveEnd::Refused);
        EXPECT_EQ(run(split, marked(file, {})), SaveEnd::Refused);
        ASSERT_EQ(ui::shownBoxes().size(), 3u);
        for (const ui::Shown& s : ui::shownBoxes()) {
            EXPECT_EQ(s.text, QStringLiteral("你要处理的档案并不存在于本地硬碟\r\n或是其他的原因导致无法读取标记！"));
            EXPECT_EQ(s.title, ui::errorTitle);
        }
    }
    {
        ui::ScriptedAnswers answers;
        RangeSource sound = marked(file, {{0.5, 1.0}});
        sound.audioOnly = true;
        EXPECT_EQ(run(split, sound), SaveEnd::AudioOnly);
        EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("“另存分割”无法处理没有画面／视讯的影片！")});
        answers.then(ui::Cancel);
        EXPECT_EQ(run(crop, marked(file, {{0.5, 1.0}})), SaveEnd::Declined);
        answers.then(ui::Ok).thenCancel();
        EXPECT_EQ(run(crop, marked(file, {{0.5, 1.0}})), SaveEnd::NoTarget);
        EXPECT_EQ(ui::shownBoxes().size(), 4u);
    }
    {
        // RealMedia cannot be cut by copy: said before anything is asked.
        ui::ScriptedAnswers answers;
        const QString real = source(Flv1Mp3, QStringLiteral("a.rmvb"));
        EXPECT_EQ(run(crop, marked(real, {{0.5, 1.0}})), SaveEnd::Uncuttable);
        EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("“另存裁剪”无法处理这种多媒体格式（*.rmvb）！")});
        EXPECT_EQ(ui::shownBoxes().back().title, ui::errorTitle);
    }
    for (const QString& target : {file, src_.path() + QStringLiteral("/./a.flv")}) {
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).thenFile(target);
        EXPECT_EQ(run(crop, marked(file, {{0.5, 1.0}})), SaveEnd::SameAsSource);
        EXPECT_EQ(answers.texts().last(), QStringLiteral("你所指定的另存新档（目标档案）与\r\n与来源档案是同一个，这是不允许的"));
        EXPECT_EQ(ui::shownBoxes().back().title, ui::noticeTitle);
    }
    // A source called like one of the pieces, split into its own folder, would be deleted.
    const QString numbered = source(Flv1Mp3, QStringLiteral("split_002.flv"));
    for (int mode : {split, crop}) {
        ui::ScriptedAnswers answers;
        if (mode == split)
            answers.then(ui::Ok).thenFile(src_.path());
        else
            answers.then(ui::Ok).thenFile(src_.file(QStringLiteral("x.flv")));
        const SaveEnd end = run(mode, marked(numbered, {{0.5, 1.0}, {2.0, 3.0}}));
        if (mode == split)
            EXPECT_EQ(end, SaveEnd::SameAsSource);
        else
            EXPECT_EQ(end, SaveEnd::Done) << "a crop does not touch split names";
    }
    EXPECT_EQ(digest(numbered), sum);
    EXPECT_EQ(digest(file), sum);
    EXPECT_TRUE(entries(mdlTools::tempFolder()).isEmpty()) << entries(mdlTools::tempFolder()).join(',').toStdString();
    expectClean({});
}

// A source that is not media: the failure message, the source kept, no temporary file
// and no empty output left, for a crop and for a split.
TEST_F(SaveRng, SourceThatIsNotMediaFailsAndKeepsTheSource)
{
    for (const char* name : {"junk.flv", "junk.mpg", "junk.avi"}) {
        for (int mode : {crop, split}) {
            SCOPED_TRACE(std::string(name) + (mode == crop ? " crop" : " split"));
            const QString file = src_.file(QString::fromLatin1(name));
            if (!QFileInfo::exists(file)) {
                ASSERT_TRUE(QFile::copy(path(Garbage), file));
            }
            const QByteArray sum = digest(file);
            ui::ScriptedAnswers answers;
            answers.then(ui::Ok).thenFile(mode == crop ? out_.file(mdlToolCmds::partName(file)) : out_.path());
            EXPECT_EQ(run(mode, marked(file, {{0.0, 1.0}, {1.0, 2.0}})), SaveEnd::Failed);
            EXPECT_EQ(answers.texts().last(), mdlSaveRng::failureMessage());
            EXPECT_EQ(digest(file), sum);
            expectClean({});
        }
    }
}

// The break from the progress window while a cut runs (an ffmpeg that never ends): the
// run is killed, its piece is missing, and the job ends through its failure path with
// only the break told; the source kept and nothing of the job left.
TEST_F(SaveRng, BreakDuringACutEndsTheJob)
{
    tooltest::HangingFfmpeg hanging;
    const QString pidFile = hanging.pidFile();

    for (int mode : {crop, split}) {
        SCOPED_TRACE(mode);
        const QString file = src_.file(QStringLiteral("a.flv"));
        if (!QFileInfo::exists(file)) {
            ASSERT_TRUE(QFile::copy(path(LongFlv), file));
        }
        const QByteArray sum = digest(file);
        QFile::remove(pidFile);
        QTimer press;
        press.setInterval(50);
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (QFileInfo(pidFile).size() > 0 && frmBuzy::instance()) {
                press.stop();
                QTest::mouseClick(frmBuzy::instance()->cmdBreak, Qt::LeftButton);
            }
        });
        press.start();
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).thenFile(mode == crop ? out_.file(QStringLiteral("a_part.flv")) : out_.path());
        EXPECT_EQ(run(mode, marked(file, {{1.0, 2.0}, {5.0, 6.0}})), SaveEnd::Failed);
        EXPECT_EQ(answers.texts().mid(2), QStringList{QStringLiteral("你已经中止程序！")});
        EXPECT_EQ(digest(file), sum);
        expectClean({});
    }
    EXPECT_TRUE(entries(hanging.tmpPath()).isEmpty());
}

namespace {

// The length in frames and seconds the player's media device reports for a file.
std::pair<int, float> deviceLength(const QString& file)
{
    ui::ScriptedAnswers noBoxes;
    QWidget window;
    media::MCI device;
    device.openMCI(file, media::registerWindow(&window), QStringLiteral("marks"));
    const std::pair<int, float> length{device.getTotalFrames(), device.getTotalSeconds()};
    device.closeMCI();
    EXPECT_TRUE(noBoxes.texts().isEmpty());
    return length;
}

// The seconds the player hands to the crop for a mark text.
std::vector<RangeSource::Range> playerRanges(const QString& file, const QString& text)
{
    const auto [frames, seconds] = deviceLength(file);
    const playerMarks::Timing timing{static_cast<float>(seconds / frames), seconds};
    std::vector<playerMarks::Mark> marks;
    EXPECT_EQ(playerMarks::parseMarkText(text, frames, marks), playerMarks::ParseResult::Valid);
    std::vector<RangeSource::Range> ranges;
    for (const playerMarks::Mark& m : marks) {
        const playerMarks::MarkTimes t = playerMarks::rsFormat(m, 0, 0, 0, timing);
        ranges.push_back({t.sSec, t.eSec});
    }
    return ranges;
}

} // namespace

// Without a window, a file's frames are timed as the player's device times them, on every
// kind of test clip and on Matroska (which libmpv reads itself, with a clock of its own):
// a mark text means the same seconds in both.
TEST(PlayerClock, AgreesWithThePlayersDevice)
{
    TempDir dir;
    const QString mkv = dir.file(QStringLiteral("a.mkv"));
    ASSERT_EQ(QProcess::execute(ffmpeg(), {"-v", "error", "-i", path(H264AacFlv), "-c", "copy", mkv}), 0);
    QStringList files{mkv};
    for (const Clip* clip : {&Flv1Mp3, &H264AacFlv, &Mpeg1Mp2, &Mpeg4Mp3Avi, &Wmv2Wma2, &H264AacMp4, &SilentFlv,
                             &Video640, &LongFlv, &CjkFlv, &Sample, &ToneMp3})
        files << path(*clip);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const auto [frames, seconds] = deviceLength(file);
        const playerClock::Clock clock = playerClock::of(file);
        ASSERT_TRUE(clock.ok);
        EXPECT_EQ(clock.totalFrames, std::max(1, frames));
        EXPECT_EQ(clock.totalSeconds, static_cast<double>(seconds));
    }
}

// zorvo crop with the player's mark text makes the files the player's menu makes for the
// same marks, joined and as pieces, on H.264 in FLV and on MPEG.
TEST_F(SaveRng, CommandLineCropsAsThePlayerDoes)
{
    const QString marks = QStringLiteral("10-37  60-85");
    for (const Clip* clip : {&H264AacFlv, &Mpeg1Mp2}) {
        SCOPED_TRACE(clip->file);
        const QString file = source(*clip, QStringLiteral("片 段.") + QFileInfo(clip->file).suffix());
        const QString ext = QFileInfo(file).suffix();
        const std::vector<RangeSource::Range> ranges = playerRanges(file, marks);
        const QString byPage = out_.file(QStringLiteral("page.") + ext);
        {
            ui::ScriptedAnswers answers;
            answers.then(ui::Ok).thenFile(byPage);
            ASSERT_EQ(run(crop, marked(file, ranges)), SaveEnd::Done);
        }
        // The default target: the menu's proposed name beside the source.
        tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("crop"), file, QStringLiteral("--marks"), marks});
        ASSERT_EQ(r.exit, 0) << r.err.toStdString();
        const QString byCli = src_.file(mdlToolCmds::partName(file));
        EXPECT_EQ(r.out, byCli + QLatin1Char('\n'));
        EXPECT_EQ(digest(byCli), digest(byPage));

        const QString pageDir = out_.file(QStringLiteral("page_") + ext);
        const QString cliDir = out_.file(QStringLiteral("cli_") + ext);
        ASSERT_TRUE(QDir().mkpath(pageDir) && QDir().mkpath(cliDir));
        {
            ui::ScriptedAnswers answers;
            answers.then(ui::Ok).thenFile(pageDir);
            ASSERT_EQ(run(split, marked(file, ranges)), SaveEnd::Done);
        }
        r = tooltest::runZorvo({QStringLiteral("crop"), file, QStringLiteral("--pieces"), QStringLiteral("--marks"), marks,
                                QStringLiteral("-o"), cliDir});
        ASSERT_EQ(r.exit, 0) << r.err.toStdString();
        const QStringList pieces{mdlToolCmds::splitName(0, ext), mdlToolCmds::splitName(1, ext)};
        EXPECT_EQ(r.out, cliDir + QLatin1Char('/') + pieces.join(QLatin1Char('\n') + cliDir + QLatin1Char('/')) + QLatin1Char('\n'));
        EXPECT_EQ(entries(cliDir), pieces);
        for (const QString& piece : pieces)
            EXPECT_EQ(digest(cliDir + QLatin1Char('/') + piece), digest(pageDir + QLatin1Char('/') + piece)) << piece.toStdString();
    }
}

// A mark text that cannot be read, or that the file cannot hold, is a wrong command line;
// a source the menu refuses gets the menu's own message. Nothing is written.
TEST_F(SaveRng, CommandLineRefusesMarksItCannotUse)
{
    const QString file = source(Flv1Mp3, QStringLiteral("a.flv"));
    for (const char* text : {"5-x", "9-3", "5", "1-2-3", "-4", "  ", "2-5 6-"}) {
        SCOPED_TRACE(text);
        const tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("crop"), file, QStringLiteral("--marks"), QString::fromLatin1(text)});
        EXPECT_EQ(r.exit, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("标记"))) << r.err.toStdString();
    }
    tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("crop"), file, QStringLiteral("--marks"), QStringLiteral("5-9 101-120")});
    EXPECT_EQ(r.exit, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("超出影片的最后一个画格（100）"))) << r.err.toStdString();
    EXPECT_EQ(tooltest::runZorvo({QStringLiteral("crop"), file}).exit, 2);

    r = tooltest::runZorvo({QStringLiteral("crop"), src_.file(QStringLiteral("none.flv")), QStringLiteral("--marks"), QStringLiteral("5-9")});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("或是其他的原因导致无法读取标记！"))) << r.err.toStdString();
    const QString tone = source(ToneMp3, QStringLiteral("tone.mp3"));
    r = tooltest::runZorvo({QStringLiteral("crop"), tone, QStringLiteral("--pieces"), QStringLiteral("--marks"), QStringLiteral("5-9")});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.contains(mdlSaveRng::audioOnlyMessage(split).remove(QLatin1Char('\r')))) << r.err.toStdString();
    EXPECT_EQ(entries(src_.path()), (QStringList{QStringLiteral("a.flv"), QStringLiteral("tone.mp3")}));
}
