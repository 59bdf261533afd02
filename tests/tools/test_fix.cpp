// The fix job as the page runs it: the save dialog and the messages answered by the test,
// ZorvoResFLV, the front-ends and ffmpeg for real, the results judged by ffprobe and
// flvmeta.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "app/mdlZorvoFLV.h"
#include "tools/FixPage.h"
#include "tools/frmBuzy.h"
#include "tools/mdlFix.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"
#include "ui/ZorvoButton.h"

#include <QCryptographicHash>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>
#include <csignal>
#include <gtest/gtest.h>

using namespace testmedia;
using mdlFix::FixEnd;

using tooltest::flvmetaAccepts;
using tooltest::digest;
using tooltest::entries;

namespace {

tooltest::PrivateRuntime g_runtime;

class Fix : public tooltest::JobTest {
protected:
    FixEnd run(const QString& sourceText) { return mdlFix::cmdMediaFix(host_, host_.workspace.get(), sourceText, saveFolder_); }

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
};

} // namespace

// Both kinds of FLV: re-muxed through ~fix~tmpSP.flv in the target's folder, given fresh
// metadata, renamed to the proposed name; the source untouched.
TEST_F(Fix, FlvOfBothKindsThroughTheTemporaryFileWithFreshMetadata)
{
    for (const Clip* clip : {&Flv1Mp3, &H264AacFlv}) {
        SCOPED_TRACE(clip->file);
        const QString file = source(*clip, QStringLiteral("片 段.flv"));
        const QByteArray sum = digest(file);
        const QString target = out_.file(QStringLiteral("片 段_fix.flv"));
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        host_.browsed.clear();

        EXPECT_EQ(run(QStringLiteral("  ") + file + QStringLiteral(" ")), FixEnd::Done);

        ASSERT_EQ(ui::shownBoxes().size(), 2u);
        const ui::Shown& dialog = ui::shownBoxes()[0];
        EXPECT_EQ(dialog.kind, ui::Shown::File);
        EXPECT_EQ(dialog.style, ui::SaveFile);
        EXPECT_EQ(dialog.defaultText, QStringLiteral("片 段_fix.flv"));
        EXPECT_EQ(dialog.filter, QStringLiteral("FLV 档案格式 (*.flv)|*.flv"));
        EXPECT_EQ(dialog.initDir, out_.path() + QLatin1Char('/'));
        EXPECT_TRUE(ui::shownBoxes()[1].text.startsWith(QStringLiteral("全部的档案处理程序已经成功结束\r\n总共使用的时间有 ")))
            << ui::shownBoxes()[1].text.toStdString();
        EXPECT_EQ(ui::shownBoxes()[1].style, ui::OkCancel);
        EXPECT_EQ(host_.browsed, QStringList{target});
        EXPECT_GE(host_.pauses, 1);
        EXPECT_EQ(QDir::currentPath(), out_.path());

        EXPECT_EQ(tooltest::sortedCodecs(target), tooltest::sortedCodecs(path(*clip)));
        EXPECT_EQ(countVideoFrames(target), clip->frames);
        EXPECT_NEAR(durationOf(target), clip->seconds, 0.2);
#ifdef ZORVO_HAVE_FMD
        QString report;
        EXPECT_TRUE(flvmetaAccepts(target, &report)) << report.toStdString();
#endif
        EXPECT_EQ(digest(file), sum);
        expectClean({QStringLiteral("片 段_fix.flv")});
        QFile::remove(target);
        QFile::remove(file);
    }
}

// An MPEG is re-muxed straight into the target (type 2); a .dat and an AVI are copied by
// the MEncoder line (type 3), over a target that was there before.
TEST_F(Fix, MpgRemuxedAndDatAndAviCopied)
{
    struct Case {
        const Clip* clip;
        const char* name;
        const char* codec;
    };
    for (const Case& c : {Case{&Mpeg1Mp2, "a.mpg", "mpeg1video"}, Case{&Mpeg1Mp2, "movie.dat", "mpeg1video"},
                          Case{&Mpeg4Mp3Avi, "b.avi", "mpeg4"}}) {
        SCOPED_TRACE(c.name);
        const QString file = source(*c.clip, QString::fromLatin1(c.name));
        const QString target = out_.file(mdlToolCmds::fixName(file));
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("an older file of that name");
        }
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Yes); // replace it

        EXPECT_EQ(run(file), FixEnd::Done);
        EXPECT_TRUE(tooltest::sortedCodecs(target).contains(QLatin1String(c.codec))) << tooltest::codecs(target).toStdString();
        EXPECT_EQ(countVideoFrames(target), countVideoFrames(path(*c.clip)));
        EXPECT_NEAR(durationOf(target), c.clip->seconds, 0.3);
        EXPECT_TRUE(host_.closed.contains(target));
        expectClean({QFileInfo(target).fileName()});
        QFile::remove(target);
    }
}

