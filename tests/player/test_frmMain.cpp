// The player window with the real media layer (libmpv without video or sound output)
// and the dialog facade answering.
#include <gtest/gtest.h>

#include "app/PlayerState.h"
#include "app/Settings.h"
#include "app/TextFile.h"
#include "app/mdlZorvoFLV.h"
#include "common/TestMedia.h"
#include "media/MainVol.h"
#include "media/MciSend.h"
#include "player/PlayerLogic.h"
#include "player/frmCap.h"
#include "player/frmMain.h"
#include "tools/frmBuzy.h"
#include "tools/mdlTools.h"
#include "workspace/FileBrowserPage.h"
#include "workspace/frmList.h"
#include "ui/MsgBox.h"
#include "ui/SmallDialogs.h"
#include "ui/ZorvoButton.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <QUrl>

using namespace mdlZorvoFLV;

namespace {

// Runs the event loop until cond holds or the deadline passes.
template <typename F>
bool waitFor(F cond, int ms = 15000)
{
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

// Takes the files the program hands to the desktop instead of opening them.
class OpenedFiles : public QObject {
    Q_OBJECT
public:
    OpenedFiles() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedFiles() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList files;
public slots:
    void open(const QUrl& url) { files << url.toLocalFile(); }
};

class PlayerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A software mixer, set up before the program's first look for one.
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
        // Start-up may have said there is no mixer on this machine.
        ui::clearShownBoxes();
    }

    void TearDown() override
    {
        window->mnuEnd_Click(1);
        window.reset();
    }

    void play(const testmedia::Clip& clip)
    {
        window->playSingle(testmedia::path(clip), false);
        ASSERT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }))
            << window->statusText().toStdString();
    }

    // Pauses and waits until the position settles.
    void pauseAt(int frame)
    {
        window->mbPause_Click();
        window->mci().setCurFrame(frame, false);
        ASSERT_TRUE(waitFor([&] { return std::abs(window->mci().getCurFrame() - frame) <= 1; }));
    }

    testmedia::TempDir folder;
    std::unique_ptr<frmMain> window;
    ui::ScriptedAnswers answers;
};

} // namespace

TEST_F(PlayerWindow, ASingleFilePlaysToItsEndAndStops)
{
    listPlayMode = 2; // a single file never continues into a list
    play(testmedia::Flv1Mp3);
    EXPECT_EQ(window->windowTitle(), QStringLiteral(" flv1_mp3.flv - Zorvo.FLV"));
    EXPECT_EQ(window->totalFrames, 100);
    ASSERT_TRUE(waitFor([&] { return playerState == Stopped; }, 30000));
    EXPECT_EQ(window->statusText(), QStringLiteral("结束播放"));
    EXPECT_EQ(window->mbStop->State(), 2);
    EXPECT_EQ(window->mbPlay[0]->State(), 0);
    EXPECT_EQ(playOrigin, OriginNone);

    // The first video opened also opened the capture device on the tool store's clip.
    EXPECT_TRUE(QFileInfo::exists(folder.file(QStringLiteral("Zorvo.FLV/~tmpExtFlv.wmv"))));
    QString mode;
    EXPECT_EQ(media::mciSendString(QStringLiteral("status Zorvo.FLV_forCapture mode"), &mode, 128), 0);
}

TEST_F(PlayerWindow, UnplayableFilesAreReported)
{
    answers.then(ui::Cancel);
    window->playSingle(testmedia::path(testmedia::Garbage), false);
    EXPECT_EQ(window->statusText(), QStringLiteral("无法播放"));
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    const ui::Shown& box = ui::shownBoxes()[0];
    EXPECT_EQ(box.title, QStringLiteral("错误讯息"));
    EXPECT_EQ(box.style, ui::OkCancel) << "an .flv offers the codec help";
    bool withHelp = false;
    EXPECT_EQ(box.text, playerLogic::playErrorText(testmedia::path(testmedia::Garbage),
                                                   QStringLiteral("出现错误，无法播放指定的档案："), withHelp));
    EXPECT_EQ(playerState, Stopped);

    ui::clearShownBoxes();
    window->playSingle(QStringLiteral("/no/such/file.mp3"), false);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::OkOnly);
}

