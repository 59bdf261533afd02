#pragma once
// The split page of the workspace (page 21): the source box with its browse button and
// the "取得属性" step, the six ways to cut with their boxes, the preview of the plan and
// the run button. The job itself is mdlSplit::cmdMediaSplit.
#include <QString>
#include <QWidget>

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ToolHost;

namespace ui {
class ZorvoButton;
}

class SplitPage : public QWidget {
    Q_OBJECT
public:
    SplitPage(ToolHost& host, QWidget* parent = nullptr);

    // The tooltip of the boxes that take a decimal point.
    static const QString decimalTip;
    // The key filter of the numeric boxes of the split and snapshot pages: digits and
    // backspace, and a decimal point in a box whose tooltip is decimalTip. Keys that type
    // nothing (arrows, delete) are not the filter's business.
    static bool keyAccepted(const QWidget* box, const QKeyEvent* event);

    // Shared source part.
    QLabel* lblMdSplit = nullptr; // "指定影片"
    QLineEdit* txtMdSplit = nullptr;
    QString txtMdSplitTag;        // the last text seen
    ui::ZorvoButton* mbMdSplit = nullptr;
    QPushButton* cmdMdSplitChk = nullptr;
    QString cmdMdSplitChkTag;     // total seconds ("123.45"), empty while unknown
    QLabel* lblMdLen = nullptr;
    QWidget* picSplitMCI = nullptr;

    // The split page.
    QRadioButton* optMdSplit[6] = {};
    QString optMdSplitTag = QStringLiteral("0"); // the selected option's index
    QLineEdit* txtMdSpEq[3] = {};
    QLineEdit* txtMdSpFrom[3] = {};
    QLineEdit* txtMdSpEnd[3] = {};
    QFrame* picNoteMd[2] = {};
    QLabel* lblNoteMd[7] = {};    // 2 count, 4 length, 5 size, 6 share
    QLabel* lblMinCount = nullptr; // "最小切割数 002"
    QLabel* lblMaxCount = nullptr; // "最大切割数 099"
    QPushButton* cmdMediaSplit = nullptr;

    // The workspace's default save folder; the page keeps its own while no workspace
    // gives one.
    QString* saveFolder = nullptr;
    // The window that owns the dialogs and that the progress window covers (the
    // workspace); the page's own window when not set.
    QWidget* jobWindow = nullptr;

    // The existing file in the box, or empty: the Tag of the workspace's "播放指定影片".
    QString playSpecPath() const { return playSpecPath_; }
    int option() const { return optMdSplitTag.toInt(); }

    void txtMdSplit_Change();
    // Files dropped on the source box: the first one, when it exists.
    void txtMdSplit_OLEDragDrop(const QStringList& files);
    void mbMdSplit_Click();
    void cmdMdSplitChk_Click();
    void optMdSplit_Click(int index);
    void cmdMediaSplit_Click();
    // Enabling, emptying and the preview after any change; runs the planner.
    void refreshPage();

signals:
    void playSpecChanged(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner();
    QString source() const;
    // The boxes of one option.
    QList<QLineEdit*> boxesOf(int option) const;
    void runPlanner();

    ToolHost& host_;
    QString ownSaveFolder_;
    QString playSpecPath_;
    QList<QLabel*> captions_[6];
    bool refreshing_ = false;
};
