// The player window: how a file is opened and played, the status poll, the stop and
// pause paths and how play continues through a list.
#include "player/frmMain.h"
#include "player/frmMain_p.h"

using namespace mdlZorvoFLV;
using namespace frmMainParts;

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
    QTimer::singleShot(frmMainParts::kAfterFirstFrameMs, this, [this, fn] {
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
    // Read while the file plays; the marks show where their pieces start once known.
    keyFrames_.request(mci_.FileName());
    keyFramesReady(mci_.FileName(), keyFrames() != nullptr);
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
        ui::openHelpFile(programFolder, ui::codecHelpFileName, this);
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
