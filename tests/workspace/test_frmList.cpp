// The workspace window's playlists with the player window, the real media layer (libmpv
// without video or sound output) and the dialog facade answering.
#include <gtest/gtest.h>

#include "app/PlayerState.h"
#include "app/Settings.h"
#include "app/mdlZorvoFLV.h"
#include "common/TestMedia.h"
#include "player/frmMain.h"
#include "tools/EncodePage.h"
#include "tools/FixPage.h"
#include "tools/JoinPage.h"
#include "tools/SnapPage.h"
#include "tools/SplitPage.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"
#include "ui/ZorvoButton.h"
#include "ui/ZorvoTab.h"
#include "workspace/FileBrowserPage.h"
#include "workspace/MarkListPage.h"
#include "workspace/frmList.h"
#include "workspace/mdlLineFormat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QLineEdit>
#include <QPushButton>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

using namespace mdlZorvoFLV;

namespace {

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

QString clip(const testmedia::Clip& c) { return testmedia::path(c); }

class Workspace : public ::testing::Test {
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
        mdlLineFormat::lineFormat = 0;
        tempFolder = folder.path() + QLatin1Char('/');
        qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
        mdlTools::setProgramFolder(testmedia::binDir());
        window = std::make_unique<frmMain>();
        window->setSettingsFolder(folder.path());
        window->Form_Load(QString());
        window->resize(400, 400 + 69 + 2);
        ui::clearShownBoxes();
        if (openLater)
            return;
        openWorkspace();
    }

    void openWorkspace()
    {
        window->Form_KeyDown(112, 0); // F1: the workspace on its playlist
        list = window->findChild<frmList*>();
        ASSERT_NE(list, nullptr);
        ui::clearShownBoxes();
    }

    void TearDown() override
    {
        window->mnuEnd_Click(1);
        window.reset();
    }

    QStringList items(int n)
    {
        QStringList out;
        for (int r = 0; r < list->lstMn[n]->count(); ++r) {
            QString item;
            EXPECT_TRUE(list->itemAt(n, r, item));
            out << item;
        }
        return out;
    }

    testmedia::TempDir folder;
    std::unique_ptr<frmMain> window;
    ui::ScriptedAnswers answers;
    frmList* list = nullptr;
    bool openLater = false; // the test opens the workspace itself
};

class WorkspaceOpenedLater : public Workspace {
protected:
    WorkspaceOpenedLater() { openLater = true; }
};

} // namespace

TEST_F(Workspace, AreasTabsAndMenusCarryTheirCaptions)
{
    EXPECT_EQ(list->windowTitle(), QStringLiteral(" Zorvo.FLV  的整合型工作区"));
    EXPECT_EQ(list->tabMn[0]->caption(0), QStringLiteral("播放清单一"));
    EXPECT_EQ(list->tabMn[0]->caption(1), QStringLiteral("播放清单二"));
    EXPECT_EQ(list->tabMn[2]->caption(0), QStringLiteral("合并功能"));
    EXPECT_EQ(list->tabMn[5], nullptr);
    EXPECT_EQ(list->mnuSwithItem[6]->text(), QStringLiteral("第六区／FLV <----> 影片"));
    EXPECT_TRUE(list->mnuSwithItem[0]->isChecked());
    EXPECT_EQ(list->mnuPlaySetting[2]->text(), QStringLiteral("循环播放清单"));
    EXPECT_EQ(list->mnuLineFmt[1]->text(), QStringLiteral("档名 → 目录 → 标记"));
    EXPECT_EQ(list->mnuToListEnd->text(), QStringLiteral("总是加到清单末尾"));
    EXPECT_EQ(list->lblNote->text(), QStringLiteral("用滑鼠双击清单的指定项目，便可以播放该档案"));
    EXPECT_EQ(list->viewKind, 0);
    EXPECT_EQ(playingList, list->lstMn[0]);
    EXPECT_EQ(list->activeList, list->lstMn[0]);
    // An empty list: nothing to remove, save, move or play.
    for (ui::ZorvoButton* b : {list->mbDel[0], list->mbDel[1], list->mbSave[1], list->mbPlay, list->mbSortItem,
                               list->mbMove[0], list->mbMove[1]})
        EXPECT_EQ(b->State(), 3);
    EXPECT_EQ(list->mbAdd[0]->State(), 0);

    // The mark list page is no playlist: the player does not go on from a hidden list.
    list->changeToTab(1, 0, false);
    EXPECT_EQ(list->viewKind, 10);
    EXPECT_EQ(playingList, nullptr);
    EXPECT_EQ(list->activeList, nullptr);
    EXPECT_FALSE(list->mnuMnLst->menuAction()->isVisible());
    EXPECT_EQ(list->mbAdd[0]->State(), 3);
    list->Form_KeyDown(112); // F1: back to the playlist shown last
    EXPECT_EQ(list->viewKind, 0);
    EXPECT_EQ(playingList, list->lstMn[0]);
    list->changeToTab(0, 1, false);
    EXPECT_EQ(list->lastPlaylistNo, 1);
    EXPECT_EQ(playingList, list->lstMn[1]);

    const bool toEnd = list->toListEnd();
    list->mnuToListEnd->trigger();
    EXPECT_EQ(list->toListEnd(), !toEnd);

    // Closing only hides the window; the player cannot step through a list it cannot see.
    window->mbNextItem->setState(0);
    list->close();
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(window->mbNextItem->State(), 3);
    EXPECT_EQ(window->findChild<frmList*>(), list);
}

