// The marks of the player window with the real media layer (libmpv without video or
// sound output) and the dialog facade answering.
#include <gtest/gtest.h>

#include "app/PlayerState.h"
#include "app/mdlZorvoFLV.h"
#include "common/TestMedia.h"
#include "player/frmMain.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"
#include "ui/ZorvoButton.h"
#include "workspace/MarkListPage.h"
#include "workspace/frmList.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QTest>

using namespace mdlZorvoFLV;

namespace {

template <typename F>
bool waitFor(F cond, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

const QString notice = QStringLiteral("注意事项");

class MarksWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        static testmedia::TempDir alsa;
        if (qEnvironmentVariableIsEmpty("ALSA_CONFIG_PATH")) {
            QFile conf(alsa.file(QStringLiteral("asound.conf")));
            ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
            conf.write("ctl_type.zorvotest { lib \"" ZORVO_TEST_ALSA_PLUGIN "\" }\nctl.default { type zorvotest }\n");
            conf.close();
            qputenv("ALSA_CONFIG_PATH", conf.fileName().toLocal8Bit());
        }
        playerState = Stopped;
        playOrigin = OriginNone;
        listPlayMode = 0;
        playFromBrowser = false;
        playingList = nullptr;
        qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
        mdlTools::setProgramFolder(testmedia::binDir());
        window = std::make_unique<frmMain>();
        window->setSettingsFolder(folder.path());
        window->Form_Load(QString());
        window->resize(400, 400 + 69 + 2);
        ui::clearShownBoxes();
    }

    void TearDown() override
    {
        answers.then(ui::Yes); // leave even with marks being edited
        window->mnuEnd_Click(1);
        window.reset();
    }

    void play(const QString& item, bool fromList = false)
    {
        window->playSingle(item, fromList);
        ASSERT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }))
            << window->statusText().toStdString();
    }

    // Pauses (when playing) and waits until the position settles on frame.
    void pauseAt(int frame)
    {
        if (playerState == Playing)
            window->mbPause_Click();
        window->mci().setCurFrame(frame, false);
        ASSERT_TRUE(waitFor([&] { return std::abs(window->mci().getCurFrame() - frame) <= 1; }));
        window->tmrCheck_Timer();
    }

    // Runs the window until the player stops, noting every frame seen on the way.
    std::vector<int> framesUntilStopped(int ms = 30000)
    {
        std::vector<int> seen;
        waitFor([&] {
            seen.push_back(window->mci().getCurFrame());
            return playerState == Stopped;
        }, ms);
        return seen;
    }

    const playerMarks::MarkList& marks() { return window->markList(); }
    QColor boxColour(int n) { return window->markBox(n)->palette().color(QPalette::Window); }

    testmedia::TempDir folder;
    std::unique_ptr<frmMain> window;
    ui::ScriptedAnswers answers;
};

bool anyIn(const std::vector<int>& frames, int from, int to)
{
    return std::any_of(frames.begin(), frames.end(), [&](int f) { return f >= from && f <= to; });
}

} // namespace

