// The split job as the page runs it: the dialogs and the messages answered by the test,
// ZorvoResFLV, the front-ends and ffmpeg for real, the pieces judged by ffprobe and
// flvmeta. And the page itself, offscreen, with the real media device for its properties.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "app/mdlZorvoFLV.h"
#include "tools/SplitPage.h"
#include "tools/frmBuzy.h"
#include "tools/mdlSplit.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace testmedia;
using mdlSplit::SplitEnd;
using mdlSplit::SplitRequest;

using tooltest::flvmetaAccepts;
using tooltest::digest;
using tooltest::entries;

namespace {

tooltest::PrivateRuntime g_runtime;

const QString kFailure = QStringLiteral("出现错误，无法成功处理档案\r\n\r\n可能是档案格式不支援进一步的切割\r\n"
                                        "或者，该档案被正被其他程式所执行");
const QString kRefused = QStringLiteral("你所指定处理的档案并不存在，或是\r\n你选择了不支援切割的多媒体格式！");
const QString kSameFile = QStringLiteral("你所指定的另存新档（目标档案）与\r\n与来源档案是同一个，这是不允许的");

// 12 s sources of each kind, a key frame every second: 12 splits evenly into 2, 3, 4 and
// 6 parts, so that every cut falls on whole seconds and no frame is cut twice.
struct Source {
    const char* name;
    const char* codecs; // sorted
    QStringList args;
};
const Source kSources[] = {
    {"a.flv", "flv1,mp3", {"-c:v", "flv1", "-b:v", "200k", "-c:a", "libmp3lame", "-b:a", "64k", "-ar", "44100", "-f", "flv"}},
    {"b.flv", "aac,h264", {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "64k", "-f", "flv"}},
    {"c.mpg", "mp2,mpeg1video", {"-c:v", "mpeg1video", "-b:v", "300k", "-c:a", "mp2", "-b:a", "128k", "-f", "mpeg"}},
    {"d.mp4", "aac,h264", {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "64k", "-f", "mp4"}},
};
constexpr double kSeconds = 12.0;
constexpr int kFrames = 300;

std::unique_ptr<TempDir> g_sources;

QString madeSource(const char* name) { return g_sources->file(QString::fromLatin1(name)); }

class Split : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_sources = std::make_unique<TempDir>();
        for (const Source& s : kSources) {
            QStringList args{"-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                             "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=12",
                             "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=12", "-g", "25"};
            args << s.args << madeSource(s.name);
            QProcess p;
            p.start(ffmpeg(), args);
            ASSERT_TRUE(p.waitForFinished(300000));
            ASSERT_EQ(p.exitCode(), 0) << s.name;
        }
    }
    static void TearDownTestSuite() { g_sources.reset(); }

    void SetUp() override
    {
        before_ = QDir::currentPath();
        mdlZorvoFLV::moreEditableTypes = mdlZorvoFLV::moreEditableList;
        host_.toBrowser = true; // the closing report's OK goes to the (test) file browser
        saveFolder_ = out_.path();
    }
    void TearDown() override
    {
        mdlZorvoFLV::moreEditableTypes.clear();
        QDir::setCurrent(before_);
    }

    QString copy(const QString& from, const QString& name)
    {
        const QString file = src_.file(name);
        QFile::remove(file);
        EXPECT_TRUE(QFile::copy(from, file));
        return file;
    }
    SplitEnd run(const SplitRequest& r) { return mdlSplit::cmdMediaSplit(host_, host_.workspace.get(), r, saveFolder_); }
    static SplitRequest series(const QString& file, int option, const QString& number, double seconds = kSeconds)
    {
        return {file, option, QString::number(seconds, 'f', 2), number, {}, {}};
    }
    static SplitRequest range(const QString& file, int option, const QString& from, const QString& to)
    {
        return {file, option, QString::number(kSeconds, 'f', 2), {}, from, to};
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

    // One piece against the source: its codecs, the frames a copy cut of that stretch
    // keeps, its metadata when it is an FLV. Returns its frames.
    int checkPiece(const QString& piece, const QString& source, const char* codecs, double start, double end)
    {
        SCOPED_TRACE(piece.toStdString());
        const mdlToolCmds::CutTimes t = mdlToolCmds::cutTimes(start, end);
        const int frames = countVideoFrames(piece);
        EXPECT_EQ(tooltest::sortedCodecs(piece), QString::fromLatin1(codecs));
        EXPECT_EQ(frames, tooltest::expectedCutFrames(source, t.start, t.length));
        EXPECT_TRUE(tooltest::monotonic(piece, "v"));
#ifdef ZORVO_HAVE_FMD
        if (mdlToolCmds::lowerExt(piece) == QLatin1String("flv")) {
            QString report;
            EXPECT_TRUE(flvmetaAccepts(piece, &report)) << report.toStdString();
        }
#endif
        return frames;
    }

    tooltest::TestHost host_;
    TempDir src_, out_;
    QString saveFolder_;
    QString before_;
};

} // namespace

