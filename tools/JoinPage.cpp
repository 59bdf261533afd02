#include "tools/JoinPage.h"

#include "tools/ToolHost.h"
#include "tools/mdlJoin.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

JoinPage::JoinPage(ToolHost& host, QWidget* parent)
    : QWidget(parent)
    , host_(host)
{
    setObjectName(QStringLiteral("JoinPage"));
    const QStringList notes = mdlJoin::pageNotes();
    for (int i = 0; i < 4; ++i) {
        lblJoinNote[i] = new QLabel(notes.value(i), this);
        lblJoinNote[i]->setObjectName(QStringLiteral("lblJoinNote%1").arg(i));
        lblJoinNote[i]->setWordWrap(true);
    }
    cmdMediaJoin = new QPushButton(mdlJoin::runCaption(), this);
    cmdMediaJoin->setObjectName(QStringLiteral("cmdMediaJoin"));
    cmdMediaJoin->setEnabled(false);

    listArea_ = new QVBoxLayout;
    listArea_->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout(this);
    column->addWidget(lblJoinNote[0]);
    column->addWidget(lblJoinNote[1]);
    column->addLayout(listArea_, 1);
    column->addWidget(lblJoinNote[2]);
    column->addSpacing(8);
    column->addWidget(cmdMediaJoin, 0, Qt::AlignLeft);
    column->addWidget(lblJoinNote[3]);

    connect(cmdMediaJoin, &QPushButton::clicked, this, &JoinPage::cmdMediaJoin_Click);
}

QWidget* JoinPage::owner() { return jobWindow ? jobWindow : window(); }

void JoinPage::setMergeList(QWidget* list)
{
    if (list)
        listArea_->addWidget(list);
}

void JoinPage::mergeListChanged(int count) { cmdMediaJoin->setEnabled(count >= 2); }

void JoinPage::cmdMediaJoin_Click()
{
    // Off the list, so that no drag or edit is under way while the job runs.
    cmdMediaJoin->setFocus();
    const QStringList items = mergeItems ? mergeItems() : QStringList();
    QString& folder = saveFolder ? *saveFolder : ownSaveFolder_;
    int refused = -1;
    if (mdlJoin::cmdMediaJoin(host_, owner(), items, folder, &refused) == mdlJoin::JoinEnd::Refused && refused >= 0)
        emit selectMergeItem(refused);
}
