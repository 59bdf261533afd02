#include "ui/ZorvoTab.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QTextLayout>
#include <QtMath>

namespace ui {

void setControlIndex(QWidget* element, const QString& arrayName, int index)
{
    element->setObjectName(arrayName);
    element->setProperty("Index", index);
}

QWidget* controlArrayElement(QWidget* container, const QString& arrayName, int index)
{
    if (!container)
        return nullptr;
    const auto kids = container->findChildren<QWidget*>(arrayName, Qt::FindDirectChildrenOnly);
    for (QWidget* w : kids) {
        bool ok = false;
        if (w->property("Index").toInt(&ok) == index && ok)
            return w;
    }
    return nullptr;
}

QString tabCaptionOf(const QString& allCaption, int i)
{
    const QStringList parts = allCaption.split(tabCaptionSeparator);
    const QString c = i < parts.size() ? parts[i] : QString();
    return c.isEmpty() ? QStringLiteral("Tab ") + QString::number(i) : c;
}

namespace {

// Height of the line a caption is drawn in. Glyphs the font lacks (Chinese in a Latin
// font) come from a fallback font whose line is often taller than the font's own.
int captionLineHeight(const QString& text, const QFont& font)
{
    QTextLayout layout(text.isEmpty() ? QStringLiteral("Tab") : text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return line.isValid() ? qCeil(line.height()) : QFontMetrics(font).height();
}

} // namespace

namespace detail {

TabCap::TabCap(ZorvoTab* owner, int index)
    : QWidget(owner), owner_(owner), index_(index), label_(new QLabel(this))
{
    label_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
}

void TabCap::setCurrent(bool on)
{
    current_ = on;
    update();
}

void TabCap::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width(), h = height();
    const QPalette& pal = palette();
    const int cut = 5;
    // The outline with the upper corners cut at 45 degrees.
    QPolygon outline;
    outline << QPoint(0, h) << QPoint(0, cut) << QPoint(cut, 0) << QPoint(w - 1 - cut, 0)
            << QPoint(w - 1, cut) << QPoint(w - 1, h);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.color(QPalette::Button));
    p.drawPolygon(outline);
    p.setBrush(Qt::NoBrush);
    p.setPen(pal.color(QPalette::Shadow));
    p.drawPolyline(outline);
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(1, h - 1, 1, cut);
    p.drawLine(1, cut, cut, 1);
    p.drawLine(cut, 1, w - 1 - cut, 1);
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(w - 1 - cut, 1, w - 2, cut);
    p.drawLine(w - 2, cut, w - 2, h - 1);
    if (!current_) {
        // Closed at the bottom: the frame's raised top edge runs on under it.
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(0, h - 1, w - 1, h - 1);
    }
}

void TabCap::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        owner_->tabClicked(index_);
}

TabFrame::TabFrame(ZorvoTab* owner) : QFrame(owner) {}

void TabFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    const int w = width(), h = height();
    p.fillRect(rect(), pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Light));
    if (gapLeft < 0) {
        p.drawLine(0, 0, w - 1, 0);
    } else {
        if (gapLeft > 0)
            p.drawLine(0, 0, gapLeft, 0);
        if (gapRight < w - 1)
            p.drawLine(gapRight, 0, w - 1, 0);
    }
    p.drawLine(0, 0, 0, h - 1);
    p.setPen(pal.color(QPalette::Shadow));
    p.drawLine(w - 1, 0, w - 1, h - 1);
    p.drawLine(0, h - 1, w - 1, h - 1);
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(w - 2, 1, w - 2, h - 2);
    p.drawLine(1, h - 2, w - 2, h - 2);
}

} // namespace detail

ZorvoTab::ZorvoTab(QWidget* parent) : QWidget(parent), fraTab_(new detail::TabFrame(this))
{
    setTabs(3);
}

void ZorvoTab::setTabPictureBox(const QString& name)
{
    tabPictureBox_ = name;
    placePanels();
}

void ZorvoTab::setTabs(int count)
{
    if (count < 1)
        return;
    while (tabs_.size() < count) {
        auto* tab = new detail::TabCap(this, tabs_.size());
        tab->show();
        tabs_.push_back(tab);
    }
    while (tabs_.size() > count)
        delete tabs_.takeLast();
    selectTab(tabNow_);
}

void ZorvoTab::setTabsPerRow(int count)
{
    if (count < 1)
        return;
    tabsPerRow_ = count;
    selectTab(tabNow_);
}

void ZorvoTab::setTabNow(int index)
{
    if (index < 0 || index > Tabs() - 1)
        return;
    if (index == tabNow_) {
        selectTab(index);
        return;
    }
    const int previous = tabNow_;
    selectTab(index);
    emit Click(previous);
}

