#include "ui/ZorvoButton.h"

#include <QBitmap>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QUrl>

namespace ui {

namespace {

int buttonCode(Qt::MouseButtons b)
{
    int code = 0;
    if (b & Qt::LeftButton)
        code |= 1;
    if (b & Qt::RightButton)
        code |= 2;
    if (b & Qt::MiddleButton)
        code |= 4;
    return code;
}

int shiftCode(Qt::KeyboardModifiers m)
{
    int code = 0;
    if (m & Qt::ShiftModifier)
        code |= 1;
    if (m & Qt::ControlModifier)
        code |= 2;
    if (m & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

ZorvoButton::ZorvoButton(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    // Takes the focus away from whatever had it, but never shows a focus mark.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_Hover, false);
    hoverTimer_.setInterval(100);
    connect(&hoverTimer_, &QTimer::timeout, this, &ZorvoButton::hoverTick);
    layoutLook();
}

void ZorvoButton::setState(int value)
{
    state_ = value;
    layoutLook();
}

void ZorvoButton::setStyle(int value)
{
    style_ = value;
    layoutLook();
}

void ZorvoButton::setMaskColor(const QColor& c)
{
    maskColor_ = c;
    update();
}

void ZorvoButton::setBackColor(const QColor& c)
{
    backColor_ = c;
    layoutLook();
}

void ZorvoButton::setForeColor(const QColor& c)
{
    foreColor_ = c;
    update();
}

void ZorvoButton::setUseMaskColor(bool on)
{
    useMaskColor_ = on;
    update();
}

void ZorvoButton::setOLEDropMode(int value)
{
    oleDropMode_ = value;
    setAcceptDrops(value != 0);
}

void ZorvoButton::setCaption(const QString& text)
{
    caption_ = text;
    update();
}

void ZorvoButton::setPicture(const QPixmap& pm)
{
    picture_ = pm;
    update();
}

void ZorvoButton::setDownPicture(const QPixmap& pm)
{
    downPicture_ = pm;
    update();
}

void ZorvoButton::setDisabledPicture(const QPixmap& pm)
{
    disabledPicture_ = pm;
    update();
}

void ZorvoButton::SetToolTip(const QString& text) { setToolTip(text); }

QColor ZorvoButton::faceColor() const
{
    return backColor_.isValid() ? backColor_ : palette().color(QPalette::Button);
}

void ZorvoButton::layoutLook()
{
    switch (state_) {
    case 1:
        press(0);
        edgeOnHover(PaintPermanent);
        break;
    case 2: press(1); break;
    default: press(0); break;
    }
    update();
}

void ZorvoButton::press(int how)
{
    down_ = how < 0 ? !down_ : how == 1;
    update();
    if (style_ == 1)
        return;
    if (how == 0)
        edgeOnHover(PaintFlat);
    else if (how < 0 && !down_)
        edgeOnHover(PaintHover); // toggled up under the pointer
}

void ZorvoButton::edgeOnHover(int how)
{
    if (down_ || style_ == 1)
        return;
    if (how == PaintHover && raised_ && hoverTimer_.isActive())
        return;
    raised_ = how != PaintFlat;
    if (how == PaintHover)
        hoverTimer_.start();
    update();
}

bool ZorvoButton::pointerOver() const { return isVisible() && underMouse(); }

void ZorvoButton::hoverTick()
{
    if (!raised_) {
        hoverTimer_.stop();
        return;
    }
    if (!pointerOver()) {
        hoverTimer_.stop();
        layoutLook();
    }
}

ZorvoButton::Edge ZorvoButton::edge() const
{
    if (style_ == 1)
        return EdgeHidden;
    if (down_)
        return EdgeSunken;
    return raised_ ? EdgeRaised : EdgeFlat;
}

QColor ZorvoButton::edgeColor(int line) const
{
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    const bool topLeft = line == 0 || line == 3;
    switch (edge()) {
    case EdgeRaised: return topLeft ? light : dark;
    case EdgeSunken: return topLeft ? dark : light;
    case EdgeFlat: return faceColor();
    case EdgeHidden: break;
    }
    return QColor();
}

QPixmap ZorvoButton::masked(const QPixmap& pm) const
{
    if (pm.isNull() || !useMaskColor_)
        return pm;
    const QColor mask = maskColor_.isValid() ? maskColor_ : palette().color(QPalette::Button);
    QPixmap out = pm;
    out.setMask(out.createMaskFromColor(mask, Qt::MaskInColor));
    return out;
}

QPixmap ZorvoButton::shownPicture() const
{
    if (state_ == 3) {
        if (!disabledPicture_.isNull())
            return masked(disabledPicture_);
        if (picture_.isNull())
            return QPixmap();
        return QIcon(masked(picture_)).pixmap(picture_.size(), QIcon::Disabled);
    }
    if (down_ && !downPicture_.isNull())
        return masked(downPicture_);
    return masked(picture_);
}

void ZorvoButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    if (style_ == 1) {
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.state |= down_ ? (QStyle::State_Sunken | QStyle::State_On) : QStyle::State_Raised;
        if (state_ == 3)
            opt.state &= ~QStyle::State_Enabled;
        opt.palette.setColor(QPalette::Button, faceColor());
        style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
    } else {
        p.fillRect(r, faceColor());
        if (down_) // the checked look of a graphical check box
            p.fillRect(r.adjusted(1, 1, -1, -1),
                       QBrush(palette().color(QPalette::Light), Qt::Dense4Pattern));
    }

    const QPixmap pm = shownPicture();
    const int shift = down_ ? 1 : 0;
    QRect textRect = r.adjusted(2, 2, -2, -2);
    if (!pm.isNull()) {
        const QSize ps = pm.deviceIndependentSize().toSize();
        int top = (r.height() - ps.height()) / 2;
        if (!caption_.isEmpty()) {
            const int textH = fontMetrics().height();
            top = qMax(2, (r.height() - ps.height() - textH) / 2);
            textRect.setTop(top + ps.height());
        }
        p.drawPixmap((r.width() - ps.width()) / 2 + shift, top + shift, pm);
    }
    if (!caption_.isEmpty()) {
        QColor ink = foreColor_.isValid() ? foreColor_ : palette().color(QPalette::ButtonText);
        if (state_ == 3)
            ink = palette().color(QPalette::Disabled, QPalette::ButtonText);
        p.setPen(ink);
        p.drawText(textRect.translated(shift, shift), Qt::AlignCenter | Qt::TextShowMnemonic,
                   caption_);
    }

    if (style_ == 1)
        return;
    const int w = r.width(), h = r.height();
    p.setPen(edgeColor(0));
    p.drawLine(0, 0, w - 2, 0);
    p.setPen(edgeColor(3));
    p.drawLine(0, 0, 0, h - 2);
    p.setPen(edgeColor(1));
    p.drawLine(w - 1, 0, w - 1, h - 1);
    p.setPen(edgeColor(2));
    p.drawLine(0, h - 1, w - 1, h - 1);
}

void ZorvoButton::mousePressEvent(QMouseEvent* e)
{
    if (state_ == 3)
        return;
    held_ |= e->button();
    const QPoint pos = e->position().toPoint();
    emit MouseDown(buttonCode(e->button()), shiftCode(e->modifiers()), pos.x(), pos.y());
    setFocus(Qt::MouseFocusReason);
    if (e->button() != Qt::LeftButton || (mode_ == LatchMode && down_))
        return;
    // Qt holds the pointer for the pressed widget until release, which is the capture
    // that makes a push button see its release anywhere.
    if (mode_ == ToggleMode) {
        press(-1);
        setState(down_ ? 2 : 0);
        emit Click();
        return;
    }
    press(1);
    setState(2);
    if (mode_ == LatchMode)
        emit Click();
}

void ZorvoButton::mouseReleaseEvent(QMouseEvent* e)
{
    // Qt hands the release to the widget that got the press even when that press was
    // refused; a button enabled while the mouse was held down must not come up pressed.
    const bool held = held_ & e->button();
    held_ &= ~e->button();
    if (state_ == 3 || !held)
        return;
    const QPoint pos = e->position().toPoint();
    emit MouseUp(buttonCode(e->button()), shiftCode(e->modifiers()), pos.x(), pos.y());
    setFocus(Qt::MouseFocusReason);
    if (e->button() != Qt::LeftButton || mode_ == ToggleMode || (mode_ == LatchMode && down_))
        return;
    // A push button always comes up, even when a window set its State while it was held.
    press(mode_ == PushMode ? 0 : -1);
    setState(down_ ? 2 : 0);
    emit Click();
}

void ZorvoButton::mouseMoveEvent(QMouseEvent* e)
{
    if (state_ == 3)
        return;
    const QPoint pos = e->position().toPoint();
    emit MouseMove(buttonCode(e->buttons()), shiftCode(e->modifiers()), pos.x(), pos.y());
    edgeOnHover(PaintHover);
}

void ZorvoButton::enterEvent(QEnterEvent*)
{
    if (state_ != 3)
        edgeOnHover(PaintHover);
}

void ZorvoButton::dragEnterEvent(QDragEnterEvent* e)
{
    if (oleDropMode_ != 0 && state_ != 3 && (e->mimeData()->hasUrls() || e->mimeData()->hasText()))
        e->acceptProposedAction();
}

void ZorvoButton::dropEvent(QDropEvent* e)
{
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    const QString text = e->mimeData()->hasText() ? e->mimeData()->text() : QString();
    const QPoint pos = e->position().toPoint();
    e->acceptProposedAction();
    emit OLEDragDrop(files, text, buttonCode(e->buttons()), shiftCode(e->modifiers()), pos.x(),
                     pos.y());
}

void ZorvoButton::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    layoutLook();
}

} // namespace ui