TEST_F(PlayerWindow, AFileOfNoLengthShowsItsNameButCannotPlay)
{
    window->playSingle(testmedia::path(testmedia::ZeroWav), false);
    EXPECT_EQ(window->windowTitle(), QStringLiteral(" zero.wav - Zorvo.FLV"));
    EXPECT_TRUE(ui::shownBoxes().empty()) << "it opened: no error";
    QTest::qWait(800); // a few poll ticks
    EXPECT_EQ(window->mbPlay[0]->State(), 3);
    EXPECT_EQ(playerState, Stopped);
    window->Form_KeyDown(32, 0); // Space finds no button to press
    EXPECT_EQ(playerState, Stopped);
}

TEST_F(PlayerWindow, DropsPlayTheFirstFileAndTheLastFileComesBack)
{
    window->Form_OLEDragDrop({testmedia::path(testmedia::Flv1Mp3), testmedia::path(testmedia::H264AacFlv)}, QString());
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::Flv1Mp3));
    window->Form_OLEDragDrop({QStringLiteral("/no/such/clip.flv")}, QString());
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::Flv1Mp3)) << "a missing file is not opened";
    EXPECT_TRUE(ui::shownBoxes().empty());

    window->playSingle(QLatin1Char('"') + testmedia::path(testmedia::CjkFlv) + QLatin1Char('"'), false);
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::CjkFlv)) << "quotes are removed";
    EXPECT_EQ(window->lastFile, testmedia::path(testmedia::Flv1Mp3));
    EXPECT_TRUE(window->mnuPlayLast->isEnabled());
    window->mnuPlayLast_Click();
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::Flv1Mp3));
}

TEST_F(PlayerWindow, ARepeatedListStartsOverAfterItsLastItem)
{
    window->Form_KeyDown(112, 0); // F1 opens the workspace on its playlist
    frmList* list = window->findChild<frmList*>();
    ASSERT_NE(list, nullptr);
    list->addToList(0, testmedia::path(testmedia::Flv1Mp3));
    list->addToList(0, testmedia::path(testmedia::H264AacFlv));
    list->lstMn[0]->setCurrentRow(1);
    listPlayMode = 2;
    window->playSingle(QString(), true);
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::H264AacFlv));
    EXPECT_EQ(list->mbStopLoop->State(), 0) << "list play can be stopped";
    // Near the end of the last item the list goes round to its first.
    window->mci().setCurFrame(window->mci().getTotalFrames() - 10, true);
    ASSERT_TRUE(waitFor([&] { return window->mci().FileName() == testmedia::path(testmedia::Flv1Mp3); }, 20000))
        << window->mci().getStatus().toStdString() << " at " << window->mci().getCurFrame() << " state "
        << playerState << " origin " << playOrigin << " " << window->statusText().toStdString();
    EXPECT_EQ(list->lstMn[0]->currentRow(), 0);
    EXPECT_EQ(playOrigin, OriginList);
    EXPECT_EQ(list->mbMove[0]->State(), 3) << "the first item cannot move up";
    EXPECT_EQ(list->mbMove[1]->State(), 0);

    listPlayMode = 0; // single file: the list stops after this item
    window->mci().setCurFrame(window->mci().getTotalFrames() - 10, true);
    ASSERT_TRUE(waitFor([&] { return playerState == Stopped; }, 20000));
    EXPECT_EQ(window->mci().FileName(), testmedia::path(testmedia::Flv1Mp3));
    EXPECT_EQ(playOrigin, OriginNone);
}

