#include "tools/SnapPage.h"

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "tools/ToolHost.h"
#include "tools/mdlSnap.h"
#include "tools/mdlSplit.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlToolJob.h"
#include "ui/CommDialog.h"
#include "ui/ZorvoButton.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

SnapPage::SnapPage(ToolHost& host, QWidget* parent)
    : MdSourcePage(host, QStringLiteral("截图"), parent)
{
    setObjectName(QStringLiteral("SnapPage"));

    auto newBox = [this](const QString& name, bool decimals) {
        QLineEdit* box = numberBox(name, decimals);
        connect(box, &QLineEdit::textChanged, this, &SnapPage::refreshPage);
        return box;
    };
    txtMdSnEq[0] = newBox(QStringLiteral("txtMdSnEq0"), true);
    txtMdSnEq[1] = newBox(QStringLiteral("txtMdSnEq1"), false);
    txtMdSnEq[2] = newBox(QStringLiteral("txtMdSnEq2"), true);
    txtMdSnFrom[0] = newBox(QStringLiteral("txtMdSnFrom0"), true);
    txtMdSnEnd[0] = newBox(QStringLiteral("txtMdSnEnd0"), true);

    // Each option reads as a sentence with its boxes in the gaps.
    auto caption = [this](QList<QLabel*>& list, const QString& text) {
        auto* label = new QLabel(text, this);
        list << label;
        return label;
    };
    auto sentence = [](QRadioButton* opt, const QList<QWidget*>& parts) {
        auto* row = new QHBoxLayout;
        row->addWidget(opt);
        for (QWidget* w : parts)
            row->addWidget(w);
        row->addStretch(1);
        return row;
    };
    const QString seconds = QStringLiteral("秒数");
    optMdSnap1[0] = new QRadioButton(QStringLiteral("选取时刻是第"), this);
    optMdSnap1[1] = new QRadioButton(QStringLiteral("选取区段是影片的全部"), this);
    optMdSnap1[2] = new QRadioButton(QStringLiteral("选取区段从第"), this);
    optMdSnap2[0] = new QRadioButton(QStringLiteral("取得截图以等时间间隔，共"), this);
    optMdSnap2[1] = new QRadioButton(QStringLiteral("取得截图以每"), this);
    for (int i = 0; i < 3; ++i) {
        optMdSnap1[i]->setObjectName(QStringLiteral("optMdSnap1_%1").arg(i));
        connect(optMdSnap1[i], &QRadioButton::clicked, this, [this, i] { optMdSnap1_Click(i); });
    }
    for (int i = 0; i < 2; ++i) {
        optMdSnap2[i]->setObjectName(QStringLiteral("optMdSnap2_%1").arg(i));
        connect(optMdSnap2[i], &QRadioButton::clicked, this, [this, i] { optMdSnap2_Click(i); });
    }
    // The two option groups are two arrays: each needs a group of its own.
    auto* stretchGroup = new QWidget(this);
    auto* stretchColumn = new QVBoxLayout(stretchGroup);
    stretchColumn->setContentsMargins(0, 0, 0, 0);
    stretchColumn->addLayout(sentence(optMdSnap1[0], {txtMdSnEq[0], caption(stretchCaptions_[0],
                                                        QStringLiteral("秒数 ( 即仅取一张截图 )"))}));
    stretchColumn->addLayout(sentence(optMdSnap1[1], {}));
    stretchColumn->addLayout(sentence(optMdSnap1[2], {txtMdSnFrom[0], caption(stretchCaptions_[2], seconds),
                                                      caption(stretchCaptions_[2], QStringLiteral("到第")), txtMdSnEnd[0],
                                                      caption(stretchCaptions_[2], seconds)}));
    for (QRadioButton* o : optMdSnap1)
        o->setParent(stretchGroup);
    auto* spacingGroup = new QWidget(this);
    auto* spacingColumn = new QVBoxLayout(spacingGroup);
    spacingColumn->setContentsMargins(24, 0, 0, 0);
    spacingColumn->addLayout(sentence(optMdSnap2[0], {txtMdSnEq[1], caption(spacingCaptions_[0], QStringLiteral("张"))}));
    spacingColumn->addLayout(
        sentence(optMdSnap2[1], {txtMdSnEq[2], caption(spacingCaptions_[1], QStringLiteral("秒数为间隔"))}));
    for (QRadioButton* o : optMdSnap2)
        o->setParent(spacingGroup);
    optMdSnap1[1]->setChecked(true);
    optMdSnap2[0]->setChecked(true);

    lblSnapType = new QLabel(QStringLiteral("请选择输出的截图格式："), this);
    cboMediaSnapType = new QComboBox(this);
    cboMediaSnapType->setObjectName(QStringLiteral("cboMediaSnapType"));
    cboMediaSnapType->addItems(mdlSnap::pictureTypes());
    cboMediaSnapType->setCurrentIndex(0);
    lblSnapNote = new QLabel(QStringLiteral("在以上输入参数符合条件后，便可以进行以下步骤"), this);
    cmdMediaSnap = new QPushButton(QStringLiteral("执行截图功能"), this);
    cmdMediaSnap->setObjectName(QStringLiteral("cmdMediaSnap"));

    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(lblSnapType);
    typeRow->addWidget(cboMediaSnapType);
    typeRow->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->addLayout(sourceRow());
    column->addLayout(propertyRow());
    column->addSpacing(8);
    column->addWidget(stretchGroup);
    column->addWidget(spacingGroup);
    column->addSpacing(8);
    column->addLayout(typeRow);
    column->addWidget(lblSnapNote);
    column->addWidget(cmdMediaSnap, 0, Qt::AlignLeft);
    column->addStretch(1);

    connect(cmdMediaSnap, &QPushButton::clicked, this, &SnapPage::cmdMediaSnap_Click);

    refreshPage();
}

