// The join job as the page runs it: the save dialog and the messages answered by the test,
// ZorvoResFLV, the front-ends and ffmpeg for real, the results judged by ffprobe and
// flvmeta.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "app/mdlZorvoFLV.h"
#include "tools/JoinPage.h"
#include "tools/frmBuzy.h"
#include "tools/mdlJoin.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>

using namespace testmedia;
using mdlJoin::JoinEnd;

using tooltest::flvmetaAccepts;
using tooltest::digest;
using tooltest::entries;

namespace {

tooltest::PrivateRuntime g_runtime;

const QString refusedText = QStringLiteral("合并清单里的档案类型不一致，或是\r\n清单里包含不支援合并的多媒体格式\r\n"
                                           "或是，清单里包含了不存在的档案！\r\n\r\n此合并功能，仅支援同类型的档案");
const QString sameText = QStringLiteral("你所指定的另存新档（目标档案）与\r\n与来源档案是同一个，这是不允许的");
const QString failureText = QStringLiteral("出现错误，无法成功处理档案\r\n\r\n可能是档案格式不支援进一步的合并\r\n"
                                           "或者，该档案被正被其他程式所执行");

class Join : public tooltest::JobTest {
protected:
    QStringList sources(const Clip& clip, const QStringList& names)
    {
        QStringList files;
        for (const QString& name : names)
            files << source(clip, name);
        return files;
    }
    QList<QByteArray> digests(const QStringList& files)
    {
        QList<QByteArray> sums;
        for (const QString& f : files)
            sums << digest(f);
        return sums;
    }
    JoinEnd run(const QStringList& items, int* refused = nullptr)
    {
        return mdlJoin::cmdMediaJoin(host_, host_.workspace.get(), items, saveFolder_, refused);
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

    // The label of the progress window while the job runs.
    void watchLabel(QTimer& timer, QString* label)
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [label] {
            if (frmBuzy* form = frmBuzy::instance())
                *label = form->lblBuzy->text();
        });
        timer.start();
    }
};

} // namespace

// Two FLV files of one kind and three of the other (one with its extension in capitals)
// joined in list order through the temporary files in the target's folder, with fresh
// metadata, under the proposed name; the items untouched.
TEST_F(Join, FlvOfBothKindsJoinedInOrder)
{
    struct Case {
        const Clip* clip;
        QStringList names;
    };
    for (const Case& c : {Case{&Flv1Mp3, {QStringLiteral("片 段.flv"), QStringLiteral("b.flv")}},
                          Case{&H264AacFlv, {QStringLiteral("a.flv"), QStringLiteral("B.FLV"), QStringLiteral("c.flv")}}}) {
        SCOPED_TRACE(c.clip->file);
        const QStringList items = sources(*c.clip, c.names);
        const QList<QByteArray> sums = digests(items);
        const QString proposed = QFileInfo(c.names.first()).completeBaseName() + QStringLiteral("_merge.flv");
        const QString target = out_.file(proposed);
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        host_.browsed.clear();
        QString label;
        QTimer watch;
        watchLabel(watch, &label);

        EXPECT_EQ(run(items), JoinEnd::Done);
        watch.stop();

        ASSERT_EQ(ui::shownBoxes().size(), 2u);
        const ui::Shown& dialog = ui::shownBoxes()[0];
        EXPECT_EQ(dialog.kind, ui::Shown::File);
        EXPECT_EQ(dialog.style, ui::SaveFile);
        EXPECT_EQ(dialog.defaultText, proposed);
        EXPECT_EQ(dialog.filter, QStringLiteral("FLV 档案格式 (*.flv)|*.flv"));
        EXPECT_EQ(dialog.initDir, out_.path() + QLatin1Char('/'));
        EXPECT_EQ(label, QStringLiteral("Zorvo.FLV\r\n\r\n正在进行“合并”多媒体档案\r\n\r\n共有 1 个程序，正处理第 1 个"));
        EXPECT_TRUE(ui::shownBoxes()[1].text.startsWith(QStringLiteral("全部的档案处理程序已经成功结束\r\n总共使用的时间有 ")))
            << ui::shownBoxes()[1].text.toStdString();
        EXPECT_EQ(host_.browsed, QStringList{target});
        EXPECT_GE(host_.pauses, 1);
        EXPECT_EQ(QDir::currentPath(), out_.path());

        const int n = static_cast<int>(items.size());
        EXPECT_EQ(tooltest::sortedCodecs(target), tooltest::sortedCodecs(path(*c.clip)));
        EXPECT_EQ(countVideoFrames(target), n * c.clip->frames);
        EXPECT_NEAR(durationOf(target), n * c.clip->seconds, 0.3);
        EXPECT_TRUE(tooltest::monotonic(target, "v"));
        EXPECT_TRUE(tooltest::monotonic(target, "a"));
#ifdef ZORVO_HAVE_FMD
        QString report;
        EXPECT_TRUE(flvmetaAccepts(target, &report)) << report.toStdString();
#endif
        EXPECT_EQ(digests(items), sums);
        expectClean({proposed});
        QFile::remove(target);
        for (const QString& f : items)
            QFile::remove(f);
    }
}