TEST_F(PlayerWindow, StepKeysStopAtBothEndsAndPause)
{
    play(testmedia::Flv1Mp3);
    stepMode = 0;
    stepValues = {5, 5, 5};
    pauseAt(97);
    window->Form_KeyDown(34, 0); // PgDn
    EXPECT_TRUE(waitFor([&] { return window->mci().getCurFrame() == 99; }, 3000))
        << window->mci().getCurFrame() << " " << window->mci().getStatus().toStdString() << " "
        << window->mci().getTotalFrames();
    EXPECT_EQ(playerState, Paused);

    window->mci().setCurFrame(3, false);
    ASSERT_TRUE(waitFor([&] { return window->mci().getCurFrame() == 3; }));
    window->Form_KeyDown(33, 0); // PgUp
    EXPECT_TRUE(waitFor([&] { return window->mci().getCurFrame() == 0; }));
    EXPECT_EQ(playerState, Paused);
}

TEST_F(PlayerWindow, SecondsModeKeepsPlayingAndArrowsPause)
{
    play(testmedia::LongFlv);
    window->mnuFB_Click(1);
    const int before = window->mci().getCurFrame();
    window->Form_KeyDown(34, 0);
    EXPECT_EQ(playerState, Playing);
    EXPECT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }));
    const int after = window->mci().getCurFrame();
    EXPECT_GE(after - before, 125);
    EXPECT_LE(after - before, 125 + 25) << "moved 5 s at 25 frames a second, plus play time";

    pauseAt(200);
    window->mbPlay_Click(0);
    window->Form_KeyDown(39, 0); // Right: the frame value, and pause
    EXPECT_EQ(playerState, Paused);
    const int stepped = window->mci().getCurFrame();
    EXPECT_NEAR(stepped, 205, 13) << "5 frames on from where playing had got to";
}

TEST_F(PlayerWindow, StepValuesAndCustomSpeedAreChecked)
{
    play(testmedia::Flv1Mp3);
    window->mnuFB_Click(0);
    for (const char* bad : {"0", "101", "x"}) {
        ui::clearShownBoxes();
        answers.thenText(QString::fromUtf8(bad));
        window->mnuFB_Click(4);
        ASSERT_EQ(ui::shownBoxes().size(), 2u) << bad;
        EXPECT_EQ(ui::shownBoxes()[1].text, QStringLiteral("你输入了错误范围的模式数值！"));
        EXPECT_EQ(stepValues[0], 5);
    }
    answers.thenText(QStringLiteral("7.5"));
    window->mnuFB_Click(4);
    EXPECT_EQ(stepValues[0], 8);
    EXPECT_EQ(window->mnuFB[0]->text(), QStringLiteral("使用影格模式 ( 8 格 )"));
    EXPECT_EQ(window->mbBackward->toolTip(), QStringLiteral("倒转 ( PgUp 键：8 格，或 ← 键：8 格 )"));

    window->mbPlay_Click(0);
    answers.thenText(QStringLiteral("150"));
    window->mnuSpeed_Click(10);
    EXPECT_EQ(window->speedPerMille(), 1500);
    EXPECT_EQ(window->mci().getSpeed(), 1500);
    window->mbPlay_Click(0);
    ASSERT_TRUE(waitFor([&] { return window->statusText().endsWith(QStringLiteral(" ％，播速 150 ％")); }));

    ui::clearShownBoxes();
    answers.thenText(QStringLiteral("250"));
    window->mnuSpeed_Click(10);
    ASSERT_EQ(ui::shownBoxes().size(), 2u);
    EXPECT_EQ(ui::shownBoxes()[1].text, QStringLiteral("你输入了错误范围的播放速度！"));
    EXPECT_EQ(window->speedPerMille(), 1500);

    // Through the menu: a refused or cancelled entry leaves the check mark where it was.
    window->mnuSpeed[2]->trigger();
    EXPECT_EQ(window->speedPerMille(), 500);
    for (const char* entry : {"250", ""}) {
        answers.thenText(QString::fromUtf8(entry));
        window->mnuSpeed[10]->trigger();
        EXPECT_FALSE(window->mnuSpeed[10]->isChecked()) << entry;
        EXPECT_TRUE(window->mnuSpeed[2]->isChecked()) << entry;
    }
    window->mnuSpeed[2]->trigger(); // choosing the checked item again keeps it checked
    EXPECT_TRUE(window->mnuSpeed[2]->isChecked());
}

