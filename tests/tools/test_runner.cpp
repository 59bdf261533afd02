// The runner with real children: output kept whole, the break, jobs one after the other.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "tools/frmBuzy.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using mdlGetCmdOutput::getCmdOutput;
using mdlGetCmdOutput::splitCommandLine;

namespace {
tooltest::PrivateRuntime g_runtime;

bool processGone(qint64 pid, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (!QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
            return true;
        // A zombie is gone for our purposes: it runs no more.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z "))
            return true;
        QTest::qWait(50);
    }
    return false;
}
} // namespace

TEST(SplitCommandLine, WindowsRules)
{
    EXPECT_EQ(splitCommandLine(QStringLiteral("/t/~tmpExtMcd.exe -mc 1  -o ~tmpSP001.flv \"/v/a b.flv\"")),
              (QStringList{QStringLiteral("/t/~tmpExtMcd.exe"), QStringLiteral("-mc"), QStringLiteral("1"),
                           QStringLiteral("-o"), QStringLiteral("~tmpSP001.flv"), QStringLiteral("/v/a b.flv")}));
    // Quotes group in the middle of a word, an empty pair is an empty argument.
    EXPECT_EQ(splitCommandLine(QStringLiteral("a\"b c\"d \"\" e")),
              (QStringList{QStringLiteral("ab cd"), QString(), QStringLiteral("e")}));
    // Backslashes: literal unless before a quote.
    EXPECT_EQ(splitCommandLine(QStringLiteral("a\\b \"c\\\"d\" e\\\\\"f g\"")),
              (QStringList{QStringLiteral("a\\b"), QStringLiteral("c\"d"), QStringLiteral("e\\f g")}));
    EXPECT_EQ(splitCommandLine(QStringLiteral("  \t ")), QStringList());
    EXPECT_EQ(splitCommandLine(QStringLiteral("x \"unclosed y")),
              (QStringList{QStringLiteral("x"), QStringLiteral("unclosed y")}));
}

TEST(SplitCommandLine, QuotedPathsComeBackAsTheyWere)
{
    const QString paths[] = {QStringLiteral("/v/中文 目录/测试 片段.flv"), QStringLiteral("/v/say \"hi\".flv"),
                             QStringLiteral("/v/back\\slash\\"), QStringLiteral("/v/x\\\"y")};
    for (const QString& p : paths) {
        const QString line = QStringLiteral("prog -i ") + mdlGetCmdOutput::quoteArgument(p) + QStringLiteral(" out");
        EXPECT_EQ(splitCommandLine(line), (QStringList{QStringLiteral("prog"), QStringLiteral("-i"), p,
                                                       QStringLiteral("out")}))
            << line.toStdString();
    }
}

TEST(Runner, LongOutputIsKeptWhole)
{
    testmedia::TempDir dir;
    QByteArray text;
    for (int i = 0; text.size() < 300000; ++i)
        text += "line " + QByteArray::number(i) + " of the output\n";
    QFile f(dir.file(QStringLiteral("out.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    const QString out = getCmdOutput(QStringLiteral("cat ") + mdlGetCmdOutput::quoteArgument(f.fileName()));
    EXPECT_EQ(out.toUtf8(), text);
}

TEST(Runner, StandardErrorIsMergedAndStandardInputIsEmpty)
{
    // The child sees an empty standard input (cat ends at once) and its error output is
    // collected with the rest.
    EXPECT_EQ(getCmdOutput(QStringLiteral("cat")), QString());
    EXPECT_EQ(getCmdOutput(QStringLiteral("sh -c \"echo out; echo err 1>&2\"")), QStringLiteral("out\nerr\n"));
    // The current folder is the parent's.
    testmedia::TempDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(getCmdOutput(QStringLiteral("pwd")).trimmed(), QDir(dir.path()).canonicalPath());
    QDir::setCurrent(before);
}

TEST(Runner, ProgramThatCannotStartGivesEmptyText)
{
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(getCmdOutput(QStringLiteral("/nonexistent/~tmpExtFmg.exe -i a b")), QString());
    EXPECT_EQ(getCmdOutput(QString()), QString());
    // The head program missing: the next word is not taken for it.
    EXPECT_EQ(getCmdOutput(QStringLiteral(" echo -y -i a")), QString());
    EXPECT_LT(t.elapsed(), 10000);
}

TEST(Runner, BreakKillsTheChildAndItsChildrenAndTheTagSaysClick)
{
    ui::ScriptedAnswers answers;
    tooltest::TestHost host;
    host.player->show();
    testmedia::TempDir dir;
    const QString pidFile = dir.file(QStringLiteral("pid"));

    mdlTools::buzySateShow(host, true, host.player.get());
    frmBuzy* form = frmBuzy::instance();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->cmdBreakTag.isEmpty());

    // Press the button once the grandchild is there.
    QTimer press;
    press.setInterval(50);
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (QFileInfo(pidFile).size() > 0) {
            press.stop();
            QTest::mouseClick(form->cmdBreak, Qt::LeftButton);
        }
    });
    press.start();
    QElapsedTimer t;
    t.start();
    getCmdOutput(QStringLiteral("sh -c \"sleep 300 & echo $! > '%1'; wait\"").arg(pidFile));
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_EQ(form->cmdBreakTag, QStringLiteral("click"));
    EXPECT_FALSE(mdlGetCmdOutput::breakRequested()); // cleared after the run
    QFile f(pidFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const qint64 grandchild = f.readAll().trimmed().toLongLong();
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(processGone(grandchild, 10000));

    // The job goes on with its next run, which is not broken.
    EXPECT_EQ(getCmdOutput(QStringLiteral("echo next")), QStringLiteral("next\n"));

    EXPECT_TRUE(mdlTools::buzySateShow(host, false, host.player.get()));
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("你已经中止程序！"));
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::OkOnly);
    EXPECT_EQ(frmBuzy::instance(), nullptr);

    // The next job starts clean: an empty Tag, no break, no message at its end.
    ui::clearShownBoxes();
    mdlTools::buzySateShow(host, true, host.player.get());
    ASSERT_NE(frmBuzy::instance(), nullptr);
    EXPECT_TRUE(frmBuzy::instance()->cmdBreakTag.isEmpty());
    EXPECT_EQ(getCmdOutput(QStringLiteral("echo clean")), QStringLiteral("clean\n"));
    EXPECT_FALSE(mdlTools::buzySateShow(host, false, host.player.get()));
    EXPECT_TRUE(ui::shownBoxes().empty());
}

