// MCI against a recording sender: the exact command strings and the bookkeeping.
#include "media/MCI.h"
#include "media/MciSend.h"
#include "ui/MsgBox.h"

#include <gtest/gtest.h>

#include "app/Numbers.h"
#include <QStringList>
#include <climits>
#include <functional>
#include <map>

using media::MCI;

namespace {

struct Sent {
    QString command;
    int replyLength;
};

// Records every command; answers from a table of (command -> code, reply), 0 and an
// empty reply for the rest.
class Recorder {
public:
    Recorder()
    {
        old_ = media::setMciSender([this](const QString& c, QString* reply, int len) {
            sent.push_back({c, len});
            const auto it = answers.find(c);
            const int code = it == answers.end() ? defaultCode : it->second.first;
            QString r = it == answers.end() ? QString() : it->second.second;
            if (dynamic)
                dynamic(c, r);
            if (reply)
                *reply = r.left(len - 1);
            return code;
        });
    }
    ~Recorder() { media::setMciSender(old_); }
    void answer(const QString& c, const QString& reply, int code = 0) { answers[c] = {code, reply}; }
    QStringList commands() const
    {
        QStringList l;
        for (const Sent& s : sent)
            l << s.command;
        return l;
    }
    void clear() { sent.clear(); }

    std::vector<Sent> sent;
    std::map<QString, std::pair<int, QString>> answers;
    int defaultCode = 0;
    std::function<void(const QString&, QString&)> dynamic;

private:
    media::MciSender old_;
};

class MciTest : public ::testing::Test {
protected:
    void SetUp() override { ui::clearShownBoxes(); }
    Recorder rec;
    ui::ScriptedAnswers boxes;
};

// A file of 900 frames opened under "MyPlayer".
void openFile(MCI& m, Recorder& rec)
{
    rec.answer("status MyPlayer length", "900");
    m.openMCI("/v/a.flv", 7, QString());
    rec.clear();
}

} // namespace

TEST_F(MciTest, OpensAFileAsChildOfItsParent)
{
    MCI m;
    m.openMCI("/home/u/中文 片段.flv", 7, QString());
    EXPECT_EQ(rec.commands(), (QStringList{"stop MyPlayer", "close MyPlayer",
                                           "open \"/home/u/中文 片段.flv\" type mpegvideo alias MyPlayer parent 7 style child",
                                           "set MyPlayer time format frames"}));
    EXPECT_TRUE(m.isSuccess());
    EXPECT_EQ(m.deviceType(), "mpegvideo");
    EXPECT_EQ(m.FileName(), "/home/u/中文 片段.flv");
    for (const Sent& s : rec.sent)
        EXPECT_EQ(s.replyLength, 0) << s.command.toStdString();
    EXPECT_TRUE(ui::shownBoxes().empty());
}

TEST_F(MciTest, OpenFailureKeepsTheOpenCode)
{
    MCI m;
    rec.answer("open \"/x.flv\" type mpegvideo alias P parent 3 style child", "", 275);
    m.openMCI("/x.flv", 3, "P");
    EXPECT_FALSE(m.isSuccess());
    EXPECT_EQ(m.lastError(), 275);
    EXPECT_EQ(m.alias(), "P");
}

TEST_F(MciTest, ParentIsKeptAndAMissingOneIsReported)
{
    MCI m;
    m.openMCI("/a.flv", 0, QString());
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, "务必指定 hWnd 参数");
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::OkOnly);
    // The open is still attempted.
    EXPECT_TRUE(rec.commands().contains("open \"/a.flv\" type mpegvideo alias MyPlayer parent 0 style child"));

    ui::clearShownBoxes();
    m.openMCI("/a.flv", 9, "Zorvo.FLV");
    rec.clear();
    m.openMCI("/b.flv", 0, QString());
    EXPECT_TRUE(ui::shownBoxes().empty());
    EXPECT_EQ(rec.commands().at(2), "open \"/b.flv\" type mpegvideo alias Zorvo.FLV parent 9 style child");
}