TEST_F(Workspace, TheStoredListsFillThePlaylistsInTheStoredFormat)
{
    settings::Settings s;
    s.lineFmt = 2;
    s.toListEnd = false;
    settings::ListStore store;
    store.lastPlaylistNo = 1;
    store.lists[1].items = {clip(testmedia::Flv1Mp3) + QStringLiteral("‖5-9"), clip(testmedia::ToneMp3)};
    store.lists[1].selected = 1;
    store.lists[0].items = {clip(testmedia::ToneWav)};
    store.lists[0].selected = 7; // beyond the list: nothing selected
    list->applySettings(s, store);
    EXPECT_EQ(mdlLineFormat::lineFormat, 2);
    EXPECT_TRUE(list->mnuLineFmt[2]->isChecked());
    EXPECT_FALSE(list->toListEnd());
    EXPECT_EQ(list->lastPlaylistNo, 1);
    EXPECT_EQ(list->lstMn[1]->item(0)->text(),
              QStringLiteral("flv1_mp3.flv\t标记 5-9\t") + withTrailingSeparator(testmedia::mediaDir()));
    EXPECT_EQ(list->lstMn[1]->currentRow(), 1);
    EXPECT_EQ(list->lstMn[0]->currentRow(), -1);
    EXPECT_EQ(items(1), store.lists[1].items);

    settings::Settings back;
    settings::ListStore storeBack;
    list->collectSettings(back, storeBack);
    EXPECT_EQ(storeBack.lists[1].items, store.lists[1].items);
    EXPECT_EQ(storeBack.lists[0].items, store.lists[0].items);
    EXPECT_EQ(storeBack.lists[1].selected, 1);
    EXPECT_EQ(storeBack.lastPlaylistNo, 1);
    EXPECT_EQ(back.lineFmt, 2);
    EXPECT_FALSE(back.toListEnd);
}