// H.264 and AAC into an MPEG target: the copy leaves the file empty and the question
// comes. Cancel ends in the failure message with nothing left; OK re-encodes the sound,
// but MPEG-PS keeps no H.264 picture that can be found again, and the check says so. A
// picture that MPEG-PS holds (MPEG-1) comes through with the sound re-encoded.
TEST_F(Fix, SoundThatMustBeReencodedAsksFirst)
{
    const QString file = source(H264AacMp4, QStringLiteral("clip.mp4"));
    const QString target = out_.file(QStringLiteral("修复 结果.mpg"));
    QString labelDuringQuestion;
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Cancel);
        EXPECT_EQ(run(file), FixEnd::Failed);
        const QStringList texts = answers.texts();
        ASSERT_EQ(texts.size(), 3);
        EXPECT_EQ(texts[1], mdlFix::reencodeQuestion());
        EXPECT_EQ(ui::shownBoxes()[1].style, ui::OkCancel);
        EXPECT_EQ(texts[2], QStringLiteral("出现错误，无法成功处理档案\r\n\r\n可能是档案格式不支援进一步的修复\r\n"
                                           "或者，该档案被正被其他程式所执行"));
        EXPECT_EQ(ui::shownBoxes()[2].title, ui::errorTitle);
        expectClean({});
    }
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        ui::setAnswerer([&](const ui::Shown& shown) {
            if (shown.kind == ui::Shown::File)
                return ui::Answer{ui::Ok, target, {}, 0};
            if (shown.text == mdlFix::reencodeQuestion() && frmBuzy::instance())
                labelDuringQuestion = frmBuzy::instance()->lblBuzy->text();
            return ui::Answer{ui::Ok, {}, {}, 0};
        });
        EXPECT_EQ(run(file), FixEnd::Failed);
        EXPECT_EQ(labelDuringQuestion, QStringLiteral("Zorvo.FLV\r\n\r\n正在进行“修复”多媒体档案\r\n\r\n共有 1 个程序，正处理第 1 个"));
        EXPECT_EQ(ui::shownBoxes().back().text, mdlFix::failureMessage() + QStringLiteral("\r\n检查结果：新档案里没有视讯（画面）"));
        expectClean({});
    }
    {
        const QString mpeg1 = src_.file(QStringLiteral("mpeg1.mp4"));
        ASSERT_EQ(QProcess::execute(ffmpeg(), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                               QStringLiteral("-c:v"), QStringLiteral("mpeg1video"), QStringLiteral("-c:a"),
                                               QStringLiteral("copy"), mpeg1}),
                  0);
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Ok);
        EXPECT_EQ(run(mpeg1), FixEnd::Done);
        EXPECT_EQ(answers.texts()[1], mdlFix::reencodeQuestion());
        EXPECT_EQ(countVideoFrames(target), H264AacMp4.frames);
        EXPECT_EQ(tooltest::streamEntry(target, "a", "codec_name"), QStringLiteral("mp3"));
        EXPECT_NEAR(tooltest::measuredBitRate(target, "a"), 64000, 64000 * 0.15);
        EXPECT_NEAR(durationOf(target), H264AacMp4.seconds, 0.3);
        expectClean({QFileInfo(target).fileName()});
    }
}

