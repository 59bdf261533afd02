#include "workspace/FileBrowserPage.h"

#include "app/FileObject.h"
#include "app/PlayerState.h"
#include "app/mdlZorvoFLV.h"
#include "player/frmMain.h"
#include "ui/CommDialog.h"
#include "ui/Drop.h"
#include "ui/Icons.h"
#include "ui/MsgBox.h"
#include "ui/ZorvoButton.h"
#include "workspace/mdlBrowse.h"
#include "workspace/mdlListOps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QToolTip>
#include <QTreeView>
#include <QVBoxLayout>

using namespace mdlZorvoFLV;

QIcon mdlIconVelmar::fileIcon(const QString& path)
{
    static QFileIconProvider provider;
    const QFileInfo info(path);
    const QIcon own = info.exists() ? provider.icon(info) : provider.icon(QFileIconProvider::File);
    // The desktop's icon of the type is what its file manager shows; the name alone tells
    // the type, so a large folder lists without reading its files.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), own));
}

FileBrowserPage::FileBrowserPage(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    Drv1 = new QComboBox(this);
    Drv1->setObjectName(QStringLiteral("Drv1"));
    column->addWidget(Drv1);

    auto* lists = new QHBoxLayout;
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    dirModel_ = new QFileSystemModel(this);
    dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    dirModel_->setRootPath(QStringLiteral("/"));
    Dir1->setModel(dirModel_);
    // The model reads folders in the background: the folder shown is brought into view
    // again once the folders above it are known.
    connect(dirModel_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (Dir1->currentIndex().isValid())
            Dir1->scrollTo(Dir1->currentIndex());
    });
    for (int c = 1; c < dirModel_->columnCount(); ++c)
        Dir1->hideColumn(c);
    Dir1->header()->hide();
    Dir1->setFrameStyle(QFrame::Box | QFrame::Plain);
    lists->addWidget(Dir1, 1);

    Fn1 = new QListWidget(this);
    Fn1->setObjectName(QStringLiteral("Fn1"));
    Fn1->setFrameStyle(QFrame::Box | QFrame::Plain);
    lists->addWidget(Fn1, 1);
    column->addLayout(lists, 1);

    column->addWidget(new QLabel(QStringLiteral("预设存取目录"), this));
    auto* saveRow = new QHBoxLayout;
    txtSaveDir = new QLineEdit(this);
    txtSaveDir->setObjectName(QStringLiteral("txtSaveDir"));
    saveRow->addWidget(txtSaveDir, 1);
    mbSaveDir = new ui::ZorvoButton(this);
    mbSaveDir->setFixedSize(26, 22);
    mbSaveDir->setPicture(ui::icon(ui::IconId::Folder).pixmap(16, 16));
    mbSaveDir->SetToolTip(QStringLiteral("请选取预设的存取目录"));
    // Usable whenever this page is shown: the page switch leaves buttons tagged "on" alone.
    mbSaveDir->setProperty("Tag", QStringLiteral("on"));
    saveRow->addWidget(mbSaveDir);
    column->addLayout(saveRow);
    auto* hint = new QLabel(QStringLiteral("如果不指定存取目录，那么，存取目录总是跟随着来源档案"), this);
    hint->setWordWrap(true);
    column->addWidget(hint);
    chkDoneToFn = new QCheckBox(QStringLiteral("裁剪、分割、合并……等等处理后，配合指向此档案列表"), this);
    chkDoneToFn->setChecked(true);
    column->addWidget(chkDoneToFn);

    for (QWidget* w : {static_cast<QWidget*>(Drv1), Dir1->viewport(), Fn1->viewport()}) {
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }
    connect(Drv1, &QComboBox::activated, this, [this] { Drv1_Change(); });
    connect(Fn1, &QListWidget::itemPressed, this, [this] { park(); });
    connect(Fn1, &QListWidget::itemDoubleClicked, this, &FileBrowserPage::Fn1_DblClick);
    connect(chkDoneToFn, &QCheckBox::clicked, this, [this] { park(); });
    connect(mbSaveDir, &ui::ZorvoButton::Click, this, &FileBrowserPage::mbSaveDir_Click);
    connect(txtSaveDir, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (saveFolder)
            *saveFolder = text;
    });

    fillDrives();
    setFolder(QDir::currentPath());
}

void FileBrowserPage::park()
{
    if (parkFocus)
        parkFocus();
}

void FileBrowserPage::fillDrives()
{
    Drv1->clear();
    Drv1->addItems(mdlBrowse::systemDrives());
}

bool FileBrowserPage::setFolder(const QString& path)
{
    const QDir dir(path);
    if (path.isEmpty() || !dir.exists() || !dir.isReadable())
        return false;
    folder_ = QDir::cleanPath(dir.absolutePath());
    QStringList drives;
    for (int i = 0; i < Drv1->count(); ++i)
        drives << Drv1->itemText(i);
    const QString drive = mdlBrowse::driveOf(folder_, drives);
    Drv1->setCurrentIndex(qMax(0, drives.indexOf(drive)));
    Dir1->setRootIndex(dirModel_->index(drive));
    const QModelIndex at = dirModel_->index(folder_);
    Dir1->setCurrentIndex(at);
    Dir1->expand(at);
    Dir1->scrollTo(at);
    listFiles();
    return true;
}

