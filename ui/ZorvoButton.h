#pragma once
// The program's own picture button: flat, a thin raised edge while the pointer is over
// it, sunken while pressed; a push button, a toggle or a latch. Windows drive it through
// one number, State: 0 up, 1 raised, 2 down (pressed or selected), 3 disabled.
#include <QColor>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

class QMimeData;

namespace ui {

class ZorvoButton : public QWidget {
    Q_OBJECT
public:
    enum ModeKind { PushMode = 0, ToggleMode = 1, LatchMode = 2 };
    // The look of the four edge lines.
    enum Edge { EdgeFlat, EdgeRaised, EdgeSunken, EdgeHidden };

    explicit ZorvoButton(QWidget* parent = nullptr);

    int State() const { return state_; }
    void setState(int value);
    int mode() const { return mode_; }
    void setMode(int value) { mode_ = value; }
    int Style() const { return style_; }
    void setStyle(int value);

    // Invalid colours stand for the system colours of the defaults (button face, button
    // text), taken from the palette when drawn.
    QColor MaskColor() const { return maskColor_; }
    void setMaskColor(const QColor& c);
    QColor BackColor() const { return backColor_; }
    void setBackColor(const QColor& c);
    QColor ForeColor() const { return foreColor_; }
    void setForeColor(const QColor& c);
    bool UseMaskColor() const { return useMaskColor_; }
    void setUseMaskColor(bool on);
    // 0 none, 1 manual: files and text dropped on the button raise OLEDragDrop.
    int OLEDropMode() const { return oleDropMode_; }
    void setOLEDropMode(int value);

    QString Caption() const { return caption_; }
    void setCaption(const QString& text);
    QPixmap Picture() const { return picture_; }
    void setPicture(const QPixmap& pm);
    QPixmap DownPicture() const { return downPicture_; }
    void setDownPicture(const QPixmap& pm);
    QPixmap DisabledPicture() const { return disabledPicture_; }
    void setDisabledPicture(const QPixmap& pm);

    void SetToolTip(const QString& text);

    // What the button shows now: its edge, whether its inner box is down, the picture
    // drawn (after the mask), and the colour of an edge line (0 top, 1 right, 2 bottom,
    // 3 left).
    Edge edge() const;
    bool isDown() const { return down_; }
    QPixmap shownPicture() const;
    QColor edgeColor(int line) const;
    bool hoverWatchRunning() const { return hoverTimer_.isActive(); }

    QSize sizeHint() const override { return QSize(24, 24); }

signals:
    // Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X, Y in pixels
    // from the button's top left.
    void Click();
    void MouseMove(int Button, int Shift, int X, int Y);
    void MouseDown(int Button, int Shift, int X, int Y);
    void MouseUp(int Button, int Shift, int X, int Y);
    void OLEDragDrop(const QStringList& Files, const QString& Text, int Button, int Shift,
                     int X, int Y);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    enum EdgePaint { PaintFlat = 0, PaintHover = 1, PaintPermanent = 2 };
    void layoutLook();
    void press(int how); // 0 up, 1 down, negative toggles
    void edgeOnHover(int how);
    void hoverTick();
    bool pointerOver() const;
    QColor faceColor() const;
    QPixmap masked(const QPixmap& pm) const;

    int state_ = 0;
    int mode_ = PushMode;
    int style_ = 0;
    QColor maskColor_, backColor_, foreColor_;
    bool useMaskColor_ = true;
    int oleDropMode_ = 0;
    QString caption_;
    QPixmap picture_, downPicture_, disabledPicture_;
    bool down_ = false;       // the inner box's value
    bool raised_ = false;     // the edge shows the raised colours
    Qt::MouseButtons held_;   // buttons pressed on the button while it was enabled
    QTimer hoverTimer_;
};

} // namespace ui
