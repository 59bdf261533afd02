#include "player/frmMain.h"

#include "app/AppInfo.h"
#include "app/FileObject.h"
#include "app/Numbers.h"
#include "app/PlayerState.h"
#include "app/mdlZorvoFLV.h"
#include "media/MainVol.h"
#include "media/MciSend.h"
#include "media/WindowRegistry.h"
#include "player/PlayerLogic.h"
#include "ui/CommDialog.h"
#include "ui/Icons.h"
#include "ui/MsgBox.h"
#include "ui/SmallDialogs.h"
#include "ui/ZorvoButton.h"
#include "tools/frmBuzy.h"
#include "tools/mdlSaveRng.h"
#include "tools/mdlTools.h"
#include "workspace/frmList.h"
#include "workspace/mdlLineFormat.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <QVBoxLayout>

using namespace mdlZorvoFLV;
using playerLogic::StepFrames;

namespace {

frmMain* g_main = nullptr;

constexpr int panelHeight = 69;
constexpr int twipsPerPixel = 15;
constexpr int buttonSize = 26;
const QString playerAlias = QStringLiteral("Zorvo.FLV");
const QString captureAlias = QStringLiteral("Zorvo.FLV_forCapture");

QString markOpenTitle() { return QStringLiteral("注意事项"); }

} // namespace

frmMain* frmMain::instance() { return g_main; }

namespace {

class PlayerToolHost : public ToolHost {
public:
    explicit PlayerToolHost(frmMain& player) : player_(player) {}
    QWidget* playerWindow() override { return &player_; }
    QWidget* workspaceWindow() override { return player_.findChild<frmList*>(); }
    void pausePlayer() override { player_.pausePrFn(); }
    void closeRunFn(const QString& file) override { player_.closeRunFn(file); }
    void showInBrowser(const QString& file) override
    {
        auto* list = player_.findChild<frmList*>();
        if (list)
            list->showFile(file);
    }
    bool doneToFileBrowser() override { return player_.doneToFn() == 1; }
    void playErrorMsg(const QString& file, const QString& headMsg) override { player_.playErrorMsg(file, headMsg); }

private:
    frmMain& player_;
};

} // namespace

ToolHost& frmMain::toolHost()
{
    if (!toolHost_)
        toolHost_ = std::make_unique<PlayerToolHost>(*this);
    return *toolHost_;
}

void frmMain::dealMyResource(const QString& resMode, bool forSave)
{
    mdlTools::dealMyResource(toolHost(), resMode, forSave);
}

bool frmMain::buzySateShow(bool isShow, QWidget* objFrm)
{
    return mdlTools::buzySateShow(toolHost(), isShow, objFrm);
}

void frmMain::doneAfterSave(const QString& outputFile, bool isForce, float useTime, bool isBreak)
{
    mdlTools::doneAfterSave(toolHost(), outputFile, isForce, useTime, isBreak);
}

frmMain::frmMain()
{
    g_main = this;
    setWindowTitle(mainTitle());
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);

    picFrame_ = new QWidget(this);
    picFrame_->setObjectName(QStringLiteral("picFrame"));
    picFrame_->setAutoFillBackground(true);
    QPalette pal = picFrame_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    picFrame_->setPalette(pal);
    // The video area is at least 320 x 10 pixels.
    picFrame_->setMinimumSize(320 + 2, 10 + 2 + panelHeight);
    picFrame_->installEventFilter(this);
    setCentralWidget(picFrame_);
    hwnd_ = media::registerWindow(picFrame_);

    picCapMCI = new QWidget(picFrame_);
    picCapMCI->setGeometry(0, 0, 1, 1);
    picCapMCI->hide();

    buildMenus();
    buildPanel();

    tmrCheck.setInterval(333);
    connect(&tmrCheck, &QTimer::timeout, this, &frmMain::tmrCheck_Timer);
    tmrStart.setInterval(200);
    tmrStart.setSingleShot(true);
    connect(&tmrStart, &QTimer::timeout, this, [this] {
        if (frmList* w = workspace(true))
            w->changeToTab(0, -1, true);
    });
    qApp->installEventFilter(this);

    playerFileName = [this] { return mci_.FileName(); };
    releasePlayerFile = [this] { closeRunFn(mci_.FileName()); };
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
    playerFileName = nullptr;
    releasePlayerFile = nullptr;
    if (list_) {
        list_->setClosing(true);
        delete list_;
    }
    if (g_main == this)
        g_main = nullptr;
}

// ---- Building the window ------------------------------------------------------------------

void frmMain::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("档案"));
    file->addAction(QStringLiteral("开启新的档案"), this, &frmMain::mnuOpen_Click);
    mnuPlayLast = file->addAction(QStringLiteral("开启上次档案"), this, &frmMain::mnuPlayLast_Click);
    mnuPlayLast->setEnabled(false);
    file->addSeparator();
    mnuAddToList = file->addMenu(QStringLiteral("加入目前档案到"));
    {
        const QString names[3] = {QStringLiteral("播放清单一"), QStringLiteral("播放清单二"), QStringLiteral("合并清单")};
        for (int i = 0; i < 3; ++i)
            mnuToList[i] = mnuAddToList->addAction(names[i], this, [this, i] { mnuToList_Click(i); });
        mnuAddToList->addSeparator();
        mnuToListEnd = mnuAddToList->addAction(QStringLiteral("总是加到清单末尾"), this, &frmMain::mnuToListEnd_Click);
        mnuToListEnd->setCheckable(true);
        mnuToListEnd->setChecked(true);
        mnuAutoAddMark = mnuAddToList->addAction(QStringLiteral("总是自动附加标记"), this, &frmMain::mnuAutoAddMark_Click);
        mnuAutoAddMark->setCheckable(true);
    }
    mnuAddToList->setEnabled(false);
    mnuExplorer = file->addAction(QStringLiteral("前往档案总管"), this, [this] { showInExplorer(mci_.FileName()); });
    mnuExplorer->setEnabled(false);
    file->addSeparator();
    file->addAction(QStringLiteral("立即储存设定"), this, &frmMain::mnuSaveNow_Click);
    file->addSeparator();
    file->addAction(QStringLiteral("结束 ( 储存设定 )"), this, [this] { mnuEnd_Click(0); });
    file->addAction(QStringLiteral("结束 ( 不储存设定 )"), this, [this] { mnuEnd_Click(1); });

    QMenu* play = menuBar()->addMenu(QStringLiteral("播放"));
    QMenu* speed = play->addMenu(QStringLiteral("播放速度"));
    auto* speedGroup = new QActionGroup(this);
    for (int i = 0; i <= playerLogic::customSpeedItem; ++i) {
        if (i == playerLogic::speedItemCount) {
            speed->addSeparator();
            continue;
        }
        mnuSpeed[i] = speed->addAction(playerLogic::speedCaption(i), this, [this, i] { mnuSpeed_Click(i); });
        mnuSpeed[i]->setCheckable(true);
        speedGroup->addAction(mnuSpeed[i]);
    }
    speedGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    mnuSpeed[playerLogic::normalSpeedItem]->setChecked(true);

    QMenu* step = play->addMenu(QStringLiteral("倒转与快转"));
    for (int i = 0; i < 5; ++i) {
        if (i == 3) {
            step->addSeparator();
            continue;
        }
        const QString caption = i == 4 ? QStringLiteral("自订目前模式的数值") : playerLogic::stepCaption(i, 5);
        mnuFB[i] = step->addAction(caption, this, [this, i] { mnuFB_Click(i); });
        mnuFB[i]->setCheckable(i < 3);
    }
    mnuFB[1]->setChecked(true);

    QMenu* rng = menuBar()->addMenu(QStringLiteral("标记剪辑"));
    mnuRngPlay[0] = rng->addAction(QStringLiteral("单次播放标记　　 　Enter"), this, [this] { mnuRngPlay_Click(0); });
    mnuRngPlay[1] = rng->addAction(QStringLiteral("循环播放标记　   Ctr+Enter"), this, [this] { mnuRngPlay_Click(1); });
    rng->addSeparator();
    mnuRngEdit = rng->addAction(QStringLiteral("前往标记清单　　 　F2"), this, &frmMain::mnuRngEdit_Click);
    mnuRngClear = rng->addAction(QStringLiteral("清除所有标记"), this, &frmMain::mnuRngClear_Click);
    rng->addSeparator();
    mnuSaveRng = rng->addAction(QStringLiteral("另存裁剪"), this, &frmMain::mnuSaveRng_Click);
    mnuSaveCut = rng->addAction(QStringLiteral("另存分割"), this, &frmMain::mnuSaveCut_Click);
    for (QAction* a : {mnuRngPlay[0], mnuRngPlay[1], mnuRngClear, mnuSaveRng, mnuSaveCut})
        a->setEnabled(false);

    QMenu* view = menuBar()->addMenu(QStringLiteral("检视"));
    mnuKeepWH = view->addAction(QStringLiteral("影片维持长宽比例"), this, &frmMain::mnuKeepWH_Click);
    mnuKeepWH->setCheckable(true);
    mnuKeepWH->setChecked(true);
    mnuKeepDef = view->addAction(QStringLiteral("影片维持原始大小"), this, &frmMain::mnuKeepDef_Click);
    mnuKeepDef->setCheckable(true);
    view->addAction(QStringLiteral("切换画面最大化　　Esc"), this, &frmMain::mnuScnFull_Click);
    view->addSeparator();
    mnuStartList = view->addAction(QStringLiteral("启动时显示播放清单"));
    mnuStartList->setCheckable(true);

    QMenu* work = menuBar()->addMenu(QStringLiteral("工作区"));
    work->addAction(QStringLiteral("前往播放清单　　　F1"), this, [this] { Form_KeyDown(112, 0); });
    work->addAction(QStringLiteral("前往档案列表　　F3"), this, [this] { Form_KeyDown(114, 0); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("说明"));
    auto openHelp = [this](const QString& name) {
        const QString path = programFolder + name;
        if (FileObject::instance().FileExists(path))
            shellOpen(path);
        else
            ui::msgBox(QStringLiteral("找不到说明档 ") + name + QStringLiteral("！"), ui::OkOnly,
                       QStringLiteral("注意事项"), this);
    };
    help->addAction(QStringLiteral("说明主题"), this, [openHelp] { openHelp(QStringLiteral("Zorvo.FLV.chm")); });
    help->addAction(QStringLiteral("无法播放 FLV？"), this, [openHelp] { openHelp(QStringLiteral("Zuvud.ODI.vur")); });
    help->addSeparator();
    help->addAction(QStringLiteral("开启安装目录"), this, [] {
        QString folder = programFolder;
        if (folder.size() > 1 && endsWithSeparator(folder))
            folder.chop(1);
        shellOpen(folder);
    });
    help->addSeparator();
    help->addAction(QStringLiteral("关于本软体"), this, [this] {
        pausePrFn();
        ui::frmAbout about(this);
        about.exec();
    });
    help->addAction(QStringLiteral("捐助 ......"), this, [this] {
        ui::frmMoney money(this);
        money.exec();
    });
    help->addAction(QStringLiteral("移除本软体"), this, [this] {
        pausePrFn();
        ui::msgBox(QStringLiteral("本软体乃是绿色软体，与免费软体\r\n如果想移除本软体，只要将安装的\r\n"
                                  "目录与目录下的档案全部删除即可\r\n\r\n你可以使用“开启安装目录”选项"),
                   ui::Information, QString(), this);
    });
}

