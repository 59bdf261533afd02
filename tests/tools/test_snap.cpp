// Snapshot series through the real chain (ZorvoResFLV, the FFmpeg front-end, ffmpeg), the
// dialogs and messages answered by the test, the pictures judged by ffprobe.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "app/mdlZorvoFLV.h"
#include "tools/SnapPage.h"
#include "tools/frmBuzy.h"
#include "tools/mdlSnap.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace testmedia;
using mdlSnap::SnapEnd;
using tooltest::entries;

namespace {

tooltest::PrivateRuntime g_runtime;

class Snap : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = QDir::currentPath();
        host_.toBrowser = true;
        saveFolder_ = out_.path();
    }
    void TearDown() override { QDir::setCurrent(before_); }

    QString source(const QString& name)
    {
        const QString file = src_.file(name);
        EXPECT_TRUE(QFile::copy(path(Flv1Mp3), file));
        return file;
    }
    SnapEnd run(const mdlSnap::SnapRequest& r) { return mdlSnap::cmdMediaSnap(host_, host_.workspace.get(), r, saveFolder_); }
    void expectClean(const QStringList& expectedOut)
    {
        EXPECT_EQ(frmBuzy::instance(), nullptr);
        EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFfmpeg));
        EXPECT_EQ(entries(out_.path()), expectedOut);
    }
    // The picture's codec and size as ffprobe reads them.
    static QString picture(const QString& file)
    {
        return tooltest::streamEntry(file, "v", "codec_name") + QLatin1Char(' ') + tooltest::streamEntry(file, "v", "width")
            + QLatin1Char('x') + tooltest::streamEntry(file, "v", "height");
    }

    tooltest::TestHost host_;
    TempDir src_, out_;
    QString saveFolder_;
    QString before_;
};

} // namespace

// Every 1.5 s over a 4 s video: moments 0, 1.5 and 3, the middle one between two frames
// of the 25 fps clip. GIF pictures are GIF data, each renamed into the chosen folder.
TEST_F(Snap, SeriesOfGifPicturesIntoTheFolder)
{
    const QString file = source(QStringLiteral("~tmpS 片段.flv")); // a name like a temporary file
    ui::ScriptedAnswers answers;
    answers.thenFile(out_.path() + QLatin1Char('/'));
    QDir::setCurrent(src_.path());
    mdlSnap::SnapRequest r{file, 1, 1, QStringLiteral("4.00"), {}, {}, {}, {}, QStringLiteral("1.5"), QStringLiteral("GIF")};
    EXPECT_EQ(run(r), SnapEnd::Done);

    ASSERT_EQ(ui::shownBoxes().size(), 2u);
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::ChooseDir);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("请选取分割出的新档案的储存目录\r\n这里，强烈建议你新建一个资料夹！"));
    EXPECT_TRUE(ui::shownBoxes()[1].text.startsWith(QStringLiteral("全部的档案处理程序已经成功结束")));
    EXPECT_EQ(host_.browsed, QStringList{out_.file(QStringLiteral("snapshot_001.gif"))});
    for (const char* name : {"snapshot_001.gif", "snapshot_002.gif", "snapshot_003.gif"})
        EXPECT_EQ(picture(out_.file(QString::fromLatin1(name))), QStringLiteral("gif 320x240")) << name;
    expectClean({QStringLiteral("snapshot_001.gif"), QStringLiteral("snapshot_002.gif"), QStringLiteral("snapshot_003.gif")});
    EXPECT_TRUE(QFileInfo::exists(file));
}