TEST_F(MciTest, CdTrackOpensTheDriveInMilliseconds)
{
    MCI m;
    rec.answer("status MyPlayer position track 3", "120000");
    m.openMCI("D:\\Track03.cda", 5, QString());
    EXPECT_EQ(rec.commands(), (QStringList{"stop MyPlayer", "close MyPlayer",
                                           "open D type cdaudio alias MyPlayer wait shareable",
                                           "set MyPlayer time format ms", "set MyPlayer time format ms",
                                           "status MyPlayer position track 3"}));
    EXPECT_EQ(m.trackNumber(), "3");
    EXPECT_TRUE(m.isCDa());
    EXPECT_TRUE(m.isAudioOnly());
    EXPECT_EQ(m.startOffset(), 120000);
    EXPECT_TRUE(m.isSuccess());
    EXPECT_EQ(rec.sent.back().replyLength, MCI::ReplyLength);

    // The success of a CD open is the success of its track query.
    rec.answer("status MyPlayer position track 3", "", 263);
    m.openMCI("D:\\Track03.cda", 5, QString());
    EXPECT_FALSE(m.isSuccess());
    EXPECT_EQ(m.startOffset(), 0);
}

TEST_F(MciTest, OnlyTrackNumberedCdaNamesAreCdTracks)
{
    for (const char* name : {"D:\\Track3.cda", "D:\\song.cda", "D:\\Track03.cdx", "D:\\xTrack03.cda"}) {
        MCI m;
        rec.clear();
        m.openMCI(name, 5, QString());
        EXPECT_EQ(m.deviceType(), "mpegvideo") << name;
        EXPECT_EQ(rec.commands().at(2),
                  QStringLiteral("open \"%1\" type mpegvideo alias MyPlayer parent 5 style child").arg(name));
    }
    MCI m;
    m.openMCI("E:\\TRACK12.CDA", 5, QString());
    EXPECT_EQ(m.trackNumber(), "12");
    EXPECT_TRUE(m.isCDa());

    // A track named by a path without a drive letter still gives the device a name (the
    // path's first character), never an empty word that would shift the command.
    MCI n;
    rec.clear();
    n.openMCI("/media/cdrom/Track05.cda", 5, QString());
    EXPECT_EQ(rec.commands().at(2), "open / type cdaudio alias MyPlayer wait shareable");
    EXPECT_EQ(n.trackNumber(), "5");
}

TEST_F(MciTest, NoStopOrCloseBetweenTwoCdTracks)
{
    MCI m;
    m.openMCI("D:\\Track01.cda", 5, QString());
    rec.clear();
    m.openMCI("D:\\Track02.cda", 5, QString());
    EXPECT_EQ(rec.commands().first(), "open D type cdaudio alias MyPlayer wait shareable");
    EXPECT_FALSE(rec.commands().contains("stop MyPlayer"));
    EXPECT_EQ(rec.commands().last(), "status MyPlayer position track 2");

    // Leaving the disc for a file closes the device.
    rec.clear();
    m.openMCI("/a.flv", 5, QString());
    EXPECT_EQ(rec.commands().mid(0, 2), (QStringList{"stop MyPlayer", "close MyPlayer"}));
}