TEST_F(Workspace, AddMoveRemoveAndTheButtonsThatFollow)
{
    list->mnuToListEnd_Click(); // insert after the selection
    EXPECT_FALSE(list->toListEnd());
    list->addToList(clip(testmedia::Flv1Mp3), false, true);
    answers.thenFiles({clip(testmedia::H264AacFlv), clip(testmedia::Mpeg1Mp2), clip(testmedia::ToneMp3)});
    list->lstMn[0]->setCurrentRow(0);
    list->mbAdd_Click(0);
    ASSERT_FALSE(ui::shownBoxes().empty());
    EXPECT_EQ(ui::shownBoxes().back().style, ui::OpenMany);
    // In the order the dialog handed them over, after the selected item.
    EXPECT_EQ(items(0), QStringList({clip(testmedia::Flv1Mp3), clip(testmedia::H264AacFlv), clip(testmedia::Mpeg1Mp2),
                                     clip(testmedia::ToneMp3)}));
    EXPECT_EQ(list->lstMn[0]->currentRow(), 3);
    EXPECT_EQ(list->mbMove[0]->State(), 0);
    EXPECT_EQ(list->mbMove[1]->State(), 3);
    EXPECT_EQ(list->mbSortItem->State(), 0);
    EXPECT_EQ(window->mbNextItem->State(), 0) << "the player can step through the list";

    list->mbMove_Click(0);
    EXPECT_EQ(items(0)[2], clip(testmedia::ToneMp3));
    EXPECT_EQ(list->lstMn[0]->currentRow(), 2);
    EXPECT_EQ(list->mbMove[1]->State(), 0);

    list->lstMn[0]->setCurrentRow(3);
    list->mbDel_Click(0);
    EXPECT_EQ(list->lstMn[0]->count(), 3);
    EXPECT_EQ(list->lstMn[0]->currentRow(), 2) << "the new last line";

    list->mbRevItem_Click();
    EXPECT_EQ(items(0).first(), clip(testmedia::ToneMp3));
    list->mbSortItem_Click();
    EXPECT_EQ(items(0), QStringList({clip(testmedia::Flv1Mp3), clip(testmedia::H264AacFlv), clip(testmedia::ToneMp3)}));
    list->mbRndItem_Click();
    EXPECT_EQ(list->lstMn[0]->count(), 3);

    // Remove all asks; Cancel keeps the list.
    ui::clearShownBoxes();
    answers.then(ui::Cancel);
    list->mbDel_Click(1);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("确定要移除这个清单的全部项目？"));
    EXPECT_EQ(ui::shownBoxes()[0].title, QStringLiteral("注意事项"));
    EXPECT_EQ(list->lstMn[0]->count(), 3);
    answers.then(ui::Ok);
    list->mbDel_Click(1);
    EXPECT_EQ(list->lstMn[0]->count(), 0);
    EXPECT_EQ(list->mbDel[0]->State(), 3);
    EXPECT_EQ(window->mbNextItem->State(), 3);

    // A cancelled dialog adds nothing.
    answers.thenCancel();
    list->mbAdd_Click(0);
    EXPECT_EQ(list->lstMn[0]->count(), 0);

    // Appended at the end, the files keep their order too.
    list->mnuToListEnd_Click();
    answers.thenFiles({clip(testmedia::Mpeg1Mp2), clip(testmedia::Flv1Mp3)});
    list->mbAdd_Click(0);
    EXPECT_EQ(items(0), QStringList({clip(testmedia::Mpeg1Mp2), clip(testmedia::Flv1Mp3)}));

    // A path that cannot stay on one line of "List.ini" is refused with a message, by
    // every way into a list.
    ui::clearShownBoxes();
    const QString broken = folder.file(QStringLiteral("a\nb.flv"));
    list->addToList(broken, false, true);
    list->addToList(1, broken);
    window->mnToList(2, broken);
    EXPECT_EQ(list->lstMn[1]->count(), 0);
    EXPECT_EQ(list->lstMn2[0]->count(), 0);
    ASSERT_EQ(ui::shownBoxes().size(), 3u);
    EXPECT_TRUE(ui::shownBoxes()[0].text.endsWith(broken));
    EXPECT_EQ(ui::shownBoxes()[0].title, QStringLiteral("错误讯息"));
    list->changeToTab(0, 0, false);
    EXPECT_EQ(list->lstMn[0]->count(), 2);
}

