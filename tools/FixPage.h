#pragma once
// The fix page of the workspace (page 40): the source box with its browse button, the run
// button and the page's explanations. The job itself is mdlFix::cmdMediaFix.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
struct ToolHost;

namespace ui {
class ZorvoButton;
}

class FixPage : public QWidget {
    Q_OBJECT
public:
    FixPage(ToolHost& host, QWidget* parent = nullptr);

    QLabel* lblFixIntro = nullptr;
    QLabel* lblMdFix = nullptr;   // "指定影片"
    QLineEdit* txtMdFix = nullptr;
    ui::ZorvoButton* mbMdFix = nullptr;
    QPushButton* cmdMediaFix = nullptr;
    QLabel* lblFixNote = nullptr; // "下个步骤将出现另存新档的对话盒"

    // The workspace's default save folder; the page keeps its own while no workspace
    // gives one.
    QString* saveFolder = nullptr;
    // The window that owns the dialogs and that the progress window covers (the
    // workspace); the page's own window when not set.
    QWidget* jobWindow = nullptr;

    // The existing file in the box, or empty: the Tag of the workspace's "播放指定影片".
    QString playSpecPath() const { return playSpecPath_; }

    void txtMdFix_Change();
    // Files dropped on the source box: the first one, when it exists.
    void txtMdFix_OLEDragDrop(const QStringList& files);
    void mbMdFix_Click();
    void cmdMediaFix_Click();

signals:
    // After every change of the box: the existing file named there, or empty.
    void playSpecChanged(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner();

    ToolHost& host_;
    QString ownSaveFolder_;
    QString playSpecPath_;
};