TEST_F(MciTest, PlayClausesAndRangeBookkeeping)
{
    MCI m;
    openFile(m, rec);

    m.playMCI(0, 0, false, false, false);
    EXPECT_EQ(rec.commands(), (QStringList{"set MyPlayer time format frames", "status MyPlayer length", "play MyPlayer"}));
    EXPECT_FALSE(m.isRngPlaying());

    rec.clear();
    m.playMCI(100, 0, false, false, false);
    EXPECT_EQ(rec.commands(), QStringList{"play MyPlayer from 100 to 900"}); // length is cached now
    EXPECT_EQ(m.rngStart(), 100);
    EXPECT_EQ(m.rngEnd(), 900);
    EXPECT_TRUE(m.isRngPlaying());
    EXPECT_TRUE(m.isSuccess());

    rec.clear();
    m.playMCI(10, 5000, true, false, true);
    EXPECT_EQ(rec.commands(), QStringList{"play MyPlayer from 10 to 900 repeat"});
    EXPECT_TRUE(m.rngRepeat());

    rec.clear();
    m.playMCI(-5, 50, false, false, false);
    EXPECT_EQ(rec.commands(), QStringList{"play MyPlayer from 0 to 50"});
    EXPECT_EQ(m.rngStart(), 0);
    EXPECT_EQ(m.rngEnd(), 50);
    EXPECT_TRUE(m.isRngPlaying());

    m.playMCI(20, 60, false, true, false);
    EXPECT_FALSE(m.isRngPlaying());
    EXPECT_FALSE(m.rngRepeat());

    m.playMCI(20, 60, true, false, false);
    m.rngCancel();
    EXPECT_EQ(m.rngStart(), 0);
    EXPECT_EQ(m.rngEnd(), 0);
    EXPECT_FALSE(m.rngRepeat());

    rec.answer("play MyPlayer from 1 to 2", "", 277);
    m.playMCI(1, 2, false, false, false);
    EXPECT_FALSE(m.isSuccess());
}

TEST_F(MciTest, StopIsASeekOrARangeRestart)
{
    MCI m;
    openFile(m, rec);
    QString alias;
    m.stopMCI(alias, 0);
    EXPECT_EQ(rec.commands(), QStringList{"seek MyPlayer to 0"});
    EXPECT_EQ(alias, "MyPlayer");
    EXPECT_TRUE(m.isSuccess());

    rec.clear();
    m.stopMCI(QStringLiteral("Other"), 30);
    EXPECT_EQ(rec.commands(), QStringList{"seek Other to 30"});

    m.playMCI(100, 200, false, false, false);
    rec.clear();
    m.stopMCI();
    EXPECT_EQ(rec.commands(), QStringList{"seek MyPlayer to 100"});

    m.setRngRepeat(true);
    rec.clear();
    m.stopMCI();
    EXPECT_EQ(rec.commands(), QStringList{"play MyPlayer from 100 to 200"});
    EXPECT_TRUE(m.rngRepeat());
}

TEST_F(MciTest, CdPositionsAreRelativeToTheTrack)
{
    MCI m;
    rec.answer("status MyPlayer position track 3", "120000");
    rec.answer("status MyPlayer length track 3", "60000");
    rec.answer("status MyPlayer position", "125000");
    m.openMCI("D:\\Track03.cda", 5, QString());
    rec.clear();

    m.playMCI(0, 0, false, false, false);
    EXPECT_EQ(rec.commands(), (QStringList{"set MyPlayer time format ms", "status MyPlayer length track 3",
                                           "play MyPlayer from 120000 to 180000"}));
    EXPECT_FALSE(m.isRngPlaying());
    EXPECT_EQ(m.getCurFrame(), 5000);
    EXPECT_FLOAT_EQ(m.getFramesPerSecond(), 1000.0f);

    rec.clear();
    m.stopMCI();
    EXPECT_EQ(rec.commands(), QStringList{"pause MyPlayer"}); // track start: no seek
    rec.clear();
    m.stopMCI(QString(), 2500);
    EXPECT_EQ(rec.commands(), QStringList{"seek MyPlayer to 122500"});

    rec.clear();
    m.setCurFrame(1000, true);
    EXPECT_EQ(rec.commands(), QStringList{"play MyPlayer from 121000 to 180000"});

    rec.clear();
    m.putMCI(320, 240, true, 0, 0, 400, 300);
    EXPECT_TRUE(rec.commands().isEmpty());
    EXPECT_FALSE(m.isSuccess());

    rec.clear();
    m.closeAllMCI();
    EXPECT_EQ(rec.commands(), (QStringList{"stop MyPlayer", "Close All"}));
}