// Two MPEG files are joined and re-muxed into the target (type 2); two AVI files are
// copied straight into it (type 3), over a file of that name that was there before.
TEST_F(Join, MpgAndAviJoinedIntoTheTarget)
{
    struct Case {
        const Clip* clip;
        const char* ext;
        const char* codec;
    };
    for (const Case& c : {Case{&Mpeg1Mp2, "mpg", "mpeg1video"}, Case{&Mpeg4Mp3Avi, "avi", "mpeg4"}}) {
        SCOPED_TRACE(c.ext);
        const QString ext = QString::fromLatin1(c.ext);
        const QStringList items = sources(*c.clip, {QStringLiteral("一 .") + ext, QStringLiteral("二.") + ext});
        const QList<QByteArray> sums = digests(items);
        const QString target = out_.file(mdlToolCmds::mergeName(items.first()));
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("an older file of that name");
        }
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Yes); // replace it

        EXPECT_EQ(run(items), JoinEnd::Done);
        EXPECT_TRUE(tooltest::sortedCodecs(target).contains(QLatin1String(c.codec))) << tooltest::codecs(target).toStdString();
        EXPECT_EQ(countVideoFrames(target), 2 * c.clip->frames);
        EXPECT_NEAR(durationOf(target), 2 * c.clip->seconds, 0.3);
        EXPECT_TRUE(tooltest::monotonic(target, "v"));
        EXPECT_TRUE(tooltest::monotonic(target, "a"));
        EXPECT_TRUE(host_.closed.contains(target));
        EXPECT_EQ(digests(items), sums);
        expectClean({QFileInfo(target).fileName()});
        QFile::remove(target);
    }
}