void frmMain::buildPanel()
{
    picPlusBk = new QWidget(picFrame_);
    picPlusBk->setObjectName(QStringLiteral("picPlusBk"));
    picPlusBk->setAutoFillBackground(true);
    {
        // The video area is black; the panel takes the desktop's colours again (set
        // role by role, or it would inherit the black).
        const QPalette app = QApplication::palette();
        QPalette panel = picPlusBk->palette();
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Button,
                                         QPalette::ButtonText, QPalette::Light, QPalette::Dark, QPalette::Mid})
            panel.setColor(role, app.color(role));
        picPlusBk->setPalette(panel);
    }
    picPlusBk->setFixedHeight(panelHeight);

    picHsbBack = new QWidget(picPlusBk);
    picHsbBack->setGeometry(4, 4, 300, 12);
    picHsbBack->installEventFilter(this);
    picHsb = new QFrame(picPlusBk);
    picHsb->setGeometry(4, 4, 300, 12);
    picHsb->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picHsb->setLineWidth(1);
    picHsb->installEventFilter(this);
    picHsb2 = new QFrame(picPlusBk);
    picHsb2->setGeometry(0, 2, 10, 16);
    picHsb2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    picHsb2->setLineWidth(2);
    picHsb2->setAutoFillBackground(true);
    picHsb2->installEventFilter(this);

    picRngBk = new QWidget(picPlusBk);
    picRngBk->setObjectName(QStringLiteral("picRngBk"));
    picRngBk->setGeometry(4, 16, 300, 4);
    picRngBk->hide();
    syncMarkBoxes();

    picMsgBk = new QWidget(picPlusBk);
    picMsgBk->setGeometry(4, 20, 300, 18);
    picAssIcon = new QLabel(picMsgBk);
    picAssIcon->setGeometry(1, 1, 16, 16);
    picAssIcon->setFocusPolicy(Qt::StrongFocus);
    lblFnName = new QLabel(picMsgBk);
    lblFnName->setGeometry(20, 0, 200, 18);
    lblCurTime = new QLabel(picMsgBk);
    lblSplit = new QLabel(QStringLiteral("/"), picMsgBk);
    lblTtTime = new QLabel(picMsgBk);
    for (QLabel* l : {lblCurTime, lblSplit, lblTtTime})
        l->setFixedHeight(18);

    picBnBk = new QWidget(picPlusBk);
    picBnBk->setGeometry(3, 40, 302, buttonSize + 2);

    auto makeButton = [this](ui::IconId icon, const QString& tip, int mode) {
        auto* b = new ui::ZorvoButton(picBnBk);
        b->setFixedSize(buttonSize, buttonSize);
        b->setPicture(ui::icon(icon).pixmap(16, 16));
        b->setMode(mode);
        b->SetToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    for (int i = 0; i < 3; ++i) {
        mbPlay[i] = makeButton(i == 0 ? ui::IconId::Play : ui::IconId::Loop, QStringLiteral("播放 ( Space )"), 2);
        mbPlay[i]->move(0, 1);
        connect(mbPlay[i], &ui::ZorvoButton::Click, this, [this, i] { mbPlay_Click(i); });
    }
    mbPause = makeButton(ui::IconId::Pause, QStringLiteral("暂停 ( Space )"), 2);
    mbStop = makeButton(ui::IconId::Stop, QStringLiteral("停止 ( Del )"), 2);
    mbBackward = makeButton(ui::IconId::Backward, QStringLiteral("倒转 ( PgUp )"), 0);
    mbForward = makeButton(ui::IconId::Forward, QStringLiteral("快转 ( PgDn )"), 0);
    mbLastItem = makeButton(ui::IconId::Previous, QStringLiteral("播放上个项目 ( ↑ )"), 0);
    mbNextItem = makeButton(ui::IconId::Next, QStringLiteral("播放下个项目 ( ↓ )"), 0);
    mbRngStart = makeButton(ui::IconId::MarkIn, QStringLiteral("标记开始 (  [  )"), 0);
    mbRngEnd = makeButton(ui::IconId::MarkOut, QStringLiteral("标记结束 (  ]  )"), 0);
    int x = buttonSize + 1;
    for (ui::ZorvoButton* b : {mbPause, mbStop}) {
        b->move(x, 1);
        x += buttonSize + 1;
    }
    x += 4;
    for (ui::ZorvoButton* b : {mbBackward, mbForward}) {
        b->move(x, 1);
        x += buttonSize + 1;
    }
    x += 4;
    for (ui::ZorvoButton* b : {mbLastItem, mbNextItem}) {
        b->move(x, 1);
        x += buttonSize + 1;
    }
    connect(mbPause, &ui::ZorvoButton::Click, this, &frmMain::mbPause_Click);
    connect(mbStop, &ui::ZorvoButton::Click, this, &frmMain::mbStop_Click);
    connect(mbBackward, &ui::ZorvoButton::Click, this, &frmMain::mbBackward_Click);
    connect(mbForward, &ui::ZorvoButton::Click, this, &frmMain::mbForward_Click);
    connect(mbLastItem, &ui::ZorvoButton::Click, this, &frmMain::mbLastItem_Click);
    connect(mbNextItem, &ui::ZorvoButton::Click, this, &frmMain::mbNextItem_Click);
    connect(mbRngStart, &ui::ZorvoButton::Click, this, &frmMain::mbRngStart_Click);
    connect(mbRngEnd, &ui::ZorvoButton::Click, this, &frmMain::mbRngEnd_Click);

    picSndBk = new QWidget(picBnBk);
    picSndBk->setGeometry(180, 0, 112, buttonSize + 2);
    mbSound = new ui::ZorvoButton(picSndBk);
    mbSound->setFixedSize(buttonSize, buttonSize);
    mbSound->setMode(1);
    mbSound->setPicture(ui::icon(ui::IconId::Sound).pixmap(16, 16));
    mbSound->setDownPicture(ui::icon(ui::IconId::Mute).pixmap(16, 16));
    mbSound->SetToolTip(QStringLiteral("静音"));
    mbSound->setFocusPolicy(Qt::NoFocus);
    mbSound->move(0, 1);
    connect(mbSound, &ui::ZorvoButton::Click, this, &frmMain::mbSound_Click);
    picVolSdr = new QFrame(picSndBk);
    picVolSdr->setGeometry(34, 11, 72, 6);
    picVolSdr->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picVolSdr->installEventFilter(this);
    picVolPos = new QFrame(picSndBk);
    picVolPos->setGeometry(34, 5, 8, 18);
    picVolPos->setFrameStyle(QFrame::Panel | QFrame::Raised);
    picVolPos->setLineWidth(2);
    picVolPos->setAutoFillBackground(true);
    picVolPos->installEventFilter(this);

    picNote = new QLabel(QStringLiteral("请开启新的档案，\r\n或者将多媒体档案拖曳到这里"), picFrame_);
    picNote->setObjectName(QStringLiteral("picNote"));
    static_cast<QLabel*>(picNote)->setAlignment(Qt::AlignCenter);
    picNote->setStyleSheet(QStringLiteral("color: #c0c0c0;"));
    picNote->resize(260, 60);
}

// ---- Start-up and shutdown ----------------------------------------------------------------

