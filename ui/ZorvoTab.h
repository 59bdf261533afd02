#pragma once
// The program's own tab strip: rows of tabs over a framed area, keeping a control array
// of panels of its container (named by TabPictureBox) in step with the current tab.
#include <QColor>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QString>
#include <QVector>
#include <QWidget>
#include <optional>

namespace ui {

// Control arrays of a container: direct children that share one object name and carry
// their index in the property "Index".
void setControlIndex(QWidget* element, const QString& arrayName, int index);
QWidget* controlArrayElement(QWidget* container, const QString& arrayName, int index);

// The separator of the captions in All_Caption.
inline const QString tabCaptionSeparator = QStringLiteral("\u2261");

// Caption of tab i in an All_Caption text: element i, or "Tab " + i when it is empty or
// missing.
QString tabCaptionOf(const QString& allCaption, int i);

class ZorvoTab;

namespace detail {
// One tab: its box draws the cut-corner outline, the label holds the caption.
class TabCap : public QWidget {
    Q_OBJECT
public:
    TabCap(ZorvoTab* owner, int index);
    QLabel* label() const { return label_; }
    bool isTop() const { return property("Tag").toString() == QLatin1String("isTop"); }
    void setCurrent(bool on);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    ZorvoTab* owner_;
    int index_;
    bool current_ = false;
    QLabel* label_;
};

class TabFrame : public QFrame {
    Q_OBJECT
public:
    explicit TabFrame(ZorvoTab* owner);
    int gapLeft = -1, gapRight = -1; // where the current tab opens into the frame

protected:
    void paintEvent(QPaintEvent*) override;
};
} // namespace detail

class ZorvoTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowHeight = 20;

    explicit ZorvoTab(QWidget* parent = nullptr);

    QString TabPictureBox() const { return tabPictureBox_; }
    void setTabPictureBox(const QString& name);
    int Tabs() const { return tabs_.size(); }
    void setTabs(int count);
    int TabsPerRow() const { return tabsPerRow_; }
    void setTabsPerRow(int count);
    int TabNow() const { return tabNow_; }
    void setTabNow(int index);
    // Read-only for windows at run time; the setter loads the stored value.
    QString All_Caption() const { return allCaption_; }
    void setAll_Caption(const QString& text);
    QColor TabCapColor() const;
    void setTabCapColor(const QColor& c);
    QFont TabCapFont() const;
    void setTabCapFont(const QFont& f);
    QString TabCaption() const;
    void setTabCaption(const QString& text);

    // The parts as laid out: the tab boxes (picTabCap), the frame (picFraTab), the strip.
    detail::TabCap* picTabCap(int i) const { return tabs_.value(i); }
    QFrame* picFraTab() const { return fraTab_; }
    int stripHeight() const { return stripHeight_; }
    QString caption(int i) const;

    // Places the container's panels inside the frame again (after the container moved
    // them or added one).
    void placePanels();

    QSize sizeHint() const override { return QSize(300, 200); }

signals:
    void Click(int PreviousTab);

protected:
    void resizeEvent(QResizeEvent*) override;
    void moveEvent(QMoveEvent*) override;

private:
    friend class detail::TabCap;
    void tabClicked(int index);
    void selectTab(int k);

    QString tabPictureBox_ = QStringLiteral("picZorvoTab");
    QVector<detail::TabCap*> tabs_;
    int tabsPerRow_ = 3;
    int tabNow_ = 0;
    QString allCaption_;
    std::optional<QColor> tabCapColor_;
    std::optional<QFont> tabCapFont_;
    detail::TabFrame* fraTab_;
    int stripHeight_ = 0;
    int panelsPlaced_ = 0;
};

} // namespace ui