TEST_F(MarksWindow, BracketsMarkARangeAndItsBoxSitsOnItsFrames)
{
    play(testmedia::path(testmedia::LongFlv));
    EXPECT_FALSE(window->rangeBarShown());
    EXPECT_FALSE(window->checkDealRng());
    EXPECT_FALSE(window->mnuRngPlay[0]->isEnabled());

    ASSERT_NO_FATAL_FAILURE(pauseAt(250));
    const int start = window->mci().getCurFrame();
    window->Form_KeyDown(219, 0); // [
    EXPECT_TRUE(window->rangeBarShown());
    EXPECT_TRUE(window->checkDealRng()) << "an open mark is being edited";
    EXPECT_EQ(window->mbRngEnd->State(), 0);
    ASSERT_EQ(marks().count(), 1);
    EXPECT_TRUE(marks().lastIsOpen());
    EXPECT_TRUE(window->markBox(0)->toolTip().isEmpty());

    ASSERT_NO_FATAL_FAILURE(pauseAt(400));
    const int end = window->mci().getCurFrame();
    window->Form_KeyDown(221, 0); // ]
    ASSERT_EQ(marks().count(), 1);
    EXPECT_FALSE(marks().lastIsOpen());
    EXPECT_EQ(marks().at(0).start, start);
    EXPECT_EQ(marks().at(0).length, end - start);
    // The mark's own text, and once the key frames are known the real start under it.
    EXPECT_TRUE(window->markBox(0)->toolTip().startsWith(playerMarks::markToolTip(0, marks().at(0), {secondsPerFrame, 20.0})));
    EXPECT_TRUE(window->markBox(0)->toolTip().startsWith(QStringLiteral("标记区段 1：从 00:1")));
    EXPECT_TRUE(window->rangeBarToolTip().startsWith(QStringLiteral("1 个标记的总时间是 00:0")));
    EXPECT_EQ(boxColour(0), QColor(0, 255, 0));
    // The box covers its frames on the bar, whose scale is the file's frames.
    const QRect box = window->markBox(0)->geometry();
    const double perFrame = window->trackWidth() / 500.0;
    EXPECT_NEAR(box.left(), start * perFrame, 1.0);
    EXPECT_NEAR(box.width(), (end - start) * perFrame, 1.0);
    window->resize(600, 400 + 69 + 2);
    QTest::qWait(50);
    EXPECT_NEAR(window->markBox(0)->geometry().left(), start * window->trackWidth() / 500.0, 1.0)
        << "a wider window keeps the mark on its frames";

    EXPECT_TRUE(window->marksEdited());
    EXPECT_TRUE(window->checkDealRng());
    EXPECT_TRUE(window->mnuRngPlay[0]->isEnabled());
    EXPECT_TRUE(window->mnuRngClear->isEnabled());
    EXPECT_TRUE(window->mnuSaveRng->isEnabled()) << "an FLV can be cropped";
    EXPECT_FALSE(window->mnuSaveCut->isEnabled()) << "splitting needs a second mark";

    // "]" again moves the end of the last mark.
    ASSERT_NO_FATAL_FAILURE(pauseAt(450));
    window->Form_KeyDown(221, 0);
    EXPECT_EQ(marks().at(0).end(), window->mci().getCurFrame());

    // "[" twice moves the start of the same open mark; "]" on the same frame drops it.
    ASSERT_NO_FATAL_FAILURE(pauseAt(100));
    window->Form_KeyDown(219, 0);
    ASSERT_NO_FATAL_FAILURE(pauseAt(120));
    window->Form_KeyDown(219, 0);
    ASSERT_EQ(marks().count(), 2);
    EXPECT_EQ(marks().at(1).start, window->mci().getCurFrame());
    window->Form_KeyDown(221, 0);
    EXPECT_EQ(marks().count(), 1) << "a mark less than half a screen unit wide is dropped";
    EXPECT_EQ(window->mbRngEnd->State(), 0);
    EXPECT_TRUE(window->mnuSaveRng->isEnabled());
}

TEST_F(MarksWindow, AnOpenMarkFollowsPlaybackAndASeekBeforeItDropsIt)
{
    play(testmedia::path(testmedia::LongFlv));
    ASSERT_NO_FATAL_FAILURE(pauseAt(100));
    emit window->mbRngStart->Click(); // the button, as the key
    ASSERT_EQ(marks().count(), 1);
    window->mbPlay_Click(0);
    ASSERT_TRUE(waitFor([&] { return marks().at(0).length > 10; })) << "the poll stretches the open mark";
    EXPECT_TRUE(marks().lastIsOpen());
    EXPECT_GT(window->markBox(0)->width(), 1);

    // Seeking well before the start drops the open mark and, with it, the range bar.
    window->mci().setCurFrame(20, true);
    ASSERT_TRUE(waitFor([&] { return marks().isEmpty(); }));
    EXPECT_FALSE(window->rangeBarShown());
    EXPECT_EQ(window->mbRngEnd->State(), 3);
    EXPECT_FALSE(window->checkDealRng());
}

