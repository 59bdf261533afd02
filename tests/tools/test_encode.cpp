// The encode pages and their job through the real chain (ZorvoResFLV, the FFmpeg
// front-end, the metadata injector, ffmpeg), the messages answered by the test, the
// files judged by ffprobe.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "tools/EncodePage.h"
#include "tools/frmBuzy.h"
#include "tools/mdlEncode.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace testmedia;
using mdlEncode::EncodeEnd;
using mdlToolCmds::EncodeSettings;
using tooltest::streamEntry;

namespace {

tooltest::PrivateRuntime g_runtime;

class Encode : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = QDir::currentPath();
        host_.toBrowser = true;
    }
    void TearDown() override { QDir::setCurrent(before_); }

    EncodeEnd run(const QString& source, const QString& target, const EncodeSettings& s)
    {
        return mdlEncode::cmdMediaEncode(host_, host_.workspace.get(), {source, target, s});
    }
    static QString audio(const QString& file)
    {
        return streamEntry(file, "a", "codec_name") + QLatin1Char(' ') + streamEntry(file, "a", "sample_rate")
            + QLatin1Char(' ') + streamEntry(file, "a", "channels");
    }

    tooltest::TestHost host_;
    TempDir dir_;
    QString before_;
};

EncodeSettings with(int page, const char* size, const char* rate, const char* ar, const char* ab, int channel)
{
    EncodeSettings s = mdlToolCmds::encodeDefaults(page);
    if (page < 2) {
        s.size = QString::fromUtf8(size);
        s.frameRate = QString::fromLatin1(rate);
    }
    s.samplingRate = QString::fromLatin1(ar);
    s.audioBitrate = QString::fromLatin1(ab);
    s.channelItem = channel;
    return s;
}

} // namespace

// One encode a page, with settings the target's container cannot hold exactly among
// them: every target plays (ffprobe reads what was asked, or the nearest value the
// container holds), FLV targets carry fresh metadata, nothing of the job stays behind.
TEST_F(Encode, EveryPageMakesAPlayableFile)
{
    struct Case {
        const Clip* clip;
        const char* target;
        EncodeSettings settings;
        const char* codecs;
        const char* video; // codec, size and frame rate; empty for none
        const char* sound;
    };
    const Case cases[] = {
        {&Flv1Mp3, "a.wmv", with(0, "160x120", "12.5", "11025", "16", 0), "wmav2,wmv2", "wmv2 160x120 25/2",
         "wmav2 11025 1"},
        {&Flv1Mp3, "a.MPG", with(0, "原视讯大小", "20", "11025", "20", 1), "mp2,mpeg1video",
         "mpeg1video 320x240 24000/1001", "mp2 16000 2"},
        {&Mpeg1Mp2, "b.flv", mdlToolCmds::encodeDefaults(1), "flv1,mp3", "flv1 352x288 25/1", "mp3 22050 2"},
        {&H264AacFlv, "c.mp3", with(2, "", "", "44100", "128", 0), "mp3", "", "mp3 44100 1"},
        {&ToneWav, "d.flv", mdlToolCmds::encodeDefaults(3), "mp3", "", "mp3 22050 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const QString source = dir_.file(QStringLiteral("来源 ") + QFileInfo(path(*c.clip)).fileName());
        QFile::remove(source);
        ASSERT_TRUE(QFile::copy(path(*c.clip), source));
        const QString target = dir_.file(QString::fromLatin1(c.target));
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).then(ui::Ok);
        EXPECT_EQ(run(source, target, c.settings), EncodeEnd::Done);
        EXPECT_EQ(ui::shownBoxes().front().text, mdlEncode::confirmMessage(source, target));
        EXPECT_EQ(tooltest::sortedCodecs(target), QString::fromLatin1(c.codecs));
        const QString video = streamEntry(target, "v", "codec_name");
        if (!video.isEmpty()) {
            EXPECT_EQ(video + QLatin1Char(' ') + streamEntry(target, "v", "width") + QLatin1Char('x')
                          + streamEntry(target, "v", "height") + QLatin1Char(' ') + streamEntry(target, "v", "r_frame_rate"),
                      QString::fromLatin1(c.video));
        }
        EXPECT_EQ(audio(target), QString::fromLatin1(c.sound));
        EXPECT_NEAR(durationOf(target), 4.0, 0.3);
#ifdef ZORVO_HAVE_FMD
        if (target.endsWith(QLatin1String(".flv"))) {
            QString report;
            EXPECT_TRUE(tooltest::flvmetaAccepts(target, &report)) << report.toStdString();
        }
#endif
        EXPECT_EQ(frmBuzy::instance(), nullptr);
        EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFfmpeg));
        EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFlvmdi));
    }
    // The bit rates the WMA and MP2 encoders were given in place of 16 and 20.
    EXPECT_EQ(streamEntry(dir_.file(QStringLiteral("a.wmv")), "a", "bit_rate"), QStringLiteral("24000"));
    EXPECT_EQ(streamEntry(dir_.file(QStringLiteral("a.MPG")), "a", "bit_rate"), QStringLiteral("16000"));
}

