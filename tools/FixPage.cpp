#include "tools/FixPage.h"
#include "tools/mdlToolJob.h"

#include "app/mdlZorvoFLV.h"
#include "tools/ToolHost.h"
#include "tools/mdlFix.h"
#include "ui/CommDialog.h"
#include "ui/ZorvoButton.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString dropHint = QStringLiteral("你可以拖曳档案到这里");
}

FixPage::FixPage(ToolHost& host, QWidget* parent)
    : QWidget(parent)
    , host_(host)
{
    setObjectName(QStringLiteral("FixPage"));
    lblFixIntro = new QLabel(mdlFix::introText(), this);
    lblFixIntro->setWordWrap(true);

    lblMdFix = new QLabel(QStringLiteral("指定影片"), this);
    txtMdFix = new QLineEdit(this);
    txtMdFix->setObjectName(QStringLiteral("txtMdFix"));
    txtMdFix->setToolTip(dropHint);
    txtMdFix->setAcceptDrops(true);
    txtMdFix->installEventFilter(this);
    lblMdFix->setBuddy(txtMdFix);

    mbMdFix = new ui::ZorvoButton(this);
    mbMdFix->setObjectName(QStringLiteral("mbMdFix"));
    mbMdFix->setCaption(QStringLiteral("..."));
    mbMdFix->setFixedSize(28, 24);

    cmdMediaFix = new QPushButton(QStringLiteral("执行修复功能"), this);
    cmdMediaFix->setObjectName(QStringLiteral("cmdMediaFix"));
    cmdMediaFix->setEnabled(false);
    lblFixNote = new QLabel(QStringLiteral("下个步骤将出现另存新档的对话盒"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(lblMdFix, 0, 0);
    grid->addWidget(txtMdFix, 0, 1);
    grid->addWidget(mbMdFix, 0, 2);
    auto* column = new QVBoxLayout(this);
    column->addWidget(lblFixIntro);
    column->addSpacing(8);
    column->addLayout(grid);
    column->addSpacing(8);
    column->addWidget(cmdMediaFix, 0, Qt::AlignLeft);
    column->addWidget(lblFixNote);
    column->addStretch(1);

    connect(txtMdFix, &QLineEdit::textChanged, this, &FixPage::txtMdFix_Change);
    connect(mbMdFix, &ui::ZorvoButton::Click, this, &FixPage::mbMdFix_Click);
    connect(cmdMediaFix, &QPushButton::clicked, this, &FixPage::cmdMediaFix_Click);
}

QWidget* FixPage::owner() { return jobWindow ? jobWindow : window(); }

void FixPage::txtMdFix_Change()
{
    const QString source = txtMdFix->text().trimmed();
    const bool exists = !source.isEmpty() && QFileInfo(source).isFile();
    cmdMediaFix->setEnabled(exists);
    playSpecPath_ = exists ? source : QString();
    txtMdFix->setToolTip(exists ? source : dropHint);
    emit playSpecChanged(playSpecPath_);
}

void FixPage::txtMdFix_OLEDragDrop(const QStringList& files)
{
    const QString file = mdlToolJob::droppedFile(files);
    if (file.isEmpty())
        return;
    txtMdFix->setText(file);
    txtMdFix->setFocus();
}

void FixPage::mbMdFix_Click()
{
    const QString chosen = mdlToolJob::chooseEditable(owner());
    if (!chosen.isEmpty())
        txtMdFix->setText(chosen);
}

void FixPage::cmdMediaFix_Click()
{
    // Off the text box, so that no edit is under way while the job runs.
    cmdMediaFix->setFocus();
    QString& folder = saveFolder ? *saveFolder : ownSaveFolder_;
    mdlFix::cmdMediaFix(host_, owner(), txtMdFix->text(), folder);
}

bool FixPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtMdFix) {
        if (mdlToolJob::takeFileDrop(event, [this](const QStringList& files) { txtMdFix_OLEDragDrop(files); }))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