TEST_F(MarksWindow, AnItemsMarkTextPlaysItsMarksOnceAndEnterPlaysThemAgain)
{
    play(testmedia::path(testmedia::LongFlv) + QChar(0x2016) + QStringLiteral("50-100 250-300"), true);
    ASSERT_EQ(marks().count(), 2);
    EXPECT_TRUE(window->rangeBarShown());
    EXPECT_FALSE(window->marksEdited()) << "marks given by text are not edits";
    EXPECT_FALSE(window->checkDealRng());
    EXPECT_FALSE(window->markBox(1)->toolTip().isEmpty());
    EXPECT_TRUE(window->mnuSaveCut->isEnabled());
    EXPECT_EQ(window->mbRngStart->State(), 3) << "no marking while a range plays";

    // The device stands a few frames past a range's end before it stops; what matters is
    // that the frames between the marks and after the last one are never played.
    auto expectMarksPlayedOnce = [&](const std::vector<int>& seen) {
        std::string trace;
        for (int f : seen)
            trace += std::to_string(f) + ' ';
        EXPECT_TRUE(anyIn(seen, 50, 101)) << trace;
        EXPECT_TRUE(anyIn(seen, 275, 310)) << "the second mark played on to its end " << trace;
        EXPECT_FALSE(anyIn(seen, 130, 240)) << "the gap between the marks is skipped " << trace;
        EXPECT_LE(*std::max_element(seen.begin(), seen.end()), 330) << "nothing plays after the last mark " << trace;
    };
    std::vector<int> seen = framesUntilStopped();
    ASSERT_EQ(playerState, Stopped);
    expectMarksPlayedOnce(seen);
    EXPECT_EQ(window->statusText(), QStringLiteral("结束播放"));
    EXPECT_EQ(marks().count(), 2) << "the marks stay";

    // Enter plays them again, from the first, once.
    window->Form_KeyDown(13, 0);
    EXPECT_EQ(window->mci().rngStart(), 50);
    EXPECT_EQ(window->mci().rngEnd(), 100);
    EXPECT_FALSE(window->mci().rngRepeat());
    EXPECT_EQ(playOrigin, OriginSingle);
    seen = framesUntilStopped();
    ASSERT_EQ(playerState, Stopped);
    expectMarksPlayedOnce(seen);
    EXPECT_TRUE(ui::shownBoxes().empty());
}

TEST_F(MarksWindow, MarkTextsThatDoNotFitPlayTheWholeFile)
{
    for (const QString& text : {QStringLiteral("99999-100000"), QStringLiteral("10-20 abc")}) {
        play(testmedia::path(testmedia::Flv1Mp3) + QChar(0x2016) + text, true);
        EXPECT_TRUE(marks().isEmpty()) << text.toStdString();
        EXPECT_FALSE(window->rangeBarShown());
        EXPECT_FALSE(window->mci().isRngPlaying());
        EXPECT_TRUE(window->markBox(0)->isHidden());
        EXPECT_TRUE(ui::shownBoxes().empty()) << "the file is not reported as unplayable";
    }
}

TEST_F(MarksWindow, CtrlEnterLoopsOverTheMarksUntilStopped)
{
    play(testmedia::path(testmedia::Flv1Mp3) + QChar(0x2016) + QStringLiteral("10-30 60-80"), true);
    window->mbStop_Click();
    ASSERT_EQ(playerState, Stopped);

    window->Form_KeyDown(13, 2); // Ctrl+Enter
    EXPECT_TRUE(window->mci().rngRepeat());
    EXPECT_EQ(window->playingMarkIndex(), 0);
    // Round the marks: the second plays, then the first again, and it keeps playing.
    ASSERT_TRUE(waitFor([&] { return window->playingMarkIndex() == 1; }, 30000));
    ASSERT_TRUE(waitFor([&] { return window->playingMarkIndex() == 0; }, 30000));
    EXPECT_TRUE(window->mci().rngRepeat());
    EXPECT_EQ(playerState, Playing);
    ASSERT_TRUE(waitFor([&] { int f = window->mci().getCurFrame(); return f >= 10 && f <= 31; }));

    window->Form_KeyDown(46, 0); // Del stops
    EXPECT_EQ(playerState, Stopped);
    EXPECT_FALSE(window->mci().isRngPlaying());
}