// Every kind of source into 3 equal parts and into pieces of 6 seconds: split_001 … in the
// chosen folder, every frame in exactly one piece, the lengths adding up to the source's,
// FLV pieces with valid metadata, the source untouched and nothing else left behind.
TEST_F(Split, SeriesOfEveryKindKeepEveryFrame)
{
    struct Job {
        int option;
        const char* number;
        int pieces;
    };
    for (const Source& s : kSources) {
        const QString file = madeSource(s.name);
        const QString ext = mdlToolCmds::lowerExt(file);
        const QByteArray sum = digest(file);
        for (const Job& job : {Job{0, "3", 3}, Job{1, "6", 2}}) {
            SCOPED_TRACE(std::string(s.name) + " option " + std::to_string(job.option));
            ui::ScriptedAnswers answers;
            answers.thenFile(out_.path());
            host_.browsed.clear();

            ASSERT_EQ(run(series(file, job.option, QString::fromLatin1(job.number))), SplitEnd::Done);

            ASSERT_EQ(ui::shownBoxes().size(), 2u);
            const ui::Shown& dialog = ui::shownBoxes()[0];
            EXPECT_EQ(dialog.style, ui::ChooseDir);
            EXPECT_EQ(dialog.text, QStringLiteral("切割出的档案将以“split_编号.") + ext
                                       + QStringLiteral("”储存\r\n请选取分割出的新档案的储存目录\r\n这里，强烈建议你新建一个资料夹！"));
            EXPECT_EQ(dialog.initDir, out_.path() + QLatin1Char('/'));
            EXPECT_TRUE(ui::shownBoxes()[1].text.startsWith(QStringLiteral("全部的档案处理程序已经成功结束\r\n")));
            EXPECT_EQ(host_.browsed, QStringList{out_.file(QStringLiteral("split_001.") + ext)});

            const double length = kSeconds / job.pieces;
            QStringList names;
            int frames = 0;
            double seconds = 0;
            for (int i = 0; i < job.pieces; ++i) {
                const QString piece = out_.file(mdlToolCmds::splitName(i, ext));
                names << QFileInfo(piece).fileName();
                frames += checkPiece(piece, file, s.codecs, length * i, length * (i + 1));
                seconds += durationOf(piece);
            }
            EXPECT_EQ(frames, kFrames);
            EXPECT_NEAR(seconds, kSeconds, 1.0);
            EXPECT_EQ(digest(file), sum);
            expectClean(names);
            for (const QString& n : names)
                QFile::remove(out_.file(n));
        }
    }
}

// Two parts by count and three of 5 seconds, with the last piece the short rest; the old
// split files of a earlier run in that folder are replaced one by one.
TEST_F(Split, TwoByCountThreeBySecondsOverOldPieces)
{
    const QString file = madeSource("a.flv");
    for (int i = 0; i < 3; ++i) {
        QFile old(out_.file(mdlToolCmds::splitName(i, QStringLiteral("flv"))));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older piece");
    }
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.path());
        ASSERT_EQ(run(series(file, 0, QStringLiteral("2"))), SplitEnd::Done);
        EXPECT_EQ(checkPiece(out_.file(QStringLiteral("split_001.flv")), file, "flv1,mp3", 0, 6)
                      + checkPiece(out_.file(QStringLiteral("split_002.flv")), file, "flv1,mp3", 6, 12),
                  kFrames);
        // The third old piece is no part of this series and stays as it was.
        EXPECT_EQ(QFileInfo(out_.file(QStringLiteral("split_003.flv"))).size(), 14);
        EXPECT_TRUE(host_.closed.contains(out_.file(QStringLiteral("split_001.flv"))));
    }
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.path());
        ASSERT_EQ(run(series(file, 1, QStringLiteral("5"))), SplitEnd::Done);
        const int frames = checkPiece(out_.file(QStringLiteral("split_001.flv")), file, "flv1,mp3", 0, 5)
            + checkPiece(out_.file(QStringLiteral("split_002.flv")), file, "flv1,mp3", 5, 10)
            + checkPiece(out_.file(QStringLiteral("split_003.flv")), file, "flv1,mp3", 10, 12);
        EXPECT_EQ(frames, kFrames);
        EXPECT_NEAR(durationOf(out_.file(QStringLiteral("split_003.flv"))), 2.0, 0.3);
    }
    expectClean({QStringLiteral("split_001.flv"), QStringLiteral("split_002.flv"), QStringLiteral("split_003.flv")});
}