TEST_F(MciTest, SetCurFrameLeavesTheDevicePausedThere)
{
    MCI m;
    openFile(m, rec);
    rec.answer("pause MyPlayer", "", 263); // not kept
    m.setCurFrame(50, false);
    EXPECT_EQ(rec.commands(), (QStringList{"set MyPlayer time format frames", "status MyPlayer length", "pause MyPlayer",
                                           "play MyPlayer from 50 to 900", "pause MyPlayer"}));
    EXPECT_TRUE(m.isSuccess());
    EXPECT_EQ(m.lastError(), 0);

    rec.clear();
    m.setCurFrame(5000, true);
    m.setCurFrame(-3, true);
    EXPECT_EQ(rec.commands(), (QStringList{"play MyPlayer from 900 to 900", "play MyPlayer from 0 to 900"}));
}

TEST_F(MciTest, PutCentresTheMovieAndTakesTheFarEdgeWhenItIsTooBig)
{
    MCI m;
    openFile(m, rec);
    m.putMCI(300, 200, true, 10, 20, 400, 300);
    m.putMCI(500, 200, true, 10, 20, 400, 301);
    m.putMCI(300, 200, false, 10, 20, 400, 300);
    EXPECT_EQ(rec.commands(), (QStringList{"put MyPlayer window at 60 70 300 200",
                                           "put MyPlayer window at -90 70 500 200", // 50.5 rounds to 50
                                           "put MyPlayer window at 10 20 300 200"}));
    EXPECT_TRUE(m.isSuccess());
    EXPECT_FALSE(m.isAudioOnly());

    // No window but sound: audio only.
    rec.clear();
    rec.answer("put MyPlayer window at 0 0 1 1", "", 346);
    m.putMCI(1, 1, false, 0, 0, 10, 10);
    EXPECT_EQ(rec.commands(), (QStringList{"put MyPlayer window at 0 0 1 1", "set MyPlayer audio all on"}));
    EXPECT_TRUE(m.isAudioOnly());
    EXPECT_FALSE(m.isSuccess());

    rec.answer("set MyPlayer audio all on", "", 274);
    m.putMCI(1, 1, false, 0, 0, 10, 10);
    EXPECT_FALSE(m.isAudioOnly());
    EXPECT_FALSE(m.isSuccess());
}

TEST_F(MciTest, PutWithoutParentSendsNothing)
{
    MCI m;
    m.setIsSuccess(true);
    m.putMCI(300, 200, true, 0, 0, 400, 300);
    EXPECT_TRUE(rec.sent.empty());
    EXPECT_TRUE(m.isSuccess());
}

