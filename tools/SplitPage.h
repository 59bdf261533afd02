#pragma once
// The split page of the workspace (page 21): the source box with its browse button and
// the "取得属性" step, the six ways to cut with their boxes, the preview of the plan and
// the run button. The job itself is mdlSplit::cmdMediaSplit.
#include "tools/MdSourcePage.h"

#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ToolHost;

class SplitPage : public MdSourcePage {
    Q_OBJECT
public:
    SplitPage(ToolHost& host, QWidget* parent = nullptr);

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

    int option() const { return optMdSplitTag.toInt(); }

    void optMdSplit_Click(int index);
    void cmdMediaSplit_Click();
    // Enabling, emptying and the preview after any change; runs the planner.
    void refreshPage() override;

private:
    // The boxes of one option.
    QList<QLineEdit*> boxesOf(int option) const;
    void runPlanner();

    QList<QLabel*> captions_[6];
    bool refreshing_ = false;
};