// One piece between two points goes to a file chosen in the save dialog: by seconds from
// an FLV (widened to whole seconds), by percent from an MPEG over an older file of that
// name, by KB from an MP4 (type 3).
TEST_F(Split, RangeIntoTheSavedFile)
{
    {
        const QString file = copy(madeSource("b.flv"), QStringLiteral("片 段.flv"));
        const QString target = out_.file(QStringLiteral("片 段_part.flv"));
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        ASSERT_EQ(run(range(file, 3, QStringLiteral("2.5"), QStringLiteral("7.2"))), SplitEnd::Done);
        const ui::Shown& dialog = ui::shownBoxes()[0];
        EXPECT_EQ(dialog.style, ui::SaveFile);
        EXPECT_EQ(dialog.defaultText, QStringLiteral("片 段_part.flv"));
        EXPECT_EQ(dialog.filter, QStringLiteral("FLV 档案格式 (*.flv)|*.flv"));
        EXPECT_EQ(dialog.initDir, out_.path() + QLatin1Char('/'));
        EXPECT_EQ(host_.browsed.last(), target);
        // -ss 2 -endpos 6: the seconds 2 to 8.
        EXPECT_EQ(checkPiece(target, file, "aac,h264", 2.5, 7.2), 150);
        EXPECT_NEAR(durationOf(target), 6.0, 0.3);
        expectClean({QStringLiteral("片 段_part.flv")});
        QFile::remove(target);
    }
    {
        const QString file = madeSource("c.mpg");
        const QString target = out_.file(QStringLiteral("middle.mpg"));
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("an older file of that name");
        }
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Yes); // replace it
        ASSERT_EQ(run(range(file, 5, QStringLiteral("25"), QStringLiteral("75"))), SplitEnd::Done);
        EXPECT_EQ(checkPiece(target, file, "mp2,mpeg1video", 3, 9), 150);
        EXPECT_TRUE(host_.closed.contains(target));
        expectClean({QStringLiteral("middle.mpg")});
        QFile::remove(target);
    }
    {
        const QString file = madeSource("d.mp4");
        const double kb = static_cast<double>(QFileInfo(file).size() / 1024);
        const QString target = out_.file(QStringLiteral("head.mp4"));
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        // The first half of the file by size: about its first six seconds.
        ASSERT_EQ(run(range(file, 4, QStringLiteral("0"), QString::number(kb / 2, 'f', 0))), SplitEnd::Done);
        const int frames = countVideoFrames(target);
        EXPECT_GE(frames, 125);
        EXPECT_LE(frames, 200);
        EXPECT_EQ(tooltest::sortedCodecs(target), QStringLiteral("aac,h264"));
        expectClean({QStringLiteral("head.mp4")});
        QFile::remove(target);
    }
    {
        // A target named like the job's temporary files is its result, not one of them.
        const QString target = out_.file(QStringLiteral("~tmpSample.flv"));
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        ASSERT_EQ(run(range(copy(madeSource("b.flv"), QStringLiteral("s.flv")), 3, QStringLiteral("2"), QStringLiteral("4"))),
                  SplitEnd::Done);
        EXPECT_GT(countVideoFrames(target), 0);
        expectClean({QStringLiteral("~tmpSample.flv")});
    }
}