TEST_F(MciTest, FailuresGiveTheFallbacks)
{
    MCI m;
    openFile(m, rec);
    rec.answers.clear();
    rec.defaultCode = 263;
    EXPECT_EQ(m.getStatus(), "error");
    EXPECT_EQ(m.getAudioOnOff(), "error");
    EXPECT_EQ(m.getSpeed(), -1);
    EXPECT_FLOAT_EQ(m.getFramesRateMPG(), -1.0f);
    EXPECT_EQ(m.getCurFrame(), 0);
    EXPECT_EQ(m.getTotalFrames(), 0);
    EXPECT_FLOAT_EQ(m.getTotalSeconds(), 0.0f);
    EXPECT_FLOAT_EQ(m.getFramesPerSecond(), -1.0f);
    EXPECT_EQ(m.getStartFrame(), 0);
    int w = 5, h = 5;
    m.setIsSuccess(true);
    m.getCurSize(w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_FALSE(m.isSuccess());
    m.stepMCI(3);
    EXPECT_TRUE(m.isSuccess()); // a step always reports success
    EXPECT_EQ(m.lastError(), 263);
    for (auto op : {&MCI::pauseMCI, &MCI::resumeMCI, &MCI::closeAllMCI}) {
        m.setIsSuccess(true);
        (m.*op)();
        EXPECT_FALSE(m.isSuccess());
    }
    m.setIsSuccess(true);
    m.setVolume(500);
    EXPECT_FALSE(m.isSuccess());
    EXPECT_TRUE(m.isVideoOnly());
}

TEST_F(MciTest, RepliesAreReadLeniently)
{
    MCI m;
    openFile(m, rec);
    rec.answer("status MyPlayer mode", "Playing 1");
    rec.answer("status MyPlayer audio", "on");
    rec.answer("status MyPlayer speed", " 1 000 ");
    rec.answer("status MyPlayer frame rate", "29970");
    rec.answer("status MyPlayer position", "41.5x");
    rec.answer("where MyPlayer source", "0 0 352 288");
    rec.answer("where MyPlayer destination max", "10 20 640 480");
    EXPECT_EQ(m.getStatus(), "playing");
    EXPECT_EQ(m.getAudioOnOff(), "on");
    EXPECT_EQ(m.getSpeed(), 1000);
    EXPECT_FLOAT_EQ(m.getFramesRateMPG(), 29.97f);
    EXPECT_EQ(m.getCurFrame(), 42); // 41.5 rounds to even
    int w = 0, h = 0;
    m.getDefaultSize(w, h);
    EXPECT_EQ(w, 352);
    EXPECT_EQ(h, 288);
    EXPECT_TRUE(m.isSuccess());
    m.getCurSize(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    rec.answer("status MyPlayer mode", "");
    EXPECT_EQ(m.getStatus(), "");
}

TEST_F(MciTest, FramesPerSecondFromTheTwoLengths)
{
    // The length answers in the time format last set.
    QString format = "frames";
    rec.dynamic = [&](const QString& c, QString& reply) {
        if (c.startsWith("set MyPlayer time format "))
            format = c.mid(25);
        if (c == "status MyPlayer length")
            reply = format == "ms" ? "4000" : "100";
    };
    MCI m;
    m.openMCI("/v/a.flv", 7, QString());
    rec.clear();
    EXPECT_FLOAT_EQ(m.getFramesPerSecond(), 25.0f);
    EXPECT_EQ(rec.commands(), (QStringList{"set MyPlayer time format frames", "status MyPlayer length",
                                           "set MyPlayer time format ms", "status MyPlayer length",
                                           "set MyPlayer time format frames"}));
    EXPECT_EQ(format, "frames");
    rec.clear();
    EXPECT_FLOAT_EQ(m.getFramesPerSecond(), 25.0f); // both lengths cached
    EXPECT_TRUE(rec.sent.empty());
}

TEST_F(MciTest, TheOtherCommands)
{
    MCI m;
    openFile(m, rec);
    m.pauseMCI();
    m.resumeMCI();
    m.stepMCI(-5);
    m.setVolume(500);
    m.setAudioShow(false);
    m.setSpeed(1500);
    m.closeMCI();
    m.closeAllMCI();
    EXPECT_EQ(rec.commands(), (QStringList{"pause MyPlayer", "resume MyPlayer", "step MyPlayer by -5",
                                           "setaudio MyPlayer volume to 500", "set MyPlayer audio all off",
                                           "set MyPlayer speed 1500", "stop MyPlayer", "close MyPlayer", "Close All"}));
    QString alias;
    m.closeMCI(alias);
    EXPECT_EQ(alias, "MyPlayer");
}

TEST(MciNumbers, LenientParseAndRounding)
{
    const auto lenientNumber = [](const QString& t) { return mdlZorvoFLV::valLenient(t); };
    EXPECT_DOUBLE_EQ(lenientNumber(" 12 34abc"), 1234);
    EXPECT_DOUBLE_EQ(lenientNumber("-7.5x"), -7.5);
    EXPECT_DOUBLE_EQ(lenientNumber(""), 0);
    EXPECT_DOUBLE_EQ(lenientNumber("stopped"), 0);
    EXPECT_DOUBLE_EQ(lenientNumber("1e3"), 1000);
    EXPECT_DOUBLE_EQ(lenientNumber("2e"), 2);
    EXPECT_DOUBLE_EQ(lenientNumber(QString("25") + QChar(0) + "9"), 25);
    EXPECT_EQ(mdlZorvoFLV::roundToInt32(2.5), 2);
    EXPECT_EQ(mdlZorvoFLV::roundToInt32(3.5), 4);
    EXPECT_EQ(mdlZorvoFLV::roundToInt32(-2.5), -2);
    EXPECT_EQ(mdlZorvoFLV::roundToInt32(1e12), INT_MAX);
}