// Files that keep their streams in different orders (an FLV orders them by its first tag,
// MPEG-PS by its first packet), and an FLV whose metadata says 1 s where it runs 3.2 s:
// every packet stays in its stream, and the result lasts as long as the inputs together.
TEST_F(Join, StreamsPairedByKindEachInputToItsRealEnd)
{
    auto make = [this](const QString& name, const QStringList& args) {
        const QString file = src_.file(name);
        QStringList all{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                        QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc=size=320x240:rate=25")};
        EXPECT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), all + args + QStringList{file}), 0);
        return file;
    };
    const QStringList sine{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=sample_rate=44100")};
    const QStringList flv{QStringLiteral("-c:v"), QStringLiteral("flv1"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame")};
    const QStringList mpg{QStringLiteral("-c:v"), QStringLiteral("mpeg1video"), QStringLiteral("-c:a"), QStringLiteral("mp2")};
    const QStringList soundFirst{QStringLiteral("-map"), QStringLiteral("1:a"), QStringLiteral("-map"), QStringLiteral("0:v")};
    const QStringList late{QStringLiteral("-itsoffset"), QStringLiteral("0.2")};
    const QStringList four{QStringLiteral("-t"), QStringLiteral("4")};

    const QString lying = make(QStringLiteral("c.flv"), sine + flv + QStringList{QStringLiteral("-t"), QStringLiteral("3.2")});
    {
        QFile f(lying);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qsizetype at = f.read(4096).indexOf("duration");
        ASSERT_GT(at, 0);
        const double says = 1.0;
        quint64 bits;
        std::memcpy(&bits, &says, 8);
        QByteArray number;
        for (int i = 7; i >= 0; --i)
            number.append(char(bits >> (8 * i)));
        f.seek(at + 9); // the key, then the number's type byte
        f.write(number);
    }
    ASSERT_NEAR(durationOf(lying), 1.0, 0.01);

    struct Case {
        QStringList items;
        double seconds;
    };
    const Case cases[] = {
        {{make(QStringLiteral("a.flv"), sine + flv + soundFirst + four),
          make(QStringLiteral("b.flv"), late + sine + flv + four), lying},
         11.2},
        {{make(QStringLiteral("a.mpg"), sine + mpg + four), make(QStringLiteral("b.mpg"), sine + mpg + soundFirst + four)}, 8.0},
    };
    auto firstKind = [](const QString& file) {
        return probe(file, {QStringLiteral("-show_entries"), QStringLiteral("stream=codec_type"), QStringLiteral("-of"),
                            QStringLiteral("csv=p=0")}).section(QLatin1Char('\n'), 0, 0).trimmed();
    };
    ASSERT_EQ(firstKind(cases[0].items[0]), QStringLiteral("audio"));
    ASSERT_EQ(firstKind(cases[0].items[1]), QStringLiteral("video"));
    ASSERT_EQ(firstKind(cases[1].items[0]), QStringLiteral("video"));
    ASSERT_EQ(firstKind(cases[1].items[1]), QStringLiteral("audio"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items.first().toStdString());
        qsizetype video = 0, audio = 0;
        for (const QString& item : c.items) {
            video += tooltest::packets(item, "v").size();
            audio += tooltest::packets(item, "a").size();
        }
        const QString target = out_.file(mdlToolCmds::mergeName(c.items.first()));
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        EXPECT_EQ(run(c.items), JoinEnd::Done);
        EXPECT_EQ(tooltest::packets(target, "v").size(), video);
        EXPECT_EQ(tooltest::packets(target, "a").size(), audio);
        EXPECT_NEAR(durationOf(target), c.seconds, 0.15);
        EXPECT_TRUE(tooltest::monotonic(target, "v"));
        EXPECT_TRUE(tooltest::monotonic(target, "a"));
        expectClean({QFileInfo(target).fileName()});
        QFile::remove(target);
    }
}

// H.264 and AAC joined into an MPEG target: the copy leaves the file empty and the
// question comes. Cancel ends in the failure message with nothing left; OK re-encodes the
// sound.
TEST_F(Join, SoundThatMustBeReencodedAsksFirst)
{
    const QStringList items = sources(H264AacMp4, {QStringLiteral("a.mp4"), QStringLiteral("b.mp4")});
    const QList<QByteArray> sums = digests(items);
    const QString target = out_.file(QStringLiteral("合并 结果.mpg"));
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Cancel);
        EXPECT_EQ(run(items), JoinEnd::Failed);
        const QStringList texts = answers.texts();
        ASSERT_EQ(texts.size(), 3);
        EXPECT_EQ(texts[1], QStringLiteral("合并后的档案，音讯必须重新编码\r\n这个“合并”程序才能成功\r\n\r\n"
                                           "按“确定”则继续程序，并且音讯重新编码\r\n按“取消”则中止这个“合并”程序"));
        EXPECT_EQ(ui::shownBoxes()[1].style, ui::OkCancel);
        EXPECT_EQ(texts[2], failureText);
        EXPECT_EQ(ui::shownBoxes()[2].title, ui::errorTitle);
        expectClean({});
    }
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Ok);
        EXPECT_EQ(run(items), JoinEnd::Done);
        EXPECT_EQ(answers.texts()[1], mdlJoin::reencodeQuestion());
        EXPECT_EQ(tooltest::streamEntry(target, "a", "codec_name"), QStringLiteral("mp3"));
        EXPECT_NEAR(tooltest::measuredBitRate(target, "a"), 64000, 64000 * 0.15);
        EXPECT_EQ(countVideoFrames(target), 2 * H264AacMp4.frames);
        EXPECT_TRUE(tooltest::monotonic(target, "v"));
        expectClean({QFileInfo(target).fileName()});
    }
    EXPECT_EQ(digests(items), sums);
}