// What is refused runs nothing: a missing file, a type that cannot be fixed, the source
// itself as target (also spelt another way), and a cancelled dialog.
TEST_F(Fix, RefusalsRunNoTool)
{
    const QString file = source(Flv1Mp3, QStringLiteral("a.flv"));
    const QByteArray sum = digest(file);
    const QString wav = source(ToneWav, QStringLiteral("t.wav"));
    {
        ui::ScriptedAnswers answers;
        EXPECT_EQ(run(src_.file(QStringLiteral("none.flv"))), FixEnd::Refused);
        EXPECT_EQ(run(wav), FixEnd::Refused);
        EXPECT_EQ(run(QString()), FixEnd::Refused);
        ASSERT_EQ(ui::shownBoxes().size(), 3u);
        for (const ui::Shown& s : ui::shownBoxes()) {
            EXPECT_EQ(s.text, QStringLiteral("你所指定处理的档案并不存在，或是\r\n你选择了不支援修复的多媒体格式！"));
            EXPECT_EQ(s.title, ui::noticeTitle);
        }
    }
    for (const QString& target : {file, src_.path() + QStringLiteral("/./a.flv")}) {
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Yes);
        EXPECT_EQ(run(file), FixEnd::SameAsSource);
        EXPECT_EQ(answers.texts().last(), QStringLiteral("你所指定的另存新档（目标档案）与\r\n与来源档案是同一个，这是不允许的"));
        EXPECT_EQ(ui::shownBoxes().back().title, ui::noticeTitle);
    }
    {
        ui::ScriptedAnswers answers;
        answers.thenCancel();
        EXPECT_EQ(run(file), FixEnd::NoTarget);
        EXPECT_EQ(ui::shownBoxes().size(), 1u);
    }
    EXPECT_EQ(digest(file), sum);
    EXPECT_TRUE(entries(mdlTools::tempFolder()).isEmpty()) << entries(mdlTools::tempFolder()).join(',').toStdString();
    expectClean({});
}

// A source that is not media, of each type: the failure message, the source kept, no
// temporary file and no empty target left.
TEST_F(Fix, SourceThatIsNotMediaFailsAndKeepsTheSource)
{
    for (const char* name : {"junk.flv", "junk.mpg", "junk.dat"}) {
        SCOPED_TRACE(name);
        const QString file = source(Garbage, QString::fromLatin1(name));
        const QByteArray sum = digest(file);
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(mdlToolCmds::fixName(file))).then(ui::Ok);
        EXPECT_EQ(run(file), FixEnd::Failed);
        EXPECT_EQ(answers.texts().last(), mdlFix::failureMessage());
        EXPECT_EQ(digest(file), sum);
        expectClean({});
    }
}

// Files of the user that only carry the names of the job's temporary files stay: a source
// called like a piece is fixed and kept; a source that is the FLV temporary file itself in
// the target's folder is refused, as it would be overwritten while it is read.
TEST_F(Fix, FilesThatOnlyLookTemporaryAreKept)
{
    const QString piece = out_.file(QStringLiteral("~tmpSP001.flv"));
    ASSERT_TRUE(QFile::copy(path(Flv1Mp3), piece));
    const QByteArray sum = digest(piece);
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(QStringLiteral("~tmpSP001_fix.flv")));
        EXPECT_EQ(run(piece), FixEnd::Done);
    }
    EXPECT_EQ(digest(piece), sum);
    EXPECT_EQ(countVideoFrames(out_.file(QStringLiteral("~tmpSP001_fix.flv"))), Flv1Mp3.frames);
    expectClean({QStringLiteral("~tmpSP001.flv"), QStringLiteral("~tmpSP001_fix.flv")});

    const QString temp = out_.file(QStringLiteral("~fix~tmpSP.flv"));
    ASSERT_TRUE(QFile::copy(path(Flv1Mp3), temp));
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(QStringLiteral("other.flv")));
        EXPECT_EQ(run(temp), FixEnd::SameAsSource);
    }
    EXPECT_EQ(digest(temp), sum);
    EXPECT_FALSE(QFileInfo::exists(out_.file(QStringLiteral("other.flv"))));
}