void FileBrowserPage::listFiles()
{
    Fn1->clear();
    const QDir dir(folder_);
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        Fn1->addItem(new QListWidgetItem(mdlIconVelmar::fileIcon(fi.filePath()), fi.fileName()));
    if (Fn1->count() > 0)
        Fn1->setCurrentRow(0);
    emit filesChanged();
}

QString FileBrowserPage::getFnFn(int index) const
{
    const QListWidgetItem* row = index < 0 ? Fn1->currentItem() : Fn1->item(index);
    if (!row)
        return QString();
    return withTrailingSeparator(upperDriveLetter(folder_)) + row->text();
}

void FileBrowserPage::showInFileBrowser(const QString& path)
{
    const QFileInfo info(path);
    setFolder(info.absolutePath());
    const QString name = info.fileName().toLower();
    for (int r = 0; r < Fn1->count(); ++r)
        if (Fn1->item(r)->text().toLower() == name) {
            Fn1->setCurrentRow(r);
            Fn1->scrollToItem(Fn1->item(r));
            break;
        }
}

void FileBrowserPage::clearGoneSaveDir()
{
    if (!saveFolder)
        return;
    QString kept = *saveFolder;
    getOutputFolder(QString(), kept); // the one rule of the tools: a gone folder is cleared
    *saveFolder = kept;
    showSaveDir();
}

void FileBrowserPage::showSaveDir()
{
    if (saveFolder && txtSaveDir->text() != *saveFolder)
        txtSaveDir->setText(*saveFolder);
}

void FileBrowserPage::Drv1_Change()
{
    park();
    const QString drive = Drv1->currentText();
    if (!setFolder(drive)) {
        QStringList drives;
        for (int i = 0; i < Drv1->count(); ++i)
            drives << Drv1->itemText(i);
        Drv1->setCurrentIndex(qMax(0, drives.indexOf(mdlBrowse::driveOf(folder_, drives))));
        ui::msgBox(mdlBrowse::driveFailedMessage(drive), ui::OkOnly, ui::errorTitle, window());
    }
}

void FileBrowserPage::Dir1_MouseDown(const QString& clicked, Qt::MouseButton button)
{
    park();
    if (clicked.isEmpty())
        return;
    if (!QFileInfo(clicked).isDir()) {
        ui::msgBox(mdlBrowse::folderGoneMessage(withTrailingSeparator(clicked)), ui::OkOnly, ui::errorTitle, window());
        const QString root = Drv1->currentText();
        if (!setFolder(root))
            setFolder(QStringLiteral("/"));
        return;
    }
    if (button != Qt::RightButton)
        setFolder(clicked);
}

void FileBrowserPage::Fn1_DblClick()
{
    park();
    const QString fn = getFnFn();
    if (frmMain* player = frmMain::instance(); player && !fn.isEmpty())
        player->playSingle(fn, true); // the browser goes on by the list play mode
}

QString FileBrowserPage::Fn1ToolTip(int row) const
{
    if (row < 0 || row >= Fn1->count())
        return QString();
    const QFileInfo fi(getFnFn(row));
    return mdlListOps::itemToolTip(fi.fileName(), fi.isFile() ? fi.size() : -1);
}

void FileBrowserPage::Drv1_OLEDragDrop(const QStringList& files, const QString& text)
{
    frmMain* player = frmMain::instance();
    if (!player)
        return;
    player->Form_OLEDragDrop(files, text);
    if (playerState == Playing)
        player->doneAfterSave(player->mci().FileName(), true, 0, false);
}

void FileBrowserPage::mbSaveDir_Click()
{
    ui::CommDialog& dialog = ui::CommDialog::shared();
    dialog.hwndOwner = window();
    dialog.DialogTitle = mdlBrowse::saveDirTitle;
    dialog.InitDir = txtSaveDir->text();
    const QString chosen = dialog.ShowDir(true);
    dialog.DialogTitle.clear();
    if (chosen.isEmpty())
        return;
    txtSaveDir->setText(chosen);
    if (saveFolder)
        *saveFolder = chosen;
}

bool FileBrowserPage::eventFilter(QObject* watched, QEvent* event)
{
    if (ui::takeDrop(event, true, [this](const QStringList& files, const QString& text) { Drv1_OLEDragDrop(files, text); }))
        return true;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (watched == Dir1->viewport()) {
            auto* e = static_cast<QMouseEvent*>(event);
            const QModelIndex at = Dir1->indexAt(e->position().toPoint());
            if (at.isValid())
                Dir1_MouseDown(dirModel_->filePath(at), e->button());
        }
        return false;
    case QEvent::ToolTip:
        if (watched == Fn1->viewport()) {
            auto* e = static_cast<QHelpEvent*>(event);
            const QString tip = Fn1ToolTip(Fn1->indexAt(e->pos()).row());
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(e->globalPos(), tip, Fn1);
            return true;
        }
        return false;
    default:
        return false;
    }
}