void ZorvoTab::setAll_Caption(const QString& text)
{
    allCaption_ = text;
    selectTab(tabNow_);
}

QColor ZorvoTab::TabCapColor() const
{
    return tabCapColor_ ? *tabCapColor_ : palette().color(QPalette::WindowText);
}

void ZorvoTab::setTabCapColor(const QColor& c)
{
    tabCapColor_ = c;
    selectTab(tabNow_);
}

QFont ZorvoTab::TabCapFont() const
{
    if (tabCapFont_)
        return *tabCapFont_;
    return parentWidget() ? parentWidget()->font() : font();
}

void ZorvoTab::setTabCapFont(const QFont& f)
{
    tabCapFont_ = f;
    selectTab(tabNow_);
}

QString ZorvoTab::TabCaption() const { return caption(tabNow_); }

void ZorvoTab::setTabCaption(const QString& text)
{
    QStringList parts;
    for (int i = 0; i < Tabs(); ++i)
        parts << caption(i);
    parts[tabNow_] = text;
    allCaption_ = parts.join(tabCaptionSeparator) + tabCaptionSeparator;
    selectTab(tabNow_);
}

QString ZorvoTab::caption(int i) const
{
    return i >= 0 && i < tabs_.size() ? tabs_[i]->label()->text() : QString();
}

void ZorvoTab::selectTab(int k)
{
    const int count = Tabs();
    k = qBound(0, k, count - 1);
    tabNow_ = k;
    const int cell = width() / tabsPerRow_;
    const int rows = (count + tabsPerRow_ - 1) / tabsPerRow_;

    for (int i = 0; i < count; ++i) {
        detail::TabCap* tab = tabs_[i];
        const int column = i % tabsPerRow_;
        const int row = rows - i / tabsPerRow_ - 1;
        const int left = column * cell;
        const int w = column == tabsPerRow_ - 1 ? width() - left : cell + 1;
        tab->setGeometry(left, row * rowHeight, w, rowHeight);
        tab->setProperty("Tag", row == 0 ? QStringLiteral("isTop") : QString());
        tab->label()->setGeometry(0, 5, w, rowHeight);
        tab->setCurrent(i == k);
    }
    // Lower-numbered tabs in front: their overlapping pixel wins.
    for (int i = count - 1; i >= 0; --i)
        tabs_[i]->raise();

    const QColor grey = palette().color(QPalette::Disabled, QPalette::WindowText);
    QStringList parts;
    for (int i = 0; i < count; ++i) {
        QLabel* label = tabs_[i]->label();
        label->setText(tabCaptionOf(allCaption_, i));
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, i == k ? TabCapColor() : grey);
        label->setPalette(pal);
        label->setFont(i == k ? TabCapFont() : font());
        // 5 pixels down, unless the caption's line is too tall for the rest of the tab.
        const int top = qBound(0, rowHeight - captionLineHeight(label->text(), label->font()), 5);
        label->move(0, top);
        parts << label->text();
    }
    allCaption_ = parts.join(tabCaptionSeparator) + tabCaptionSeparator;

    stripHeight_ = rows * rowHeight;
    fraTab_->setGeometry(0, stripHeight_, width(), qMax(0, height() - stripHeight_));
    const QRect current = tabs_[k]->geometry();
    if (current.bottom() + 1 == stripHeight_) {
        fraTab_->gapLeft = current.left() + 1;
        fraTab_->gapRight = current.right() - 1;
    } else {
        fraTab_->gapLeft = fraTab_->gapRight = -1;
    }
    fraTab_->raise();
    fraTab_->update();
    placePanels();
}

void ZorvoTab::placePanels()
{
    panelsPlaced_ = 0;
    if (stripHeight_ == 0)
        return;
    QWidget* container = parentWidget();
    QWidget* front = nullptr;
    for (int i = 0; i < Tabs(); ++i) {
        QWidget* panel = controlArrayElement(container, tabPictureBox_, i);
        if (!panel)
            break; // a window that has fewer panels than tabs keeps the ones it has
        panel->setGeometry(x(), y() + stripHeight_, width(), height() - stripHeight_);
        panel->setAutoFillBackground(true); // a panel hides the ones behind it
        if (auto* frame = qobject_cast<QFrame*>(panel))
            frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        if (i == tabNow_)
            front = panel;
        ++panelsPlaced_;
    }
    if (front)
        front->raise();
}

void ZorvoTab::tabClicked(int index)
{
    if (index == tabNow_) {
        placePanels();
        return;
    }
    const int previous = tabNow_;
    selectTab(index);
    emit Click(previous);
}

void ZorvoTab::resizeEvent(QResizeEvent*) { selectTab(tabNow_); }

void ZorvoTab::moveEvent(QMoveEvent*) { placePanels(); }

} // namespace ui