// What the job refuses before anything runs, a bare name taken in the current folder, and
// a value ffmpeg cannot take ending in the failure message without a target.
TEST_F(Encode, RefusalsAndTheFailurePath)
{
    const QString source = dir_.file(QStringLiteral("a.flv"));
    ASSERT_TRUE(QFile::copy(path(Flv1Mp3), source));
    QDir::setCurrent(dir_.path());
    ui::ScriptedAnswers answers;
    EXPECT_EQ(run(QStringLiteral("none.flv"), QStringLiteral("x.avi"), mdlToolCmds::encodeDefaults(0)), EncodeEnd::NoSource);
    EXPECT_EQ(ui::shownBoxes().back().text, mdlEncode::noSourceMessage());
    EXPECT_EQ(run(QStringLiteral(" a.flv "), source, mdlToolCmds::encodeDefaults(0)), EncodeEnd::SameAsSource);
    EXPECT_EQ(run(QStringLiteral("a.flv"), QStringLiteral("a.mpg"), with(0, "", "15", "22050", "64", 1)),
              EncodeEnd::RateRefused);
    EXPECT_EQ(ui::shownBoxes().back().text, mdlEncode::rateMessage());
    answers.then(ui::Cancel);
    EXPECT_EQ(run(QStringLiteral("a.flv"), QStringLiteral("a.avi"), mdlToolCmds::encodeDefaults(0)), EncodeEnd::Cancelled);
    EXPECT_EQ(ui::shownBoxes().back().text, mdlEncode::confirmMessage(source, dir_.file(QStringLiteral("a.avi"))));

    answers.then(ui::Ok).then(ui::Ok);
    EXPECT_EQ(run(QStringLiteral("a.flv"), QStringLiteral("a.avi"), with(0, "abc", "25", "22050", "64", 1)),
              EncodeEnd::Failed);
    EXPECT_EQ(ui::shownBoxes().back().text, mdlEncode::failureMessage());
    EXPECT_EQ(ui::shownBoxes().back().title, ui::errorTitle);
    EXPECT_EQ(tooltest::entries(dir_.path()), QStringList{QStringLiteral("a.flv")});
}

// The page: its lists, the frame rates rewritten, the rules of the two boxes, the type
// boxes rewriting the extension, drops, the "另输入数值" notice, and the command line its
// boxes give.
TEST_F(Encode, PageListsRulesAndLine)
{
    EncodePage video(host_, 0), music(host_, 2);
    EXPECT_EQ(video.cboVideoFramerate->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(video.cboVideoFramerate->itemText(4), QStringLiteral("8"));
    EXPECT_EQ(video.cboVideoFramerate->itemText(3), QStringLiteral("7.5"));
    EXPECT_EQ(video.cboVideoFramerate->currentText(), QStringLiteral("25"));
    EXPECT_EQ(music.cboVideoSize, nullptr);
    EXPECT_EQ(music.cboAudioBitrate->currentText(), QStringLiteral("64"));
    EXPECT_EQ(mdlToolCmds::encodeCmd(QStringLiteral("fmg"), QStringLiteral("D:\\v\\a.flv"), QStringLiteral("D:\\v\\a.avi"),
                                     video.settings()),
              QStringLiteral("fmg -y -i \"D:\\v\\a.flv\" -r 25 -b 200 -ar 22050 -ab 64 -ac 2 \"D:\\v\\a.avi\""));
    EXPECT_EQ(mdlToolCmds::encodeCmd(QStringLiteral("fmg"), QStringLiteral("/v/a.flv"), QStringLiteral("/v/a.mp3"),
                                     music.settings()),
              QStringLiteral("fmg -y -i \"/v/a.flv\" -vn  -ar 22050 -ab 64 -ac 2 \"/v/a.mp3\""));

    const QString mpeg = dir_.file(QStringLiteral("m.mpeg"));
    ASSERT_TRUE(QFile::copy(path(Mpeg1Mp2), mpeg));
    EXPECT_TRUE(mdlEncode::sourceUsable(mpeg, QStringLiteral("MPG")));
    EXPECT_FALSE(mdlEncode::sourceUsable(mpeg, QStringLiteral("AVI")));
    EXPECT_TRUE(mdlEncode::sourceUsable(mpeg, QStringLiteral("不限")));
    EXPECT_FALSE(mdlEncode::targetUsable(dir_.file(QStringLiteral("gone/x.flv")), QStringLiteral("FLV")));
    EXPECT_FALSE(mdlEncode::targetUsable(dir_.file(QStringLiteral(".flv")), QStringLiteral("FLV")));
    EXPECT_TRUE(mdlEncode::targetUsable(QStringLiteral("x.FLV"), QStringLiteral("FLV")));

    // A dropped file picks the type of its extension (a .mpeg has none of its own: "不限");
    // the target's type box rewrites the extension.
    EncodePage toFlv(host_, 1);
    toFlv.txtEncodeSrc_OLEDragDrop({mpeg});
    EXPECT_EQ(toFlv.cboEncodeSrc->currentText(), QStringLiteral("不限"));
    toFlv.txtEncodeTo->setText(dir_.file(QStringLiteral("m.avi")));
    EXPECT_FALSE(toFlv.cmdMediaEncode->isEnabled());
    toFlv.cboEncodeTo_Click();
    EXPECT_EQ(toFlv.txtEncodeTo->text(), dir_.file(QStringLiteral("m.flv")));
    EXPECT_TRUE(toFlv.cmdMediaEncode->isEnabled());
    EXPECT_EQ(toFlv.playSpecPath(), mpeg);
    toFlv.cboEncodeSrc->setCurrentText(QStringLiteral("WMV"));
    toFlv.cboEncodeSrc_Click();
    EXPECT_EQ(toFlv.txtEncodeSrc->text(), dir_.file(QStringLiteral("m.wmv")));
    EXPECT_FALSE(toFlv.cmdMediaEncode->isEnabled());
    EXPECT_EQ(toFlv.txtEncodeSrc->toolTip(), QStringLiteral("你可以拖曳档案到这里"));

    ui::ScriptedAnswers answers;
    video.cboVideoFramerate->setCurrentText(QStringLiteral("另输入数值"));
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("请直接在该文字框输入数值"));
    EXPECT_EQ(ui::shownBoxes()[0].title, ui::noticeTitle);
    video.cboVideoFramerate->setCurrentText(QStringLiteral("29.97"));
    video.cboVideoSize->setCurrentText(QStringLiteral("160x120"));
    video.cboAudioChannel->setCurrentText(QStringLiteral("单声道"));
    EXPECT_EQ(mdlToolCmds::encodeCmd(QStringLiteral("fmg"), QStringLiteral("a.flv"), QStringLiteral("a.wmv"), video.settings()),
              QStringLiteral("fmg -y -i \"a.flv\" -vcodec wmv2  -s 160x120 -r 29.97 -b 200 -ar 22050 -ab 64 -ac 1 \"a.wmv\""));
}

