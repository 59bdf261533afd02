// The player window's transport: play, pause, stop, step, speed, the seek bar and
// the volume.
#include "player/frmMain.h"
#include "player/frmMain_p.h"

using namespace mdlZorvoFLV;
using namespace frmMainParts;

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
