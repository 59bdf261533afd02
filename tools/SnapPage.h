#pragma once
// The snapshot page of the workspace (page 30): the source part it shares with the split
// page, the stretch and the spacing of the pictures
// with their boxes, the picture type and the run button. The job itself is
// mdlSnap::cmdMediaSnap.
#include "tools/MdSourcePage.h"

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ToolHost;

class SnapPage : public MdSourcePage {
    Q_OBJECT
public:
    SnapPage(ToolHost& host, QWidget* parent = nullptr);

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

    int stretch() const { return optMdSnap1Tag.toInt(); }
    int spacing() const { return optMdSnap2Tag.toInt(); }

    void optMdSnap1_Click(int index);
    void optMdSnap2_Click(int index);
    void cmdMediaSnap_Click();
    // Enabling and emptying after any change; runs the planner.
    void refreshPage() override;

private:
    QList<QLineEdit*> stretchBoxes(int index) const;

    QList<QLabel*> stretchCaptions_[3];
    QList<QLabel*> spacingCaptions_[2];
    bool refreshing_ = false;
};
