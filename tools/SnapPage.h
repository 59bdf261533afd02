#pragma once
// The snapshot page of the workspace (page 30): the source box with its browse button and
// the "取得属性" step (as on the split page), the stretch and the spacing of the pictures
// with their boxes, the picture type and the run button. The job itself is
// mdlSnap::cmdMediaSnap.
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ToolHost;

namespace ui {
class ZorvoButton;
}

class SnapPage : public QWidget {
    Q_OBJECT
public:
    SnapPage(ToolHost& host, QWidget* parent = nullptr);

    // Source part, as on the split page.
    QLabel* lblMdSplit = nullptr;
    QLineEdit* txtMdSplit = nullptr;
    QString txtMdSplitTag;
    ui::ZorvoButton* mbMdSplit = nullptr;
    QPushButton* cmdMdSplitChk = nullptr;
    QString cmdMdSplitChkTag;
    QLabel* lblMdLen = nullptr;
    QWidget* picSplitMCI = nullptr;

    // 0 one picture at X, 1 the whole video, 2 from X to Y.
    QRadioButton* optMdSnap1[3] = {};
    QString optMdSnap1Tag = QStringLiteral("1");
    // 0 N pictures at equal spacing, 1 one every N seconds.
    QRadioButton* optMdSnap2[2] = {};
    QString optMdSnap2Tag = QStringLiteral("0");
    QLineEdit* txtMdSnEq[3] = {}; // 0 the moment, 1 the count, 2 the seconds between
    QLineEdit* txtMdSnFrom[1] = {};
    QLineEdit* txtMdSnEnd[1] = {};
    QLabel* lblSnapType = nullptr; // "请选择输出的截图格式："
    QComboBox* cboMediaSnapType = nullptr;
    QLabel* lblSnapNote = nullptr;
    QPushButton* cmdMediaSnap = nullptr;

    QString* saveFolder = nullptr;
    QWidget* jobWindow = nullptr;

    QString playSpecPath() const { return playSpecPath_; }
    int stretch() const { return optMdSnap1Tag.toInt(); }
    int spacing() const { return optMdSnap2Tag.toInt(); }

    void txtMdSplit_Change();
    void txtMdSplit_OLEDragDrop(const QStringList& files);
    void mbMdSplit_Click();
    void cmdMdSplitChk_Click();
    void optMdSnap1_Click(int index);
    void optMdSnap2_Click(int index);
    void cmdMediaSnap_Click();
    // Enabling and emptying after any change; runs the planner.
    void refreshPage();

signals:
    void playSpecChanged(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner();
    QString source() const;
    QList<QLineEdit*> stretchBoxes(int index) const;

    ToolHost& host_;
    QString ownSaveFolder_;
    QString playSpecPath_;
    QList<QLabel*> stretchCaptions_[3];
    QList<QLabel*> spacingCaptions_[2];
    bool refreshing_ = false;
};