// One picture at X = T is taken at T − 0.1 and saved under the name of the save dialog;
// a moment the video does not reach ends in the failure message and leaves nothing.
TEST_F(Snap, OnePictureAndTheFailurePath)
{
    const QString file = source(QStringLiteral("a.flv"));
    const QString target = out_.file(QStringLiteral("shot.png"));
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(target);
        EXPECT_EQ(run({file, 0, 0, QStringLiteral("4.00"), QStringLiteral("4"), {}, {}, {}, {}, QStringLiteral("PNG")}),
                  SnapEnd::Done);
        EXPECT_EQ(ui::shownBoxes()[0].defaultText, QStringLiteral("a_snapshot.png"));
        EXPECT_EQ(ui::shownBoxes()[0].filter, QStringLiteral("PNG 档案格式 (*.png)|*.png"));
        EXPECT_EQ(picture(target), QStringLiteral("png 320x240"));
        EXPECT_EQ(host_.closed, QStringList{target});
    }
    {
        // The properties said 60 s; the video ends at 4.
        ui::ScriptedAnswers answers;
        answers.thenFile(target).then(ui::Yes).then(ui::Ok);
        EXPECT_EQ(run({file, 0, 0, QStringLiteral("60.00"), QStringLiteral("50"), {}, {}, {}, {}, QStringLiteral("JPG")}),
                  SnapEnd::Failed);
        EXPECT_EQ(ui::shownBoxes().back().text, mdlSnap::failureMessage());
        EXPECT_EQ(ui::shownBoxes().back().title, ui::errorTitle);
    }
    expectClean({QStringLiteral("shot.png")});
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(file).then(ui::Yes).then(ui::Ok);
        EXPECT_EQ(run({file, 0, 0, QStringLiteral("4.00"), QStringLiteral("1"), {}, {}, {}, {}, QStringLiteral("JPG")}),
                  SnapEnd::SameAsSource);
        EXPECT_EQ(tooltest::sortedCodecs(file), QStringLiteral("flv1,mp3"));
    }
}

// A video of 5 frames a second, a picture every 1.3 s: the last moment, 3.9 s, comes after
// the last frame has started (3.8 s) and still gets the picture shown then.
TEST_F(Snap, LastMomentOfAVideoOfFewFrames)
{
    const QString file = src_.file(QStringLiteral("slow.flv"));
    QProcess p;
    p.start(ffmpeg(), {"-v", "error", "-nostdin", "-f", "lavfi", "-i", "testsrc=d=4:s=160x120:r=5", "-y", file});
    ASSERT_TRUE(p.waitForFinished(60000));
    ui::ScriptedAnswers answers;
    answers.thenFile(out_.path() + QLatin1Char('/'));
    EXPECT_EQ(run({file, 1, 1, QStringLiteral("4.00"), {}, {}, {}, {}, QStringLiteral("1.3"), QStringLiteral("PNG")}),
              SnapEnd::Done);
    EXPECT_EQ(picture(out_.file(QStringLiteral("snapshot_004.png"))), QStringLiteral("png 160x120"));
    expectClean({QStringLiteral("snapshot_001.png"), QStringLiteral("snapshot_002.png"), QStringLiteral("snapshot_003.png"),
                 QStringLiteral("snapshot_004.png")});
}