TEST_F(Workspace, DroppedFilesAndTextAddOnlyWhatExists)
{
    const QString missing = folder.file(QStringLiteral("gone.flv"));
    list->lstMn_OLEDragDrop({clip(testmedia::Flv1Mp3), missing, clip(testmedia::CjkFlv)}, QString());
    // Appended in the order they were dropped.
    EXPECT_EQ(items(0), QStringList({clip(testmedia::Flv1Mp3), clip(testmedia::CjkFlv)}));
    // Text dropped for real on the list: each line that names a file.
    QMimeData data;
    data.setText(clip(testmedia::ToneWav) + QStringLiteral("\r\n") + missing + QStringLiteral("\r\n"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->lstMn[0]->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->lstMn[0]->viewport(), &drop);
    EXPECT_EQ(items(0).last(), clip(testmedia::ToneWav));
    EXPECT_EQ(list->lstMn[0]->count(), 3);

    // Tooltips: the size of a file that is there, a note for one that is not.
    const qint64 kb = (QFileInfo(clip(testmedia::Flv1Mp3)).size() + 1023) / 1024;
    EXPECT_EQ(list->listToolTip(list->lstMn[0], 0),
              clip(testmedia::Flv1Mp3) + QStringLiteral(" ( ") + QString::number(kb) + QStringLiteral(" KB )"));
    list->addToList(0, missing);
    EXPECT_EQ(list->listToolTip(list->lstMn[0], 3), missing + QStringLiteral(" ( 不存在 )"));
    EXPECT_TRUE(list->listToolTip(list->lstMn[0], 9).isEmpty());
}

TEST_F(Workspace, TheLineFormatRecomposesTheShownListAndTheOtherWhenShown)
{
    const QString marked = clip(testmedia::Flv1Mp3) + QStringLiteral("‖10-20 30-40");
    list->addToList(0, marked);
    list->addToList(1, clip(testmedia::H264AacFlv));
    list->lstMn[0]->setCurrentRow(0);
    list->mnuLineFmt_Click(1);
    EXPECT_TRUE(list->mnuLineFmt[1]->isChecked());
    EXPECT_EQ(list->lstMn[0]->item(0)->text(),
              QStringLiteral("flv1_mp3.flv\t") + withTrailingSeparator(testmedia::mediaDir())
                  + QStringLiteral("\t标记 10-20 30-40"));
    EXPECT_EQ(items(0), QStringList({marked}));
    EXPECT_EQ(list->lstMn[0]->currentRow(), 0) << "the selection stays";
    EXPECT_EQ(list->lstMn[1]->item(0)->text(), clip(testmedia::H264AacFlv) + QStringLiteral("\t无标记"));
    list->changeToTab(0, 1, false);
    EXPECT_TRUE(list->lstMn[1]->item(0)->text().startsWith(QStringLiteral("h264_aac.flv\t")));
    EXPECT_EQ(items(1), QStringList({clip(testmedia::H264AacFlv)}));

    // The store holds item strings, whatever the format, and the format itself.
    const settings::ListStore store = window->currentLists();
    EXPECT_EQ(store.lists[0].items, QStringList({marked}));
    EXPECT_EQ(store.lastPlaylistNo, 1);
    EXPECT_EQ(window->currentSettings().lineFmt, 1);
}

TEST_F(Workspace, AListIsSavedAndAddedBackThroughAPlaylistFile)
{
    const QString marked = clip(testmedia::Flv1Mp3) + QStringLiteral("‖10-20");
    list->addToList(0, marked);
    list->addToList(0, clip(testmedia::CjkFlv));
    list->activeList->setCurrentRow(0);
    const QString saved = folder.file(QStringLiteral("saved.plt"));
    answers.thenFile(saved).then(ui::Cancel); // the save dialog, then the closing report
    list->mbSave_Click(1);
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_FALSE(QFileInfo::exists(tempFolder + QStringLiteral("~tmpS.plt")));
    QStringList fileItems;
    ASSERT_TRUE(mdlLineFormat::readPlaylistFile(saved, fileItems));
    EXPECT_EQ(fileItems, QStringList({marked, clip(testmedia::CjkFlv)}));
    bool sawSave = false;
    for (const ui::Shown& b : ui::shownBoxes())
        if (b.kind == ui::Shown::File && b.style == ui::SaveFile) {
            sawSave = true;
            EXPECT_EQ(b.filter, QStringLiteral("预设清单档(*.plt)|*.plt"));
        }
    EXPECT_TRUE(sawSave);

    answers.then(ui::Ok);
    list->mbDel_Click(1);
    list->changeToTab(0, 1, false);
    answers.thenFile(saved);
    list->mbAdd_Click(1);
    EXPECT_EQ(items(1), QStringList({marked, clip(testmedia::CjkFlv)}));
    EXPECT_EQ(list->lstMn[1]->currentRow(), 1);

    // A file that is no playlist is ignored.
    answers.thenFile(clip(testmedia::Flv1Mp3));
    list->mbAdd_Click(1);
    EXPECT_EQ(list->lstMn[1]->count(), 2);
}

TEST_F(Workspace, TheMergeListTakesBarePathsAndTotalsTheirSize)
{
    list->addToList(0, clip(testmedia::Flv1Mp3) + QStringLiteral("‖10-20"));
    list->addToList(0, clip(testmedia::H264AacFlv));
    list->lstMn[0]->setCurrentRow(0);
    list->mnuToList_Click(2);
    EXPECT_EQ(list->viewKind, 20);
    EXPECT_EQ(list->activeList, list->lstMn2[0]);
    EXPECT_EQ(playingList, nullptr);
    ASSERT_EQ(list->lstMn2[0]->count(), 1);
    EXPECT_EQ(list->lstMn2[0]->item(0)->text(), clip(testmedia::Flv1Mp3));
    EXPECT_FALSE(list->mbPlay->isVisibleTo(list)) << "the merge list has no play buttons";
    const qint64 kb = (QFileInfo(clip(testmedia::Flv1Mp3)).size() + 1023) / 1024;
    EXPECT_EQ(list->lblNote->text(),
              QStringLiteral("合并清单目前所有项目的总档案大小是：") + QString::number(kb) + QStringLiteral(" KB"));

    // The marks go along into the other playlist.
    list->changeToTab(0, 0, false);
    list->lstMn[0]->setCurrentRow(0);
    list->mnuToList_Click(1);
    EXPECT_EQ(list->viewKind, 1);
    EXPECT_EQ(items(1), QStringList({clip(testmedia::Flv1Mp3) + QStringLiteral("‖10-20")}));
}

TEST_F(Workspace, ADoubleClickedItemPlaysAndTheListGoesOnByItsPlayMode)
{
    list->addToList(0, clip(testmedia::Flv1Mp3));
    list->addToList(0, clip(testmedia::H264AacFlv));
    list->mnuPlaySetting_Click(2);
    EXPECT_EQ(listPlayMode, 2);
    list->lstMn[0]->setCurrentRow(0);
    list->lstMn_DblClick();
    ASSERT_EQ(window->mci().FileName(), clip(testmedia::Flv1Mp3));
    EXPECT_EQ(playOrigin, OriginList);
    EXPECT_EQ(list->mbStop->State(), 0);
    EXPECT_EQ(list->mbStopLoop->State(), 0);

    window->mci().setCurFrame(window->mci().getTotalFrames() - 10, true);
    ASSERT_TRUE(waitFor([&] { return window->mci().FileName() == clip(testmedia::H264AacFlv); }, 30000))
        << window->statusText().toStdString();
    EXPECT_EQ(list->lstMn[0]->currentRow(), 1);

    // Single-file mode: the item ends and nothing follows.
    list->mnuPlaySetting_Click(0);
    EXPECT_EQ(list->mbStopLoop->State(), 3);
    window->mci().setCurFrame(window->mci().getTotalFrames() - 10, true);
    ASSERT_TRUE(waitFor([&] { return playerState == Stopped; }, 30000));
    EXPECT_EQ(window->mci().FileName(), clip(testmedia::H264AacFlv));
    EXPECT_EQ(list->lstMn[0]->currentRow(), 1);

    // The play button plays the selected item; stop-all ends list play.
    list->mnuPlaySetting_Click(2);
    list->lstMn[0]->setCurrentRow(0);
    list->mbPlay_Click();
    EXPECT_EQ(window->mci().FileName(), clip(testmedia::Flv1Mp3));
    list->mbStopLoop_Click();
    EXPECT_EQ(playerState, Stopped);
    EXPECT_EQ(window->mci().FileName(), clip(testmedia::Flv1Mp3));
    EXPECT_EQ(list->lstMn[0]->currentRow(), 0) << "stopping all does not go on";
}

// The tool pages live on their areas: the fix page names the file "播放指定影片" plays,
// the join page's run button follows the merge list, and a refused join selects the item.
TEST_F(Workspace, ToolPagesAreHostedOnTheirAreas)
{
    ASSERT_NE(list->pageFix, nullptr);
    ASSERT_NE(list->pageSplit, nullptr);
    ASSERT_NE(list->pageJoin, nullptr);
    EXPECT_TRUE(list->isAncestorOf(list->pageFix));

    list->changeToTab(4, 0, false);
    EXPECT_EQ(list->viewKind, 40);
    EXPECT_TRUE(list->pageFix->isVisible());
    EXPECT_TRUE(list->mnuPlaySpec->isVisible());
    EXPECT_FALSE(list->mnuPlaySpec->isEnabled());
    EXPECT_LT(list->pageFix->mbMdFix->State(), 3) << "the browse button works on its page";
    list->pageFix->txtMdFix->setText(clip(testmedia::Flv1Mp3));
    EXPECT_TRUE(list->mnuPlaySpec->isEnabled());
    EXPECT_EQ(list->mnuPlaySpec->property("Tag").toString(), clip(testmedia::Flv1Mp3));
    list->mnuPlaySpec->trigger();
    ASSERT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }));

    list->changeToTab(2, 0, false);
    EXPECT_TRUE(list->pageJoin->isVisible());
    EXPECT_FALSE(list->pageJoin->cmdMediaJoin->isEnabled());
    list->addToList(clip(testmedia::Flv1Mp3), false, true);
    EXPECT_FALSE(list->pageJoin->cmdMediaJoin->isEnabled());
    list->addToList(clip(testmedia::Mpeg1Mp2), false, true);
    EXPECT_TRUE(list->pageJoin->cmdMediaJoin->isEnabled());

    // Two types in one join: refused, and the item that does not fit is selected.
    list->lstMn2[0]->setCurrentRow(0);
    list->pageJoin->cmdMediaJoin_Click();
    ASSERT_FALSE(ui::shownBoxes().empty());
    EXPECT_EQ(list->lstMn2[0]->currentRow(), 1);

    list->changeToTab(2, 1, false);
    EXPECT_EQ(list->viewKind, 21);
    EXPECT_TRUE(list->pageSplit->isVisible());
    EXPECT_LT(list->pageSplit->mbMdSplit->State(), 3);

    // The pages share the workspace's save folder, and the settings file keeps it.
    list->saveFolder = folder.path();
    EXPECT_EQ(*list->pageFix->saveFolder, folder.path());
    EXPECT_EQ(window->currentSettings().saveDir, folder.path());
}