void frmMain::Form_Load(const QString& commandLine, QWidget* splash)
{
    setWindowTitle(mainTitle());
    if (programFolder.isEmpty())
        initFolders();
    if (settingsFolder_.isEmpty())
        settingsFolder_ = settings::settingsFolder(programFolder);

    lblFnName->clear();
    showVolume(true);
    // The program's own icon; a desktop whose theme has none gets the play picture.
    QPixmap own = QApplication::windowIcon().pixmap(16, 16);
    if (own.isNull())
        own = ui::icon(ui::IconId::Play).pixmap(16, 16);
    picAssIcon->setPixmap(own);

    mci_.closeMCI(playerAlias);
    mci_.closeMCI(captureAlias);
    stepValues = {5, 5, 5};
    stepMode = 1;
    // Tool files an earlier run left behind.
    dealMyResource(QStringLiteral("All"), false);

    if (hasMoreTypesMarker())
        moreEditableTypes = moreEditableList;
    const bool firstRun =
        !FileObject::instance().FileExists(withTrailingSeparator(settingsFolder_) + settings::settingsFileName);
    resizeSuppressed_ = true;
    loaded_ = settings::loadSettings(settingsFolder_);
    applySettings(loaded_);
    resizeSuppressed_ = false;
    buildOpenFilters();

    ui::CommDialog& dialog = ui::CommDialog::shared();
    dialog.hwndOwner = this;
    dialog.FlagsDir = ui::dlgflags::DirDefault;
    dialog.FlagsOpen = ui::dlgflags::OpenDefault;
    dialog.FlagsSave = ui::dlgflags::SaveDefault;
    dialog.InitDir = loaded_.settings.saveDir;

    ifStopped(true);
    lblFnName->setText(QStringLiteral("请开启新的档案"));
    myPutSize(true);
    show();

    if (!commandLine.isEmpty())
        playSingle(commandLine, false);
    if (splash)
        splash->close();

    // The first start opens the help, when there is one.
    const QString helpPath = programFolder + QStringLiteral("Zorvo.FLV.chm");
    if (firstRun && FileObject::instance().FileExists(helpPath))
        shellOpen(helpPath);

    if (mnuStartList->isChecked())
        tmrStart.start();
    // A developer's marker file in the program folder turns the click on the video off.
    videoClick_ = !FileObject::instance().FileExists(programFolder + QStringLiteral("Zorvo.FLV.vbp"));
}

void frmMain::applySettings(const settings::Loaded& loaded)
{
    const settings::Settings& s = loaded.settings;
    const QRect avail = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    if (loaded.report.mainRectApplied) {
        QRect r(s.mainRect[0] / twipsPerPixel, s.mainRect[1] / twipsPerPixel, s.mainRect[2] / twipsPerPixel,
                s.mainRect[3] / twipsPerPixel);
        r.setSize(r.size().expandedTo(minimumSizeHint()).boundedTo(avail.size()));
        // A window restored from another screen layout comes back onto this one.
        if (!avail.intersects(r))
            r.moveTopLeft(avail.topLeft());
        resize(r.size());
        move(r.topLeft());
    } else if (!loaded.report.mainRectMet) {
        resize(400, 400);
        move(avail.center() - QPoint(200, 200));
    }
    mnuKeepWH->setChecked(s.keepWH);
    mnuKeepDef->setChecked(s.keepDef);
    mnuStartList->setChecked(s.startList);
    mnuFB_Click(s.stepMode);
    for (int i = 0; i < 3; ++i) {
        stepValues[i] = s.stepValues[i];
        setStepCaption(i, s.stepValues[i]);
    }
    setStepToolTips();
    listPlayMode = s.playSetting;
    mnuToListEnd->setChecked(s.toListEnd);
    mnuAutoAddMark->setChecked(s.autoAddMark);
}

settings::Settings frmMain::currentSettings() const
{
    settings::Settings s = loaded_.settings;
    QRect normal(pos(), size());
    if (isMaximized() || isMinimized()) {
        // The normal geometry is the inner one; the stored position is the frame's, as move()
        // takes it back.
        normal = normalGeometry();
        normal.translate(pos() - geometry().topLeft());
    }
    s.mainRect = {normal.x() * twipsPerPixel, normal.y() * twipsPerPixel, normal.width() * twipsPerPixel,
                  normal.height() * twipsPerPixel};
    s.keepWH = mnuKeepWH->isChecked();
    s.keepDef = mnuKeepDef->isChecked();
    s.startList = mnuStartList->isChecked();
    s.stepMode = stepMode;
    s.stepValues = stepValues;
    s.playSetting = listPlayMode;
    s.toListEnd = mnuToListEnd->isChecked();
    s.autoAddMark = mnuAutoAddMark->isChecked();
    if (list_) {
        settings::ListStore unused;
        list_->collectSettings(s, unused);
    } else if (!loaded_.report.listRectApplied) {
        // A workspace not opened in this run keeps the place it would have been given.
        s.listPos = (normal.topLeft() + QPoint(30, 30)) * twipsPerPixel;
    }
    return s;
}

settings::ListStore frmMain::currentLists() const
{
    settings::ListStore store = loaded_.lists;
    if (list_) {
        settings::Settings unused;
        list_->collectSettings(unused, store);
    }
    return store;
}

void frmMain::mnuSaveNow_Click()
{
    pausePrFn();
    if (settings::saveSettingsFiles(settingsFolder_, currentSettings(), currentLists()))
        ui::msgBox(QStringLiteral("已经成功储存播放清单与其它组态设定！"), ui::Information, QString(), this);
}

void frmMain::mnuEnd_Click(int Index)
{
    saveOnExit_ = Index == 0;
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (isMinimized() || isMaximized())
        showNormal();
    if (checkDealRng()) {
        pausePrFn();
        const int answer = ui::msgBox(
            QStringLiteral("你选择了结束与离开本软体\r\n但是你目前处于标记编辑的状态\r\n\r\n"
                           "按“是”则结束与离开本软体\r\n按“否”则继续使用本软体"),
            ui::YesNo, markOpenTitle(), this);
        if (answer == ui::No) {
            event->ignore();
            return;
        }
    }
    closing_ = true;
    tmrCheck.stop();
    mci_.closeMCI(playerAlias);
    if (capMci_)
        capMci_->closeMCI(captureAlias);
    dealMyResource(QStringLiteral("All"), false);
    if (saveOnExit_)
        settings::saveSettingsFiles(settingsFolder_, currentSettings(), currentLists());
    if (list_) {
        list_->setClosing(true);
        list_->close();
    }
    event->accept();
}

void frmMain::Form_LinkExecute(const QString& commandLine)
{
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    if (!commandLine.isEmpty())
        playSingle(commandLine, false);
}

frmList* frmMain::workspace(bool create)
{
    if (!list_ && create) {
        list_ = new frmList(this);
        list_->applySettings(loaded_.settings, loaded_.lists);
        // The option may have changed in the player's menu since start-up.
        list_->mnuToListEnd->setChecked(mnuToListEnd->isChecked());
        if (!loaded_.report.listRectApplied)
            list_->move(pos() + QPoint(30, 30));
    }
    return list_;
}

// ---- Open and play --------------------------------------------------------------------------

void frmMain::playSingle(const QString& fn, bool fromList)
{
    QString copy = fn;
    playSingle(copy, fromList);
}

void frmMain::playSingle(QString& fn, bool fromList)
{
    fn.remove(u'"');
    if (closing_)
        return;
    if (!fromList && checkDealRng())
        rngEditTag_ = QStringLiteral("on2");
    playOrigin = fromList ? OriginList : OriginSingle;
    playItem(fn);
    // The window may have been closed while the file opened (pending events run on the
    // way): showing it again would keep a closed program running.
    if (closing_)
        return;
    show();
    resizeSuppressed_ = false;
}

void frmMain::playItem(const QString& fn)
{
    QString path, mark;
    if (!fn.isEmpty()) {
        mdlLineFormat::splitItem(fn, path, mark);
    } else if (playFromBrowser) {
        if (frmList* w = workspace(false))
            path = w->getFnFn();
    } else if (frmList* w = workspace(false)) {
        QString item;
        if (w->itemAt(-1, -1, item))
            mdlLineFormat::splitItem(item, path, mark);
    }
    newPlay(upperDriveLetter(path), mark);
}

