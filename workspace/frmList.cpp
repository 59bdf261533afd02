#include "workspace/frmList.h"

#include "app/FileObject.h"
#include "app/PlayerState.h"
#include "app/mdlZorvoFLV.h"
#include "player/frmMain.h"
#include "ui/ZorvoButton.h"
#include "workspace/mdlLineFormat.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

using namespace mdlZorvoFLV;

namespace {
constexpr int itemRole = Qt::UserRole;
constexpr int twipsPerPixel = 15;
} // namespace

frmList::frmList(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral(" Zorvo.FLV  的整合型工作区"));
    resize(420, 480);

    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabBar(this);
    tabs->addTab(QStringLiteral("播放清单一"));
    tabs->addTab(QStringLiteral("播放清单二"));
    tabs->addTab(QStringLiteral("档案列表"));
    layout->addWidget(tabs);

    auto* toolbar = new QWidget(this);
    auto* bar = new QHBoxLayout(toolbar);
    bar->setContentsMargins(0, 0, 0, 0);
    auto makeButton = [&](const QString& tip) {
        auto* b = new ui::ZorvoButton(toolbar);
        b->setFixedSize(26, 26);
        b->setCaption(QString(tip.front()));
        b->SetToolTip(tip);
        bar->addWidget(b);
        return b;
    };
    mbMove[0] = makeButton(QStringLiteral("上移指定项目"));
    mbMove[1] = makeButton(QStringLiteral("下移指定项目"));
    auto* play = makeButton(QStringLiteral("播放指定项目"));
    mbStop = makeButton(QStringLiteral("停止目前播放"));
    mbStopLoop = makeButton(QStringLiteral("停止全部播放"));
    bar->addStretch();
    layout->addWidget(toolbar);
    mbStop->setState(3);
    mbStopLoop->setState(3);
    mbMove[0]->setState(3);
    mbMove[1]->setState(3);

    pages_ = new QStackedWidget(this);
    for (int i = 0; i < 2; ++i) {
        lstMn[i] = new QListWidget(pages_);
        pages_->addWidget(lstMn[i]);
        connect(lstMn[i], &QListWidget::itemDoubleClicked, this, [this] { mbPlay_Click(); });
    }
    Fn1 = new QListWidget(pages_);
    pages_->addWidget(Fn1);
    connect(Fn1, &QListWidget::itemDoubleClicked, this, [this] { mbPlay_Click(); });
    layout->addWidget(pages_, 1);

    lblNote = new QLabel(this);
    layout->addWidget(lblNote);

    connect(tabs, &QTabBar::currentChanged, this, [this](int i) { showPage(i == 2 ? 11 : i); });
    connect(play, &ui::ZorvoButton::Click, this, &frmList::mbPlay_Click);
    connect(mbStop, &ui::ZorvoButton::Click, this, &frmList::mbStop_Click);
    connect(mbStopLoop, &ui::ZorvoButton::Click, this, &frmList::mbStopLoop_Click);

    listFolder(QDir::currentPath());
    showPage(0);
}

frmList::~frmList()
{
    if (playingList == lstMn[0] || playingList == lstMn[1])
        playingList = nullptr;
}

void frmList::applySettings(const settings::Settings& s, const settings::ListStore& store)
{
    move(s.listPos / twipsPerPixel);
    for (int n = 0; n < 2; ++n) {
        lstMn[n]->clear();
        for (const QString& item : store.lists[n].items)
            addToList(n, item);
        if (store.lists[n].selected >= 0 && store.lists[n].selected < lstMn[n]->count())
            lstMn[n]->setCurrentRow(store.lists[n].selected);
    }
    lastPlaylistNo = store.lastPlaylistNo;
    if (!s.listDir.isEmpty())
        listFolder(s.listDir);
    if (s.listDirIdx && *s.listDirIdx >= 0 && *s.listDirIdx < Fn1->count())
        Fn1->setCurrentRow(*s.listDirIdx);
    showPage(lastPlaylistNo);
}