// What is refused runs nothing: lists of mixed types, of one item or none, with a file
// that is missing or cannot be joined (the offending item named for the list to select);
// a target that is one of the items (also spelt another way), an item that the job's own
// temporary file would overwrite, and a cancelled dialog.
TEST_F(Join, RefusalsRunNoTool)
{
    const QString a = source(Flv1Mp3, QStringLiteral("a.flv"));
    const QString b = source(Flv1Mp3, QStringLiteral("B.FLV"));
    const QString m = source(Mpeg1Mp2, QStringLiteral("m.mpg"));
    const QString wav = source(ToneWav, QStringLiteral("t.wav"));
    const QString wav2 = source(ToneWav, QStringLiteral("u.wav"));
    const QList<QByteArray> sums = digests({a, b, m});
    struct Case {
        QStringList items;
        int select;
    };
    const QList<Case> cases{
        {{a, m}, 1},
        {{m, a, b}, 1},
        {{a, b, src_.file(QStringLiteral("none.flv"))}, 2},
        {{wav, wav2}, 0},
        {{a}, 0},
        {{}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items.join(QLatin1Char(',')).toStdString());
        ui::ScriptedAnswers answers;
        int refused = 99;
        EXPECT_EQ(run(c.items, &refused), JoinEnd::Refused);
        EXPECT_EQ(refused, c.select);
        ASSERT_EQ(ui::shownBoxes().size(), 1u);
        EXPECT_EQ(ui::shownBoxes()[0].text, refusedText);
        EXPECT_EQ(ui::shownBoxes()[0].title, ui::noticeTitle);
    }
    // Extensions are compared in lower case: a.flv and B.FLV go on to the dialog.
    {
        ui::ScriptedAnswers answers;
        answers.thenCancel();
        EXPECT_EQ(run({a, b}), JoinEnd::NoTarget);
        ASSERT_EQ(ui::shownBoxes().size(), 1u);
        EXPECT_EQ(ui::shownBoxes()[0].defaultText, QStringLiteral("a_merge.flv"));
    }
    for (const QString& target : {a, b, src_.path() + QStringLiteral("/./a.flv")}) {
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Yes);
        EXPECT_EQ(run({a, b}), JoinEnd::SameAsSource);
        EXPECT_EQ(answers.texts().last(), sameText);
        EXPECT_EQ(ui::shownBoxes().back().title, ui::noticeTitle);
    }
    // An item called like the join's temporary file, in the folder of the target.
    const QString temp = out_.file(QStringLiteral("~tmpSJoin.flv"));
    ASSERT_TRUE(QFile::copy(a, temp));
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(QStringLiteral("other.flv")));
        EXPECT_EQ(run({a, temp}), JoinEnd::SameAsSource);
        EXPECT_EQ(answers.texts().last(), sameText);
    }
    EXPECT_EQ(digest(temp), sums[0]);
    QFile::remove(temp);

    EXPECT_EQ(digests({a, b, m}), sums);
    EXPECT_TRUE(entries(mdlTools::tempFolder()).isEmpty()) << entries(mdlTools::tempFolder()).join(',').toStdString();
    expectClean({});
}

// An item that is not media, of each type: the failure message, every item kept, no
// temporary file and no target left.
TEST_F(Join, ItemThatIsNotMediaFailsAndKeepsEveryItem)
{
    struct Case {
        const Clip* clip;
        const char* ext;
    };
    for (const Case& c : {Case{&Flv1Mp3, "flv"}, Case{&Mpeg1Mp2, "mpg"}, Case{&Mpeg4Mp3Avi, "avi"}}) {
        SCOPED_TRACE(c.ext);
        const QString ext = QString::fromLatin1(c.ext);
        const QStringList items{source(*c.clip, QStringLiteral("good.") + ext), source(Garbage, QStringLiteral("junk.") + ext)};
        const QList<QByteArray> sums = digests(items);
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.file(mdlToolCmds::mergeName(items.first()))).then(ui::Ok);
        EXPECT_EQ(run(items), JoinEnd::Failed);
        EXPECT_EQ(answers.texts().last(), failureText);
        EXPECT_EQ(ui::shownBoxes().back().title, ui::errorTitle);
        EXPECT_EQ(digests(items), sums);
        expectClean({});
    }
}

// The break from the progress window while the join runs (an ffmpeg that never ends): the
// run is killed, the user is told once, the job ends without its failure message, and
// nothing of it stays.
TEST_F(Join, BreakFromTheProgressWindow)
{
    tooltest::HangingFfmpeg hanging;
    const QString pidFile = hanging.pidFile();

    for (const char* ext : {"flv", "avi"}) {
        SCOPED_TRACE(ext);
        const QString e = QString::fromLatin1(ext);
        const QStringList items = sources(e == QLatin1String("flv") ? Flv1Mp3 : Mpeg4Mp3Avi,
                                          {QStringLiteral("a.") + e, QStringLiteral("b.") + e});
        const QList<QByteArray> sums = digests(items);
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
        answers.thenFile(out_.file(mdlToolCmds::mergeName(items.first())));
        EXPECT_EQ(run(items), JoinEnd::Failed);
        EXPECT_EQ(answers.texts().mid(1), QStringList{QStringLiteral("你已经中止程序！")});
        EXPECT_EQ(digests(items), sums);
        expectClean({});
    }
    EXPECT_TRUE(entries(hanging.tmpPath()).isEmpty());
}

