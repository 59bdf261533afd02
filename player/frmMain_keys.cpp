// The player window's keys and mouse: every key the player knows and the presses on
// the seek bar, the volume slider, the video and the marks.
#include "player/frmMain.h"
#include "player/frmMain_p.h"

using namespace mdlZorvoFLV;
using namespace frmMainParts;

int frmMain::keyCodeOf(const QKeyEvent* event) const
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    // The key, not the character: with Shift held the same keys give "{" and "}".
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 219;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 221;
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
    case Qt::Key_Comma: return 188;
    case Qt::Key_Period: return 190;
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
        mnuList_Click();
        break;
    case 113:
        mnuRngEdit_Click();
        break;
    case 114:
        mnuMyExplorer_Click();
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
    case 188: // the previous and the next key frame: where a lossless cut can start
        if (mbBackward->State() < 2)
            mnuKeyFrame_Click(0);
        break;
    case 190:
        if (mbForward->State() < 2)
            mnuKeyFrame_Click(1);
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