// A break while the MEncoder front-end waits for ffmpeg (a stand-in that never ends):
// ffmpeg goes, and so does the front-end's folder of work files.
TEST(Runner, BreakOfAFrontEndTakesFfmpegAndItsWorkFilesWithIt)
{
    ui::ScriptedAnswers answers;
    tooltest::TestHost host;
    testmedia::TempDir out; // made before TMPDIR moves: the job's folder must stay empty
    tooltest::HangingFfmpeg hanging;
    const QString pidFile = hanging.pidFile();

    mdlTools::dealMyResource(host, QStringLiteral("Edit3"), true);
    mdlTools::buzySateShow(host, true, host.player.get());
    frmBuzy* form = frmBuzy::instance();
    QTimer press;
    press.setInterval(50);
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (QFileInfo(pidFile).size() > 0) {
            press.stop();
            form->cmdBreak_Click();
        }
    });
    press.start();
    const QString target = out.file(QStringLiteral("j.avi"));
    mdlGetCmdOutput::runCmdWait(mdlTools::pathMencoder + QStringLiteral(" -mc 1 -ovc copy -oac copy -o \"%1\" \"%2\" \"%3\"")
                                    .arg(target, testmedia::path(testmedia::Mpeg4Mp3Avi), testmedia::path(testmedia::Mpeg4Mp3Avi)));

    EXPECT_EQ(form->cmdBreakTag, QStringLiteral("click"));
    QFile f(pidFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(processGone(f.readAll().trimmed().toLongLong(), 10000));
    EXPECT_TRUE(QDir(hanging.tmpPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(mdlTools::buzySateShow(host, false, host.player.get()));
    mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
}

TEST(Runner, InterfaceStaysAliveWhileAChildRunsButStartsNoSecondChild)
{
    int ticks = 0;
    QString nested = QStringLiteral("not run");
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 5)
            nested = getCmdOutput(QStringLiteral("echo nested"));
    });
    timer.start(20);
    EXPECT_EQ(getCmdOutput(QStringLiteral("sh -c \"sleep 1; echo outer\"")), QStringLiteral("outer\n"));
    EXPECT_GE(ticks, 10);
    EXPECT_EQ(nested, QString());
    EXPECT_EQ(getCmdOutput(QStringLiteral("echo after")), QStringLiteral("after\n"));
}