TEST_F(PlayerWindow, SpacePlaysPausesAndResumes)
{
    play(testmedia::Flv1Mp3);
    window->mbStop_Click();
    ASSERT_EQ(playerState, Stopped);
    window->Form_KeyDown(32, 0);
    EXPECT_EQ(playerState, Playing);
    EXPECT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }));
    window->Form_KeyDown(32, 0);
    EXPECT_EQ(playerState, Paused);
    EXPECT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("paused"); }));
    EXPECT_TRUE(waitFor([&] { return window->statusText().startsWith(QStringLiteral("暂停播放")); }));
    window->Form_KeyDown(32, 0);
    EXPECT_EQ(playerState, Playing);
    EXPECT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }));
}

TEST_F(PlayerWindow, DraggingPastTheEndSeeksToTheLastFrame)
{
    play(testmedia::LongFlv);
    pauseAt(10);
    // x is where the pointer holds the thumb, from the thumb's left edge (its middle here).
    window->dragSeekThumb(Qt::LeftButton, 5000, false);
    EXPECT_EQ(window->thumbLeft() + 5, window->trackLeft() + window->trackWidth())
        << "the thumb stays on the track";
    window->dragSeekThumb(Qt::LeftButton, 5, true);
    EXPECT_TRUE(waitFor([&] { return window->mci().getCurFrame() >= 499; }, 3000))
        << window->mci().getCurFrame() << " of " << window->mci().getTotalFrames();
    EXPECT_LE(window->mci().getCurFrame(), 500);
}

TEST_F(PlayerWindow, VideoIsFittedStretchedOrShownAtItsSize)
{
    play(testmedia::Video640);
    window->resize(402, 400 + 2 + 69 + window->menuBar()->height());
    QCoreApplication::processEvents();
    ASSERT_EQ(window->videoAreaWidth, 400);
    ASSERT_EQ(window->videoAreaHeight, 400);

    window->mnuKeepWH->setChecked(true);
    window->mnuKeepDef->setChecked(false);
    window->myPutSize(false);
    EXPECT_EQ(window->videoRect(), QRect(1, 51, 400, 300));

    window->mnuKeepWH->setChecked(false);
    window->myPutSize(false);
    EXPECT_EQ(window->videoRect(), QRect(1, 1, 400, 400));

    window->mnuKeepDef->setChecked(true);
    window->myPutSize(false);
    EXPECT_EQ(window->videoRect(), QRect(-239, -79, 640, 480));
}

TEST_F(PlayerWindow, SettingsWrittenAtExitReadBackTheSame)
{
    window->move(120, 90);
    window->resize(500, 420);
    window->mnuKeepWH->setChecked(false);
    window->mnuKeepDef->setChecked(true);
    window->mnuStartList->setChecked(false);
    window->mnuFB_Click(2);
    stepValues = {3, 9, 40};
    listPlayMode = 2;
    const settings::Settings written = window->currentSettings();
    window->mnuEnd_Click(0);

    QStringList lines;
    ASSERT_TRUE(readTextLines(folder.file(settings::settingsFileName), lines));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("MainRect=")));
    settings::Settings back;
    const settings::ReadReport report = settings::readSettingsLines(lines, back, [](const QString&) { return true; });
    EXPECT_TRUE(report.mainRectApplied);
    EXPECT_EQ(back.mainRect, written.mainRect);
    EXPECT_FALSE(back.keepWH);
    EXPECT_TRUE(back.keepDef);
    EXPECT_EQ(back.stepMode, 2);
    EXPECT_EQ(back.stepValues, (std::array<int, 3>{3, 9, 40}));
    EXPECT_EQ(back.playSetting, 2);
    EXPECT_EQ(back.listPos, QPoint(written.mainRect[0] + 30 * 15, written.mainRect[1] + 30 * 15))
        << "the workspace, never opened, keeps its place beside the player";

    // A new window reads them and lands on the same rectangle.
    frmMain again;
    again.setSettingsFolder(folder.path());
    again.Form_Load(QString());
    EXPECT_EQ(again.currentSettings().mainRect, written.mainRect);
    EXPECT_EQ(stepMode, 2);
    EXPECT_FALSE(again.mnuKeepWH->isChecked());
    again.mnuEnd_Click(1);
}