// The page: properties from the real media layer, only the chosen stretch's boxes take
// values, the run button follows the planner, and a JPG series runs from it.
TEST_F(Snap, PageFollowsThePlannerAndRuns)
{
    SnapPage page(host_);
    page.jobWindow = host_.workspace.get();
    page.saveFolder = &saveFolder_;
    page.resize(640, 480);
    page.show();
    EXPECT_EQ(page.cboMediaSnapType->count(), 3);
    EXPECT_EQ(page.cboMediaSnapType->currentText(), QStringLiteral("JPG"));
    EXPECT_FALSE(page.cmdMediaSnap->isEnabled());

    const QString file = source(QStringLiteral("b.flv"));
    page.txtMdSplit->setText(file);
    page.cmdMdSplitChk_Click();
    EXPECT_EQ(page.cmdMdSplitChkTag, QStringLiteral("4.00"));
    EXPECT_TRUE(page.lblMdLen->text().startsWith(QStringLiteral("此多媒体属性：播放长度 4.00 秒")));

    page.optMdSnap2_Click(1);
    page.txtMdSnEq[2]->setText(QStringLiteral("4")); // N = T
    EXPECT_FALSE(page.cmdMediaSnap->isEnabled());
    page.optMdSnap1_Click(2);
    EXPECT_TRUE(page.txtMdSnEq[2]->text().isEmpty() || page.txtMdSnEq[2]->isEnabled());
    page.txtMdSnFrom[0]->setText(QStringLiteral("1"));
    page.txtMdSnEnd[0]->setText(QStringLiteral("3"));
    page.txtMdSnEq[2]->setText(QStringLiteral("2")); // a stretch of 2 is not longer than N
    EXPECT_FALSE(page.cmdMediaSnap->isEnabled());
    page.optMdSnap2_Click(0);
    EXPECT_TRUE(page.txtMdSnEq[2]->text().isEmpty());
    page.txtMdSnEq[1]->setText(QStringLiteral("2"));
    EXPECT_TRUE(page.cmdMediaSnap->isEnabled());
    page.optMdSnap1_Click(0);
    EXPECT_TRUE(page.txtMdSnFrom[0]->text().isEmpty());
    EXPECT_FALSE(page.optMdSnap2[0]->isEnabled());
    EXPECT_FALSE(page.cmdMediaSnap->isEnabled());
    page.optMdSnap1_Click(2);
    page.txtMdSnFrom[0]->setText(QStringLiteral("1"));
    page.txtMdSnEnd[0]->setText(QStringLiteral("3"));
    page.txtMdSnEq[1]->setText(QStringLiteral("2"));

    ui::ScriptedAnswers answers;
    answers.thenFile(out_.path() + QLatin1Char('/'));
    page.cmdMediaSnap_Click();
    for (const char* name : {"snapshot_001.jpg", "snapshot_002.jpg"})
        EXPECT_EQ(picture(out_.file(QString::fromLatin1(name))), QStringLiteral("mjpeg 320x240")) << name;
    expectClean({QStringLiteral("snapshot_001.jpg"), QStringLiteral("snapshot_002.jpg")});
}

// zorvo snap takes the page's pictures for the same series (two from 1 to 3 s as PNG),
// byte for byte, with the length read without a window; a stretch that ends before it
// begins is refused with the page's failure message and exit 3, and nothing is written.
TEST_F(Snap, CommandLineTakesThePagesPictures)
{
    const QString file = source(QStringLiteral("a.flv"));
    SnapPage page(host_);
    page.jobWindow = host_.workspace.get();
    page.txtMdSplit->setText(file);
    page.cmdMdSplitChk_Click();
    ASSERT_FALSE(page.cmdMdSplitChkTag.isEmpty());
    {
        ui::ScriptedAnswers answers;
        answers.thenFile(out_.path() + QLatin1Char('/'));
        ASSERT_EQ(run({file, 2, 0, page.cmdMdSplitChkTag, {}, QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("2"), {},
                       QStringLiteral("PNG")}),
                  SnapEnd::Done);
    }

    TempDir cli;
    tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("snap"), file, QStringLiteral("--count"), QStringLiteral("2"),
                                             QStringLiteral("--from"), QStringLiteral("1"), QStringLiteral("--to"),
                                             QStringLiteral("3"), QStringLiteral("--format"), QStringLiteral("png"),
                                             QStringLiteral("-o"), cli.path()});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, cli.file(QStringLiteral("snapshot_001.png")) + QLatin1Char('\n') + cli.file(QStringLiteral("snapshot_002.png"))
                         + QLatin1Char('\n'));
    for (const QString& name : {QStringLiteral("snapshot_001.png"), QStringLiteral("snapshot_002.png")})
        EXPECT_EQ(tooltest::digest(cli.file(name)), tooltest::digest(out_.file(name))) << name.toStdString();

    TempDir none;
    r = tooltest::runZorvo({QStringLiteral("snap"), file, QStringLiteral("--every"), QStringLiteral("1"), QStringLiteral("--from"),
                            QStringLiteral("3"), QStringLiteral("--to"), QStringLiteral("1"), QStringLiteral("-o"), none.path()});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.contains(mdlSnap::failureMessage().replace(QStringLiteral("\r\n"), QStringLiteral("\n"))))
        << r.err.toStdString();
    EXPECT_EQ(entries(none.path()), QStringList{});
    EXPECT_EQ(entries(src_.path()), QStringList{QStringLiteral("a.flv")});
}