// zorvo encode takes the page from the two extensions and gives the page's file for the
// same settings (options left out at the page's defaults); a pair that no page offers and
// an MPG below 20 frames a second are refused before anything runs.
TEST_F(Encode, CommandLineMakesThePagesFile)
{
    const QString source = dir_.file(QStringLiteral("a.flv"));
    ASSERT_TRUE(QFile::copy(path(Flv1Mp3), source));
    struct Case {
        const char* ext;
        EncodeSettings settings;
        QStringList options;
    };
    const Case cases[] = {
        {"avi", with(0, "160x120", "12.5", "11025", "32", 0),
         {QStringLiteral("--size"), QStringLiteral("160x120"), QStringLiteral("--rate"), QStringLiteral("12.5"),
          QStringLiteral("--arate"), QStringLiteral("11025"), QStringLiteral("--abitrate"), QStringLiteral("32"),
          QStringLiteral("--channels"), QStringLiteral("1")}},
        {"mp3", mdlToolCmds::encodeDefaults(2), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        const QString byPage = dir_.file(QStringLiteral("page.") + QLatin1String(c.ext));
        const QString byCli = dir_.file(QStringLiteral("cli.") + QLatin1String(c.ext));
        ui::ScriptedAnswers answers;
        answers.then(ui::Ok).then(ui::Ok);
        ASSERT_EQ(run(source, byPage, c.settings), EncodeEnd::Done);
        const tooltest::CliRun r
            = tooltest::runZorvo(QStringList{QStringLiteral("encode"), source, QStringLiteral("-o"), byCli} + c.options);
        EXPECT_EQ(r.exit, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, byCli + QLatin1Char('\n'));
        EXPECT_EQ(tooltest::digest(byCli), tooltest::digest(byPage));
    }

    const QStringList before = tooltest::entries(dir_.path());
    tooltest::CliRun r = tooltest::runZorvo({QStringLiteral("encode"), source, QStringLiteral("-o"), dir_.file(QStringLiteral("x.mkv"))});
    EXPECT_EQ(r.exit, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("无法把 a.flv 转成 x.mkv"))) << r.err.toStdString();
    r = tooltest::runZorvo({QStringLiteral("encode"), source, QStringLiteral("-o"), dir_.file(QStringLiteral("x.mpg")),
                            QStringLiteral("--rate"), QStringLiteral("15")});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.err.trimmed(), mdlEncode::rateMessage().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(tooltest::runZorvo({QStringLiteral("encode"), source, QStringLiteral("-o"), dir_.file(QStringLiteral("x.avi")),
                                  QStringLiteral("--size"), QStringLiteral("320x240 -f")})
                  .exit,
              2);
    EXPECT_EQ(tooltest::entries(dir_.path()), before);
}