// Sound that cannot be copied into the pieces' container (AAC into a .dat, an MPEG
// stream; the source is MPEG-1 video and AAC in an MP4 file named .dat): the question
// comes once a job. OK re-encodes this piece and every later one;
// Cancel ends in the failure message with nothing left.
TEST_F(Split, ReencodeQuestionOnceAJob)
{
    const QString file = src_.file(QStringLiteral("e.dat"));
    QProcess make;
    make.start(ffmpeg(), {"-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-i", madeSource("c.mpg"), "-c:v", "copy",
                          "-c:a", "aac", "-b:a", "64k", "-f", "mp4", file});
    ASSERT_TRUE(make.waitForFinished(300000));
    ASSERT_EQ(make.exitCode(), 0);
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.path()).then(ui::Cancel);
        EXPECT_EQ(run(series(file, 0, QStringLiteral("2"))), SplitEnd::Failed);
        const QStringList texts = answers.texts();
        ASSERT_EQ(texts.size(), 3);
        EXPECT_EQ(texts[1], mdlSplit::reencodeQuestion());
        EXPECT_EQ(texts[1], QStringLiteral("切割后的区段，音讯必须重新编码\r\n这个“切割”程序才能成功\r\n\r\n"
                                           "按“确定”则继续程序，并且音讯重新编码\r\n按“取消”则中止这个“切割”程序"));
        EXPECT_EQ(ui::shownBoxes()[1].style, ui::OkCancel);
        EXPECT_EQ(texts[2], kFailure);
        expectClean({});
    }
    {
        ui::ScriptedAnswers answers;
        QString labelDuringQuestion;
        ui::setAnswerer([&](const ui::Shown& shown) {
            if (shown.kind == ui::Shown::File)
                return ui::Answer{ui::Ok, out_.path(), {}, 0};
            if (shown.text == mdlSplit::reencodeQuestion() && frmBuzy::instance())
                labelDuringQuestion = frmBuzy::instance()->lblBuzy->text();
            return ui::Answer{ui::Ok, {}, {}, 0};
        });
        EXPECT_EQ(run(series(file, 0, QStringLiteral("3"))), SplitEnd::Done);
        const QStringList texts = answers.texts();
        EXPECT_EQ(texts.count(mdlSplit::reencodeQuestion()), 1);
        EXPECT_EQ(labelDuringQuestion, QStringLiteral("Zorvo.FLV\r\n\r\n正在进行“切割”多媒体档案\r\n\r\n共有 3 个程序，正处理第 1 个"));
        int frames = 0;
        for (int i = 0; i < 3; ++i) {
            const QString piece = out_.file(mdlToolCmds::splitName(i, QStringLiteral("dat")));
            EXPECT_EQ(tooltest::streamEntry(piece, "a", "codec_name"), QStringLiteral("mp3"));
            frames += countVideoFrames(piece);
        }
        EXPECT_EQ(frames, kFrames);
        expectClean({QStringLiteral("split_001.dat"), QStringLiteral("split_002.dat"), QStringLiteral("split_003.dat")});
    }
}

