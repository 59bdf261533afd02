#include "tools/MdSourcePage.h"

#include "app/Numbers.h"
#include "tools/mdlSplit.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlToolJob.h"
#include "ui/ZorvoButton.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
const QString dropHint = QStringLiteral("你可以拖曳档案到这里");
}

const QString MdSourcePage::decimalTip = QStringLiteral("允许有小数点");

bool MdSourcePage::keyAccepted(const QWidget* box, const QKeyEvent* event)
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

MdSourcePage::MdSourcePage(ToolHost& host, const QString& pageWord, QWidget* parent)
    : QWidget(parent)
    , host_(host)
    , pageWord_(pageWord)
{
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

    connect(txtMdSplit, &QLineEdit::textChanged, this, &MdSourcePage::txtMdSplit_Change);
    connect(mbMdSplit, &ui::ZorvoButton::Click, this, &MdSourcePage::mbMdSplit_Click);
    connect(cmdMdSplitChk, &QPushButton::clicked, this, &MdSourcePage::cmdMdSplitChk_Click);
}

QGridLayout* MdSourcePage::sourceRow()
{
    auto* row = new QGridLayout;
    row->addWidget(lblMdSplit, 0, 0);
    row->addWidget(txtMdSplit, 0, 1);
    row->addWidget(mbMdSplit, 0, 2);
    return row;
}

QHBoxLayout* MdSourcePage::propertyRow()
{
    auto* row = new QHBoxLayout;
    row->addWidget(cmdMdSplitChk);
    row->addWidget(lblMdLen, 1);
    row->addWidget(picSplitMCI);
    return row;
}

QLineEdit* MdSourcePage::numberBox(const QString& name, bool decimals)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setFixedWidth(64);
    if (decimals)
        box->setToolTip(decimalTip);
    box->installEventFilter(this);
    return box;
}

QWidget* MdSourcePage::owner() { return jobWindow ? jobWindow : window(); }

QString MdSourcePage::source() const { return txtMdSplit->text().trimmed(); }

bool MdSourcePage::showProperties()
{
    const bool known = !cmdMdSplitChkTag.isEmpty();
    lblMdLen->setText(known ? mdlToolCmds::propertyLine(mdlZorvoFLV::valLenient(cmdMdSplitChkTag),
                                                        QFileInfo(source()).size())
                            : mdlToolCmds::propertyUnknown());
    return known;
}

void MdSourcePage::chooseOption(QRadioButton* const* options, int count, int index, QString& tag)
{
    if (index < 0 || index >= count)
        return;
    if (!options[index]->isChecked())
        options[index]->setChecked(true);
    tag = QString::number(index);
    refreshPage();
}

void MdSourcePage::enableOption(const QList<QLineEdit*>& boxes, const QList<QLabel*>& captions, bool on, bool known)
{
    for (QLineEdit* box : boxes) {
        box->setEnabled(on);
        if (known && !on && !box->text().isEmpty())
            box->clear();
    }
    for (QLabel* label : captions)
        label->setEnabled(on);
}

void MdSourcePage::txtMdSplit_Change()
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

void MdSourcePage::takeSourceFrom(const MdSourcePage& other)
{
    if (other.txtMdSplit->text() == txtMdSplit->text() && other.cmdMdSplitChkTag == cmdMdSplitChkTag)
        return;
    txtMdSplit->setText(other.txtMdSplit->text());
    cmdMdSplitChkTag = other.cmdMdSplitChkTag;
    refreshPage();
}

void MdSourcePage::txtMdSplit_OLEDragDrop(const QStringList& files)
{
    const QString file = mdlToolJob::droppedFile(files);
    if (file.isEmpty())
        return;
    txtMdSplit->setText(file);
    cmdMdSplitChk_Click();
}

void MdSourcePage::mbMdSplit_Click()
{
    const QString chosen = mdlToolJob::chooseEditable(owner());
    if (chosen.isEmpty())
        return;
    txtMdSplit->setText(chosen);
    cmdMdSplitChk_Click();
}

void MdSourcePage::cmdMdSplitChk_Click()
{
    // Off the boxes, so that no edit is under way while the device is open.
    cmdMdSplitChk->setFocus();
    cmdMdSplitChkTag.clear();
    cmdMdSplitChkTag = mdlSplit::readProperties(host_, owner(), picSplitMCI, source(), pageWord_);
    refreshPage();
}

bool MdSourcePage::eventFilter(QObject* watched, QEvent* event)
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
