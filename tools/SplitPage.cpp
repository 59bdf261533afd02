#include "tools/SplitPage.h"
#include "tools/mdlToolJob.h"

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "tools/ToolHost.h"
#include "tools/mdlSplit.h"
#include "tools/mdlToolCmds.h"
#include "ui/CommDialog.h"
#include "ui/ZorvoButton.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

SplitPage::SplitPage(ToolHost& host, QWidget* parent)
    : MdSourcePage(host, QStringLiteral("切割"), parent)
{
    setObjectName(QStringLiteral("SplitPage"));

    auto newBox = [this](const char* name, bool decimals) { return numberBox(QString::fromLatin1(name), decimals); };
    txtMdSpEq[0] = newBox("txtMdSpEq0", false);
    txtMdSpEq[1] = newBox("txtMdSpEq1", true);
    txtMdSpEq[2] = newBox("txtMdSpEq2", false);
    for (int i = 0; i < 3; ++i) {
        const bool decimals = i != 1; // seconds and percent; KB are whole
        txtMdSpFrom[i] = newBox(QStringLiteral("txtMdSpFrom%1").arg(i).toLatin1().constData(), decimals);
        txtMdSpEnd[i] = newBox(QStringLiteral("txtMdSpEnd%1").arg(i).toLatin1().constData(), decimals);
    }

    // Each option reads as a sentence with its boxes in the gaps.
    auto* options = new QGridLayout;
    auto caption = [this](int option, const QString& text) {
        auto* label = new QLabel(text, this);
        captions_[option] << label;
        return label;
    };
    const QString partsHead = QStringLiteral("切割成"), unitHead = QStringLiteral("切割以"),
                  rangeHead = QStringLiteral("切割一段从第"), rangeMid = QStringLiteral("到第");
    const QString tails[6] = {QStringLiteral("个等份"), QStringLiteral("秒数为单位"), QStringLiteral("KB 为单位"),
                              QStringLiteral("秒数"),   QStringLiteral("KB"),         QStringLiteral("％ 位置")};
    for (int i = 0; i < 6; ++i) {
        optMdSplit[i] = new QRadioButton(i == 0 ? partsHead : i < 3 ? unitHead : rangeHead, this);
        optMdSplit[i]->setObjectName(QStringLiteral("optMdSplit%1").arg(i));
        auto* row = new QHBoxLayout;
        row->addWidget(optMdSplit[i]);
        if (i < 3) {
            row->addWidget(txtMdSpEq[i]);
            row->addWidget(caption(i, tails[i]));
        } else {
            row->addWidget(txtMdSpFrom[i - 3]);
            row->addWidget(caption(i, tails[i]));
            row->addWidget(caption(i, rangeMid));
            row->addWidget(txtMdSpEnd[i - 3]);
            row->addWidget(caption(i, tails[i]));
        }
        row->addStretch(1);
        options->addLayout(row, i, 0);
        connect(optMdSplit[i], &QRadioButton::clicked, this, [this, i] { optMdSplit_Click(i); });
    }
    optMdSplit[0]->setChecked(true);

    lblMinCount = new QLabel(QStringLiteral("最小切割数 002"), this);
    lblMaxCount = new QLabel(QStringLiteral("最大切割数 099"), this);

    for (int n = 0; n < 2; ++n) {
        picNoteMd[n] = new QFrame(this);
        picNoteMd[n]->setObjectName(QStringLiteral("picNoteMd%1").arg(n));
        picNoteMd[n]->setFrameShape(QFrame::StyledPanel);
        picNoteMd[n]->hide();
    }
    auto* note0 = new QHBoxLayout(picNoteMd[0]);
    lblNoteMd[2] = new QLabel(picNoteMd[0]);
    note0->addWidget(lblNoteMd[2]);
    auto* note1 = new QHBoxLayout(picNoteMd[1]);
    for (int k : {4, 5, 6}) {
        lblNoteMd[k] = new QLabel(picNoteMd[1]);
        note1->addWidget(lblNoteMd[k]);
    }

    cmdMediaSplit = new QPushButton(QStringLiteral("执行切割功能"), this);
    cmdMediaSplit->setObjectName(QStringLiteral("cmdMediaSplit"));
    cmdMediaSplit->setEnabled(false);

    auto* limits = new QHBoxLayout;
    limits->addWidget(lblMinCount);
    limits->addSpacing(12);
    limits->addWidget(lblMaxCount);
    limits->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->addLayout(sourceRow());
    column->addLayout(propertyRow());
    column->addSpacing(8);
    column->addLayout(options);
    column->addLayout(limits);
    column->addWidget(picNoteMd[0]);
    column->addWidget(picNoteMd[1]);
    column->addSpacing(8);
    column->addWidget(cmdMediaSplit, 0, Qt::AlignLeft);
    column->addStretch(1);

    connect(cmdMediaSplit, &QPushButton::clicked, this, &SplitPage::cmdMediaSplit_Click);
    for (int option = 0; option < 6; ++option)
        for (QLineEdit* box : boxesOf(option))
            connect(box, &QLineEdit::textChanged, this, &SplitPage::refreshPage);

    refreshPage();
}