TEST(BuzySateShow, CoversTheCallerAndHidesTheOtherWindow)
{
    ui::ScriptedAnswers answers;
    tooltest::TestHost host;
    host.player->show();
    host.workspace->show();

    // Called from the player: the workspace goes, the form lies over the player.
    EXPECT_FALSE(mdlTools::buzySateShow(host, true, host.player.get()));
    EXPECT_EQ(mdlTools::hiddenWindowMark(), 2);
    EXPECT_FALSE(host.workspace->isVisible());
    frmBuzy* form = frmBuzy::instance();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    // The whole window it stands for, frame included.
    EXPECT_EQ(form->geometry(), host.player->frameGeometry());
    EXPECT_NEAR(form->windowOpacity(), 220.0 / 255.0, 0.01);
    EXPECT_EQ(form->cmdBreak->text(), QStringLiteral("中止程序"));
    EXPECT_FALSE(mdlTools::buzySateShow(host, false, host.player.get()));
    EXPECT_TRUE(host.workspace->isVisible());
    EXPECT_EQ(mdlTools::hiddenWindowMark(), 0);

    // Called from the workspace: the player goes.
    mdlTools::buzySateShow(host, true, host.workspace.get());
    EXPECT_EQ(mdlTools::hiddenWindowMark(), 1);
    EXPECT_FALSE(host.player->isVisible());
    EXPECT_EQ(frmBuzy::instance()->geometry(), host.workspace->frameGeometry());
    mdlTools::buzySateShow(host, false, host.workspace.get());
    EXPECT_TRUE(host.player->isVisible());
    EXPECT_TRUE(ui::shownBoxes().empty());
}

TEST(FrmBuzy, LabelCentredAboveTheStripAndStripAlongTheBottom)
{
    frmBuzy form(nullptr);
    form.resize(500, 360);
    form.show();
    form.setLabel(QStringLiteral("Zorvo.FLV\r\n\r\n正在进行“修复”多媒体档案\r\n\r\n共有 1 个程序，正处理第 1 个"));
    const QRect strip = form.picBreak->geometry();
    EXPECT_EQ(strip.bottom(), form.height() - 1);
    EXPECT_NEAR(strip.left(), (form.width() - strip.width()) / 2, 1);
    const QRect label = form.lblBuzy->geometry();
    EXPECT_EQ(label.left(), 0);
    EXPECT_NEAR(label.top(), (form.height() - strip.height() - label.height()) / 2, 1);
    EXPECT_GT(label.height(), form.lblBuzy->fontMetrics().height() * 3); // five lines
    form.resize(640, 480);
    EXPECT_EQ(form.picBreak->geometry().bottom(), 479);
}

TEST(DealMyResource, RefusedPrivateFolderGivesWayToTheProgramFolder)
{
    const QString folder = g_runtime.path() + QStringLiteral("/Zorvo.FLV");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    const QString temp = mdlTools::tempFolder();
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    EXPECT_EQ(temp, mdlTools::programFolder());
    EXPECT_EQ(mdlTools::tempFolder(), folder + u'/');
}

TEST(DealMyResource, WritesAndDeletesTheToolFiles)
{
    ui::ScriptedAnswers answers;
    tooltest::TestHost host;
    // Nothing there: deleting is silent.
    mdlTools::dealMyResource(host, QStringLiteral("All"), false);
    EXPECT_TRUE(ui::shownBoxes().empty());
    const QString temp = mdlTools::tempFolder();
    ASSERT_EQ(temp, g_runtime.path() + QStringLiteral("/Zorvo.FLV/"));
    EXPECT_EQ(mdlTools::pathFfmpeg, temp + QStringLiteral("~tmpExtFmg.exe"));
    EXPECT_EQ(mdlTools::pathMencoder, temp + QStringLiteral("~tmpExtMcd.exe"));
    EXPECT_EQ(mdlTools::pathFlvmdi, temp + QStringLiteral("~tmpExtFmd.exe"));
    EXPECT_EQ(mdlTools::pathResWmv, temp + QStringLiteral("~tmpExtFlv.wmv"));

    // The files are complete when it returns: the first run can follow at once.
    mdlTools::dealMyResource(host, QStringLiteral("Edit2"), true);
    EXPECT_TRUE(QFileInfo(mdlTools::pathFfmpeg).isExecutable());
    EXPECT_TRUE(QFileInfo(mdlTools::pathMencoder).isExecutable());
    EXPECT_FALSE(getCmdOutput(mdlTools::pathFfmpeg + QStringLiteral(" -version")).isEmpty());
    mdlTools::dealMyResource(host, QStringLiteral("CapMCI"), true);
    EXPECT_TRUE(QFileInfo::exists(mdlTools::pathResWmv));

    // "notCapMCI" leaves the clip; "CapMCI" closes it in the player and deletes it.
    mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
    EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFfmpeg));
    EXPECT_FALSE(QFileInfo::exists(mdlTools::pathMencoder));
    EXPECT_TRUE(QFileInfo::exists(mdlTools::pathResWmv));
    host.closed.clear();
    mdlTools::dealMyResource(host, QStringLiteral("CapMCI"), false);
    EXPECT_FALSE(QFileInfo::exists(mdlTools::pathResWmv));
    EXPECT_EQ(host.closed, QStringList{mdlTools::pathResWmv});
    EXPECT_TRUE(ui::shownBoxes().empty());
}