// The page: its notes, the run button on from two items, a refused list names the item
// to select, and the button runs the job on the list's items with the workspace's save
// folder (a folder that is gone is cleared and the first item's folder used).
TEST_F(Join, PageFollowsTheListAndRunsTheJob)
{
    JoinPage page(host_);
    page.jobWindow = host_.workspace.get();
    QString folder = out_.file(QStringLiteral("gone"));
    page.saveFolder = &folder;
    QStringList items;
    page.mergeItems = [&items] { return items; };
    QList<int> selected;
    QObject::connect(&page, &JoinPage::selectMergeItem, [&](int i) { selected << i; });

    EXPECT_EQ(page.cmdMediaJoin->text(), QStringLiteral("执行合并功能"));
    const QStringList notes{QStringLiteral("以下每个影片的视讯／音讯条件必须一致，才能合并成功"),
                            QStringLiteral("你也可利用转档功能，将每个影片之视讯、音讯调成一致"),
                            QStringLiteral("请利用档案拖曳，或上面按钮，加入／排列准备合并的影片"),
                            QStringLiteral("下个步骤将出现另存新档的对话盒")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(page.lblJoinNote[i]->text(), notes[i]);
    EXPECT_FALSE(page.cmdMediaJoin->isEnabled());
    page.mergeListChanged(1);
    EXPECT_FALSE(page.cmdMediaJoin->isEnabled());
    page.mergeListChanged(2);
    EXPECT_TRUE(page.cmdMediaJoin->isEnabled());

    const QString a = source(Mpeg1Mp2, QStringLiteral("a.mpg"));
    const QString b = source(Mpeg1Mp2, QStringLiteral("b.mpg"));
    const QString f = source(Flv1Mp3, QStringLiteral("f.flv"));
    ui::ScriptedAnswers answers;
    items = {a, b, f};
    QTest::mouseClick(page.cmdMediaJoin, Qt::LeftButton);
    EXPECT_EQ(selected, QList<int>{2});
    EXPECT_EQ(answers.texts(), QStringList{refusedText});

    items = {b, a};
    const QString target = src_.file(QStringLiteral("b_merge.mpg"));
    answers.thenFile(target);
    QTest::mouseClick(page.cmdMediaJoin, Qt::LeftButton);
    EXPECT_TRUE(folder.isEmpty());
    EXPECT_EQ(ui::shownBoxes()[1].initDir, src_.path() + QLatin1Char('/'));
    EXPECT_EQ(countVideoFrames(target), 2 * Mpeg1Mp2.frames);
    EXPECT_EQ(selected, QList<int>{2});
    EXPECT_EQ(frmBuzy::instance(), nullptr);
}

// zorvo join gives the page's file for the same items; a folder as -o takes the page's
// proposed name; one item or no -o is a wrong command line.
TEST_F(Join, CommandLineMakesThePagesFile)
{
    const QStringList items = sources(H264AacFlv, {QStringLiteral("a.flv"), QStringLiteral("b.flv")});
    const QString byPage = out_.file(QStringLiteral("page.flv"));
    ui::ScriptedAnswers answers;
    answers.thenFile(byPage);
    ASSERT_EQ(run(items), JoinEnd::Done);

    const QString byCli = out_.file(QStringLiteral("cli.flv"));
    tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("join"), items[0], items[1], QStringLiteral("-o"), byCli});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, byCli + QLatin1Char('\n'));
    EXPECT_EQ(digest(byCli), digest(byPage));

    r = tooltest::runZorvo({QStringLiteral("join"), items[0], items[1], QStringLiteral("-o"), out_.path()});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), out_.file(QStringLiteral("a_merge.flv")));
    EXPECT_EQ(tooltest::runZorvo({QStringLiteral("join"), items[0], QStringLiteral("-o"), byCli}).exit, 2);
    EXPECT_EQ(tooltest::runZorvo({QStringLiteral("join"), items[0], items[1]}).exit, 2);
    expectClean({QStringLiteral("a_merge.flv"), QStringLiteral("cli.flv"), QStringLiteral("page.flv")});
}