// The break from the progress window while the tool runs (an ffmpeg that never ends):
// the run is killed, the user is told once, and nothing of the job stays.
TEST_F(Fix, BreakFromTheProgressWindow)
{
    // It writes the start of an MPEG target before it hangs.
    tooltest::HangingFfmpeg hanging("for a; do last=$a; done\ncase \"$last\" in *.mpg) printf partial > \"$last\";; esac\n");
    const QString pidFile = hanging.pidFile();

    auto pressWhenRunning = [&](QTimer& press) {
        QFile::remove(pidFile);
        press.setInterval(50);
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (QFileInfo(pidFile).size() > 0 && frmBuzy::instance()) {
                press.stop();
                QTest::mouseClick(frmBuzy::instance()->cmdBreak, Qt::LeftButton);
            }
        });
        press.start();
    };
    for (const char* name : {"a.flv", "b.avi"}) {
        SCOPED_TRACE(name);
        const QString file = source(std::string(name) == "a.flv" ? Flv1Mp3 : Mpeg4Mp3Avi, QString::fromLatin1(name));
        const QByteArray sum = digest(file);
        QTimer press;
        pressWhenRunning(press);
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(mdlToolCmds::fixName(file)));
        EXPECT_EQ(run(file), FixEnd::Failed);
        EXPECT_EQ(answers.texts().mid(1), QStringList{QStringLiteral("你已经中止程序！")});
        EXPECT_EQ(digest(file), sum);
        expectClean({});
    }
    // A break that leaves part of the file: it is kept, and the report says the job was
    // broken off rather than that it ended well.
    {
        const QString file = source(Mpeg1Mp2, QStringLiteral("c.mpg"));
        const QString target = out_.file(QStringLiteral("c_fix.mpg"));
        QTimer press;
        pressWhenRunning(press);
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Ok).then(ui::Cancel);
        EXPECT_EQ(run(file), FixEnd::Done);
        const QStringList texts = answers.texts();
        ASSERT_EQ(texts.size(), 3);
        EXPECT_EQ(texts[1], QStringLiteral("你已经中止程序！"));
        EXPECT_TRUE(texts[2].startsWith(QStringLiteral("全部的档案处理程序已经被中止掉"))) << texts[2].toStdString();
        expectClean({QStringLiteral("c_fix.mpg")});
    }
    EXPECT_TRUE(entries(hanging.tmpPath()).isEmpty());
}

