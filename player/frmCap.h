#pragma once
// The snapshot window: one picture taken from the player's video area, and the command
// that saves it as a BMP file. Made on the first snapshot; closing it unloads it.
#include <QImage>
#include <QMainWindow>
#include <QPoint>

class QAction;
class QLabel;

class frmCap : public QMainWindow {
    Q_OBJECT
public:
    explicit frmCap(QWidget* owner);

    // Where the window was last unloaded, in twips (0, 0: the top-left corner of the
    // screen); the settings file keeps it between runs.
    static QPoint capRect;

    // Shows picture (the first argument has no effect) and proposes file's base name
    // + "_pic.bmp" as the name it is saved under.
    void showRect(int first, const QString& file, const QImage& picture);
    // "另存画面": the picture as a BMP file, in the folder tools save into.
    void mnuSaveCap_Click();

    QImage picture() const { return picture_; }
    QString saveName() const { return saveName_; } // the tag of mnuSaveCap
    QLabel* picShow = nullptr;
    QAction* mnuSaveCap = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QImage picture_;
    QString saveName_;
};