TEST_F(PlayerWindow, OnlyAClickOnTheVideoPlaysAndPauses)
{
    play(testmedia::Flv1Mp3);
    QWidget* area = window->videoArea();
    // A press on the panel (the status line, the box around the buttons) changes nothing.
    for (int dy : {20, 30}) {
        QWidget* target = area->childAt(QPoint(60, window->videoAreaHeight + dy));
        ASSERT_NE(target, nullptr) << dy;
        ASSERT_EQ(qobject_cast<ui::ZorvoButton*>(target), nullptr) << dy;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(area, QPoint(60, window->videoAreaHeight + dy)));
        EXPECT_EQ(playerState, Playing) << "a press on the panel at " << dy;
    }
    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(playerState, Paused);
    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(playerState, Playing);
}

TEST_F(PlayerWindow, NarrowWindowsHideTheItemButtonsAndEscMaximises)
{
    window->show();
    window->resize(330, 300);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->mbNextItem->isVisible());
    EXPECT_FALSE(window->mbLastItem->isVisible());
    EXPECT_EQ(window->mbRngStart->x(), window->mbForward->x() + window->mbForward->width() + 5);
    EXPECT_GT(window->mbRngEnd->x(), window->mbRngStart->x());
    auto clearOfSoundBox = [&] {
        return window->mbRngEnd->mapTo(window.get(), QPoint(window->mbRngEnd->width(), 0)).x() <
               window->mbSound->mapTo(window.get(), QPoint()).x();
    };
    EXPECT_TRUE(clearOfSoundBox());
    window->resize(376, 300); // about where the item buttons come back
    QCoreApplication::processEvents();
    EXPECT_TRUE(clearOfSoundBox());

    window->resize(600, 300);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->mbNextItem->isVisible());
    EXPECT_EQ(window->mbRngStart->x(), window->mbNextItem->x() + window->mbNextItem->width() + 5);

    window->Form_KeyDown(27, 0);
    EXPECT_TRUE(waitFor([&] { return window->isMaximized(); }, 3000));
    window->Form_KeyDown(27, 0);
    EXPECT_TRUE(waitFor([&] { return !window->isMaximized(); }, 3000));
}

TEST_F(PlayerWindow, ExitWithoutSavingLeavesTheFilesAndTheCloseBoxSaves)
{
    const QString ini = folder.file(settings::settingsFileName);
    const QString lists = folder.file(QStringLiteral("List.ini"));
    auto contents = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    };
    // Files as another version might have left them.
    for (const QString& file : {ini, lists}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("KeepWH=False\r\n");
    }
    window->mnuEnd_Click(1);
    EXPECT_EQ(contents(ini), QByteArray("KeepWH=False\r\n"));
    EXPECT_EQ(contents(lists), QByteArray("KeepWH=False\r\n"));

    frmMain again;
    again.setSettingsFolder(folder.path());
    again.Form_Load(QString());
    EXPECT_FALSE(again.mnuKeepWH->isChecked()) << "read at start";
    again.mnuKeepWH->setChecked(true);
    again.close(); // the close box
    EXPECT_TRUE(contents(ini).startsWith("MainRect="));
    EXPECT_TRUE(contents(ini).contains("\r\nKeepWH=True\r\n"));
    EXPECT_TRUE(QString::fromUtf8(contents(lists)).contains(QStringLiteral("0‖清单编号‖")));
}