TEST_F(MarksWindow, DoubleClickPlaysOrDeletesOneMark)
{
    play(testmedia::path(testmedia::LongFlv) + QChar(0x2016) + QStringLiteral("50-100 250-300 400-450"), true);
    window->mbStop_Click();

    // The box turns red while the question is shown; Cancel changes nothing.
    QColor whileAsked;
    QString asked;
    ui::setAnswerer([&](const ui::Shown& shown) {
        whileAsked = boxColour(1);
        asked = shown.text;
        return ui::Answer{ui::Cancel, {}, {}, 0};
    });
    QTest::mouseDClick(window->markBox(1), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_EQ(whileAsked, QColor(255, 0, 0));
    EXPECT_EQ(boxColour(1), QColor(0, 255, 0));
    EXPECT_EQ(asked, window->markBox(1)->toolTip() +
                         QStringLiteral("\r\n\r\n是否要播放或删除这个标记区段？\r\n\r\n\r\n按“是”则播放这个标记区段\r\n"
                                        "按“否”则删除这个标记区段"));
    EXPECT_EQ(marks().count(), 3);
    EXPECT_EQ(playerState, Stopped);

    // Yes plays that mark alone, once.
    ui::ScriptedAnswers yes;
    yes.then(ui::Yes);
    window->picRS_DblClick(1);
    EXPECT_EQ(window->mci().rngStart(), 250);
    EXPECT_EQ(window->mci().rngEnd(), 300);
    const std::vector<int> seen = framesUntilStopped();
    EXPECT_TRUE(anyIn(seen, 250, 301));
    EXPECT_LE(*std::max_element(seen.begin(), seen.end()), 330) << "the mark after it does not follow";

    // No deletes it; the later marks move down and are renumbered. Deleting is no edit:
    // opening another file asks nothing.
    yes.then(ui::No);
    window->picRS_DblClick(0);
    ASSERT_EQ(marks().count(), 2);
    EXPECT_FALSE(window->marksEdited());
    EXPECT_FALSE(window->checkDealRng());
    EXPECT_EQ(marks().at(0).start, 250);
    EXPECT_TRUE(window->markBox(0)->toolTip().startsWith(QStringLiteral("标记区段 1：")));
    EXPECT_TRUE(window->markBox(1)->toolTip().startsWith(QStringLiteral("标记区段 2：")));
    EXPECT_EQ(window->markBoxCount(), 2);
    EXPECT_TRUE(window->mnuSaveCut->isEnabled());
    EXPECT_TRUE(window->rangeBarToolTip().startsWith(QStringLiteral("2 个标记的总时间是 ")));
    yes.then(ui::No);
    window->picRS_DblClick(1);
    EXPECT_EQ(marks().count(), 1);
    EXPECT_FALSE(window->mnuSaveCut->isEnabled());
    yes.then(ui::No);
    window->picRS_DblClick(0);
    EXPECT_TRUE(marks().isEmpty());
    EXPECT_FALSE(window->rangeBarShown());
    EXPECT_FALSE(window->mnuRngPlay[0]->isEnabled());
}

TEST_F(MarksWindow, ClearingAsksFirstAndLeavesNoMark)
{
    play(testmedia::path(testmedia::LongFlv) + QChar(0x2016) + QStringLiteral("50-100 250-300"), true);
    answers.then(ui::Cancel);
    window->mnuRngClear_Click();
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("确定要清除所有的标记？"));
    EXPECT_EQ(ui::shownBoxes()[0].title, notice);
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::OkCancel);
    EXPECT_EQ(marks().count(), 2);

    answers.then(ui::Ok);
    window->mnuRngClear_Click();
    EXPECT_TRUE(marks().isEmpty());
    EXPECT_FALSE(window->rangeBarShown());
    EXPECT_EQ(window->markBoxCount(), 1);
    EXPECT_EQ(playerState, Stopped);
    for (QAction* a : {window->mnuRngClear, window->mnuRngPlay[0], window->mnuRngPlay[1], window->mnuSaveRng,
                       window->mnuSaveCut})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(window->mnuRngEdit->isEnabled());
    window->Form_KeyDown(13, 0); // Enter finds nothing to play
    EXPECT_EQ(playerState, Stopped);
}