void frmList::collectSettings(settings::Settings& s, settings::ListStore& store) const
{
    s.listPos = pos() * twipsPerPixel;
    s.listDir = fileFolder;
    s.listDirIdx = Fn1->currentRow();
    store.lastPlaylistNo = lastPlaylistNo;
    for (int n = 0; n < 2; ++n) {
        store.lists[n].items.clear();
        for (int r = 0; r < lstMn[n]->count(); ++r)
            store.lists[n].items << lstMn[n]->item(r)->data(itemRole).toString();
        store.lists[n].selected = lstMn[n]->currentRow();
    }
}

void frmList::addToList(int list, const QString& item)
{
    if (list < 0 || list > 1)
        return;
    QString path, mark;
    mdlLineFormat::splitItem(item, path, mark);
    auto* row = new QListWidgetItem(mark.isEmpty() ? path : path + QStringLiteral("\t") + mark);
    row->setData(itemRole, item);
    lstMn[list]->addItem(row);
}

void frmList::changeToTab(int Index, int tab, bool focusSwitch)
{
    if (Index == 0)
        showPage(tab < 0 ? lastPlaylistNo : tab);
    else if (Index == 1 && tab == 1)
        showPage(11);
    show();
    if (focusSwitch) {
        raise();
        activateWindow();
    }
}

void frmList::loadMark()
{
    // The mark list page fills itself from the player's marks; until it exists there is
    // nothing to reload.
}

QString frmList::getFnFn() const
{
    const QListWidgetItem* row = Fn1->currentItem();
    if (!row)
        return QString();
    return withTrailingSeparator(fileFolder) + row->text();
}

bool frmList::itemAt(int list, int row, QString& item) const
{
    const int n = list < 0 ? lastPlaylistNo : list;
    if (n < 0 || n > 1)
        return false;
    const int r = row < 0 ? lstMn[n]->currentRow() : row;
    if (r < 0 || r >= lstMn[n]->count())
        return false;
    item = lstMn[n]->item(r)->data(itemRole).toString();
    return true;
}

void frmList::showFile(const QString& file)
{
    const QFileInfo fi(file);
    listFolder(fi.absolutePath());
    const QList<QListWidgetItem*> rows = Fn1->findItems(fi.fileName(), Qt::MatchExactly);
    if (!rows.isEmpty())
        Fn1->setCurrentItem(rows.first());
    changeToTab(1, 1, true);
}

void frmList::mbPlay_Click()
{
    if (viewKind == 11) {
        frmMain::instance()->playSingle(getFnFn(), false);
        return;
    }
    frmMain::instance()->playSingle(QString(), true);
}

void frmList::mbStop_Click() { frmMain::instance()->mbStop_Click(); }

void frmList::mbStopLoop_Click() { frmMain::instance()->shareBnStop(true, false, false, false); }

void frmList::showPage(int viewKindNow)
{
    viewKind = viewKindNow;
    playingList = nullptr;
    playFromBrowser = false;
    if (viewKind == 0 || viewKind == 1) {
        pages_->setCurrentIndex(viewKind);
        playingList = lstMn[viewKind];
        lastPlaylistNo = viewKind;
        lblNote->setText(QStringLiteral("用滑鼠双击清单的指定项目，便可以播放该档案"));
    } else if (viewKind == 11) {
        pages_->setCurrentIndex(2);
        playFromBrowser = true;
        lblNote->setText(QStringLiteral("用滑鼠双击列表的指定项目，便可以播放该档案"));
    }
}

void frmList::listFolder(const QString& folder)
{
    fileFolder = folder;
    Fn1->clear();
    const QDir dir(folder);
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files, QDir::Name))
        if (isPlayableFile(fi.fileName()))
            Fn1->addItem(fi.fileName());
}

void frmList::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    hide();
}