TEST_F(PlayerWindow, TheStartHintSitsInTheMiddleOfTheVideoArea)
{
    // A window that is not resized after it comes up (no window manager to do it).
    frmMain fresh;
    fresh.setSettingsFolder(folder.path());
    fresh.Form_Load(QString());
    QCoreApplication::processEvents();
    QWidget* note = fresh.findChild<QWidget*>(QStringLiteral("picNote"));
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(note->isVisible());
    EXPECT_NEAR(note->geometry().center().x(), fresh.videoArea()->width() / 2, 2);
    EXPECT_NEAR(note->geometry().center().y(), (fresh.videoArea()->height() - 69) / 2, 2);
    fresh.mnuEnd_Click(1);
}

TEST_F(PlayerWindow, TheFirstStartOpensTheHelpAndAnFlvErrorOffersTheCodecNote)
{
    OpenedFiles opened;
    const QString savedFolder = programFolder;
    testmedia::TempDir program;
    programFolder = program.path() + u'/';
    testmedia::TempDir settingsHere;
    {
        QFile help(program.file(ui::helpFileName));
        ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    }
    {
        frmMain first;
        first.setSettingsFolder(settingsHere.path());
        first.Form_Load(QString());
        EXPECT_EQ(opened.files, QStringList{program.file(ui::helpFileName)}) << "no settings yet";
        first.mnuEnd_Click(0);
    }
    {
        // With a file on the command line the help still opens, but only once it plays.
        testmedia::TempDir freshSettings;
        opened.files.clear();
        frmMain withFile;
        withFile.setSettingsFolder(freshSettings.path());
        withFile.Form_Load(testmedia::path(testmedia::Flv1Mp3));
        EXPECT_TRUE(opened.files.isEmpty()) << "not before the first frame";
        EXPECT_TRUE(waitFor([&] { return !opened.files.isEmpty(); }));
        EXPECT_EQ(withFile.mci().getStatus(), QStringLiteral("playing"));
        EXPECT_EQ(opened.files, QStringList{program.file(ui::helpFileName)});
        withFile.mnuEnd_Click(0);
    }
    opened.files.clear();
    {
        frmMain second;
        second.setSettingsFolder(settingsHere.path());
        second.Form_Load(QString());
        EXPECT_TRUE(opened.files.isEmpty()) << "the settings file is there now";

        // OK on the error box of an .flv opens the codec note, or says it is missing.
        ui::clearShownBoxes();
        answers.then(ui::Ok).then(ui::Ok);
        second.playSingle(testmedia::path(testmedia::Garbage), false);
        ASSERT_EQ(ui::shownBoxes().size(), 2u);
        EXPECT_EQ(ui::shownBoxes()[1].text, QStringLiteral("找不到说明档 Zuvud.ODI.html！"));
        EXPECT_EQ(ui::shownBoxes()[1].title, QStringLiteral("注意事项"));
        QFile note(program.file(ui::codecHelpFileName));
        ASSERT_TRUE(note.open(QIODevice::WriteOnly));
        note.close();
        answers.then(ui::Ok);
        second.playSingle(testmedia::path(testmedia::Garbage), false);
        EXPECT_EQ(opened.files, QStringList{note.fileName()});
        second.mnuEnd_Click(1);
    }
    programFolder = savedFolder;
}

TEST_F(PlayerWindow, TheVolumeSliderAndTheMuteButtonActOnTheMixer)
{
    media::MainVol& vol = media::MainVol::shared();
    ASSERT_TRUE(vol.hasMixer());
    ASSERT_EQ(vol.MaxMainVolume(), 87);
    window->picVolSdr_MouseDown(Qt::LeftButton, 0);
    EXPECT_EQ(vol.MainVolume(), 0);
    window->picVolSdr_MouseDown(Qt::LeftButton, 5000);
    EXPECT_EQ(vol.MainVolume(), 87) << "a press past the slider's end is its end";
    window->picVolSdr_MouseDown(Qt::RightButton, 0);
    EXPECT_EQ(vol.MainVolume(), 87) << "only the left button";

    play(testmedia::Flv1Mp3);
    QTest::mouseClick(window->mbSound, Qt::LeftButton);
    EXPECT_TRUE(vol.MainMute());
    EXPECT_EQ(window->mbSound->State(), 2);
    QTest::mouseClick(window->mbSound, Qt::LeftButton);
    EXPECT_FALSE(vol.MainMute());
    EXPECT_EQ(window->mbSound->State(), 0);

    // A file without sound has nothing to mute.
    window->playSingle(testmedia::path(testmedia::SilentFlv), false);
    EXPECT_EQ(window->mbSound->State(), 3);
}