void frmMain::newPlay(QString fn, QString rngMark)
{
    if (checkDealRng()) {
        if (mci_.getStatus() == QStringLiteral("playing"))
            mbPause_Click();
        const int answer = ui::msgBox(
            QStringLiteral("某个多媒体档案正准备接续播放\r\n但是你目前处于标记编辑的状态\r\n\r\n"
                           "按“是”则允许该多媒体的播放\r\n按“否”则取消该多媒体的播放\r\n\r\n") + fn,
            ui::YesNo, markOpenTitle(), this);
        if (answer != ui::Yes)
            return;
        playOrigin = OriginNone;
        shareBnStop(true, true, false, false);
        playOrigin = rngEditTag_ == QStringLiteral("on2") ? OriginSingle : OriginList;
        QCoreApplication::processEvents();
        if (closing_)
            return;
    }
    // The capture device costs a tool-store run and a second libmpv start: it opens once
    // the file plays, not before its first frame.
    QTimer::singleShot(1000, this, [this, fn] {
        if (!closing_)
            openCaptureDevice(fn);
    });
    rngEditTag_.clear();
    clearMarks();
    lastFile = mci_.FileName();
    mnuPlayLast->setEnabled(!lastFile.isEmpty());
    marksEdited_ = false;
    totalFrames = 0;
    placeSeekThumb(0);

    mci_.closeMCI(playerAlias);
    mci_.setIsAudioOnly(false);

    const QFileInfo info(fn);
    picAssIcon->setPixmap(QFileIconProvider().icon(info).pixmap(16, 16));
    fnNameTag_ = FileObject::instance().GetFileName(fn);
    setWindowTitle(u' ' + fnNameTag_ + QStringLiteral(" - Zorvo.FLV"));
    lblFnName->setText(QStringLiteral("正在播放，进度 0 ％，播速 100 ％"));
    mnuSpeed_Click(playerLogic::normalSpeedItem);

    mci_.openMCI(fn, hwnd_, playerAlias);
    // The window's events run while the file opens: its close box may have ended the open.
    if (closing_)
        return;
    if (!mci_.isSuccess()) {
        QString none;
        failPlay(none, true);
        return;
    }
    mci_.setVolume(500);
    myPutSize(true);
    if (!startWithMarks(rngMark))
        return; // the failed mark play has been reported

    if (mci_.isSuccess()) {
        picNote->hide();
        showPlaying(false);
        checkZeroLength();
        loadingMarks = true;
        if (frmList* w = workspace(false))
            w->loadMark();
        loadingMarks = false;
        enableFileMenus(true);
    } else {
        QString none;
        failPlay(none, true);
    }
}

void frmMain::openCaptureDevice(const QString& fn)
{
    if (captureOpen_ || isAudioFile(fn) || !isPlayableFile(fn))
        return;
    dealMyResource(QStringLiteral("CapMCI"), true);
    const QString sample = mdlTools::pathResWmv;
    if (FileObject::instance().FileExists(sample)) {
        capMci_ = std::make_unique<media::MCI>();
        capMci_->openMCI(sample, media::registerWindow(picCapMCI), captureAlias);
    }
    captureOpen_ = true;
}

void frmMain::showPlaying(bool keepButtons)
{
    if (closing_)
        return;
    if (!keepButtons) {
        enableTransport(false);
        setPlayButton(2);
    }
    showTimeLabels(true);
    if (mci_.isRngPlaying()) {
        mbRngStart->setState(3);
        mbRngEnd->setState(3);
    } else if (rangeBarShown()) {
        mbRngStart->setState(0);
    }
    showVolume(false);
    playerState = Playing;
    fncEbCheck();
    tmrCheck.start();
}

void frmMain::enableTransport(bool isPlay)
{
    if (!isPlay) {
        mbPlay[0]->raise();
        mbPlay[0]->setState(0);
    }
    for (ui::ZorvoButton* b : {mbPause, mbStop, mbBackward, mbForward})
        b->setState(0);
    mbRngStart->setState(mci_.isRngPlaying() ? 3 : 0);
    hsbEnabled_ = true;
    fncEbCheck();
    QCoreApplication::processEvents();
}

void frmMain::setPlayButton(int state)
{
    const int which = mci_.isRngPlaying() ? (mci_.rngRepeat() ? 2 : 1) : 0;
    mbPlay[which]->raise();
    mbPlay[which]->setState(state);
    QCoreApplication::processEvents();
}

void frmMain::showTimeLabels(bool show)
{
    for (QLabel* l : {lblTtTime, lblSplit, lblCurTime})
        l->setVisible(show);
}

void frmMain::checkZeroLength()
{
    if (mci_.getTotalSeconds() > 0)
        return;
    // What the workspace's "停止全部播放" does; it must happen with or without that window.
    shareBnStop(true, false, false, false);
    mbPlay[0]->setState(3);
    mbRngStart->setState(3);
    mbRngEnd->setState(3);
    showTimeLabels(false);
}

void frmMain::enableFileMenus(bool on)
{
    const bool picture = !mci_.FileName().isEmpty() && !mci_.isAudioOnly();
    if (mnuSaveCap)
        mnuSaveCap->setEnabled(picture);
    mnuKeepDef->setEnabled(picture);
    mnuKeepWH->setEnabled(picture);
    mnuExplorer->setEnabled(on);
    if (mnuSaveFile)
        mnuSaveFile->setEnabled(on);
    mnuAddToList->setEnabled(on);
}

void frmMain::fncEbCheck()
{
    frmList* w = workspace(false);
    if (!w)
        return;
    w->mbStop->setState(playerState == Stopped || playOrigin == OriginNone ? 3 : 0);
    w->mbStopLoop->setState(playOrigin != OriginList || listPlayMode == 0 ? 3 : 0);
}

void frmMain::tmrCheck_Timer()
{
    const int cur = mci_.getCurFrame();
    if ((cur != lastPolledFrame_ || playerState == Paused) && totalFrames > 1) {
        placeSeekThumb(cur);
        double fraction = (picHsb2->width() / 2.0 + picHsb2->x() - picHsb->x()) / picHsb->width();
        if (!(fraction >= 0))
            fraction = 0;
        lblFnName->setText(playerLogic::progressText(playerState == Paused, fraction, speedTag_));
        lblCurTime->setText(formatTimeText(totalSecondsTag_ * fraction, curTimeMode_, 0));
        if (marks_.lastIsOpen() && cur != lastPolledFrame_)
            stretchOpenMark(false, cur);
    }
    bool rangeEnded = false;
    if (mci_.isRngPlaying() && playerState != Paused)
        rangeEnded = (mci_.rngEnd() > 0 && cur >= mci_.rngEnd()) || cur == lastPolledFrame_;
    if (rangeEnded || (playerState != Paused && mci_.getStatus() == QStringLiteral("stopped"))) {
        if (mci_.rngRepeat()) {
            const int next = playingMarkIndex_ < marks_.lastMarkIndex() ? playingMarkIndex_ + 1 : 0;
            playNextRS(1, next, false, -1, -1, false);
        } else if (mci_.rngEnd() > 0 && playingMarkIndex_ < marks_.lastMarkIndex()) {
            playNextRS(0, playingMarkIndex_ + 1, false, -1, -1, false);
        } else {
            mci_.rngCancel();
            shareBnStop(false, listPlayMode != 0, false, false);
        }
    }
    lastPolledFrame_ = cur;
}

void frmMain::shareBnStop(bool allSTOP, bool noStopMCI, bool isDealRng, bool isDelay)
{
    Q_UNUSED(isDelay);
    if (marks_.lastIsOpen())
        mbRngEnd_Click();
    mci_.rngCancel();
    if (!noStopMCI || mci_.isCDa() || nothingFollows())
        mci_.stopMCI(QString(), 0);
    ifStopped(false);
    if (isDealRng && marksEdited_) {
        playMarks(true, -1);
        return;
    }
    if (!allSTOP)
        continueList(+1, false);
    focusPlayer(false);
}

bool frmMain::nothingFollows()
{
    frmList* w = workspace(false);
    const bool browserHasFiles = playFromBrowser && w && w->Fn1->count() > 0;
    if (listPlayMode == 0 || (!playingList && !browserHasFiles)) {
        playOrigin = OriginNone;
        return true;
    }
    return false;
}

void frmMain::continueList(int direction, bool force)
{
    tmrCheck.stop();
    frmList* w = workspace(false);
    QListWidget* list = playFromBrowser && w ? w->Fn1 : playingList;
    const int count = list ? list->count() : 0;
    if (force)
        playOrigin = OriginList;
    if ((force || playOrigin == OriginList) && count > 0) {
        switch (force ? 2 : listPlayMode) {
        case 0:
            playOrigin = OriginNone;
            break;
        case 1:
            playItem(QString());
            break;
        case 2: {
            const int next = playerLogic::moveListIndex(direction == 1 ? 1 : -1, list->currentRow(), count);
            if (next >= 0 && next < count) {
                list->setCurrentRow(next);
                enableMoveButtons(next, count);
            }
            playItem(QString());
            break;
        }
        case 3:
            selectRnd();
            playItem(QString());
            break;
        }
    }
    if (playOrigin == OriginSingle || count == 0)
        playOrigin = OriginNone;
}

void frmMain::stepListItem(int direction)
{
    continueList(direction, true);
    focusPlayer(false);
}

void frmMain::mbLastItem_Click() { stepListItem(-1); }
void frmMain::mbNextItem_Click() { stepListItem(+1); }

void frmMain::selectRnd()
{
    frmList* w = workspace(false);
    QListWidget* list = playFromBrowser && w ? w->Fn1 : playingList;
    if (!list || list->count() == 0)
        return;
    const int index = static_cast<int>(QRandomGenerator::global()->bounded(list->count()));
    list->setCurrentRow(index);
    if (list != (w ? w->Fn1 : nullptr))
        enableMoveButtons(index, list->count());
}

// The workspace's move-up and move-down buttons follow the item that plays next.
void frmMain::enableMoveButtons(int index, int count)
{
    frmList* w = workspace(false);
    if (!w)
        return;
    w->mbMove[0]->setState(index > 0 ? 0 : 3);
    w->mbMove[1]->setState(index < count - 1 ? 0 : 3);
}

void frmMain::focusPlayer(bool force)
{
    frmList* w = workspace(false);
    if (force || (w && w->isActiveWindow()))
        picAssIcon->setFocus();
}