// The mark list shows the player's marks as times, refuses what cannot be a range and
// writes the edited list back onto the player.
TEST_F(Workspace, TheMarkListEditsThePlayersMarks)
{
    window->playSingle(clip(testmedia::Flv1Mp3), false);
    ASSERT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }));
    window->applyMark({{25, 50}, {75, 100}});
    window->mnuRngEdit_Click();
    MarkListPage* page = list->pageMark;
    EXPECT_EQ(list->viewKind, 10);
    EXPECT_EQ(list->lblNote->text(), QStringLiteral("用滑鼠双击清单的指定项目，便可以播放该标记区段"));
    ASSERT_EQ(page->lstRng->count(), 2);
    EXPECT_EQ(page->lstRng->item(0)->text(), QStringLiteral("　从 00:00:01.00 到 00:00:02.00"));
    EXPECT_EQ(page->lblTtTime->text(), QStringLiteral("00:00:04.00"));
    EXPECT_EQ(page->txtRngStart->text(), QStringLiteral("00:00:01.00"));
    EXPECT_TRUE(page->cmdLoad->isEnabled());
    EXPECT_FALSE(page->cmdSSt[3]->isEnabled()) << "the first line cannot move up";

    // Refused times leave the list alone and the boxes show the selected line again.
    const auto refused = [&](const char* start, const char* end) {
        ui::clearShownBoxes();
        page->txtRngStart->setText(QString::fromLatin1(start));
        page->txtRngEnd->setText(QString::fromLatin1(end));
        page->cmdSSt_Click(1);
        EXPECT_EQ(page->lstRng->item(0)->text(), QStringLiteral("　从 00:00:01.00 到 00:00:02.00"));
        EXPECT_EQ(page->txtRngStart->text(), QStringLiteral("00:00:01.00"));
        EXPECT_EQ(ui::shownBoxes().size(), 1u);
        return ui::shownBoxes().empty() ? QString() : ui::shownBoxes()[0].text;
    };
    EXPECT_EQ(refused("00:60:00.00", "00:00:02.00"), QStringLiteral("输入的时间不符合格式要求！"));
    EXPECT_EQ(refused("00:00:01.00", "00:00:04.01"), QStringLiteral("时间超过此档案的播放长度！"));
    EXPECT_EQ(refused("00:00:02.00", "00:00:02.00"), QStringLiteral("结束时间必须在开始时间之后！"));
    EXPECT_EQ(ui::shownBoxes()[0].title, QStringLiteral("错误讯息"));

    // With nothing selected a new range goes to the top; the end may be the length.
    page->lstRng->setCurrentRow(-1);
    page->txtRngStart->setText(QStringLiteral("00:00:03.00"));
    page->txtRngEnd->setText(QStringLiteral("00:00:04.00"));
    page->cmdSSt_Click(0);
    ASSERT_EQ(page->lstRng->count(), 3);
    EXPECT_EQ(page->lstRng->currentRow(), 0);
    EXPECT_EQ(page->lstRng->item(0)->text(), QStringLiteral("　从 00:00:03.00 到 00:00:04.00"));
    page->cmdSSt_Click(4);
    EXPECT_EQ(page->lstRng->currentRow(), 1);
    EXPECT_EQ(page->lstRng->item(0)->text(), QStringLiteral("　从 00:00:01.00 到 00:00:02.00"));

    // Applied, the player holds the list's ranges in its order; reloaded, the list reads
    // them back as they were.
    page->cmdApply_Click();
    ASSERT_EQ(window->markList().count(), 3);
    EXPECT_EQ(window->markList().at(1).start, 75);
    EXPECT_EQ(window->markList().at(1).length, 25);
    QStringList before;
    for (int r = 0; r < 3; ++r)
        before << page->lstRng->item(r)->text();
    page->cmdLoad_Click();
    QStringList after;
    for (int r = 0; r < page->lstRng->count(); ++r)
        after << page->lstRng->item(r)->text();
    EXPECT_EQ(after, before);

    // Removing the last line selects the new last one; the only one leaves nothing to edit.
    page->lstRng->setCurrentRow(2);
    page->cmdSSt_Click(2);
    EXPECT_EQ(page->lstRng->currentRow(), 1);
    page->cmdSSt_Click(2);
    page->cmdSSt_Click(2);
    EXPECT_EQ(page->lstRng->count(), 0);
    EXPECT_FALSE(page->cmdSSt[1]->isEnabled());
    EXPECT_FALSE(page->cmdSSt[2]->isEnabled());
    EXPECT_TRUE(page->cmdApply->isEnabled()) << "an emptied list clears the player's marks";
    page->cmdApply_Click();
    EXPECT_FALSE(window->rangeBarShown());
    EXPECT_FALSE(page->cmdApply->isEnabled());
}