// A tool job from the player window: the progress window lies over the player, the
// workspace goes away for the job and comes back; the tool files come and go.
TEST_F(PlayerWindow, ToolJobCoversThePlayerAndBringsTheWorkspaceBack)
{
    window->show();
    window->Form_KeyDown(112, 0); // F1: the workspace
    frmList* list = window->findChild<frmList*>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(waitFor([&] { return window->isVisible() && list->isVisible(); }));

    EXPECT_FALSE(window->buzySateShow(true, window.get()));
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(frmBuzy::instance(), nullptr);
    EXPECT_EQ(frmBuzy::instance()->geometry(), window->frameGeometry());
    window->dealMyResource(QStringLiteral("Fix2"), true);
    EXPECT_TRUE(QFileInfo(mdlTools::pathFfmpeg).isExecutable());
    window->dealMyResource(QStringLiteral("notCapMCI"), false);
    EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFfmpeg));
    EXPECT_FALSE(window->buzySateShow(false, window.get()));
    EXPECT_EQ(frmBuzy::instance(), nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_TRUE(ui::shownBoxes().empty());

    // The closing report of a file that is there; Cancel leaves it at the message.
    const QString made = folder.file(QStringLiteral("made.flv"));
    QFile(testmedia::path(testmedia::Flv1Mp3)).copy(made);
    answers.then(ui::Cancel);
    window->doneAfterSave(made, false, 12.345f, false);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_TRUE(ui::shownBoxes()[0].text.contains(QStringLiteral("总共使用的时间有 12.35 秒")));
}

TEST_F(PlayerWindow, ACopyOfTheOpenFileIsSavedOrTheFailureSaid)
{
    play(testmedia::Flv1Mp3);
    const QString target = folder.file(QStringLiteral("copy.flv"));
    answers.thenFile(target).then(ui::Cancel); // the save dialog, then the closing report
    window->mnuSaveFile_Click();
    ASSERT_EQ(ui::shownBoxes().size(), 2u);
    EXPECT_EQ(ui::shownBoxes()[0].filter, QStringLiteral("FLV 档案格式(*.flv)|*.flv"));
    EXPECT_EQ(QFileInfo(target).size(), QFileInfo(testmedia::path(testmedia::Flv1Mp3)).size());

    // A target that cannot be written: the message, and nothing left behind.
    ui::clearShownBoxes();
    answers.thenFile(folder.file(QStringLiteral("gone/copy.flv"))).then(ui::Ok);
    window->mnuSaveFile_Click();
    ASSERT_EQ(ui::shownBoxes().size(), 2u);
    EXPECT_EQ(ui::shownBoxes()[1].text, QStringLiteral("出现错误，无法成功储存档案！"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({QStringLiteral("copy.flv")}));
}

TEST_F(PlayerWindow, HomeShowsTheCurrentFrameAtTheVideoAreasSizeAndSavesItAsBmp)
{
    play(testmedia::Flv1Mp3);
    ASSERT_NO_FATAL_FAILURE(pauseAt(50));
    window->Form_KeyDown(36, 0);
    frmCap* cap = window->capWindow();
    ASSERT_TRUE(cap && cap->isVisible());
    const QImage picture = cap->picture();
    ASSERT_EQ(picture.size(), QSize(window->videoAreaWidth, window->videoAreaHeight));
    // A 4:3 frame in a square area: black bands above and below, the frame between.
    const QRect shown = window->videoRect().translated(-1, -1);
    ASSERT_GT(shown.top(), 10);
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, shown.top() / 2), QColor(Qt::black));
    int lit = 0;
    for (int x = 0; x < picture.width(); ++x)
        lit += qGray(picture.pixel(x, shown.center().y())) > 40;
    EXPECT_GT(lit, picture.width() / 4) << "the frame itself is in the picture";

    // Saved as BMP under the clip's name, in the clip's folder while no save folder is set.
    const QString target = folder.file(QStringLiteral("shot.bmp"));
    answers.thenFile(target).then(ui::Cancel);
    cap->mnuSaveCap_Click();
    ASSERT_EQ(ui::shownBoxes().size(), 2u);
    EXPECT_EQ(ui::shownBoxes()[0].defaultText, QStringLiteral("flv1_mp3_pic.bmp"));
    EXPECT_EQ(QDir(ui::shownBoxes()[0].initDir), QFileInfo(testmedia::path(testmedia::Flv1Mp3)).dir());
    QImage back;
    ASSERT_TRUE(back.load(target, "BMP"));
    EXPECT_EQ(back.size(), picture.size());

    // Its place is remembered when it is closed, and written with the settings.
    cap->move(40, 50);
    const QPoint at = cap->pos();
    cap->close();
    EXPECT_EQ(window->currentSettings().capPos, at * 15);
}