void frmMain::ifStopped(bool allNone)
{
    tmrCheck.stop();
    hsbEnabled_ = false;
    placeSeekThumb(0);
    lblFnName->setText(fnNameTag_.isEmpty() ? QStringLiteral("请开启新的档案") : QStringLiteral("结束播放"));
    if (hsbScale != 1.0f)
        lblCurTime->setText(formatTimeText(0.0, curTimeMode_, 0));
    mbRngStart->setState(3);
    mbRngEnd->setState(3);
    mbPlay[0]->raise();
    mbPlay[0]->setState(allNone ? 3 : 0);
    mbPause->setState(3);
    mbStop->setState(allNone ? 3 : 2);
    mbBackward->setState(3);
    mbForward->setState(3);
    playerState = Stopped;
    fncEbCheck();
}

void frmMain::shareBnPause()
{
    mci_.pauseMCI();
    playerState = Paused;
    setPlayButton(0);
}

void frmMain::pausePrFn()
{
    if (playerState == Playing)
        mbPause_Click();
    repaint();
}

bool frmMain::checkDealRng() const
{
    return marks_.lastIsOpen() || (marksEdited_ && rangeBarShown());
}

void frmMain::failPlay(QString& fn, bool onlyNewPlay)
{
    Q_UNUSED(onlyNewPlay);
    playOrigin = OriginNone;
    if (frmList* w = workspace(false))
        w->loadMark();
    enableFileMenus(false);
    if (fn.isEmpty())
        fn = mci_.FileName();
    showTimeLabels(false);
    if (frmBuzy* busy = frmBuzy::instance(); busy && busy->isVisible())
        mdlTools::buzySateShow(toolHost(), false, nullptr);
    shareBnStop(true, true, false, true);
    lblFnName->setText(QStringLiteral("无法播放"));
    if (mnuSaveCap)
        mnuSaveCap->setEnabled(false);
    playErrorMsg(fn, QStringLiteral("出现错误，无法播放指定的档案："));
}

int frmMain::playErrorMsg(const QString& fn, const QString& headMsg)
{
    bool withHelp = false;
    const QString text = playerLogic::playErrorText(fn, headMsg, withHelp);
    const int answer = ui::msgBox(text, withHelp ? ui::OkCancel : ui::OkOnly, QStringLiteral("错误讯息"), this);
    if (withHelp && answer == ui::Ok) {
        const QString help = programFolder + QStringLiteral("Zuvud.ODI.vur");
        if (FileObject::instance().FileExists(help))
            shellOpen(help);
        else
            ui::msgBox(QStringLiteral("找不到说明档 Zuvud.ODI.vur！"), ui::OkOnly, QStringLiteral("注意事项"), this);
    }
    return answer;
}

void frmMain::closeRunFn(const QString& fn)
{
    if (fn.isEmpty())
        return;
    QString full = fn;
    if (!fn.contains(u'/') && !fn.contains(u'\\'))
        full = withTrailingSeparator(QDir::currentPath()) + fn;
    if (full != mci_.FileName())
        return;
    playOrigin = OriginNone;
    shareBnStop(true, false, false, false);
    clearMarks();
    showTimeLabels(false);
    mci_.closeMCI(playerAlias);
    lblFnName->setText(QStringLiteral("关闭播放，因为此档案经过重新读取"));
    QCoreApplication::processEvents();
}

void frmMain::mnuOpen_Click()
{
    pausePrFn();
    ui::CommDialog& dialog = ui::CommDialog::shared();
    dialog.hwndOwner = this;
    dialog.setFilter(openFilterAll);
    dialog.setFilterIndex(1);
    dialog.FileName.clear();
    const QString name = dialog.ShowOpen();
    if (!name.isEmpty())
        playSingle(name, false);
}

void frmMain::mnuPlayLast_Click()
{
    playOrigin = OriginSingle;
    newPlay(lastFile, QString());
}

void frmMain::Form_OLEDragDrop(const QStringList& files, const QString& text)
{
    pausePrFn();
    if (!files.isEmpty()) {
        QString path = files.first();
        path.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        path = upperDriveLetter(path);
        if (FileObject::instance().FileExists(path))
            playSingle(path, false);
    } else if (!text.isEmpty()) {
        playSingle(text, false);
    }
    focusPlayer(true);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    const QString text = files.isEmpty() && !event->mimeData()->hasUrls()
                             ? event->mimeData()->text().trimmed()
                             : (files.isEmpty() && event->mimeData()->hasUrls()
                                    ? event->mimeData()->urls().first().toString()
                                    : QString());
    event->acceptProposedAction();
    Form_OLEDragDrop(files, text);
}

// ---- Transport --------------------------------------------------------------------------------

void frmMain::mbPlay_Click(int Index)
{
    Q_UNUSED(Index);
    enableTransport(true);
    setPlayButton(2);
    if (playerState == Paused) {
        mci_.resumeMCI();
    } else {
        mci_.playMCI(0, totalFrames, false, false, false);
        mci_.rngCancel();
        if (!mci_.isSuccess()) {
            playSingle(mci_.FileName(), false);
            return;
        }
    }
    if (mci_.isSuccess()) {
        if (playerState == Stopped)
            playOrigin = OriginList;
        showPlaying(true);
        tmrCheck_Timer();
    } else {
        QString none;
        failPlay(none, false);
    }
}

void frmMain::mbPause_Click()
{
    enableTransport(false);
    mbPause->setState(2);
    QCoreApplication::processEvents();
    shareBnPause();
    tmrCheck_Timer();
}

void frmMain::mbStop_Click()
{
    shareBnStop(false, playOrigin == OriginList && listPlayMode > 1, false, false);
}

void frmMain::stepBy(bool useMode, int direction)
{
    mci_.rngCancel();
    const playerLogic::StepPlan plan =
        playerLogic::stepAmount(useMode, stepMode, stepValues, mci_.getFramesPerSecond(), totalFrames);
    const playerLogic::StepTarget target =
        playerLogic::stepTarget(mci_.getCurFrame(), plan.frames, direction, mci_.getTotalFrames());
    if (target.hitEnd)
        playerState = Paused;
    if (plan.pauses) {
        mci_.pauseMCI();
        mci_.setCurFrame(target.frame, false);
        playerState = Paused;
    } else {
        mci_.setCurFrame(target.frame, playerState != Paused);
    }
    const bool ok = mci_.isSuccess();
    enableTransport(false);
    if (playerState == Paused)
        mbPause->setState(2);
    else
        mbPlay[0]->setState(2);
    tmrCheck_Timer();
    if (!ok)
        ui::msgBox(QStringLiteral("无法以指定的方式倒转或快转！"), ui::OkOnly, QStringLiteral("错误讯息"), this);
}

void frmMain::mnuFB_Click(int Index)
{
    if (Index >= 0 && Index <= 2) {
        for (int i = 0; i < 3; ++i)
            mnuFB[i]->setChecked(i == Index);
        stepMode = Index;
        setStepToolTips();
        return;
    }
    if (Index != 4)
        return;
    pausePrFn();
    const QString input = ui::inputBox(playerLogic::stepValuePrompt(stepMode), QString(),
                                       QString::number(stepValues[stepMode]), this);
    if (input.isEmpty())
        return;
    const std::optional<int> v = playerLogic::parseStepValue(input);
    if (!v) {
        ui::msgBox(playerLogic::stepValueError, ui::OkOnly, QStringLiteral("错误讯息"), this);
        return;
    }
    stepValues[stepMode] = *v;
    setStepCaption(stepMode, *v);
    setStepToolTips();
}

void frmMain::setStepCaption(int mode, int value)
{
    if (mode >= 0 && mode < 3)
        mnuFB[mode]->setText(playerLogic::stepCaption(mode, value));
}

void frmMain::setStepToolTips()
{
    mbBackward->SetToolTip(playerLogic::backwardToolTip(stepMode, stepValues));
    mbForward->SetToolTip(playerLogic::forwardToolTip(stepMode, stepValues));
}

void frmMain::mnuSpeed_Click(int Index)
{
    // The menu has already toggled the item chosen; a refused entry puts the marks back.
    auto checkItem = [this](int item) {
        for (QAction* a : mnuSpeed)
            if (a)
                a->setChecked(a == mnuSpeed[item]);
    };
    int speed = 0;
    if (Index >= 0 && Index < playerLogic::speedItemCount) {
        speed = playerLogic::speedOfItem(Index);
    } else {
        pausePrFn();
        const QString input = ui::inputBox(playerLogic::customSpeedPrompt(), QString(), QStringLiteral("100"), this);
        if (input.isEmpty()) {
            checkItem(speedItem_);
            return;
        }
        const std::optional<int> v = playerLogic::parseCustomSpeed(input);
        if (!v) {
            ui::msgBox(playerLogic::customSpeedError, ui::OkOnly, QStringLiteral("错误讯息"), this);
            checkItem(speedItem_);
            return;
        }
        speed = *v;
        Index = playerLogic::customSpeedItem;
    }
    checkItem(Index);
    speedItem_ = Index;
    speedTag_ = speed;
    mci_.setSpeed(speed);
}

void frmMain::placeSeekThumb(int f)
{
    if (isDraggingThumb())
        return;
    picHsb2->move(playerLogic::thumbLeftForFrame(hsbScale, f, picHsb2->width(), picHsb->x()), picHsb2->y());
}

bool frmMain::isDraggingThumb() const
{
    return thumbDragging_ && (QApplication::mouseButtons() & Qt::LeftButton);
}