// What is refused runs nothing and shows its own text: a missing file or one that cannot be
// cut; numbers that make no plan (out of 2 to 99 pieces, no number, a range backwards or
// past the end, unknown properties); a target or series name that is the source itself.
TEST_F(Split, RefusalsWithTheirTexts)
{
    const QString file = copy(madeSource("a.flv"), QStringLiteral("split_002.flv"));
    const QByteArray sum = digest(file);
    const QString wav = copy(path(ToneWav), QStringLiteral("t.wav"));
    {
        ui::ScriptedAnswers answers;
        EXPECT_EQ(run(series(src_.file(QStringLiteral("none.flv")), 0, QStringLiteral("2"))), SplitEnd::Refused);
        EXPECT_EQ(run(series(wav, 0, QStringLiteral("2"))), SplitEnd::Refused);
        EXPECT_EQ(run(series(QStringLiteral("  "), 0, QStringLiteral("2"))), SplitEnd::Refused);
        ASSERT_EQ(ui::shownBoxes().size(), 3u);
        for (const ui::Shown& s : ui::shownBoxes()) {
            EXPECT_EQ(s.text, kRefused);
            EXPECT_EQ(s.title, ui::noticeTitle);
        }
    }
    {
        const SplitRequest bad[] = {
            series(file, 0, QStringLiteral("1")),    series(file, 0, QStringLiteral("100")),
            series(file, 0, QStringLiteral("abc")),  series(file, 0, QString()),
            series(file, 1, QStringLiteral("0")),    series(file, 1, QStringLiteral("0.1")), // 120 pieces
            series(file, 1, QStringLiteral("12")),   // one piece
            range(file, 3, QStringLiteral("5"), QStringLiteral("5")),
            range(file, 3, QStringLiteral("8"), QStringLiteral("2")),
            range(file, 3, QStringLiteral("2"), QStringLiteral("12.5")),
            range(file, 5, QStringLiteral("50"), QStringLiteral("101")),
            SplitRequest{file, 0, QString(), QStringLiteral("2"), {}, {}},
        };
        ui::ScriptedAnswers answers;
        for (const SplitRequest& r : bad)
            EXPECT_EQ(run(r), SplitEnd::Invalid) << r.option << " " << r.number.toStdString() << " " << r.from.toStdString();
        ASSERT_EQ(ui::shownBoxes().size(), std::size(bad));
        for (const ui::Shown& s : ui::shownBoxes()) {
            EXPECT_EQ(s.text, kFailure);
            EXPECT_EQ(s.title, ui::errorTitle);
        }
    }
    // The bounds themselves are good: 2 and 99 pieces.
    EXPECT_TRUE(mdlToolCmds::planSplit(0, kSeconds, QFileInfo(file).size(), QStringLiteral("2")).valid);
    EXPECT_TRUE(mdlToolCmds::planSplit(0, kSeconds, QFileInfo(file).size(), QStringLiteral("99")).valid);

    for (const QString& target : {file, src_.path() + QStringLiteral("/./split_002.flv")}) {
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Yes);
        EXPECT_EQ(run(range(file, 3, QStringLiteral("1"), QStringLiteral("3"))), SplitEnd::SameAsSource);
        EXPECT_EQ(answers.texts().last(), kSameFile);
        EXPECT_EQ(ui::shownBoxes().back().title, ui::noticeTitle);
    }
    // A series into the source's own folder would replace the source, split_002, by its
    // second piece before the third is cut from it.
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(src_.path());
        EXPECT_EQ(run(series(file, 0, QStringLiteral("3"))), SplitEnd::SameAsSource);
        EXPECT_EQ(answers.texts().last(), kSameFile);
    }
    {
        ui::ScriptedAnswers answers;
        answers.thenCancel();
        EXPECT_EQ(run(series(file, 0, QStringLiteral("3"))), SplitEnd::NoTarget);
        EXPECT_EQ(ui::shownBoxes().size(), 1u);
    }
    EXPECT_EQ(digest(file), sum);
    EXPECT_EQ(entries(src_.path()), (QStringList{QStringLiteral("split_002.flv"), QStringLiteral("t.wav")}));
    EXPECT_TRUE(entries(mdlTools::tempFolder()).isEmpty());
    expectClean({});
}

// A source that is not media, of each type: the failure message, the source kept, no
// piece, no temporary file and no split file left.
TEST_F(Split, FailureKeepsTheSourceAndLeavesNothing)
{
    for (const char* name : {"junk.flv", "junk.mpg", "junk.dat"}) {
        SCOPED_TRACE(name);
        const QString file = copy(path(Garbage), QString::fromLatin1(name));
        const QByteArray sum = digest(file);
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.path()).then(ui::Ok);
        EXPECT_EQ(run(series(file, 0, QStringLiteral("2"), 4.0)), SplitEnd::Failed);
        EXPECT_EQ(answers.texts().last(), kFailure);
        EXPECT_EQ(ui::shownBoxes().back().title, ui::errorTitle);
        EXPECT_EQ(digest(file), sum);
        expectClean({});
    }
}

// The break from the progress window while a cut runs (an ffmpeg that never ends): the
// run is killed, the user is told once and not about a failure, and nothing stays.
TEST_F(Split, BreakFromTheProgressWindow)
{
    tooltest::HangingFfmpeg hanging;
    const QString pidFile = hanging.pidFile();

    const QString file = copy(madeSource("a.flv"), QStringLiteral("a.flv"));
    const QByteArray sum = digest(file);
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
    answers.thenFile(out_.path());
    EXPECT_EQ(run(series(file, 0, QStringLiteral("2"))), SplitEnd::Failed);
    EXPECT_EQ(answers.texts().mid(1), QStringList{QStringLiteral("你已经中止程序！")});
    EXPECT_EQ(digest(file), sum);
    expectClean({});

    EXPECT_TRUE(entries(hanging.tmpPath()).isEmpty());
}

