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

namespace {
const QString dropHint = QStringLiteral("你可以拖曳档案到这里");
}

const QString SplitPage::decimalTip = QStringLiteral("允许有小数点");

bool SplitPage::keyAccepted(const QWidget* box, const QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backspace)
        return true;
    const QString text = event->text();
    if (text.isEmpty())
        return true;
    const QChar c = text.at(0);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return true;
    return c == QLatin1Char('.') && box && box->toolTip() == decimalTip;
}

SplitPage::SplitPage(ToolHost& host, QWidget* parent)
    : QWidget(parent)
    , host_(host)
{
    setObjectName(QStringLiteral("SplitPage"));

    lblMdSplit = new QLabel(QStringLiteral("指定影片"), this);
    txtMdSplit = new QLineEdit(this);
    txtMdSplit->setObjectName(QStringLiteral("txtMdSplit"));
    txtMdSplit->setToolTip(dropHint);
    txtMdSplit->setAcceptDrops(true);
    txtMdSplit->installEventFilter(this);
    lblMdSplit->setBuddy(txtMdSplit);
    mbMdSplit = new ui::ZorvoButton(this);
    mbMdSplit->setObjectName(QStringLiteral("mbMdSplit"));
    mbMdSplit->setCaption(QStringLiteral("..."));
    mbMdSplit->setFixedSize(28, 24);
    cmdMdSplitChk = new QPushButton(QStringLiteral("取得属性"), this);
    cmdMdSplitChk->setObjectName(QStringLiteral("cmdMdSplitChk"));
    cmdMdSplitChk->setEnabled(false);
    lblMdLen = new QLabel(mdlToolCmds::propertyUnknown(), this);
    picSplitMCI = new QWidget(this);
    picSplitMCI->setObjectName(QStringLiteral("picSplitMCI"));
    picSplitMCI->setFixedSize(32, 24);
    picSplitMCI->hide();

    auto newBox = [this](const char* name, bool decimals) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setFixedWidth(64);
        if (decimals)
            box->setToolTip(decimalTip);
        box->installEventFilter(this);
        return box;
    };
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

    auto* sourceRow = new QGridLayout;
    sourceRow->addWidget(lblMdSplit, 0, 0);
    sourceRow->addWidget(txtMdSplit, 0, 1);
    sourceRow->addWidget(mbMdSplit, 0, 2);
    auto* propertyRow = new QHBoxLayout;
    propertyRow->addWidget(cmdMdSplitChk);
    propertyRow->addWidget(lblMdLen, 1);
    propertyRow->addWidget(picSplitMCI);
    auto* limits = new QHBoxLayout;
    limits->addWidget(lblMinCount);
    limits->addSpacing(12);
    limits->addWidget(lblMaxCount);
    limits->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->addLayout(sourceRow);
    column->addLayout(propertyRow);
    column->addSpacing(8);
    column->addLayout(options);
    column->addLayout(limits);
    column->addWidget(picNoteMd[0]);
    column->addWidget(picNoteMd[1]);
    column->addSpacing(8);
    column->addWidget(cmdMediaSplit, 0, Qt::AlignLeft);
    column->addStretch(1);

    connect(txtMdSplit, &QLineEdit::textChanged, this, &SplitPage::txtMdSplit_Change);
    connect(mbMdSplit, &ui::ZorvoButton::Click, this, &SplitPage::mbMdSplit_Click);
    connect(cmdMdSplitChk, &QPushButton::clicked, this, &SplitPage::cmdMdSplitChk_Click);
    connect(cmdMediaSplit, &QPushButton::clicked, this, &SplitPage::cmdMediaSplit_Click);
    for (int option = 0; option < 6; ++option)
        for (QLineEdit* box : boxesOf(option))
            connect(box, &QLineEdit::textChanged, this, &SplitPage::refreshPage);

    refreshPage();
}

QWidget* SplitPage::owner() { return jobWindow ? jobWindow : window(); }

QString SplitPage::source() const { return txtMdSplit->text().trimmed(); }

QList<QLineEdit*> SplitPage::boxesOf(int option) const
{
    if (option >= 0 && option < 3)
        return {txtMdSpEq[option]};
    if (option >= 3 && option < 6)
        return {txtMdSpFrom[option - 3], txtMdSpEnd[option - 3]};
    return {};
}

void SplitPage::txtMdSplit_Change()
{
    const QString text = txtMdSplit->text();
    if (text == txtMdSplitTag)
        return;
    txtMdSplitTag = text;
    const QString file = source();
    const bool exists = !file.isEmpty() && QFileInfo(file).isFile();
    cmdMdSplitChk->setEnabled(exists);
    cmdMdSplitChkTag.clear();
    refreshPage();
    playSpecPath_ = exists ? file : QString();
    txtMdSplit->setToolTip(exists ? file : dropHint);
    emit playSpecChanged(playSpecPath_);
}

void SplitPage::txtMdSplit_OLEDragDrop(const QStringList& files)
{
    if (files.isEmpty())
        return;
    QString file = files.first();
    file.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    file = mdlZorvoFLV::upperDriveLetter(file.trimmed());
    if (!QFileInfo(file).isFile())
        return;
    txtMdSplit->setText(file);
    cmdMdSplitChk_Click();
}

void SplitPage::mbMdSplit_Click()
{
    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = owner();
    dlg.DialogTitle.clear();
    dlg.setFilter(mdlZorvoFLV::openFilterEditable);
    dlg.setFilterIndex(1);
    dlg.FileName.clear();
    const QString chosen = dlg.ShowOpen();
    if (chosen.isEmpty())
        return;
    txtMdSplit->setText(chosen);
    cmdMdSplitChk_Click();
}

void SplitPage::cmdMdSplitChk_Click()
{
    // Off the boxes, so that no edit is under way while the device is open.
    cmdMdSplitChk->setFocus();
    cmdMdSplitChkTag.clear();
    const QString file = source();
    cmdMdSplitChkTag = mdlSplit::readProperties(host_, owner(), picSplitMCI, file, QStringLiteral("切割"));
    refreshPage();
}

void SplitPage::optMdSplit_Click(int index)
{
    if (index < 0 || index >= 6)
        return;
    if (!optMdSplit[index]->isChecked())
        optMdSplit[index]->setChecked(true);
    optMdSplitTag = QString::number(index);
    refreshPage();
}

void SplitPage::refreshPage()
{
    if (refreshing_)
        return;
    refreshing_ = true;
    const bool known = !cmdMdSplitChkTag.isEmpty();
    const int selected = option();
    if (known) {
        const QString file = source();
        lblMdLen->setText(mdlToolCmds::propertyLine(mdlZorvoFLV::valLenient(cmdMdSplitChkTag), QFileInfo(file).size()));
    } else {
        lblMdLen->setText(mdlToolCmds::propertyUnknown());
    }
    for (int o = 0; o < 6; ++o) {
        const bool on = known && o == selected;
        for (QLineEdit* box : boxesOf(o)) {
            box->setEnabled(on);
            if (known && !on && !box->text().isEmpty())
                box->clear();
        }
        for (QLabel* label : captions_[o])
            label->setEnabled(on);
    }
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
    QString& folder = saveFolder ? *saveFolder : ownSaveFolder_;
    mdlSplit::cmdMediaSplit(host_, owner(), request, folder);
}

bool SplitPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtMdSplit) {
        if (mdlToolJob::takeFileDrop(event, [this](const QStringList& files) { txtMdSplit_OLEDragDrop(files); }))
            return true;
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box && !keyAccepted(box, static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