void frmMain::picHsb_MouseDown(Qt::MouseButton button, double x)
{
    if (button != Qt::LeftButton || !tmrCheck.isActive())
        return;
    mci_.setCurFrame(playerLogic::frameAtTrackX(x, hsbScale), playerState != Paused);
    picHsb2->move(mdlZorvoFLV::roundToInt32(x - picHsb2->width() / 2.0 + picHsb->x()), picHsb2->y());
    leaveRangePlay();
}

void frmMain::dragSeekThumb(Qt::MouseButton button, double x, bool commit)
{
    if (button != Qt::LeftButton || !tmrCheck.isActive())
        return;
    const int pos = playerLogic::clampToTrack(picHsb2->x() + x, picHsb->x(), picHsb->width());
    if (commit) {
        mci_.setCurFrame(playerLogic::frameAtTrackX(pos - picHsb->x(), hsbScale), playerState != Paused);
        picHsb->update();
    }
    picHsb2->move(pos - picHsb2->width() / 2, picHsb2->y());
    leaveRangePlay();
}

void frmMain::leaveRangePlay()
{
    if (!mci_.isRngPlaying())
        return;
    mci_.rngCancel();
    mci_.setRngStart(0);
    mbPlay[0]->raise();
    mbPlay[0]->setState(playerState == Playing ? 2 : 0);
    mbRngStart->setState(0);
    mbRngEnd->setState(3);
}

void frmMain::showVolume(bool skipAudioTest)
{
    media::MainVol& vol = media::MainVol::shared();
    mbSound->setState(vol.MainMute() ? 2 : 0);
    if (!skipAudioTest && mci_.isVideoOnly())
        mbSound->setState(3);
    placeVolumeKnob();
}

void frmMain::placeVolumeKnob()
{
    media::MainVol& vol = media::MainVol::shared();
    const int scale = std::max(1, vol.MaxMainVolume() - vol.MinMainVolume());
    const int left = picVolSdr->x() +
                     mdlZorvoFLV::roundToInt32(static_cast<double>(picVolSdr->width()) *
                                               (vol.MainVolume() - vol.MinMainVolume()) / scale) -
                     picVolPos->width() / 2;
    picVolPos->move(left, picVolPos->y());
}

void frmMain::picVolSdr_MouseDown(Qt::MouseButton button, double x)
{
    if (button != Qt::LeftButton)
        return;
    media::MainVol& vol = media::MainVol::shared();
    const double scale = vol.MaxMainVolume() - vol.MinMainVolume();
    const double clamped = std::clamp(x, 0.0, static_cast<double>(picVolSdr->width()));
    vol.setMainVolume(vol.MinMainVolume() + mdlZorvoFLV::roundToInt32(clamped * scale / picVolSdr->width()));
    placeVolumeKnob();
}

void frmMain::mbSound_Click() { media::MainVol::shared().setMainMute(mbSound->State() == 2); }

int frmMain::keyCodeOf(const QKeyEvent* event) const
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_BracketLeft: return 219;
    case Qt::Key_BracketRight: return 221;
    case Qt::Key_Home: return 36;
    case Qt::Key_Escape: return 27;
    case Qt::Key_F1: return 112;
    case Qt::Key_F2: return 113;
    case Qt::Key_F3: return 114;
    case Qt::Key_Delete: return 46;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_Left: return 37;
    case Qt::Key_Right: return 39;
    case Qt::Key_Up: return 38;
    case Qt::Key_Down: return 40;
    case Qt::Key_Space: return 32;
    default: return 0;
    }
}

void frmMain::Form_KeyDown(int KeyCode, int Shift)
{
    switch (KeyCode) {
    case 13: // Enter plays the marks once, Ctrl+Enter in a loop
        if (mnuRngPlay[0]->isEnabled())
            mnuRngPlay_Click(static_cast<int>(mdlZorvoFLV::roundHalfEven(Shift / 2.0)));
        break;
    case 219:
        if (mbRngStart->State() < 2)
            mbRngStart_Click();
        break;
    case 221:
        if (mbRngEnd->State() < 2)
            mbRngEnd_Click();
        break;
    case 36: // the snapshot command, whoever carries it out
        if (mnuSaveCap && mnuSaveCap->isEnabled())
            mnuSaveCap->trigger();
        break;
    case 27:
        mnuScnFull_Click();
        break;
    case 112:
        if (frmList* w = workspace(true))
            w->changeToTab(0, -1, true);
        break;
    case 113:
        mnuRngEdit_Click();
        break;
    case 114:
        if (frmList* w = workspace(true))
            w->changeToTab(1, 1, true);
        break;
    case 46:
        if (mbStop->State() < 2)
            mbStop_Click();
        break;
    case 33:
        if (mbBackward->State() < 2)
            stepBy(true, -1);
        break;
    case 34:
        if (mbForward->State() < 2)
            stepBy(true, +1);
        break;
    case 37:
        if (mbBackward->State() < 2)
            stepBy(false, -1);
        break;
    case 39:
        if (mbForward->State() < 2)
            stepBy(false, +1);
        break;
    case 38:
        if (mbLastItem->State() < 2)
            mbLastItem_Click();
        break;
    case 40:
        if (mbNextItem->State() < 2)
            mbNextItem_Click();
        break;
    case 32:
        if (mbPause->State() < 2 || mbPlay[0]->State() < 2) {
            if (playerState == Playing)
                mbPause_Click();
            else
                mbPlay_Click(0);
        }
        break;
    default:
        break;
    }
}

void frmMain::mousePressEvent(QMouseEvent* event)
{
    // Presses that the panel's boxes and labels leave unhandled come here too: only the
    // video area plays and pauses.
    const int y = picFrame_->mapFrom(this, event->position().toPoint()).y();
    if (event->button() == Qt::LeftButton && videoClick_ && y >= 0 && y < videoAreaHeight)
        Form_KeyDown(32, 0);
    QMainWindow::mousePressEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this && isActiveWindow() && !QApplication::activeModalWidget()) {
            const int code = keyCodeOf(key);
            if (code != 0) {
                int shift = 0;
                if (key->modifiers() & Qt::ShiftModifier)
                    shift |= 1;
                if (key->modifiers() & Qt::ControlModifier)
                    shift |= 2;
                if (key->modifiers() & Qt::AltModifier)
                    shift |= 4;
                Form_KeyDown(code, shift);
                return true;
            }
        }
        break;
    }
    case QEvent::ChildAdded:
        if (watched == picFrame_) {
            // The video is drawn by a child of the video area; its clicks toggle playback.
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                child->installEventFilter(this);
        }
        break;
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w)
            break;
        if (w == picHsb || w == picHsbBack) {
            if (hsbEnabled_)
                picHsb_MouseDown(me->button(), me->position().x());
            return true;
        }
        if (w == picHsb2) {
            thumbDragging_ = me->button() == Qt::LeftButton;
            dragGrabX_ = me->position().x();
            return true;
        }
        if (w == picVolSdr) {
            picVolSdr_MouseDown(me->button(), me->position().x());
            return true;
        }
        if (w == picVolPos) {
            dragGrabX_ = me->position().x();
            return true;
        }
        if (videoClick_ && w->parentWidget() == picFrame_ && w != picPlusBk && w != picNote &&
            me->button() == Qt::LeftButton) {
            const QPoint p = w->mapTo(picFrame_, me->position().toPoint());
            if (p.y() < videoAreaHeight) {
                Form_KeyDown(32, 0);
                return true;
            }
        }
        break;
    }
    case QEvent::MouseButtonDblClick: {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->parentWidget() == picRngBk && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            const int index = w->property("markIndex").toInt();
            if (markBox(index) == w)
                picRS_DblClick(index);
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (watched == picHsb2 && thumbDragging_ && (me->buttons() & Qt::LeftButton)) {
            dragSeekThumb(Qt::LeftButton, me->position().x() - dragGrabX_ + picHsb2->width() / 2.0, false);
            return true;
        }
        if (watched == picVolPos && (me->buttons() & Qt::LeftButton)) {
            picVolSdr_MouseDown(Qt::LeftButton, picVolPos->x() + me->position().x() - picVolSdr->x());
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (watched == picHsb2 && thumbDragging_) {
            dragSeekThumb(me->button(), me->position().x() - dragGrabX_ + picHsb2->width() / 2.0, true);
            thumbDragging_ = false;
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Range marks ------------------------------------------------------------------------------

namespace {
const QColor markGreen(0, 255, 0);
const QColor markRed(255, 0, 0);
} // namespace

playerMarks::Timing frmMain::markTiming() const
{
    return playerMarks::Timing{secondsPerFrame, totalSecondsTag_};
}

bool frmMain::rangeBarShown() const { return !picRngBk->isHidden(); }
QString frmMain::rangeBarToolTip() const { return picRngBk->toolTip(); }

QWidget* frmMain::markBox(int n) const
{
    return n >= 0 && n < markBoxCount() ? picRS[static_cast<std::size_t>(n)] : nullptr;
}

void frmMain::syncMarkBoxes()
{
    const std::size_t wanted = std::max<std::size_t>(1, marks_.marks().size());
    while (picRS.size() < wanted) {
        auto* box = new QFrame(picRngBk);
        box->setAutoFillBackground(true);
        box->setProperty("markIndex", static_cast<int>(picRS.size()));
        box->installEventFilter(this);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, markGreen);
        box->setPalette(pal);
        box->hide();
        picRS.push_back(box);
    }
    while (picRS.size() > wanted) {
        // A box can go while its own double click is handled.
        picRS.back()->hide();
        picRS.back()->deleteLater();
        picRS.pop_back();
    }
    if (marks_.isEmpty()) {
        picRS[0]->hide();
        picRS[0]->setToolTip(QString());
        return;
    }
    // The bar's scale is the file's frames: a box's left edge is its start frame and its
    // width its length.
    const double scale = totalFrames > 0 ? static_cast<double>(picRngBk->width()) / totalFrames : hsbScale;
    for (int i = 0; i < marks_.count(); ++i) {
        const playerMarks::Mark& m = marks_.at(i);
        QFrame* box = picRS[static_cast<std::size_t>(i)];
        const int left = mdlZorvoFLV::roundToInt32(m.start * scale);
        const int width = std::max(1, mdlZorvoFLV::roundToInt32(m.length * scale));
        box->setGeometry(left, 0, width, picRngBk->height());
        box->setToolTip(m.tooltip);
        box->show();
    }
}

void frmMain::colourMarkBoxes(const QColor& colour)
{
    for (QFrame* box : picRS) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, colour);
        box->setPalette(pal);
    }
}