TEST_F(PlayerWindow, AWorkspaceFirstOpenedWhileAFilePlaysShowsTheRightStopButtons)
{
    listPlayMode = 2;
    play(testmedia::LongFlv); // a single file: it can be stopped, but there is no list play
    window->Form_KeyDown(112, 0);
    frmList* list = window->findChild<frmList*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->mbStop->State(), 0);
    EXPECT_EQ(list->mbStopLoop->State(), 3);
}

TEST_F(PlayerWindow, F3AndThePageCommandsBringTheirPagesForward)
{
    // A tool's report shows its file in the file list even when the workspace was never
    // opened.
    const QString file = testmedia::path(testmedia::Flv1Mp3);
    ASSERT_EQ(window->findChild<frmList*>(), nullptr);
    window->toolHost().showInBrowser(file);
    frmList* list = window->findChild<frmList*>();
    ASSERT_TRUE(list && list->Fn1->currentItem());
    EXPECT_EQ(list->Fn1->currentItem()->text(), QStringLiteral("flv1_mp3.flv"));

    struct Page {
        QAction* command;
        int viewKind;
    };
    for (const Page& p : {Page{window->mnuMediaJoin, 20}, Page{window->mnuMediaSplit, 21}, Page{window->mnuMediaSnap, 30},
                          Page{window->mnuMediaFix, 40}, Page{window->mnuFLV2Mov[1], 61},
                          Page{window->mnuFLV2Muc[0], 70}, Page{window->mnuSaveDir, 11}, Page{window->mnuRngEdit, 10}}) {
        p.command->trigger();
        EXPECT_EQ(list->viewKind, p.viewKind) << p.command->text().toStdString();
    }

    // F3 with no file: the page; with a file: its folder with the file selected (the name
    // found whatever its letter case), and the settings hold both.
    window->Form_KeyDown(114, 0);
    EXPECT_EQ(list->viewKind, 11);
    play(testmedia::CjkFlv);
    window->mnuMediaFix->trigger();
    window->Form_KeyDown(114, 0);
    EXPECT_EQ(list->viewKind, 11);
    const QFileInfo cjk(testmedia::path(testmedia::CjkFlv));
    EXPECT_EQ(QDir(list->pageBrowser->folder()), cjk.dir());
    ASSERT_NE(list->Fn1->currentItem(), nullptr);
    EXPECT_EQ(list->Fn1->currentItem()->text(), cjk.fileName());
    const int row = list->Fn1->currentRow();
    EXPECT_EQ(QDir(window->currentSettings().listDir), cjk.dir());
    EXPECT_EQ(window->currentSettings().listDirIdx, row);
    list->Fn1->setCurrentRow(-1);
    window->showInFileList(cjk.absolutePath() + QStringLiteral("/测试 片段.FLV"));
    EXPECT_EQ(list->Fn1->currentRow(), row);
}

#include "test_frmMain.moc"