// The page: the run button and the play command follow the box, a drop and the browse
// button fill it, and the button runs the job with the workspace's save folder (a folder
// that is gone is cleared and the source's folder used).
TEST_F(Fix, PageFollowsItsBoxAndRunsTheJob)
{
    FixPage page(host_);
    page.jobWindow = host_.workspace.get();
    QString folder = out_.file(QStringLiteral("gone"));
    page.saveFolder = &folder;
    QStringList signalled;
    QObject::connect(&page, &FixPage::playSpecChanged, [&](const QString& p) { signalled << p; });
    EXPECT_FALSE(page.cmdMediaFix->isEnabled());
    EXPECT_EQ(page.cmdMediaFix->text(), QStringLiteral("执行修复功能"));
    EXPECT_EQ(page.lblMdFix->text(), QStringLiteral("指定影片"));
    EXPECT_EQ(page.lblFixNote->text(), QStringLiteral("下个步骤将出现另存新档的对话盒"));

    const QString file = source(Mpeg1Mp2, QStringLiteral("m.mpg"));
    page.txtMdFix->setText(QStringLiteral(" ") + file);
    EXPECT_TRUE(page.cmdMediaFix->isEnabled());
    EXPECT_EQ(page.playSpecPath(), file);
    EXPECT_EQ(page.txtMdFix->toolTip(), file);
    page.txtMdFix->setText(src_.file(QStringLiteral("none.mpg")));
    EXPECT_FALSE(page.cmdMediaFix->isEnabled());
    EXPECT_EQ(page.txtMdFix->toolTip(), QStringLiteral("你可以拖曳档案到这里"));
    EXPECT_EQ(signalled, (QStringList{file, QString()}));

    page.txtMdFix_OLEDragDrop({src_.file(QStringLiteral("none.flv"))});
    EXPECT_EQ(page.txtMdFix->text(), src_.file(QStringLiteral("none.mpg")));
    page.txtMdFix_OLEDragDrop({file, src_.file(QStringLiteral("x"))});
    EXPECT_EQ(page.txtMdFix->text(), file);

    // A real drag and drop of a file on the box.
    page.txtMdFix->clear();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(page.txtMdFix, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(page.txtMdFix, &drop);
    EXPECT_EQ(page.txtMdFix->text(), file);

    ui::ScriptedAnswers answers;
    page.txtMdFix->clear();
    answers.thenFile(file);
    page.mbMdFix_Click();
    EXPECT_EQ(page.txtMdFix->text(), file);
    EXPECT_EQ(ui::shownBoxes().back().style, ui::OpenOne);
    EXPECT_EQ(ui::shownBoxes().back().filter, mdlZorvoFLV::openFilterEditable);

    const QString target = src_.file(QStringLiteral("m_fix.mpg"));
    answers.thenFile(target);
    QTest::mouseClick(page.cmdMediaFix, Qt::LeftButton);
    EXPECT_TRUE(folder.isEmpty());
    EXPECT_EQ(ui::shownBoxes()[1].initDir, src_.path() + QLatin1Char('/'));
    EXPECT_EQ(countVideoFrames(target), Mpeg1Mp2.frames);
    EXPECT_EQ(frmBuzy::instance(), nullptr);
}

// The command-line program runs the page's job: the same file for the same request, never
// over a file that is there unless told, and the page's refusal with its own exit code.
TEST_F(Fix, CommandLineMakesThePagesFileAndOverwritesOnlyWhenTold)
{
    const QString file = source(H264AacFlv, QStringLiteral("片 段.flv"));
    const QString byPage = out_.file(QStringLiteral("page.flv"));
    ui::ScriptedAnswers answers;
    answers.thenFile(byPage);
    ASSERT_EQ(run(file), FixEnd::Done);

    const QString byCli = out_.file(QStringLiteral("cli.flv"));
    tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("fix"), file, QStringLiteral("-o"), byCli});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, byCli + QLatin1Char('\n'));
    EXPECT_EQ(digest(byCli), digest(byPage));

    // There already: left as it is, unless --force.
    QFile::resize(byCli, 10);
    r = tooltest::runZorvo({QStringLiteral("fix"), file, QStringLiteral("-o"), byCli});
    EXPECT_EQ(r.exit, 4);
    EXPECT_EQ(QFileInfo(byCli).size(), 10);
    r = tooltest::runZorvo({QStringLiteral("fix"), file, QStringLiteral("-o"), byCli, QStringLiteral("--force")});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(digest(byCli), digest(byPage));

    // Where a lossless cut of the result can start: a line for each key picture.
    r = tooltest::runZorvo({QStringLiteral("keyframes"), byCli});
    EXPECT_EQ(r.exit, 0);
    int keys = 0;
    for (const tooltest::Packet& p : tooltest::packets(byCli, "v"))
        keys += p.key ? 1 : 0;
    EXPECT_GT(keys, 1);
    EXPECT_EQ(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), keys);

    // Without -o: the page's proposed name beside the source.
    r = tooltest::runZorvo({QStringLiteral("fix"), file});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), src_.file(QStringLiteral("片 段_fix.flv")));

    r = tooltest::runZorvo({QStringLiteral("fix"), src_.file(QStringLiteral("missing.flv"))});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("你选择了不支援修复的多媒体格式！")));
    EXPECT_EQ(tooltest::runZorvo({QStringLiteral("fix"), file, QStringLiteral("--bogus")}).exit, 2);
    EXPECT_EQ(entries(out_.path()), (QStringList{QStringLiteral("cli.flv"), QStringLiteral("page.flv")}));
}

// Ctrl+C while a tool runs: the run ends, and neither the target nor a work file nor a
// tool of the job stays.
TEST_F(Fix, CommandLineBrokenBySigintLeavesNothing)
{
    tooltest::HangingFfmpeg hanging;
    const QString file = source(Flv1Mp3, QStringLiteral("a.flv"));
    std::unique_ptr<QProcess> cli = tooltest::startZorvo({QStringLiteral("fix"), file, QStringLiteral("-o"), out_.file(QStringLiteral("b.flv"))});
    QElapsedTimer t;
    t.start();
    while (QFileInfo(hanging.pidFile()).size() <= 0 && t.elapsed() < 60000)
        QTest::qWait(50);
    ASSERT_GT(QFileInfo(hanging.pidFile()).size(), 0);
    ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
    ASSERT_TRUE(cli->waitForFinished(30000));
    EXPECT_EQ(cli->exitCode(), 130);
    EXPECT_EQ(entries(out_.path()), QStringList{});
    EXPECT_EQ(entries(src_.path()), QStringList{QStringLiteral("a.flv")});
    EXPECT_EQ(entries(hanging.tmpPath()), QStringList{});
    // Its programs lived in a folder of its own, which is gone.
    EXPECT_TRUE(entries(g_runtime.path()).filter(QStringLiteral("zorvo-")).isEmpty());
}