// The browser follows a file shown in it, whatever the case of its name, and the settings
// keep its folder and row; the save folder is forgotten once it is gone.
TEST_F(Workspace, TheFileBrowserShowsFilesAndKeepsTheSaveFolder)
{
    const QString dir = folder.file(QStringLiteral("v"));
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(QFile::copy(clip(testmedia::Flv1Mp3), dir + QStringLiteral("/a.flv")));
    ASSERT_TRUE(QFile::copy(clip(testmedia::Flv1Mp3), dir + QStringLiteral("/clip.flv")));
    list->showInFileBrowser(dir + QStringLiteral("/Clip.FLV"));
    EXPECT_EQ(list->viewKind, 11);
    EXPECT_TRUE(playFromBrowser);
    EXPECT_EQ(list->Fn1->currentRow(), 1);
    EXPECT_EQ(list->getFnFn(), dir + QStringLiteral("/clip.flv"));
    EXPECT_EQ(list->mbRndPlay->State(), 0);
    EXPECT_EQ(list->lblNote->text(), QStringLiteral("用滑鼠双击列表的指定项目，便可以播放该档案"));
    const QString tip = list->pageBrowser->Fn1ToolTip(0);
    EXPECT_EQ(tip, QStringLiteral("a.flv ( %1 KB )").arg((QFileInfo(clip(testmedia::Flv1Mp3)).size() + 1023) / 1024));
    settings::Settings s = window->currentSettings();
    EXPECT_EQ(s.listDir, dir);
    EXPECT_EQ(s.listDirIdx.value_or(-9), 1);

    // Played from the browser, the file is an item of the browser's list.
    list->mbPlay_Click();
    ASSERT_TRUE(waitFor([&] { return window->mci().FileName() == dir + QStringLiteral("/clip.flv"); }));
    EXPECT_EQ(playOrigin, OriginList);

    // F3 here shows the open file, as in the player; a right click opens no folder.
    list->changeToTab(0, 0, false);
    list->Form_KeyDown(114);
    EXPECT_EQ(list->getFnFn(), dir + QStringLiteral("/clip.flv"));
    list->pageBrowser->Dir1_MouseDown(testmedia::mediaDir(), Qt::RightButton);
    EXPECT_EQ(list->pageBrowser->folder(), dir);

    // A folder that vanished sends the browser back to its drive's root.
    ui::clearShownBoxes();
    list->pageBrowser->Dir1_MouseDown(dir + QStringLiteral("/gone"), Qt::LeftButton);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("你想要浏览的目录已经不存在！\r\n\r\n") + dir + QStringLiteral("/gone/"));
    EXPECT_EQ(list->pageBrowser->folder(), list->pageBrowser->Drv1->currentText());
    list->pageBrowser->Drv1->addItem(folder.file(QStringLiteral("no-drive")));
    list->pageBrowser->Drv1->setCurrentIndex(list->pageBrowser->Drv1->count() - 1);
    list->pageBrowser->Drv1_Change();
    EXPECT_EQ(ui::shownBoxes().back().text, QStringLiteral("无法开启指定的磁碟机：") + folder.file(QStringLiteral("no-drive")));
    EXPECT_NE(list->pageBrowser->Drv1->currentIndex(), list->pageBrowser->Drv1->count() - 1);

    // The save folder: chosen in its dialog, used by the tools, cleared once it is gone.
    answers.thenFile(dir);
    list->pageBrowser->mbSaveDir_Click();
    EXPECT_EQ(ui::shownBoxes().back().text, QStringLiteral("请选取预设的存取目录\r\n或者你也可以新建资料夹！"));
    EXPECT_TRUE(list->pageBrowser->txtSaveDir->text().startsWith(dir));
    EXPECT_EQ(withTrailingSeparator(getOutputFolder(QStringLiteral("/e/a/b.flv"), list->saveFolder)),
              withTrailingSeparator(dir));
    ASSERT_TRUE(QDir(dir).removeRecursively());
    list->changeToTab(1, 1, false);
    EXPECT_TRUE(list->pageBrowser->txtSaveDir->text().isEmpty());
    EXPECT_EQ(getOutputFolder(QStringLiteral("/e/a/b.flv"), list->saveFolder), QStringLiteral("/e/a/"));
    list->pageBrowser->chkDoneToFn->setChecked(false);
    EXPECT_EQ(window->currentSettings().doneToFn, 0);

    // A file dropped on the browser plays, and the browser shows it.
    list->pageBrowser->Drv1_OLEDragDrop({clip(testmedia::H264AacFlv)}, QString());
    EXPECT_EQ(window->mci().FileName(), clip(testmedia::H264AacFlv));
    EXPECT_EQ(list->getFnFn(), clip(testmedia::H264AacFlv));
}