// The page offscreen: the source box and "取得属性" with the real media device, the
// enabling of the boxes by option, the preview texts, the key filter, and the run.
TEST_F(Split, PageEnablingPreviewAndKeys)
{
    SplitPage page(host_);
    page.jobWindow = host_.workspace.get();
    page.saveFolder = &saveFolder_;
    page.resize(640, 480);
    page.show();
    QStringList signalled;
    QObject::connect(&page, &SplitPage::playSpecChanged, [&](const QString& p) { signalled << p; });

    auto noteShown = [&](int n) { return page.picNoteMd[n]->isVisibleTo(&page); };
    auto enabledBoxes = [&] {
        QStringList names;
        for (QLineEdit* box : page.findChildren<QLineEdit*>())
            if (box != page.txtMdSplit && box->isEnabled())
                names << box->objectName();
        names.sort();
        return names;
    };

    EXPECT_EQ(page.cmdMdSplitChk->text(), QStringLiteral("取得属性"));
    EXPECT_EQ(page.cmdMediaSplit->text(), QStringLiteral("执行切割功能"));
    EXPECT_EQ(page.lblMinCount->text(), QStringLiteral("最小切割数 002"));
    EXPECT_EQ(page.lblMaxCount->text(), QStringLiteral("最大切割数 099"));
    EXPECT_EQ(page.lblMdLen->text(), QStringLiteral("此多媒体属性：未确认"));
    EXPECT_EQ(page.optMdSplit[0]->text(), QStringLiteral("切割成"));
    EXPECT_EQ(page.optMdSplit[5]->text(), QStringLiteral("切割一段从第"));
    EXPECT_FALSE(page.cmdMdSplitChk->isEnabled());
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled());
    EXPECT_TRUE(enabledBoxes().isEmpty());
    EXPECT_EQ(mdlSplit::hintText(), QStringLiteral("按照步骤输入参数之后，“执行切割功能”便可以按下"));

    // Properties of a real file.
    const QString file = copy(madeSource("a.flv"), QStringLiteral("长 片段.flv"));
    page.txtMdSplit->setText(file);
    EXPECT_TRUE(page.cmdMdSplitChk->isEnabled());
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled());
    EXPECT_EQ(page.txtMdSplit->toolTip(), file);
    ui::ScriptedAnswers answers;
    QTest::mouseClick(page.cmdMdSplitChk, Qt::LeftButton);
    EXPECT_TRUE(ui::shownBoxes().empty());
    EXPECT_EQ(page.cmdMdSplitChkTag, QStringLiteral("12.00"));
    EXPECT_EQ(page.lblMdLen->text(), QStringLiteral("此多媒体属性：播放长度 12.00 秒 = 大小 ")
                                         + QString::number(QFileInfo(file).size() / 1024) + QStringLiteral(" KB"));
    EXPECT_EQ(enabledBoxes(), QStringList{QStringLiteral("txtMdSpEq0")});
    EXPECT_FALSE(noteShown(0));
    EXPECT_FALSE(noteShown(1));

    // Parts: no decimal point, no letters; the count and the limits.
    QTest::keyClicks(page.txtMdSpEq[0], QStringLiteral("1.a5"));
    EXPECT_EQ(page.txtMdSpEq[0]->text(), QStringLiteral("15"));
    EXPECT_EQ(page.lblNoteMd[2]->text(), QStringLiteral("目前切割数 015"));
    EXPECT_TRUE(noteShown(0));
    EXPECT_TRUE(page.cmdMediaSplit->isEnabled());
    QTest::keyClick(page.txtMdSpEq[0], Qt::Key_Backspace);
    EXPECT_EQ(page.txtMdSpEq[0]->text(), QStringLiteral("1"));
    EXPECT_EQ(page.lblNoteMd[2]->text(), QStringLiteral("目前切割数 001"));
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled());
    QTest::keyClicks(page.txtMdSpEq[0], QStringLiteral("00"));
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled());
    page.txtMdSpEq[0]->setText(QStringLiteral("99"));
    EXPECT_TRUE(page.cmdMediaSplit->isEnabled());

    // Another option empties the old one's box; seconds take a decimal point.
    QTest::mouseClick(page.optMdSplit[1], Qt::LeftButton);
    EXPECT_EQ(page.optMdSplitTag, QStringLiteral("1"));
    EXPECT_TRUE(page.txtMdSpEq[0]->text().isEmpty());
    EXPECT_EQ(enabledBoxes(), QStringList{QStringLiteral("txtMdSpEq1")});
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled());
    EXPECT_FALSE(noteShown(0));
    QTest::keyClicks(page.txtMdSpEq[1], QStringLiteral("4.5x"));
    EXPECT_EQ(page.txtMdSpEq[1]->text(), QStringLiteral("4.5"));
    EXPECT_EQ(page.lblNoteMd[2]->text(), QStringLiteral("目前切割数 003"));
    EXPECT_TRUE(page.cmdMediaSplit->isEnabled());

    // KB take no decimal point.
    QTest::mouseClick(page.optMdSplit[4], Qt::LeftButton);
    EXPECT_TRUE(page.txtMdSpEq[1]->text().isEmpty());
    EXPECT_EQ(enabledBoxes(), (QStringList{QStringLiteral("txtMdSpEnd1"), QStringLiteral("txtMdSpFrom1")}));
    QTest::keyClicks(page.txtMdSpFrom[1], QStringLiteral("1.5"));
    EXPECT_EQ(page.txtMdSpFrom[1]->text(), QStringLiteral("15"));

    // Percent: one piece, its length, size and share.
    QTest::mouseClick(page.optMdSplit[5], Qt::LeftButton);
    EXPECT_TRUE(page.txtMdSpFrom[1]->text().isEmpty());
    QTest::keyClicks(page.txtMdSpFrom[2], QStringLiteral("12.5"));
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled()); // no end yet
    EXPECT_FALSE(noteShown(1));
    QTest::keyClicks(page.txtMdSpEnd[2], QStringLiteral("25"));
    EXPECT_TRUE(page.cmdMediaSplit->isEnabled());
    EXPECT_TRUE(noteShown(1));
    EXPECT_FALSE(noteShown(0));
    EXPECT_EQ(page.lblNoteMd[4]->text(), QStringLiteral("1.50 秒"));
    EXPECT_EQ(page.lblNoteMd[6]->text(), QStringLiteral("占全部 12.50 %"));
    EXPECT_TRUE(page.lblNoteMd[5]->text().endsWith(QStringLiteral(" KB")));
    EXPECT_NE(page.lblNoteMd[5]->text(), QStringLiteral("？ KB"));

    // The run button runs the job on what the page shows.
    answers.thenFile(out_.file(QStringLiteral("一段.flv")));
    QTest::mouseClick(page.cmdMediaSplit, Qt::LeftButton);
    EXPECT_EQ(countVideoFrames(out_.file(QStringLiteral("一段.flv"))), 50); // seconds 1 to 3
    EXPECT_EQ(frmBuzy::instance(), nullptr);

    // A new source: the properties are unknown again and the page closes down.
    page.txtMdSplit->setText(src_.file(QStringLiteral("none.flv")));
    EXPECT_TRUE(page.cmdMdSplitChkTag.isEmpty());
    EXPECT_EQ(page.lblMdLen->text(), QStringLiteral("此多媒体属性：未确认"));
    EXPECT_FALSE(page.cmdMdSplitChk->isEnabled());
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled());
    EXPECT_TRUE(enabledBoxes().isEmpty());
    EXPECT_EQ(page.txtMdSplit->toolTip(), QStringLiteral("你可以拖曳档案到这里"));
    EXPECT_EQ(signalled, (QStringList{file, QString()}));
}