QString frmMain::rsFormat(int nRS, QString& sTime, QString& eTime, int mode, double& sSec, double& eSec,
                          double preAdd, double lastAdd)
{
    if (!marks_.isValidIndex(nRS)) {
        sTime.clear();
        eTime.clear();
        return QString();
    }
    const playerMarks::MarkTimes t = playerMarks::rsFormat(marks_.at(nRS), mode, preAdd, lastAdd, markTiming());
    sTime = t.sTime;
    eTime = t.eTime;
    sSec = t.sSec;
    eSec = t.eSec;
    return t.length;
}

QString frmMain::markToolTip(int n) const { return playerMarks::markToolTip(n, marks_.at(n), markTiming()); }

void frmMain::setMark(int startFrame, int endFrame)
{
    if (startFrame >= 0) {
        const int u = marks_.startMark(startFrame);
        syncMarkBoxes();
        picRS[static_cast<std::size_t>(u)]->raise();
        picRngBk->show();
    }
    if (endFrame > 0 && !marks_.isEmpty()) {
        marks_.closeLast();
        if (stretchOpenMark(true, endFrame)) {
            for (QAction* a : {mnuRngEdit, mnuRngClear, mnuRngPlay[0], mnuRngPlay[1]})
                a->setEnabled(true);
            const int last = marks_.lastMarkIndex();
            marks_.setToolTip(last, markToolTip(last));
            syncMarkBoxes();
            enableSaveMenus();
            marksEdited_ = true;
            showMarksTotal();
        }
    }
}

bool frmMain::stretchOpenMark(bool closing, int frame)
{
    if (marks_.isEmpty())
        return false;
    int end = frame == -1 ? mci_.getCurFrame() : frame;
    end = playerMarks::stretchEnd(end, marks_.at(marks_.lastMarkIndex()).start, playerState == Playing,
                                  mci_.getTotalFrames());
    if (marks_.stretchLast(closing, end, hsbScale) == playerMarks::MarkList::Stretch::TooSmall) {
        deleteMark(marks_.lastMarkIndex());
        return false;
    }
    syncMarkBoxes();
    QCoreApplication::processEvents();
    return true;
}

void frmMain::deleteMark(int n)
{
    mbRngEnd->setState(3);
    if (marks_.lastMarkIndex() < 1) {
        clearMarks();
        return;
    }
    marks_.remove(n, markTiming());
    syncMarkBoxes();
    if (marks_.lastMarkIndex() == 0)
        mnuSaveCut->setEnabled(false);
}

void frmMain::clearMarks()
{
    mci_.rngCancel();
    picRngBk->hide();
    picRngBk->setToolTip(QString());
    marks_.clear();
    syncMarkBoxes();
    colourMarkBoxes(markGreen);
    if (playerState != Stopped)
        mbRngStart->setState(0);
    mbRngEnd->setState(3);
    playingMarkIndex_ = 0;
    mnuRngEdit->setEnabled(true);
    for (QAction* a : {mnuRngClear, mnuRngPlay[0], mnuRngPlay[1], mnuSaveRng, mnuSaveCut})
        a->setEnabled(false);
    marksEdited_ = false;
    showMarksTotal();
}

void frmMain::showMarksTotal()
{
    picRngBk->setToolTip(playerMarks::totalToolTip(marks_.marks(), markTiming()));
    if (frmList* w = workspace(false))
        w->checkCmdRng();
}

void frmMain::enableSaveMenus()
{
    const QString fn = mci_.FileName();
    if (isStreamAddress(fn) || !isEditableFile(fn))
        return;
    mnuSaveRng->setEnabled(true);
    if (marks_.lastMarkIndex() > 0)
        mnuSaveCut->setEnabled(true);
}

bool frmMain::startWithMarks(const QString& markText)
{
    std::vector<playerMarks::Mark> parsed;
    const playerMarks::ParseResult result = playerMarks::parseMarkText(markText, mci_.getTotalFrames(), parsed);
    if (result != playerMarks::ParseResult::Valid) {
        // A text that does not fit the file is dropped whole, and the file plays from its
        // start: a bad mark text says nothing about the file itself.
        if (result != playerMarks::ParseResult::Empty)
            clearMarks();
        mci_.playMCI(0, 0, false, false, false);
        return true;
    }
    marks_.setAll(std::move(parsed));
    for (int i = 0; i < marks_.count(); ++i)
        marks_.setToolTip(i, markToolTip(i));
    syncMarkBoxes();
    playNextRS(0, 0, true, -1, -1, false);
    if (mci_.isSuccess()) {
        picRngBk->show();
        for (QAction* a : {mnuRngEdit, mnuRngClear, mnuRngPlay[0], mnuRngPlay[1]})
            a->setEnabled(true);
        enableSaveMenus();
        showMarksTotal();
        return true;
    }
    return false;
}

void frmMain::playNextRS(int Index, int nRS, bool remainPlayStatus, int rngStart, int rngEnd, bool onlyRS)
{
    if (marks_.lastIsOpen())
        deleteMark(marks_.lastMarkIndex());
    if (!marks_.isValidIndex(nRS))
        return;
    const playerMarks::Mark& m = marks_.at(nRS);
    if (rngStart == -1)
        rngStart = m.start;
    if (rngEnd == -1)
        rngEnd = m.end();
    mci_.playMCI(rngStart, rngEnd, Index == 1, false, false);
    if (!mci_.isSuccess()) {
        QString none;
        failPlay(none, false);
        return;
    }
    if (!remainPlayStatus && playerState == Stopped)
        playOrigin = OriginSingle;
    placeSeekThumb(rngStart);
    showPlaying(false);
    playingMarkIndex_ = onlyRS ? marks_.lastMarkIndex() : nRS;
}

void frmMain::playMarks(bool fromStop, int Index)
{
    if (!rangeBarShown() || (Index == -1 && !marksEdited_))
        return;
    if (listPlayMode != 0) {
        if (fromStop)
            mci_.stopMCI(QString(), 0);
        else
            pausePrFn();
        QCoreApplication::processEvents();
        ui::msgBox(QStringLiteral("由于你针对目前的档案进行了标记编辑\r\n清单播放模式将改为“单次播放档案”"), ui::OkOnly,
                   markOpenTitle(), this);
        // The list play mode is the workspace's; single-file play is mode 0.
        listPlayMode = 0;
        fncEbCheck();
    }
    if (Index == -1)
        return;
    playNextRS(Index == 1 ? 1 : 0, 0, false, -1, -1, false);
}

void frmMain::mbRngStart_Click()
{
    if (!hsbEnabled_)
        return;
    setMark(mci_.getCurFrame(), -1);
    mbRngEnd->setState(0);
    mbRngStart->setState(0);
}

void frmMain::mbRngEnd_Click()
{
    if (!rangeBarShown())
        return;
    setMark(-1, mci_.getCurFrame());
    mbRngEnd->setState(0);
}

void frmMain::picRS_DblClick(int Index)
{
    if (!marks_.isValidIndex(Index) || marks_.at(Index).tooltip.isEmpty())
        return;
    if (marks_.lastIsOpen())
        deleteMark(marks_.lastMarkIndex());
    if (!marks_.isValidIndex(Index))
        return;
    const QString tip = marks_.at(Index).tooltip;
    if (QWidget* box = markBox(Index)) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, markRed);
        box->setPalette(pal);
    }
    pausePrFn();
    const int answer = ui::msgBox(tip + QStringLiteral("\r\n\r\n是否要播放或删除这个标记区段？\r\n\r\n\r\n"
                                                       "按“是”则播放这个标记区段\r\n按“否”则删除这个标记区段"),
                                  ui::YesNoCancel, markOpenTitle(), this);
    if (answer == ui::Yes) {
        mci_.rngCancel();
        shareBnStop(true, true, true, false);
        playNextRS(0, Index, false, -1, -1, true);
    } else if (answer == ui::No) {
        mci_.rngCancel();
        shareBnStop(true, false, true, false);
        deleteMark(Index);
        // A mark the user deletes is an edit like one made.
        if (!marks_.isEmpty())
            marksEdited_ = true;
        showMarksTotal();
    }
    colourMarkBoxes(markGreen);
}

void frmMain::mnuRngPlay_Click(int Index) { playMarks(false, Index); }