TEST_F(MarksWindow, OpeningAnotherFileWhileMarkingAsksFirst)
{
    play(testmedia::path(testmedia::LongFlv));
    ASSERT_NO_FATAL_FAILURE(pauseAt(100));
    window->Form_KeyDown(219, 0); // an open mark

    answers.then(ui::No);
    window->playSingle(testmedia::path(testmedia::Flv1Mp3), false);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].title, notice);
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::YesNo);
    EXPECT_EQ(ui::shownBoxes()[0].text,
              QStringLiteral("某个多媒体档案正准备接续播放\r\n但是你目前处于标记编辑的状态\r\n\r\n"
                             "按“是”则允许该多媒体的播放\r\n按“否”则取消该多媒体的播放\r\n\r\n") +
                  testmedia::path(testmedia::Flv1Mp3));
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::LongFlv)) << "No keeps the file";
    EXPECT_EQ(marks().count(), 1);
    EXPECT_TRUE(marks().lastIsOpen());

    answers.then(ui::Yes);
    window->playSingle(testmedia::path(testmedia::Flv1Mp3), false);
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::Flv1Mp3));
    EXPECT_TRUE(marks().isEmpty());
    EXPECT_FALSE(window->rangeBarShown());
    EXPECT_FALSE(window->checkDealRng());
    EXPECT_EQ(playOrigin, OriginSingle);
}

TEST_F(MarksWindow, EditedMarksTurnListPlayToASingleFile)
{
    listPlayMode = 2;
    play(testmedia::path(testmedia::LongFlv));
    // The bracket keys set the marks, with Shift held too (they give braces then).
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_NO_FATAL_FAILURE(pauseAt(100));
    QTest::keyClick(window.get(), Qt::Key_BraceLeft, Qt::ShiftModifier);
    ASSERT_NO_FATAL_FAILURE(pauseAt(200));
    QTest::keyClick(window.get(), Qt::Key_BraceRight, Qt::ShiftModifier);
    ASSERT_EQ(marks().count(), 1);
    EXPECT_EQ(marks().at(0).start, 100);
    ASSERT_TRUE(window->marksEdited());
    window->Form_KeyDown(112, 0); // the workspace, whose menu shows the mode
    frmList* list = window->findChild<frmList*>();
    ASSERT_NE(list, nullptr);
    list->mnuPlaySetting_Click(2);

    answers.then(ui::Yes).then(ui::Ok);
    window->picRS_DblClick(0);
    ASSERT_EQ(ui::shownBoxes().size(), 2u);
    EXPECT_EQ(ui::shownBoxes()[1].text,
              QStringLiteral("由于你针对目前的档案进行了标记编辑\r\n清单播放模式将改为“单次播放档案”"));
    EXPECT_EQ(ui::shownBoxes()[1].title, notice);
    EXPECT_EQ(listPlayMode, 0);
    EXPECT_TRUE(list->mnuPlaySetting[0]->isChecked());
    EXPECT_EQ(window->mci().rngStart(), 100) << "and the mark plays";
}