// "取得属性" on what has no picture, and on what cannot be opened: the right message,
// the properties stay unknown. A drop fills the box and reads the properties at once.
TEST_F(Split, PropertiesOfSoundAndOfWhatCannotBeOpened)
{
    SplitPage page(host_);
    page.jobWindow = host_.workspace.get();
    ui::ScriptedAnswers answers;

    page.txtMdSplit->setText(copy(path(ToneMp3), QStringLiteral("t.mp3")));
    page.cmdMdSplitChk_Click();
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("“切割功能”无法处理没有画面／视讯的影片！"));
    EXPECT_EQ(ui::shownBoxes()[0].title, ui::errorTitle);
    EXPECT_TRUE(page.cmdMdSplitChkTag.isEmpty());
    EXPECT_EQ(page.lblMdLen->text(), QStringLiteral("此多媒体属性：未确认"));

    const int pauses = host_.pauses;
    const QString junk = copy(path(Garbage), QStringLiteral("junk.flv"));
    page.txtMdSplit->setText(junk);
    page.cmdMdSplitChk_Click();
    ASSERT_EQ(ui::shownBoxes().size(), 2u);
    EXPECT_TRUE(ui::shownBoxes()[1].text.startsWith(QStringLiteral("无法取得指定档案的相关属性：\r\n") + junk));
    EXPECT_GT(host_.pauses, pauses);
    EXPECT_TRUE(page.cmdMdSplitChkTag.isEmpty());
    EXPECT_FALSE(page.cmdMediaSplit->isEnabled());

    page.txtMdSplit_OLEDragDrop({madeSource("c.mpg")});
    EXPECT_EQ(page.txtMdSplit->text(), madeSource("c.mpg"));
    EXPECT_NEAR(page.cmdMdSplitChkTag.toDouble(), kSeconds, 0.1);
    EXPECT_EQ(page.cmdMdSplitChkTag.size(), 5); // two decimals
    EXPECT_EQ(ui::shownBoxes().size(), 2u);
}