QList<QLineEdit*> SnapPage::stretchBoxes(int index) const
{
    if (index == 0)
        return {txtMdSnEq[0]};
    if (index == 2)
        return {txtMdSnFrom[0], txtMdSnEnd[0]};
    return {};
}

void SnapPage::optMdSnap1_Click(int index)
{
    chooseOption(optMdSnap1, 3, index, optMdSnap1Tag);
}

void SnapPage::optMdSnap2_Click(int index)
{
    chooseOption(optMdSnap2, 2, index, optMdSnap2Tag);
}

void SnapPage::refreshPage()
{
    if (refreshing_)
        return;
    refreshing_ = true;
    const QString file = source();
    const bool known = showProperties();
    const double total = mdlZorvoFLV::valLenient(cmdMdSplitChkTag);

    // Only the boxes of the chosen stretch and spacing take values; the others are emptied.
    const int s = stretch(), d = spacing();
    for (int o = 0; o < 3; ++o) {
        optMdSnap1[o]->setEnabled(known);
        enableOption(stretchBoxes(o), stretchCaptions_[o], known && o == s, known);
    }
    for (int o = 0; o < 2; ++o) {
        optMdSnap2[o]->setEnabled(known && s != 0);
        enableOption({txtMdSnEq[o + 1]}, spacingCaptions_[o], known && s != 0 && o == d, known);
    }

    const mdlToolCmds::SnapPlan plan = mdlToolCmds::planSnapshots(
        s, d, known && QFileInfo(file).isFile() ? total : 0, txtMdSnEq[0]->text(), txtMdSnFrom[0]->text(),
        txtMdSnEnd[0]->text(), txtMdSnEq[1]->text(), txtMdSnEq[2]->text());
    cboMediaSnapType->setEnabled(plan.valid);
    cmdMediaSnap->setEnabled(plan.valid);
    refreshing_ = false;
}

void SnapPage::cmdMediaSnap_Click()
{
    cmdMediaSnap->setFocus();
    mdlSnap::SnapRequest request;
    request.source = txtMdSplit->text();
    request.stretch = stretch();
    request.spacing = spacing();
    request.totalTag = cmdMdSplitChkTag;
    request.at = txtMdSnEq[0]->text();
    request.from = txtMdSnFrom[0]->text();
    request.to = txtMdSnEnd[0]->text();
    request.count = txtMdSnEq[1]->text();
    request.every = txtMdSnEq[2]->text();
    request.type = cboMediaSnapType->currentText();
    mdlSnap::cmdMediaSnap(host_, owner(), request, folder());
}