void frmMain::mnuRngEdit_Click()
{
    pausePrFn();
    if (marks_.lastIsOpen())
        mbRngEnd_Click();
    playMarks(false, -1);
    if (frmList* w = workspace(true)) {
        w->changeToTab(1, 0, true);
        w->loadMark();
    }
}

void frmMain::mnuRngClear_Click()
{
    pausePrFn();
    if (ui::msgBox(QStringLiteral("确定要清除所有的标记？"), ui::OkCancel, markOpenTitle(), this) != ui::Ok)
        return;
    clearMarks();
    shareBnStop(true, false, false, false);
}

void frmMain::applyMark(const std::vector<std::pair<int, int>>& ranges)
{
    clearMarks();
    shareBnStop(true, false, true, false);
    for (const auto& [start, end] : ranges)
        if (start >= 0 && end >= 0)
            setMark(start, end);
}

// Crop and split of the marked ranges are the tool jobs of the save pages.
void frmMain::mnuSaveRng_Click() { saveMarkedRanges(mdlSaveRng::modeCrop); }
void frmMain::mnuSaveCut_Click() { saveMarkedRanges(mdlSaveRng::modeSplit); }

void frmMain::saveMarkedRanges(int mode)
{
    if (marks_.lastIsOpen())
        mbRngEnd_Click();
    mdlSaveRng::RangeSource src;
    src.file = mci_.FileName();
    src.hasScale = secondsPerFrame > 0;
    src.audioOnly = !src.file.isEmpty() && mci_.isAudioOnly();
    for (int i = 0; i < marks_.count(); ++i) {
        QString sTime, eTime;
        double sSec = 0, eSec = 0;
        rsFormat(i, sTime, eTime, 0, sSec, eSec, 0, 0);
        if (!sTime.isEmpty())
            src.ranges.push_back({sSec, eSec});
    }
    // One default save folder for every tool: the workspace's once it exists.
    mdlSaveRng::saveMarkedRanges(toolHost(), this, mode, src, list_ ? list_->saveFolder : loaded_.settings.saveDir);
}

QString frmMain::currentItemString(bool noMarks)
{
    const QString path = mci_.FileName();
    if (path.isEmpty() || marks_.isEmpty() || noMarks)
        return path;
    const QString text = playerMarks::markText(marks_.marks());
    if (!mnuAutoAddMark->isChecked()) {
        pausePrFn();
        QString lines = text;
        lines.replace(u' ', QStringLiteral("\r\n"));
        const int answer = ui::msgBox(QStringLiteral("你选择把目前的档案加入到指定清单\r\n"
                                                     "是否要附加标记，被标记的影格如下：\r\n\r\n") + lines,
                                      ui::YesNoCancel, markOpenTitle(), this);
        if (answer == ui::Cancel)
            return QString();
        if (answer == ui::No)
            return path;
    }
    return mdlLineFormat::joinItem(path, text);
}

void frmMain::mnuToList_Click(int Index)
{
    const QString item = currentItemString(Index > 1);
    if (!item.isEmpty())
        mnToList(Index, item);
}

void frmMain::mnToList(int Index, const QString& fn)
{
    frmList* w = workspace(true);
    if (!w)
        return;
    if (Index == 2)
        w->changeToTab(2, 0, false);
    else
        w->changeToTab(0, Index, false);
    // Without "总是加到清单末尾" the item goes in after the selected one.
    w->addToList(fn, !mnuToListEnd->isChecked(), true);
}

void frmMain::mnuToListEnd_Click()
{
    // The check mark toggles itself; the workspace's item of the same name follows it.
    if (list_)
        list_->mnuToListEnd->setChecked(mnuToListEnd->isChecked());
}

void frmMain::mnuAutoAddMark_Click() {}

// ---- Sizing -----------------------------------------------------------------------------------

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (isMinimized() || resizeSuppressed_)
        return;
    myPutSize(false);
}

void frmMain::myPutSize(bool isMainSetting)
{
    if (isMinimized())
        return;
    const bool wasSuppressed = resizeSuppressed_;
    resizeSuppressed_ = true;
    const bool hasPicture = !mci_.isAudioOnly();
    mnuKeepWH->setEnabled(hasPicture);
    mnuKeepDef->setEnabled(hasPicture);

    const int innerW = picFrame_->width();
    const int innerH = picFrame_->height();
    videoAreaWidth = innerW - 2;
    videoAreaHeight = innerH - panelHeight - 2;
    if (!mci_.FileName().isEmpty()) {
        int w = 0, h = 0;
        mci_.getDefaultSize(w, h);
        if (!mnuKeepDef->isChecked()) {
            if (mnuKeepWH->isChecked()) {
                playerLogic::getMediaNewSize(videoAreaWidth, videoAreaHeight, w, h);
            } else {
                w = videoAreaWidth;
                h = videoAreaHeight;
            }
        }
        mci_.putMCI(w, h, true, 1, 1, videoAreaWidth, videoAreaHeight);
    }
    layoutControls();
    picPlusBk->setGeometry(0, innerH - panelHeight, innerW, panelHeight);
    picPlusBk->raise();
    if (tmrCheck.isActive())
        placeSeekThumb(mci_.getCurFrame());
    // The start-up sizing ends the suppression that the settings loader set.
    resizeSuppressed_ = wasSuppressed && !isMainSetting;
}

void frmMain::layoutControls()
{
    const int W = picFrame_->width();
    picPlusBk->setFixedWidth(W);
    const int msgWidth = W - 2 * picMsgBk->x();
    picMsgBk->resize(msgWidth, picMsgBk->height());
    picBnBk->resize(msgWidth + 2, picBnBk->height());
    picSndBk->move(picBnBk->width() - picSndBk->width() - 4, picSndBk->y());

    totalSecondsTag_ = mci_.FileName().isEmpty() ? 0.0 : mci_.getTotalSeconds();
    float total = static_cast<float>(totalSecondsTag_);
    int parts = 2;
    lblTtTime->setText(formatTimeText(total, 2, 0, parts));
    curTimeMode_ = parts;
    if (!tmrCheck.isActive())
        lblCurTime->setText(formatTimeText(0.0, curTimeMode_, 0));
    for (QLabel* l : {lblTtTime, lblSplit, lblCurTime})
        l->adjustSize();
    lblTtTime->move(msgWidth - lblTtTime->width() - 5, 0);
    lblSplit->move(lblTtTime->x() - lblSplit->width() - 3, 0);
    lblCurTime->move(lblSplit->x() - lblCurTime->width() - 2, 0);
    lblFnName->resize(std::max(10, lblCurTime->x() - 10 - lblFnName->x()), lblFnName->height());

    const int trackWidth = W - 2 * picHsb->x() - 1;
    picHsb->resize(trackWidth, picHsb->height());
    picHsbBack->resize(trackWidth, picHsbBack->height());

    totalFrames = mci_.FileName().isEmpty() ? 0 : mci_.getTotalFrames();
    if (totalFrames > 1) {
        secondsPerFrame = static_cast<float>(totalSecondsTag_ / totalFrames);
        hsbScale = static_cast<float>(trackWidth) / static_cast<float>(totalFrames);
    } else {
        totalFrames = 1;
        secondsPerFrame = 1.0f;
        hsbScale = 1.0f;
    }
    picRngBk->resize(trackWidth, picRngBk->height());
    // The marks stay on their frames.
    syncMarkBoxes();

    // Not hidden rather than visible: the first layout runs before the window is shown.
    if (!picNote->isHidden())
        picNote->move((W - picNote->width()) / 2,
                      std::max(0, (picFrame_->height() - picNote->height() - panelHeight) / 2));

    // The mark buttons follow the item buttons when both fit left of the sound box, else
    // the item buttons go and the mark buttons follow the step buttons.
    constexpr int groupGap = 1 + 4;
    constexpr int markGap = 2;
    const int markRight = mbNextItem->x() + mbNextItem->width() + groupGap + 2 * mbRngStart->width() + markGap;
    if (markRight + 2 > picSndBk->x()) {
        mbLastItem->hide();
        mbNextItem->hide();
        mbRngStart->move(mbForward->x() + mbForward->width() + groupGap, mbRngStart->y());
    } else {
        mbLastItem->show();
        mbNextItem->show();
        mbRngStart->move(mbNextItem->x() + mbNextItem->width() + groupGap, mbRngStart->y());
    }
    mbRngEnd->move(mbRngStart->x() + mbRngStart->width() + markGap, mbRngStart->y());
}

void frmMain::mnuKeepWH_Click() { myPutSize(false); }
void frmMain::mnuKeepDef_Click() { myPutSize(false); }

void frmMain::mnuScnFull_Click()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

// ---- What tests read ------------------------------------------------------------------------

QString frmMain::statusText() const { return lblFnName->text(); }
QString frmMain::curTimeText() const { return lblCurTime->text(); }
QString frmMain::totalTimeText() const { return lblTtTime->text(); }
int frmMain::thumbLeft() const { return picHsb2->x(); }
int frmMain::trackLeft() const { return picHsb->x(); }
int frmMain::trackWidth() const { return picHsb->width(); }

QRect frmMain::videoRect() const
{
    QString reply;
    if (media::mciSendString(QStringLiteral("where ") + playerAlias + QStringLiteral(" destination"), &reply,
                             media::MCI::ReplyLength) != 0)
        return QRect();
    const QStringList v = reply.split(u' ', Qt::SkipEmptyParts);
    if (v.size() < 4)
        return QRect();
    return QRect(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
}
