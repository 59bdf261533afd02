#include "player/frmMain.h"
#include "player/frmMain_p.h"
#include "player/frmCap.h"

using namespace mdlZorvoFLV;
using namespace frmMainParts;

namespace {

frmMain* g_main = nullptr;

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
    // The workspace is made when it was never opened: the user asked to see the file.
    void showInBrowser(const QString& file) override { player_.showInFileList(file); }
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
    connect(&keyFrames_, &keyframes::KeyFrameCache::ready, this, &frmMain::keyFramesReady);

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
    mnuSaveFile = file->addAction(QStringLiteral("另存目前档案"), this, &frmMain::mnuSaveFile_Click);
    mnuSaveFile->setEnabled(false);
    mnuSaveCap = file->addAction(QStringLiteral("另存画面　　　　　Home"), this, &frmMain::mnuSaveCap_Click);
    mnuSaveCap->setEnabled(false);
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
    mnuExplorer = file->addAction(QStringLiteral("前往档案总管"), this, &frmMain::mnuExplorer_Click);
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
    play->addSeparator();
    mnuKeyFrame[0] = play->addAction(QStringLiteral("上一个关键影格　　　 ,"), this, [this] { mnuKeyFrame_Click(0); });
    mnuKeyFrame[1] = play->addAction(QStringLiteral("下一个关键影格　　　 ."), this, [this] { mnuKeyFrame_Click(1); });
    for (QAction* a : mnuKeyFrame)
        a->setEnabled(false);

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
    mnuList = work->addAction(QStringLiteral("前往播放清单　　　F1"), this, &frmMain::mnuList_Click);
    work->addAction(mnuRngEdit);
    mnuMyExplorer = work->addAction(QStringLiteral("前往档案列表　　F3"), this, &frmMain::mnuMyExplorer_Click);
    mnuSaveDir = work->addAction(QStringLiteral("设定存取目录 ...."), this, &frmMain::mnuSaveDir_Click);
    work->addSeparator();
    mnuMediaJoin = work->addAction(QStringLiteral("合并功能"), this, &frmMain::mnuMediaJoin_Click);
    mnuMediaSplit = work->addAction(QStringLiteral("切割功能"), this, &frmMain::mnuMediaSplit_Click);
    mnuMediaSnap = work->addAction(QStringLiteral("截图功能"), this, &frmMain::mnuMediaSnap_Click);
    mnuMediaFix = work->addAction(QStringLiteral("修复功能"), this, &frmMain::mnuMediaFix_Click);
    work->addSeparator();
    QMenu* mov = work->addMenu(QStringLiteral("FLV <----> 影片"));
    QMenu* muc = work->addMenu(QStringLiteral("FLV <----> 音乐"));
    const QString movNames[2] = {QStringLiteral("FLV 转影片"), QStringLiteral("影片转 FLV")};
    const QString mucNames[2] = {QStringLiteral("FLV 转音乐"), QStringLiteral("音乐转 FLV")};
    for (int i = 0; i < 2; ++i) {
        mnuFLV2Mov[i] = mov->addAction(movNames[i], this, [this, i] { mnuFLV2Mov_Click(i); });
        mnuFLV2Muc[i] = muc->addAction(mucNames[i], this, [this, i] { mnuFLV2Muc_Click(i); });
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("说明"));
    help->addAction(QStringLiteral("说明主题"), this, [this] { ui::openHelpFile(programFolder, ui::helpFileName, this); });
    help->addAction(QStringLiteral("无法播放 FLV？"), this,
                    [this] { ui::openHelpFile(programFolder, ui::codecHelpFileName, this); });
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
    const QString helpPath = programFolder + ui::helpFileName;
    if (firstRun && FileObject::instance().FileExists(helpPath)) {
        // Starting the browser costs about 30 ms of both cores: with a file on the command
        // line it waits until that file plays.
        if (commandLine.isEmpty())
            shellOpen(helpPath);
        else
            QTimer::singleShot(frmMainParts::kAfterFirstFrameMs, this, [this, helpPath] {
                if (!closing_)
                    shellOpen(helpPath);
            });
    }

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
    frmCap::capRect = s.capPos;
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
    s.capPos = cap_ && cap_->isVisible() ? cap_->pos() * twipsPerPixel : frmCap::capRect;
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
    if (cap_)
        cap_->close(); // it remembers its place
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

int frmMain::doneToFn() const { return list_ ? list_->doneToFn() : loaded_.settings.doneToFn; }

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