QList<QLineEdit*> SplitPage::boxesOf(int option) const
{
    if (option >= 0 && option < 3)
        return {txtMdSpEq[option]};
    if (option >= 3 && option < 6)
        return {txtMdSpFrom[option - 3], txtMdSpEnd[option - 3]};
    return {};
}

void SplitPage::optMdSplit_Click(int index)
{
    chooseOption(optMdSplit, 6, index, optMdSplitTag);
}

void SplitPage::refreshPage()
{
    if (refreshing_)
        return;
    refreshing_ = true;
    const bool known = showProperties();
    const int selected = option();
    for (int o = 0; o < 6; ++o)
        enableOption(boxesOf(o), captions_[o], known && o == selected, known);
    lblNoteMd[2]->setText(mdlToolCmds::splitCountUnknown());
    lblNoteMd[4]->setText(mdlToolCmds::splitLengthUnknown());
    lblNoteMd[5]->setText(mdlToolCmds::splitSizeUnknown());
    lblNoteMd[6]->setText(mdlToolCmds::splitShareUnknown());
    picNoteMd[0]->hide();
    picNoteMd[1]->hide();
    cmdMediaSplit->setEnabled(false);
    if (known)
        runPlanner();
    refreshing_ = false;
}

void SplitPage::runPlanner()
{
    const int selected = option();
    const QString file = source();
    const qint64 bytes = QFileInfo(file).isFile() ? QFileInfo(file).size() : 0;
    const double total = mdlZorvoFLV::valLenient(cmdMdSplitChkTag);
    mdlToolCmds::SplitPlan plan;
    if (selected < 3) {
        plan = mdlToolCmds::planSplit(selected, total, bytes, txtMdSpEq[selected]->text());
        // The count is shown as soon as there is one, so that a count beyond the limits
        // tells why the run button stays off.
        if (plan.valid || (plan.total > 0 && plan.count > 0)) {
            lblNoteMd[2]->setText(plan.countText);
            picNoteMd[0]->show();
        }
    } else {
        plan = mdlToolCmds::planSplit(selected, total, bytes, QString(), txtMdSpFrom[selected - 3]->text(),
                                      txtMdSpEnd[selected - 3]->text());
        if (plan.valid) {
            lblNoteMd[4]->setText(plan.lengthText);
            lblNoteMd[5]->setText(plan.sizeText);
            lblNoteMd[6]->setText(plan.shareText);
            picNoteMd[1]->show();
        }
    }
    cmdMediaSplit->setEnabled(plan.valid);
}

void SplitPage::cmdMediaSplit_Click()
{
    cmdMediaSplit->setFocus();
    const int selected = option();
    mdlSplit::SplitRequest request;
    request.source = txtMdSplit->text();
    request.option = selected;
    request.totalTag = cmdMdSplitChkTag;
    if (selected < 3) {
        request.number = txtMdSpEq[selected]->text();
    } else {
        request.from = txtMdSpFrom[selected - 3]->text();
        request.to = txtMdSpEnd[selected - 3]->text();
    }
    mdlSplit::cmdMediaSplit(host_, owner(), request, folder());
}