TEST_F(MarksWindow, AddingTheFileToAListOffersItsMarks)
{
    play(testmedia::path(testmedia::LongFlv) + QChar(0x2016) + QStringLiteral("50-100 250-300"), true);
    frmList* list = nullptr;

    answers.then(ui::Yes);
    window->mnuToList_Click(0);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("你选择把目前的档案加入到指定清单\r\n"
                                                       "是否要附加标记，被标记的影格如下：\r\n\r\n50-100\r\n250-300"));
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::YesNoCancel);
    list = window->findChild<frmList*>();
    ASSERT_NE(list, nullptr);
    QString item;
    ASSERT_TRUE(list->itemAt(0, list->lstMn[0]->count() - 1, item));
    EXPECT_EQ(item, testmedia::path(testmedia::LongFlv) + QChar(0x2016) + QStringLiteral("50-100 250-300"));

    const int before = list->lstMn[1]->count();
    answers.then(ui::Cancel);
    window->mnuToList_Click(1);
    EXPECT_EQ(list->lstMn[1]->count(), before) << "Cancel adds nothing";
    answers.then(ui::No);
    window->mnuToList_Click(1);
    ASSERT_TRUE(list->itemAt(1, list->lstMn[1]->count() - 1, item));
    EXPECT_EQ(item, testmedia::path(testmedia::LongFlv));

    ui::clearShownBoxes();
    const int merged = list->lstMn2[0]->count();
    window->mnuToList_Click(2);
    EXPECT_TRUE(ui::shownBoxes().empty()) << "the merge list takes bare paths without asking";
    ASSERT_EQ(list->lstMn2[0]->count(), merged + 1);
    EXPECT_TRUE(list->lstMn2[0]->item(list->lstMn2[0]->currentRow())->text().contains(QStringLiteral("long")));

    // "总是加到清单末尾" is one option in both menus; without it the item goes in after
    // the selected one.
    window->mnuToListEnd->trigger();
    EXPECT_FALSE(list->mnuToListEnd->isChecked());
    list->mnuToListEnd_Click();
    EXPECT_TRUE(window->mnuToListEnd->isChecked());
    window->mnuToListEnd->trigger();
    list->lstMn[1]->setCurrentRow(0);
    const int rows = list->lstMn[1]->count();
    answers.then(ui::No);
    window->mnuToList_Click(1);
    ASSERT_EQ(list->lstMn[1]->count(), rows + 1);
    ASSERT_TRUE(list->itemAt(1, 1, item));
    EXPECT_EQ(item, testmedia::path(testmedia::LongFlv));
    window->mnuToListEnd->trigger();
    ui::clearShownBoxes();

    window->mnuAutoAddMark->trigger();
    window->mnuToList_Click(1);
    EXPECT_TRUE(ui::shownBoxes().empty());
    ASSERT_TRUE(list->itemAt(1, list->lstMn[1]->count() - 1, item));
    EXPECT_TRUE(item.endsWith(QChar(0x2016) + QStringLiteral("50-100 250-300")));
    EXPECT_TRUE(window->currentSettings().autoAddMark);
}

// Two ranges marked with the keys, the second still open, saved through "另存裁剪": the
// open mark is closed where the player stands, the save dialog starts beside the file, and
// the new file holds both ranges widened to whole seconds.
TEST_F(MarksWindow, CropThroughTheMenuSavesBothRanges)
{
    testmedia::TempDir media, out;
    const QString file = media.file(QStringLiteral("长 片.flv"));
    ASSERT_TRUE(QFile::copy(testmedia::path(testmedia::LongFlv), file));
    play(file);
    const bool shown = window->isVisible();

    ASSERT_NO_FATAL_FAILURE(pauseAt(60)); // 2.4 s
    window->Form_KeyDown(219, 0);
    ASSERT_NO_FATAL_FAILURE(pauseAt(90)); // 3.6 s
    window->Form_KeyDown(221, 0);
    ASSERT_NO_FATAL_FAILURE(pauseAt(310)); // 12.4 s
    window->Form_KeyDown(219, 0);
    ASSERT_NO_FATAL_FAILURE(pauseAt(340)); // 13.6 s, the mark left open
    ASSERT_TRUE(window->mnuSaveRng->isEnabled());
    EXPECT_FALSE(window->mnuSaveCut->isEnabled()) << "the second mark is not closed yet";

    const QString target = out.file(QStringLiteral("剪 辑.flv"));
    answers.then(ui::Ok).thenFile(target).then(ui::Cancel);
    window->mnuSaveRng->trigger();

    EXPECT_EQ(marks().count(), 2);
    EXPECT_FALSE(marks().lastIsOpen()) << "the open mark is closed before the job";
    const std::vector<ui::Shown>& boxes = ui::shownBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("本软体可以不经转档而直接裁剪 FLV 档案等等：\r\n") + file));
    EXPECT_EQ(boxes[1].kind, ui::Shown::File);
    EXPECT_EQ(boxes[1].initDir, media.path() + QLatin1Char('/'));
    EXPECT_EQ(boxes[1].defaultText, QStringLiteral("长 片_part.flv"));
    EXPECT_TRUE(boxes[2].text.startsWith(QStringLiteral("全部的档案处理程序已经成功结束"))) << boxes[2].text.toStdString();
    EXPECT_NEAR(testmedia::durationOf(target), 4.0, 0.3); // [2, 4) and [12, 14)
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("剪 辑.flv")});
    EXPECT_EQ(window->isVisible(), shown) << "the player comes back after the progress window";
    EXPECT_EQ(window->mci().FileName(), file) << "the source stays open";
    EXPECT_TRUE(window->mnuSaveCut->isEnabled());
}

