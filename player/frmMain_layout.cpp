// The player window's sizing: the video area, the panel and its controls.
#include "player/frmMain.h"
#include "player/frmMain_p.h"

using namespace mdlZorvoFLV;
using namespace frmMainParts;

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
