#include "workspace/MarkListPage.h"

#include "app/Numbers.h"
#include "app/PlayerState.h"
#include "app/mdlZorvoFLV.h"
#include "player/frmMain.h"
#include "ui/MsgBox.h"
#include "workspace/mdlMarkList.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace mdlZorvoFLV;

MarkListPage::MarkListPage(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    lstRng = new QListWidget(this);
    lstRng->setObjectName(QStringLiteral("lstRng"));
    column->addWidget(lstRng, 1);

    auto* times = new QGridLayout;
    auto timeBox = [this](const QString& name) {
        auto* box = new QLineEdit(mdlMarkList::zeroTime, this);
        box->setObjectName(name);
        box->setMaxLength(11);
        return box;
    };
    txtRngStart = timeBox(QStringLiteral("txtRngStart"));
    txtRngEnd = timeBox(QStringLiteral("txtRngEnd"));
    times->addWidget(new QLabel(QStringLiteral("开始时间"), this), 0, 0);
    times->addWidget(txtRngStart, 0, 1);
    times->addWidget(new QLabel(QStringLiteral("结束时间"), this), 0, 2);
    times->addWidget(txtRngEnd, 0, 3);
    column->addLayout(times);

    auto* buttons = new QHBoxLayout;
    const char* captions[] = {"新增", "修改", "移除", "↑", "↓"};
    for (int i = 0; i < 5; ++i) {
        cmdSSt[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        cmdSSt[i]->setObjectName(QStringLiteral("cmdSSt"));
        connect(cmdSSt[i], &QPushButton::clicked, this, [this, i] { cmdSSt_Click(i); });
        buttons->addWidget(cmdSSt[i]);
    }
    column->addLayout(buttons);

    for (const char* hint : {"输入标记时，请符合时间格式：hh:mm:ss.ss", "hh:mm:ss.ss = 小时：分钟：秒数.秒小数",
                             "标记编辑后，请记得执行“重绘标记到播放区”"})
        column->addWidget(new QLabel(QString::fromUtf8(hint), this));

    auto* total = new QHBoxLayout;
    total->addWidget(new QLabel(QStringLiteral("这个多媒体档案的播放总长度："), this));
    lblTtTime = new QLabel(mdlMarkList::zeroTime, this);
    lblTtTime->setObjectName(QStringLiteral("lblTtTime"));
    total->addWidget(lblTtTime);
    total->addStretch();
    column->addLayout(total);

    auto* transfer = new QHBoxLayout;
    cmdLoad = new QPushButton(QStringLiteral("从播放区重读标记"), this);
    cmdLoad->setToolTip(QStringLiteral("将播放画面区的标记重读到这里"));
    cmdApply = new QPushButton(QStringLiteral("重绘标记到播放区"), this);
    cmdApply->setToolTip(QStringLiteral("将这里的编辑结果重绘到播放画面区"));
    transfer->addWidget(cmdLoad);
    transfer->addWidget(cmdApply);
    column->addLayout(transfer);

    connect(lstRng, &QListWidget::itemPressed, this, &MarkListPage::lstRng_MouseDown);
    connect(lstRng, &QListWidget::currentRowChanged, this, &MarkListPage::showSelected);
    connect(lstRng, &QListWidget::itemDoubleClicked, this, &MarkListPage::lstRng_DblClick);
    connect(cmdLoad, &QPushButton::clicked, this, &MarkListPage::cmdLoad_Click);
    connect(cmdApply, &QPushButton::clicked, this, &MarkListPage::cmdApply_Click);
    cmdSSt_Click(-1);
}

void MarkListPage::loadMark()
{
    frmMain* player = frmMain::instance();
    lblTtTime->setText(formatTimeText(player ? double(player->mci().getTotalSeconds()) : 0.0, 3, 2));
    lstRng->clear();
    if (player && player->rangeBarShown()) {
        for (int i = 0; i < player->markList().count(); ++i) {
            QString sTime, eTime;
            double sSec = 0, eSec = 0;
            player->rsFormat(i, sTime, eTime, 3, sSec, eSec, 0, 0);
            lstRng->addItem(mdlMarkList::rangeLine(sTime, eTime));
        }
        lstRng->setCurrentRow(0);
    }
    if (player)
        connect(&player->keyFrameCache(), &keyframes::KeyFrameCache::ready, this, &MarkListPage::showRealStarts,
                Qt::UniqueConnection);
    cmdSSt_Click(-1);
    QCoreApplication::processEvents();
}

void MarkListPage::showRealStarts()
{
    frmMain* player = frmMain::instance();
    for (int r = 0; r < lstRng->count(); ++r) {
        QListWidgetItem* row = lstRng->item(r);
        QString start, end;
        mdlMarkList::splitRangeLine(row->text(), start, end);
        const std::optional<float> sec = parseTimeText(start);
        row->setToolTip(player && sec ? player->realStartText(*sec) : QString());
    }
}

void MarkListPage::cmdSSt_Click(int Index)
{
    int k = lstRng->currentRow();
    const int n = lstRng->count();
    if (Index == 0 || Index == 1) {
        const QString start = txtRngStart->text();
        const QString end = txtRngEnd->text();
        const QString refusal = mdlMarkList::rangeRefusal(start, end, lblTtTime->text());
        if (!refusal.isEmpty()) {
            ui::msgBox(refusal, ui::OkOnly, ui::errorTitle, window());
        } else if (Index == 0) {
            lstRng->insertItem(k + 1, mdlMarkList::rangeLine(start, end));
            ++k;
        } else if (k >= 0) {
            lstRng->item(k)->setText(mdlMarkList::rangeLine(start, end));
        }
    } else if (Index == 2 && n > 0 && k >= 0) {
        delete lstRng->takeItem(k);
    }
    if (Index >= -1 && Index <= 2) {
        k = qMin(k, lstRng->count() - 1);
        lstRng->setCurrentRow(k);
        cmdSSt[1]->setEnabled(k != -1);
        cmdSSt[2]->setEnabled(k != -1);
    } else if ((Index == 3 || Index == 4) && n > 1) {
        const int other = Index == 3 ? k - 1 : k + 1;
        if (k >= 0 && k < n && other >= 0 && other < n) {
            QListWidgetItem* moved = lstRng->takeItem(k);
            lstRng->insertItem(other, moved);
            lstRng->setCurrentRow(other);
        }
    }
    // A refused entry is not kept: the boxes show the selected line again.
    showSelected();
    checkCmdRng();
    showRealStarts();
}

void MarkListPage::showSelected()
{
    const int k = lstRng->currentRow();
    QString start, end;
    const QListWidgetItem* row = lstRng->currentItem();
    mdlMarkList::splitRangeLine(row ? row->text() : QString(), start, end);
    txtRngStart->setText(start);
    txtRngEnd->setText(end);
    cmdSSt[3]->setEnabled(k > 0);
    cmdSSt[4]->setEnabled(k < lstRng->count() - 1);
}

void MarkListPage::lstRng_MouseDown()
{
    if (parkFocus)
        parkFocus();
    showSelected();
}

void MarkListPage::checkCmdRng()
{
    frmMain* player = frmMain::instance();
    const bool marksShown = player && player->rangeBarShown();
    // An emptied list may still clear the player's marks.
    cmdApply->setEnabled(lstRng->count() > 0 || marksShown);
    cmdLoad->setEnabled(marksShown);
}

void MarkListPage::lstRng_DblClick()
{
    frmMain* player = frmMain::instance();
    const QListWidgetItem* row = lstRng->currentItem();
    if (!player || !row)
        return;
    float start = -1, end = -1;
    mdlMarkList::splitRangeFrames(row->text(), secondsPerFrame, start, end);
    player->mci().rngCancel();
    player->shareBnStop(true, true, true, false);
    player->playNextRS(-1, 0, true, roundToInt32(start), roundToInt32(end), true);
    if (player->isVisible())
        player->activateWindow();
}

std::vector<std::pair<int, int>> MarkListPage::frameRanges() const
{
    std::vector<std::pair<int, int>> ranges;
    for (int r = 0; r < lstRng->count(); ++r) {
        float start = -1, end = -1;
        mdlMarkList::splitRangeFrames(lstRng->item(r)->text(), secondsPerFrame, start, end);
        ranges.emplace_back(roundToInt32(start), roundToInt32(end));
    }
    return ranges;
}

void MarkListPage::cmdApply_Click()
{
    if (parkFocus)
        parkFocus();
    if (frmMain* player = frmMain::instance())
        player->applyMark(frameRanges());
}

void MarkListPage::cmdLoad_Click()
{
    if (parkFocus)
        parkFocus();
    if (frmMain* player = frmMain::instance())
        player->mnuRngEdit_Click();
}