// Opened while a file plays, the workspace's stop button can stop it; a mark play that
// ends list play shows single-file play checked in the workspace's menu.
TEST_F(WorkspaceOpenedLater, StopButtonsAndPlayModeFollowThePlayer)
{
    listPlayMode = 2;
    window->playSingle(clip(testmedia::Flv1Mp3), false);
    ASSERT_TRUE(waitFor([&] { return window->mci().getStatus() == QStringLiteral("playing"); }));
    openWorkspace();
    EXPECT_EQ(list->mbStop->State(), 0);
    EXPECT_TRUE(list->mnuPlaySetting[2]->isChecked());

    window->applyMark({{25, 50}});
    ui::clearShownBoxes();
    window->mnuRngPlay_Click(0);
    ASSERT_FALSE(ui::shownBoxes().empty());
    EXPECT_EQ(listPlayMode, 0);
    EXPECT_TRUE(list->mnuPlaySetting[0]->isChecked());
    EXPECT_FALSE(list->mnuPlaySetting[2]->isChecked());
}

// The snapshot page and the four encode pages on areas 3, 6 and 7: their hint lines, the
// caption of the play command, browse buttons that work, and the source each names.
// With ZORVO_SHOT_DIR set, each page is saved there as the window shows it.
TEST_F(Workspace, SnapshotAndEncodePagesOnTheirAreas)
{
    struct Page {
        int area, tab;
        QWidget* page;
        const char* note;
        const char* play;
    };
    const Page pages[] = {
        {3, 0, list->pageSnap, "按照步骤输入参数之后，“执行截图功能”便可以按下", "播放指定影片"},
        {6, 0, list->pageEncode[0], "按照步骤输入参数之后，“执行转档功能”便可以按下", "播放来源影片"},
        {6, 1, list->pageEncode[1], "按照步骤输入参数之后，“执行转档功能”便可以按下", "播放来源影片"},
        {7, 0, list->pageEncode[2], "按照步骤输入参数之后，“执行转档功能”便可以按下", "播放来源音乐"},
        {7, 1, list->pageEncode[3], "按照步骤输入参数之后，“执行转档功能”便可以按下", "播放来源音乐"},
    };
    const QString shots = qEnvironmentVariable("ZORVO_SHOT_DIR");
    list->show();
    for (const Page& p : pages) {
        list->changeToTab(p.area, p.tab, false);
        EXPECT_EQ(list->viewKind, p.area * 10 + p.tab);
        EXPECT_TRUE(p.page->isVisible()) << p.area << p.tab;
        EXPECT_EQ(list->lblNote->text(), QString::fromUtf8(p.note));
        EXPECT_EQ(list->mnuPlaySpec->text(), QString::fromUtf8(p.play));
        EXPECT_FALSE(list->mnuPlaySpec->isEnabled());
        for (ui::ZorvoButton* b : p.page->findChildren<ui::ZorvoButton*>())
            EXPECT_LT(b->State(), 3) << b->objectName().toStdString();
        if (!shots.isEmpty()) {
            QTest::qWait(200);
            list->grab().save(QStringLiteral("%1/page%2%3.png").arg(shots).arg(p.area).arg(p.tab));
        }
    }
    list->pageEncode[3]->cboEncodeSrc->setCurrentText(QStringLiteral("WAV"));
    list->pageEncode[3]->txtEncodeSrc->setText(clip(testmedia::ToneWav));
    EXPECT_TRUE(list->mnuPlaySpec->isEnabled());
    EXPECT_EQ(list->mnuPlaySpec->property("Tag").toString(), clip(testmedia::ToneWav));
    list->changeToTab(3, 0, false);
    EXPECT_FALSE(list->mnuPlaySpec->isEnabled());
    list->pageSnap->txtMdSplit->setText(clip(testmedia::Flv1Mp3));
    EXPECT_EQ(list->mnuPlaySpec->property("Tag").toString(), clip(testmedia::Flv1Mp3));
    list->pageSnap->cmdMdSplitChk_Click();
    list->pageSnap->txtMdSnEq[1]->setText(QStringLiteral("4"));
    EXPECT_TRUE(list->pageSnap->cmdMediaSnap->isEnabled());
    if (!shots.isEmpty())
        list->grab().save(shots + QStringLiteral("/page30-ready.png"));
    // The split page shows the same source with its properties, and back again.
    list->changeToTab(2, 1, false);
    EXPECT_EQ(list->pageSplit->txtMdSplit->text(), clip(testmedia::Flv1Mp3));
    EXPECT_EQ(list->pageSplit->cmdMdSplitChkTag, QStringLiteral("4.00"));
    list->pageSplit->txtMdSplit->clear();
    list->changeToTab(3, 0, false);
    EXPECT_TRUE(list->pageSnap->txtMdSplit->text().isEmpty());
    EXPECT_FALSE(list->pageSnap->cmdMediaSnap->isEnabled());
}