// zorvo split reads the length without a window and makes the page's pieces for the same
// request, byte for byte; a plan the page refuses is refused with its message and exit 3,
// and a source without a picture with the page's own text; neither writes anything.
TEST_F(Split, CommandLineMakesThePagesPiecesAndRefusesWhatThePageRefuses)
{
    const QString file = copy(madeSource("b.flv"), QStringLiteral("片 段.flv"));
    SplitPage page(host_);
    page.jobWindow = host_.workspace.get();
    page.txtMdSplit->setText(file);
    page.cmdMdSplitChk_Click();
    ASSERT_FALSE(page.cmdMdSplitChkTag.isEmpty());
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.path());
        ASSERT_EQ(run({file, 1, page.cmdMdSplitChkTag, QStringLiteral("5"), {}, {}}), SplitEnd::Done);
    }

    TempDir cli;
    tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("split"), file, QStringLiteral("--seconds"), QStringLiteral("5"),
                                             QStringLiteral("-o"), cli.path()});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    QStringList made;
    for (int i = 0; i < 3; ++i) {
        const QString name = mdlToolCmds::splitName(i, QStringLiteral("flv"));
        made << cli.file(name);
        EXPECT_EQ(digest(cli.file(name)), digest(out_.file(name))) << name.toStdString();
    }
    EXPECT_EQ(r.out, made.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    // Only the last piece is left there: a second run does not overwrite it.
    QFile::remove(made[0]);
    QFile::remove(made[1]);
    QFile::resize(made[2], 10);
    EXPECT_EQ(tooltest::runZorvo({QStringLiteral("split"), file, QStringLiteral("--seconds"), QStringLiteral("5"), QStringLiteral("-o"),
                                  cli.path()}).exit,
              4);
    EXPECT_EQ(QFileInfo(made[2]).size(), 10);

    TempDir none;
    r = tooltest::runZorvo({QStringLiteral("split"), file, QStringLiteral("--parts"), QStringLiteral("0"), QStringLiteral("-o"), none.path()});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.contains(QString(kFailure).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))) << r.err.toStdString();
    const QString silent = copy(path(ToneMp3), QStringLiteral("t.flv")); // sound alone, named as a video
    r = tooltest::runZorvo({QStringLiteral("split"), silent, QStringLiteral("--range"), QStringLiteral("1-2"), QStringLiteral("-o"), none.path()});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("“切割功能”无法处理没有画面／视讯的影片！"))) << r.err.toStdString();
    EXPECT_EQ(entries(none.path()), QStringList{});
    EXPECT_EQ(tooltest::runZorvo({QStringLiteral("split"), file, QStringLiteral("--parts"), QStringLiteral("2"),
                                  QStringLiteral("--kb"), QStringLiteral("9")}).exit,
              2);
    EXPECT_EQ(entries(src_.path()), (QStringList{QStringLiteral("t.flv"), QStringLiteral("片 段.flv")}));
}