namespace {
QString firstPictureMd5(const QString& file, double at)
{
    QProcess ff;
    QStringList args{QStringLiteral("-v"), QStringLiteral("error")};
    if (at >= 0)
        args << QStringLiteral("-ss") << QString::number(at, 'f', 3);
    args << QStringLiteral("-i") << file << QStringLiteral("-frames:v") << QStringLiteral("1") << QStringLiteral("-an")
         << QStringLiteral("-f") << QStringLiteral("md5") << QStringLiteral("-");
    ff.start(testmedia::ffmpeg(), args);
    ff.waitForFinished(30000);
    return QString::fromUtf8(ff.readAllStandardOutput()).trimmed();
}
} // namespace

TEST_F(MarksWindow, AMarkBetweenKeyFramesShowsTheKeyFrameItsPieceStartsOn)
{
    testmedia::TempDir media, out;
    const QString file = media.file(QStringLiteral("长 片.flv"));
    ASSERT_TRUE(QFile::copy(testmedia::path(testmedia::LongFlv), file));
    play(file);
    ASSERT_TRUE(waitFor([&] { return window->keyFrames() != nullptr; }));
    ASSERT_TRUE(window->mnuKeyFrame[1]->isEnabled());

    // Key frames at 0.025 + k s; the mark starts at 2.4 s, its piece at 2.025 s.
    ASSERT_NO_FATAL_FAILURE(pauseAt(60));
    window->Form_KeyDown(219, 0);
    ASSERT_NO_FATAL_FAILURE(pauseAt(90));
    window->Form_KeyDown(221, 0);
    QWidget* box = window->markBox(0);
    QWidget* lead = window->markLeadIn(0);
    ASSERT_TRUE(lead && lead->isVisible());
    const double scale = static_cast<double>(box->parentWidget()->width()) / window->totalFrames;
    EXPECT_NEAR(lead->x(), 50 * scale, 1.0); // the first picture, at 0.025 s, is frame 0
    EXPECT_EQ(lead->x() + lead->width(), box->x());
    EXPECT_TRUE(box->toolTip().endsWith(QStringLiteral("\r\n实际起点 00:00:02.02"))) << box->toolTip().toStdString();

    // The mark list editor: the line reads as before, its tooltip tells the real start.
    window->mnuRngEdit_Click();
    frmList* list = window->findChild<frmList*>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->pageMark->lstRng->count(), 1);
    EXPECT_EQ(list->pageMark->lstRng->item(0)->toolTip(), QStringLiteral("实际起点 00:00:02.02"));

    // "." and "," move to the next and the previous key frame (shown from frames 100 and 75).
    ASSERT_NO_FATAL_FAILURE(pauseAt(90));
    window->Form_KeyDown(190, 0);
    EXPECT_TRUE(waitFor([&] { return window->mci().getCurFrame() == 100; })) << window->mci().getCurFrame();
    window->Form_KeyDown(188, 0);
    EXPECT_TRUE(waitFor([&] { return window->mci().getCurFrame() == 75; })) << window->mci().getCurFrame();
    EXPECT_EQ(playerState, Paused);

    // The crop's piece begins with the picture of that key frame, not with the mark's own.
    const QString target = out.file(QStringLiteral("剪 辑.flv"));
    answers.then(ui::Ok).thenFile(target).then(ui::Cancel);
    window->mnuSaveRng->trigger();
    ASSERT_TRUE(QFileInfo::exists(target));
    const QString first = firstPictureMd5(target, -1);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first, firstPictureMd5(file, 2.025));
    EXPECT_NE(first, firstPictureMd5(file, 2.4));
}
