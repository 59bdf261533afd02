#include "workspace/frmList.h"

#include "app/FileObject.h"
#include "app/PlayerState.h"
#include "app/mdlZorvoFLV.h"
#include "player/frmMain.h"
#include "tools/EncodePage.h"
#include "tools/FixPage.h"
#include "tools/JoinPage.h"
#include "tools/SnapPage.h"
#include "tools/SplitPage.h"
#include "tools/mdlEncode.h"
#include "tools/mdlSnap.h"
#include "ui/CommDialog.h"
#include "ui/Drop.h"
#include "ui/Icons.h"
#include "ui/MsgBox.h"
#include "ui/ZorvoButton.h"
#include "ui/ZorvoTab.h"
#include "workspace/FileBrowserPage.h"
#include "workspace/MarkListPage.h"
#include "workspace/mdlBrowse.h"
#include "workspace/mdlLineFormat.h"
#include "workspace/mdlListOps.h"
#include "workspace/mdlMarkList.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QVBoxLayout>

#include <optional>

using namespace mdlZorvoFLV;
using mdlListOps::ListLines;

namespace {

constexpr int twipsPerPixel = 15;

// What the tool pages need of the two windows: the player's side comes from the player.
class WorkspaceToolHost : public ToolHost {
public:
    explicit WorkspaceToolHost(frmList& list) : list_(list) {}
    QWidget* playerWindow() override { return frmMain::instance(); }
    QWidget* workspaceWindow() override { return &list_; }
    void pausePlayer() override
    {
        if (ToolHost* p = player())
            p->pausePlayer();
    }
    void closeRunFn(const QString& file) override
    {
        if (ToolHost* p = player())
            p->closeRunFn(file);
    }
    void showInBrowser(const QString& file) override { list_.showInFileBrowser(file); }
    bool doneToFileBrowser() override
    {
        ToolHost* p = player();
        return p && p->doneToFileBrowser();
    }
    void playErrorMsg(const QString& file, const QString& headMsg) override
    {
        if (ToolHost* p = player())
            p->playErrorMsg(file, headMsg);
        else
            ToolHost::playErrorMsg(file, headMsg);
    }

private:
    static ToolHost* player()
    {
        frmMain* w = frmMain::instance();
        return w ? &w->toolHost() : nullptr;
    }
    frmList& list_;
};
const char* tagProperty = "Tag";
const char* stopsProperty = "TabStops"; // column starts in pixels
const char* extentProperty = "Extent";  // the width a line is laid out in

struct AreaDef {
    int area;
    const char* menuCaption;
    const char* tabCaptions; // separated by "≡"
    const char* panelName;
};

const AreaDef areas[] = {
    {0, "第一区／播放清单", "播放清单一≡播放清单二≡", "picList"},
    {1, "第二区／标记清单", "标记清单≡档案列表≡", "picMark"},
    {2, "第三区／合并、切割功能", "合并功能≡切割功能≡", "picMerge"},
    {3, "第四区／截图功能", "截图功能≡", "picSnap"},
    {4, "第五区／修复功能", "修复功能≡", "picFix"},
    {6, "第六区／FLV <----> 影片", "FLV 转影片≡影片转 FLV≡", "picVideo"},
    {7, "第七区／FLV <----> 音乐", "FLV 转音乐≡音乐转 FLV≡", "picMusic"},
};

ListLines linesOf(const QListWidget* box)
{
    ListLines l;
    for (int r = 0; r < box->count(); ++r)
        l.lines << box->item(r)->text();
    l.selected = box->currentRow();
    return l;
}

void setLines(QListWidget* box, const ListLines& l)
{
    box->clear();
    box->addItems(l.lines);
    box->setCurrentRow(l.selected);
}

QString tagOf(const QListWidget* box) { return box->property(tagProperty).toString(); }

qint64 sizeOrMissing(const QString& path)
{
    const QFileInfo fi(path);
    return fi.isFile() ? fi.size() : -1;
}

// Draws a list line in columns at the list's tab stops.
class ColumnDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : nullptr;
        if (style)
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);
        const QVariantList stops = view ? view->property(stopsProperty).toList() : QVariantList();
        const QStringList columns = text.split(u'\t');
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                             : QPalette::Text));
        const QRect r = option.rect.adjusted(3, 0, 0, 0);
        for (int c = 0; c < columns.size(); ++c) {
            const int left = c == 0 ? 0 : (c - 1 < stops.size() ? stops[c - 1].toInt() : -1);
            if (left < 0)
                break;
            painter->drawText(r.adjusted(left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, columns[c]);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        if (option.widget)
            s.setWidth(qMax(1, option.widget->property(extentProperty).toInt()));
        return s;
    }
};

} // namespace

// ---- Building the window ----------------------------------------------------------------

frmList::frmList(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral(" Zorvo.FLV  的整合型工作区"));
    resize(470, 520);
    toolHost_ = std::make_unique<WorkspaceToolHost>(*this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    buildMenus();

    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QStringLiteral("picTlbarBk"));
    buildToolbar(toolbar);
    layout->addWidget(toolbar);

    body_ = new QWidget(this);
    body_->installEventFilter(this);
    layout->addWidget(body_, 1);

    auto makeList = [this](const QString& name) {
        auto* box = new QListWidget;
        box->setObjectName(name);
        box->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
        box->setUniformItemSizes(true);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        box->setAcceptDrops(true);
        box->viewport()->setAcceptDrops(true);
        box->viewport()->installEventFilter(this);
        box->setItemDelegate(new ColumnDelegate(box));
        box->setProperty(tagProperty, QStringLiteral("0"));
        return box;
    };
    for (int i = 0; i < 2; ++i) {
        lstMn[i] = makeList(QStringLiteral("lstMn"));
        connect(lstMn[i], &QListWidget::itemDoubleClicked, this, [this] { lstMn_DblClick(); });
    }
    lstMn2[0] = makeList(QStringLiteral("lstMn2"));
    connect(lstMn2[0], &QListWidget::itemDoubleClicked, this, [this] { lstMn2_DblClick(); });

    for (const AreaDef& a : areas) {
        auto* strip = new ui::ZorvoTab(body_);
        const QString panelName = QString::fromLatin1(a.panelName);
        strip->setTabPictureBox(panelName);
        const QString captions = QString::fromUtf8(a.tabCaptions);
        const int tabs = captions.count(ui::tabCaptionSeparator);
        strip->setTabs(tabs);
        strip->setTabsPerRow(qMax(tabs, 2));
        strip->setAll_Caption(captions);
        tabMn[a.area] = strip;
        connect(strip, &ui::ZorvoTab::Click, this, [this, area = a.area](int) { tabMn_Click(area); });
        for (int t = 0; t < tabs; ++t)
            addPanel(body_, panelName, t, makePage(a.area, t));
    }

    // A page switch disables the window's picture buttons but those tagged "on": the
    // pages' browse buttons stay usable on their pages.
    pageSplit->mbMdSplit->setProperty(tagProperty, QStringLiteral("on"));
    pageFix->mbMdFix->setProperty(tagProperty, QStringLiteral("on"));
    pageSplit->saveFolder = &saveFolder;
    pageSplit->jobWindow = this;
    connect(pageSplit, &SplitPage::playSpecChanged, this, &frmList::setPlaySpec);
    pageFix->saveFolder = &saveFolder;
    pageFix->jobWindow = this;
    connect(pageFix, &FixPage::playSpecChanged, this, &frmList::setPlaySpec);
    pageSnap->mbMdSplit->setProperty(tagProperty, QStringLiteral("on"));
    pageSnap->saveFolder = &saveFolder;
    pageSnap->jobWindow = this;
    connect(pageSnap, &SnapPage::playSpecChanged, this, &frmList::setPlaySpec);
    for (EncodePage* page : pageEncode) {
        page->mbEncodeSrc->setProperty(tagProperty, QStringLiteral("on"));
        page->mbEncodeTo->setProperty(tagProperty, QStringLiteral("on"));
        page->jobWindow = this;
        connect(page, &EncodePage::playSpecChanged, this, &frmList::setPlaySpec);
    }

    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setMinimumHeight(lblNote->fontMetrics().height() + 4);
    layout->addWidget(lblNote);

    // The hidden button that takes the focus away from a list after a button acts on it.
    cmdFocus = new QPushButton(this);
    cmdFocus->setObjectName(QStringLiteral("cmdFocus"));
    cmdFocus->setGeometry(0, 0, 0, 0);
    cmdFocus->setFlat(true);

    mnuPlaySetting[qBound(0, listPlayMode, 3)]->setChecked(true);
    mnuLineFmt[qBound(0, mdlLineFormat::lineFormat, 2)]->setChecked(true);
    showArea(0, 0);
}

QWidget* frmList::makePage(int area, int tab)
{
    switch (area * 10 + tab) {
    case 0:
    case 1:
        return lstMn[tab];
    case 10:
        pageMark = new MarkListPage;
        pageMark->parkFocus = [this] { parkFocus(); };
        return pageMark;
    case 11:
        pageBrowser = new FileBrowserPage;
        pageBrowser->parkFocus = [this] { parkFocus(); };
        pageBrowser->saveFolder = &saveFolder;
        Fn1 = pageBrowser->Fn1;
        connect(pageBrowser, &FileBrowserPage::filesChanged, this, [this] {
            if (viewKind == 11)
                updateBrowserButtons();
        });
        return pageBrowser;
    case 20:
        return mergePage();
    case 21:
        return pageSplit = new SplitPage(*toolHost_);
    case 30:
        return pageSnap = new SnapPage(*toolHost_);
    case 40:
        return pageFix = new FixPage(*toolHost_);
    case 60:
    case 61:
    case 70:
    case 71: {
        const int page = (area - 6) * 2 + tab;
        return pageEncode[page] = new EncodePage(*toolHost_, page);
    }
    default:
        return nullptr;
    }
}

frmList::~frmList()
{
    if (playingList == lstMn[0] || playingList == lstMn[1])
        playingList = nullptr;
    // The merge list dies with the join page that holds it, and its last reset must not
    // reach that page's buttons, which are gone by then.
    lstMn2[0]->model()->disconnect(this);
}

void frmList::buildToolbar(QWidget* bar)
{
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    auto button = [&](const QString& tip, const QString& caption, std::optional<ui::IconId> icon) {
        auto* b = new ui::ZorvoButton(bar);
        b->setFixedSize(26, 26);
        if (icon)
            b->setPicture(ui::icon(*icon).pixmap(16, 16));
        else
            b->setCaption(caption);
        b->SetToolTip(tip);
        row->addWidget(b);
        return b;
    };
    auto line = [&]() {
        auto* l = new QFrame(bar);
        l->setFrameStyle(QFrame::VLine | QFrame::Sunken);
        l->setFixedWidth(4);
        row->addWidget(l);
        return l;
    };
    using ui::IconId;
    mbMove[0] = button(QStringLiteral("上移指定项目"), QStringLiteral("↑"), std::nullopt);
    mbDel[0] = button(QStringLiteral("移除指定项目"), QString(), IconId::Remove);
    mbDel[1] = button(QStringLiteral("移除全部项目"), QStringLiteral("清"), std::nullopt);
    mbSortItem = button(QStringLiteral("依序排列项目"), QStringLiteral("序"), std::nullopt);
    mbRndItem = button(QStringLiteral("随机打乱项目"), QStringLiteral("乱"), std::nullopt);
    mbMove[1] = button(QStringLiteral("下移指定项目"), QStringLiteral("↓"), std::nullopt);
    line();
    mbSave[1] = button(QStringLiteral("另存清单 ( 预设副档名 plt )"), QString(), IconId::List);
    mbRevItem = button(QStringLiteral("依表倒序项目"), QStringLiteral("倒"), std::nullopt);
    mbToFile = button(QStringLiteral("指定项目前往档案列表"), QString(), IconId::Folder);
    mbAdd[0] = button(QStringLiteral("加入档案 ( 可复选 )"), QString(), IconId::Add);
    mbAdd[1] = button(QStringLiteral("加入清单档案"), QString(), IconId::Open);
    mbSave[0] = button(QStringLiteral("另存指定档案"), QString(), IconId::Save);
    LineFp[0] = line();
    mbPlay = button(QStringLiteral("播放指定项目"), QString(), IconId::Play);
    mbStop = button(QStringLiteral("停止目前播放"), QString(), IconId::Stop);
    mbRndPlay = button(QStringLiteral("随机播放某一项目"), QStringLiteral("随"), std::nullopt);
    mbStopLoop = button(QStringLiteral("停止全部播放"), QStringLiteral("止"), std::nullopt);
    LineFp[1] = line();
    row->addStretch();

    // The stop buttons follow the player, whatever page is shown.
    mbStop->setProperty(tagProperty, QStringLiteral("on"));
    mbStopLoop->setProperty(tagProperty, QStringLiteral("on"));
    for (ui::ZorvoButton* b : bar->findChildren<ui::ZorvoButton*>())
        b->setState(3);

    for (int i = 0; i < 2; ++i) {
        connect(mbMove[i], &ui::ZorvoButton::Click, this, [this, i] { mbMove_Click(i); });
        connect(mbDel[i], &ui::ZorvoButton::Click, this, [this, i] { mbDel_Click(i); });
        connect(mbSave[i], &ui::ZorvoButton::Click, this, [this, i] { mbSave_Click(i); });
        connect(mbAdd[i], &ui::ZorvoButton::Click, this, [this, i] { mbAdd_Click(i); });
    }
    connect(mbSortItem, &ui::ZorvoButton::Click, this, &frmList::mbSortItem_Click);
    connect(mbRndItem, &ui::ZorvoButton::Click, this, &frmList::mbRndItem_Click);
    connect(mbRevItem, &ui::ZorvoButton::Click, this, &frmList::mbRevItem_Click);
    connect(mbToFile, &ui::ZorvoButton::Click, this, &frmList::mbToFile_Click);
    connect(mbPlay, &ui::ZorvoButton::Click, this, &frmList::mbPlay_Click);
    connect(mbStop, &ui::ZorvoButton::Click, this, &frmList::mbStop_Click);
    connect(mbRndPlay, &ui::ZorvoButton::Click, this, &frmList::mbRndPlay_Click);
    connect(mbStopLoop, &ui::ZorvoButton::Click, this, &frmList::mbStopLoop_Click);
}

void frmList::buildMenus()
{
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);

    mnuSwith = bar->addMenu(QStringLiteral("切换工作区"));
    for (const AreaDef& a : areas) {
        if (a.area == 6)
            mnuSwith->addSeparator(); // item 5
        QAction* item = mnuSwith->addAction(QString::fromUtf8(a.menuCaption));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, area = a.area] { mnuSwithItem_Click(area); });
        mnuSwithItem[a.area] = item;
    }

    mnuMnLst = bar->addMenu(QStringLiteral("播放清单设定"));
    QMenu* playList = mnuMnLst->addMenu(QStringLiteral("清单播放模式"));
    const char* modes[] = {"单次播放档案", "循环播放档案", "循环播放清单", "随机播放清单"};
    for (int i = 0; i < 4; ++i) {
        mnuPlaySetting[i] = playList->addAction(QString::fromUtf8(modes[i]));
        mnuPlaySetting[i]->setCheckable(true);
        connect(mnuPlaySetting[i], &QAction::triggered, this, [this, i] { mnuPlaySetting_Click(i); });
    }
    QMenu* lineShow = mnuMnLst->addMenu(QStringLiteral("清单显示模式"));
    for (int i = 0; i < 3; ++i) {
        mnuLineFmt[i] = lineShow->addAction(mdlLineFormat::lineFormatCaption(i));
        mnuLineFmt[i]->setCheckable(true);
        connect(mnuLineFmt[i], &QAction::triggered, this, [this, i] { mnuLineFmt_Click(i); });
    }

    mnuAddToList = bar->addMenu(QStringLiteral("加入指定项目到"));
    const char* targets[] = {"播放清单一", "播放清单二", "合并清单"};
    for (int i = 0; i < 3; ++i) {
        mnuToList[i] = mnuAddToList->addAction(QString::fromUtf8(targets[i]));
        connect(mnuToList[i], &QAction::triggered, this, [this, i] { mnuToList_Click(i); });
    }
    mnuAddToList->addSeparator();
    mnuToListEnd = mnuAddToList->addAction(QStringLiteral("总是加到清单末尾"));
    mnuToListEnd->setCheckable(true);
    mnuToListEnd->setChecked(true);
    // The check is toggled by the click handler itself.
    connect(mnuToListEnd, &QAction::triggered, this, [this] {
        mnuToListEnd->setChecked(!mnuToListEnd->isChecked());
        mnuToListEnd_Click();
    });

    mnuPlaySpec = bar->addAction(QStringLiteral("播放指定影片"));
    connect(mnuPlaySpec, &QAction::triggered, this, &frmList::mnuPlaySpec_Click);
}

QWidget* frmList::addPanel(QWidget* body, const QString& arrayName, int index, QWidget* content)
{
    auto* panel = new QWidget(body);
    ui::setControlIndex(panel, arrayName, index);
    auto* inner = new QVBoxLayout(panel);
    inner->setContentsMargins(4, 4, 4, 4);
    if (content)
        inner->addWidget(content);
    panel->hide();
    return panel;
}

void frmList::layoutAreas()
{
    for (ui::ZorvoTab* strip : tabMn)
        if (strip)
            strip->setGeometry(body_->rect());
}

// ---- Settings -----------------------------------------------------------------------------

void frmList::applySettings(const settings::Settings& s, const settings::ListStore& store)
{
    move(s.listPos / twipsPerPixel);
    saveFolder = s.saveDir;
    pageBrowser->showSaveDir();
    pageBrowser->chkDoneToFn->setChecked(s.doneToFn != 0);
    mdlLineFormat::lineFormat = qBound(0, s.lineFmt, 2);
    mnuToListEnd->setChecked(s.toListEnd);
    for (int i = 0; i < 3; ++i)
        mnuLineFmt[i]->setChecked(i == mdlLineFormat::lineFormat);
    for (int i = 0; i < 4; ++i)
        mnuPlaySetting[i]->setChecked(i == listPlayMode);
    for (int n = 0; n < 2; ++n) {
        ListLines l;
        for (const QString& line : mdlLineFormat::composeLines(store.lists[n].items, mdlLineFormat::lineFormat))
            if (!line.isEmpty())
                l.lines << line;
        l.selected = store.lists[n].selected >= 0 && store.lists[n].selected < l.count() ? store.lists[n].selected : -1;
        setLines(lstMn[n], l);
        lstMn[n]->setProperty(tagProperty, mdlLineFormat::tagOfFormat(mdlLineFormat::lineFormat));
    }
    lastPlaylistNo = qBound(0, store.lastPlaylistNo, 1);
    // The index counts only with the folder it was stored with.
    if (!s.listDir.isEmpty() && pageBrowser->setFolder(s.listDir) && s.listDirIdx && *s.listDirIdx < Fn1->count())
        Fn1->setCurrentRow(*s.listDirIdx);
    showArea(0, lastPlaylistNo);
}

void frmList::collectSettings(settings::Settings& s, settings::ListStore& store) const
{
    s.listPos = pos() * twipsPerPixel;
    s.saveDir = saveFolder;
    s.listDir = pageBrowser->folder();
    s.listDirIdx = Fn1->currentRow();
    s.doneToFn = doneToFn();
    s.lineFmt = mdlLineFormat::lineFormat;
    s.toListEnd = toListEnd();
    store.lastPlaylistNo = lastPlaylistNo;
    for (int n = 0; n < 2; ++n) {
        store.lists[n].items = mdlLineFormat::itemStrings(linesOf(lstMn[n]).lines, tagOf(lstMn[n]));
        store.lists[n].selected = lstMn[n]->currentRow();
    }
}

// ---- Pages ---------------------------------------------------------------------------------

void frmList::changeToTab(int Index, int tab, bool focusSwitch)
{
    if (!showArea(Index, tab))
        return;
    if (focusSwitch) {
        frmMain* player = frmMain::instance();
        if (player && player->isVisible()) {
            player->activateWindow();
            player->raise();
        }
    }
    show();
}

bool frmList::showArea(int Index, int tab)
{
    if (Index < 0 || Index >= int(tabMn.size()) || !tabMn[Index])
        return false;
    ui::ZorvoTab* strip = tabMn[Index];
    const bool already = strip->TabNow() == tab;
    setProperty(tagProperty, QString::number(Index));
    for (ui::ZorvoTab* other : tabMn)
        if (other)
            other->setVisible(other == strip);
    strip->raise();
    checkAreaMenu(Index);
    // Only the shown area's panels are visible; the strip puts the current one in front.
    for (const AreaDef& a : areas)
        for (int t = 0; t < tabMn[a.area]->Tabs(); ++t)
            if (QWidget* panel = ui::controlArrayElement(body_, QString::fromLatin1(a.panelName), t))
                panel->setVisible(a.area == Index);
    layoutAreas();
    if (tab >= 0)
        strip->setTabNow(tab); // a change of tab runs the page switch through the strip's click
    // The strip was already there, or keeps its tab: the page is set up again, so that the
    // state matches the area now shown.
    if (already || tab < 0 || tab >= strip->Tabs())
        tabMn_Click(Index);
    strip->placePanels();
    return true;
}

void frmList::tabMn_Click(int area)
{
    playingList = nullptr;
    activeList = nullptr;
    playFromBrowser = false;
    viewKind = area * 10 + tabMn[area]->TabNow();

    mnuAddToList->menuAction()->setVisible(false);
    mnuMnLst->menuAction()->setVisible(area == 0);
    mnuPlaySpec->setText(QStringLiteral("播放指定影片"));
    mnuPlaySpec->setVisible(viewKind > 20);
    mnuPlaySpec->setEnabled(false);

    if (viewKind == 0 || viewKind == 1 || viewKind == 20) {
        showListPage();
        return;
    }
    if (viewKind == 11)
        playFromBrowser = true;
    for (ui::ZorvoButton* b : findChildren<ui::ZorvoButton*>())
        if (b->property(tagProperty).toString() != QLatin1String("on"))
            b->setState(3);
    showPlayButtons(playFromBrowser);
    lblNote->clear();
    showOtherPage();
    updatePlayerStepButtons();
}

void frmList::showOtherPage()
{
    switch (viewKind) {
    case 10:
        pageMark->cmdSSt_Click(-1);
        lblNote->setText(QStringLiteral("用滑鼠双击清单的指定项目，便可以播放该标记区段"));
        break;
    case 11:
        updateBrowserButtons();
        mnuAddToList->menuAction()->setVisible(true);
        lblNote->setText(mdlBrowse::browserNote);
        pageBrowser->clearGoneSaveDir();
        break;
    case 21:
        pageSplit->takeSourceFrom(*pageSnap);
        setPlaySpec(pageSplit->playSpecPath());
        break;
    case 30:
        pageSnap->takeSourceFrom(*pageSplit);
        lblNote->setText(mdlSnap::hintText());
        setPlaySpec(pageSnap->playSpecPath());
        break;
    case 60:
    case 61:
    case 70:
    case 71: {
        const int page = (viewKind / 10 - 6) * 2 + viewKind % 10;
        lblNote->setText(mdlEncode::hintText());
        mnuPlaySpec->setText(mdlEncode::playCaption(page));
        setPlaySpec(pageEncode[page]->playSpecPath());
        break;
    }
    default:
        // The other tool pages say what they need on the pages themselves.
        break;
    }
}

void frmList::updateBrowserButtons()
{
    const int n = Fn1->count();
    mbPlay->setState(n > 0 ? 0 : 3);
    mbRndPlay->setState(n > 1 ? 0 : 3);
    mnuAddToList->setEnabled(n > 0);
    updatePlayerStepButtons();
}

void frmList::showListPage()
{
    if (viewKind < 10) {
        playingList = lstMn[viewKind];
        pickActiveList();
        lastPlaylistNo = viewKind;
        showPlayButtons(true);
        updatePlayerStepButtons();
        if (mdlLineFormat::formatOfTag(tagOf(activeList)) != mdlLineFormat::lineFormat)
            reformatShownPlaylist();
    } else {
        pickActiveList();
        showPlayButtons(false);
    }
    mbAdd[0]->setState(0);
    mbAdd[1]->setState(0);
    mnuAddToList->menuAction()->setVisible(true);
    lblNote->setText(mdlListOps::listHint);
    updateListButtons();
    updateHorizontalExtent();
}

void frmList::pickActiveList()
{
    if (viewKind == 0 || viewKind == 1)
        activeList = lstMn[viewKind];
    else if (viewKind == 20)
        activeList = lstMn2[0];
    else
        activeList = nullptr;
}

void frmList::updateMoveButtons()
{
    const int n = activeList ? activeList->count() : 0;
    const int k = activeList ? activeList->currentRow() : -1;
    const mdlListOps::MoveStates s = mdlListOps::moveStates(n, k);
    mbMove[0]->setState(s.up);
    mbMove[1]->setState(s.down);
    parkFocus();
}

void frmList::updateListButtons()
{
    updateMoveButtons();
    const int n = activeList ? activeList->count() : 0;
    const mdlListOps::ListButtonStates s = mdlListOps::listButtonStates(n);
    for (ui::ZorvoButton* b : {mbDel[0], mbDel[1], mbSave[0], mbSave[1], mbToFile, mbPlay})
        b->setState(s.needOne);
    for (ui::ZorvoButton* b : {mbRevItem, mbRndItem, mbSortItem, mbRndPlay})
        b->setState(s.needTwo);
    updatePlayerStepButtons();
    mnuAddToList->setEnabled(n > 0);
    if (viewKind == 20) {
        const QStringList paths = linesOf(lstMn2[0]).lines;
        lblNote->setText(mdlListOps::mergeListNote(mdlListOps::mergeListTotalKB(paths, sizeOrMissing)));
    }
}

void frmList::updatePlayerStepButtons()
{
    frmMain* player = frmMain::instance();
    if (!player || !player->mbLastItem || !player->mbNextItem)
        return;
    int count = 0;
    if (playFromBrowser)
        count = Fn1->count();
    else if (playingList)
        count = playingList->count();
    const int state = mdlListOps::stepButtonState(count);
    player->mbLastItem->setState(state);
    player->mbNextItem->setState(state);
}

void frmList::showPlayButtons(bool show)
{
    for (QWidget* w : {static_cast<QWidget*>(mbPlay), static_cast<QWidget*>(mbRndPlay),
                       static_cast<QWidget*>(mbStop), static_cast<QWidget*>(mbStopLoop), LineFp[0], LineFp[1]})
        w->setVisible(show);
}

void frmList::parkFocus()
{
    if (loadingMarks)
        return;
    cmdFocus->setFocus(Qt::OtherFocusReason);
}

void frmList::checkAreaMenu(int Index)
{
    for (int i = 0; i < int(mnuSwithItem.size()); ++i)
        if (mnuSwithItem[i])
            mnuSwithItem[i]->setChecked(i == Index);
}

bool frmList::isPlaylist(const QListWidget* list) const { return list && (list == lstMn[0] || list == lstMn[1]); }

// ---- Items ---------------------------------------------------------------------------------

bool frmList::itemAt(int list, int row, QString& item) const
{
    int index = row;
    const QString found = itemStringAt(list, index);
    if (found.isEmpty())
        return false;
    item = found;
    return true;
}

QString frmList::itemStringAt(int list, int& index) const
{
    const int n = list < 0 ? lastPlaylistNo : list;
    if (n < 0 || n > 1)
        return QString();
    const ListLines l = linesOf(lstMn[n]);
    return mdlLineFormat::itemStringAt(l.lines, tagOf(lstMn[n]), index, l.selected);
}

QString frmList::itemPathAt(int list, int& index, QString& markText, bool withMarks) const
{
    const int n = list < 0 ? lastPlaylistNo : list;
    if (n < 0 || n > 1)
        return QString();
    const ListLines l = linesOf(lstMn[n]);
    return mdlLineFormat::itemPathAt(l.lines, index, l.selected, markText, withMarks);
}

QString frmList::selectedPath() const
{
    if (!activeList || activeList->currentRow() < 0)
        return QString();
    if (activeList == lstMn2[0])
        return activeList->currentItem()->text();
    int index = -1;
    QString marks;
    return itemPathAt(activeList == lstMn[1] ? 1 : 0, index, marks, false);
}

bool frmList::acceptItem(const QString& fn)
{
    // One item is one line of "List.ini" and of the playlist files.
    if (!fn.contains(u'\r') && !fn.contains(u'\n'))
        return true;
    ui::msgBox(QStringLiteral("档案路径含有换行字元，无法加入清单：\r\n\r\n") + fn, ui::OkOnly, ui::errorTitle, this);
    return false;
}

void frmList::addToList(const QString& fn, bool isCurIdx, bool isCheck)
{
    if (fn.isEmpty() || !activeList || !acceptItem(fn))
        return;
    QString line;
    if (isPlaylist(activeList)) {
        // Composed in the format the list's lines are in, so that they read back alike.
        line = mdlLineFormat::composeLine(fn, mdlLineFormat::formatOfTag(tagOf(activeList)));
    } else {
        QString marks;
        mdlLineFormat::splitItem(fn, line, marks);
    }
    ListLines l = linesOf(activeList);
    const int row = mdlListOps::insertLine(l, line, isCurIdx);
    if (row < 0)
        return;
    activeList->insertItem(row, line);
    activeList->setCurrentRow(row);
    if (isCheck) {
        updateHorizontalExtent();
        activeList->scrollToItem(activeList->item(row), QAbstractItemView::PositionAtTop);
        updateListButtons();
    }
}

void frmList::addToList(int list, const QString& item)
{
    if (list < 0 || list > 1 || !acceptItem(item))
        return;
    const QString line = mdlLineFormat::composeLine(item, mdlLineFormat::formatOfTag(tagOf(lstMn[list])));
    if (line.isEmpty())
        return;
    lstMn[list]->addItem(line);
    if (lstMn[list] == activeList)
        updateListButtons();
    else if (lstMn[list] == playingList)
        updatePlayerStepButtons();
}

void frmList::reformatShownPlaylist()
{
    if (!playingList)
        return;
    ListLines l = linesOf(playingList);
    QString tag = tagOf(playingList);
    mdlLineFormat::reformatLines(l.lines, tag);
    setLines(playingList, l);
    playingList->setProperty(tagProperty, tag);
    updateHorizontalExtent();
}

void frmList::updateHorizontalExtent()
{
    if (!activeList)
        return;
    const QFontMetrics fm = activeList->fontMetrics();
    const QStringList lines = linesOf(activeList).lines;
    // One average character is 4 dialog units.
    const double pixelsPerUnit = fm.averageCharWidth() / 4.0;
    QVariantList stops;
    int extent = 0;
    if (viewKind >= 10) {
        extent = mdlLineFormat::horizontalExtent(lines, viewKind, [&](const QString& s) { return fm.horizontalAdvance(s); });
    } else {
        const mdlLineFormat::TabStops t = mdlLineFormat::tabStops(lines, mdlLineFormat::columnCount());
        for (int stop : t.stops)
            stops << qRound(stop * pixelsPerUnit);
        extent = qRound((t.total * 7.0 / 4.0 - 30) * fm.averageCharWidth() / 7.0);
    }
    activeList->setProperty(stopsProperty, stops);
    activeList->setProperty(extentProperty, qMax(extent, 0));
    activeList->doItemsLayout();
    activeList->viewport()->update();
}

QString frmList::listToolTip(QListWidget* list, int row) const
{
    if (!list || row < 0 || row >= list->count())
        return QString();
    QString path;
    if (isPlaylist(list)) {
        const ListLines l = linesOf(list);
        QString marks;
        int index = row;
        path = mdlLineFormat::itemPathAt(l.lines, index, l.selected, marks, false);
    } else {
        path = list->item(row)->text();
    }
    return mdlListOps::itemToolTip(path, sizeOrMissing(path));
}

// ---- Toolbar -------------------------------------------------------------------------------

void frmList::mbMove_Click(int Index)
{
    parkFocus();
    if (!activeList)
        return;
    ListLines l = linesOf(activeList);
    if (mdlListOps::moveSelected(l, Index))
        setLines(activeList, l);
    updateListButtons();
}

void frmList::mbDel_Click(int Index)
{
    parkFocus();
    if (!activeList)
        return;
    ListLines l = linesOf(activeList);
    if (Index == 1) {
        if (ui::msgBox(mdlListOps::removeAllQuestion, ui::OkCancel, ui::noticeTitle, this) != ui::Ok)
            return;
        mdlListOps::removeAll(l);
    } else if (!mdlListOps::removeSelected(l)) {
        return;
    }
    setLines(activeList, l);
    updateListButtons();
    updateHorizontalExtent();
}

void frmList::mbSortItem_Click()
{
    parkFocus();
    if (!activeList)
        return;
    ListLines l = linesOf(activeList);
    mdlListOps::sortAll(l);
    setLines(activeList, l);
    updateListButtons();
}

void frmList::mbRndItem_Click()
{
    if (!activeList)
        return;
    ListLines l = linesOf(activeList);
    mdlListOps::shuffleLines(l);
    setLines(activeList, l);
    updateListButtons();
}

void frmList::mbRevItem_Click()
{
    parkFocus();
    if (!activeList)
        return;
    ListLines l = linesOf(activeList);
    mdlListOps::reverseLines(l);
    setLines(activeList, l);
    updateListButtons();
}

void frmList::mbSave_Click(int Index)
{
    if (frmMain* player = frmMain::instance())
        player->pausePrFn();
    if (!activeList)
        return;
    if (Index == 0) {
        saveFile(selectedPath());
        return;
    }
    const ListLines l = linesOf(activeList);
    const QStringList items = mdlLineFormat::playlistFileItems(l.lines, tagOf(activeList), viewKind);
    const QString temp = mdlLineFormat::writeSaveListTemp(items);
    if (temp.isEmpty()) {
        ui::msgBox(QStringLiteral("出现错误，无法成功储存档案！"), ui::OkOnly, ui::errorTitle, this);
        return;
    }
    saveFile(temp);
    deleteFileQuiet(temp, true);
}

// A copy of a file where the user chooses; the player owns the command.
void frmList::saveFile(const QString& fn)
{
    if (frmMain* player = frmMain::instance())
        player->saveFile(fn, true);
}

void frmList::mbToFile_Click()
{
    const QString path = selectedPath();
    if (frmMain* player = frmMain::instance(); player && !path.isEmpty())
        player->doneAfterSave(path, true, 0, false);
}

void frmList::mbAdd_Click(int Index)
{
    if (frmMain* player = frmMain::instance())
        player->pausePrFn();
    if (!activeList)
        return;
    ui::CommDialog& dialog = ui::CommDialog::shared();
    dialog.hwndOwner = this;
    dialog.FileName.clear();
    dialog.setFilterIndex(1);
    if (Index == 0) {
        dialog.setFilter(openFilterAll);
        if (dialog.ShowOpen(true, true).isEmpty())
            return;
        // In the order the dialog shows them: each insertion after the selected item
        // selects the new one, so the next goes in after it.
        for (const QString& file : dialog.FileArray())
            addToList(file, !toListEnd(), false);
    } else {
        dialog.setFilter(mdlListOps::playlistDialogFilter());
        const QString name = dialog.ShowOpen(true, false);
        QStringList items;
        if (name.isEmpty() || !mdlLineFormat::readPlaylistFile(name, items))
            return;
        for (const QString& item : items)
            addToList(item, !toListEnd(), false);
    }
    updateListButtons();
    updateHorizontalExtent();
}

void frmList::lstMn_OLEDragDrop(const QStringList& files, const QString& text)
{
    if (!activeList)
        return;
    const QStringList paths = mdlListOps::droppedPaths(files, text, [](const QString& p) { return QFileInfo(p).isFile(); });
    for (const QString& path : paths)
        addToList(path, !toListEnd(), false);
    updateListButtons();
    updateHorizontalExtent();
}

void frmList::lstMn_DblClick()
{
    parkFocus();
    // Nothing selected: nothing to play.
    if (!playingList || playingList->currentRow() < 0)
        return;
    if (frmMain* player = frmMain::instance())
        player->playSingle(QString(), true);
}

void frmList::lstMn2_DblClick()
{
    parkFocus();
    const QListWidgetItem* row = lstMn2[0]->currentItem();
    if (!row)
        return;
    if (frmMain* player = frmMain::instance())
        player->playSingle(row->text(), false);
}

void frmList::mbPlay_Click()
{
    frmMain* player = frmMain::instance();
    if (!player)
        return;
    if (viewKind == 11) {
        pageBrowser->Fn1_DblClick();
    } else if (viewKind == 20) {
        lstMn2_DblClick();
    } else {
        lstMn_DblClick();
    }
    updatePlayerStepButtons();
}

void frmList::mbRndPlay_Click()
{
    if (frmMain* player = frmMain::instance())
        player->selectRnd();
    mbPlay_Click();
}

void frmList::mbStop_Click()
{
    if (frmMain* player = frmMain::instance())
        player->mbStop_Click();
}

void frmList::mbStopLoop_Click()
{
    if (frmMain* player = frmMain::instance())
        player->shareBnStop(true, false, false, false);
}

// ---- Menus ---------------------------------------------------------------------------------

void frmList::mnuPlaySetting_Click(int Index)
{
    for (int i = 0; i < 4; ++i)
        mnuPlaySetting[i]->setChecked(i == Index);
    listPlayMode = Index;
    if (frmMain* player = frmMain::instance())
        player->fncEbCheck();
}

void frmList::mnuLineFmt_Click(int Index)
{
    for (int i = 0; i < 3; ++i)
        mnuLineFmt[i]->setChecked(i == Index);
    mdlLineFormat::lineFormat = Index;
    reformatShownPlaylist();
}

void frmList::mnuToList_Click(int Index)
{
    QString item;
    if (viewKind == 11) {
        item = getFnFn();
    } else if (viewKind == 20) {
        if (const QListWidgetItem* row = lstMn2[0]->currentItem())
            item = row->text();
    } else if (viewKind < 10) {
        int index = -1;
        QString marks;
        item = Index < 2 ? itemStringAt(viewKind, index) : itemPathAt(viewKind, index, marks, false);
    }
    if (item.isEmpty())
        return;
    // The target list is shown without taking the focus, and the item goes into it.
    if (Index < 2)
        changeToTab(0, Index, false);
    else
        changeToTab(2, 0, false);
    addToList(item, !toListEnd(), true);
}

void frmList::mnuToListEnd_Click()
{
    mnuToListEnd->setChecked(!mnuToListEnd->isChecked());
    // One option in two menus: the player's item follows.
    if (frmMain* player = frmMain::instance(); player && player->mnuToListEnd)
        player->mnuToListEnd->setChecked(mnuToListEnd->isChecked());
}

bool frmList::toListEnd() const { return mnuToListEnd->isChecked(); }

QWidget* frmList::mergePage()
{
    // The merge list with the join page's notes and run button under it.
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(lstMn2[0], 1);
    pageJoin = new JoinPage(*toolHost_);
    pageJoin->setMergeList(lstMn2[0]);
    pageJoin->saveFolder = &saveFolder;
    pageJoin->jobWindow = this;
    pageJoin->mergeItems = [this] {
        QStringList items;
        for (int i = 0; i < lstMn2[0]->count(); ++i)
            items << lstMn2[0]->item(i)->text();
        return items;
    };
    connect(pageJoin, &JoinPage::selectMergeItem, this, [this](int row) {
        if (row >= 0 && row < lstMn2[0]->count())
            lstMn2[0]->setCurrentRow(row);
    });
    QAbstractItemModel* model = lstMn2[0]->model();
    const auto changed = [this] { pageJoin->mergeListChanged(lstMn2[0]->count()); };
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::modelReset, this, changed);
    column->addWidget(pageJoin);
    return box;
}

void frmList::setPlaySpec(const QString& path)
{
    // The page shown names the file that "播放指定影片" plays.
    mnuPlaySpec->setProperty(tagProperty, path);
    mnuPlaySpec->setEnabled(!path.isEmpty());
}

void frmList::mnuPlaySpec_Click()
{
    const QString fn = mnuPlaySpec->property(tagProperty).toString();
    if (frmMain* player = frmMain::instance(); player && !fn.isEmpty())
        player->playSingle(fn, false);
}

void frmList::mnuSwithItem_Click(int Index)
{
    checkAreaMenu(Index);
    if (Index >= 0 && Index < int(tabMn.size()) && tabMn[Index])
        changeToTab(Index, tabMn[Index]->TabNow(), false);
}

// ---- Other pages' lists ------------------------------------------------------------------------

void frmList::loadMark() { pageMark->loadMark(); }

void frmList::checkCmdRng() { pageMark->checkCmdRng(); }

void frmList::getStartEnd(const QString& line, QString& rngStart, QString& rngEnd) const
{
    mdlMarkList::splitRangeLine(line, rngStart, rngEnd);
}

void frmList::getStartEnd(const QString& line, float& rngStart, float& rngEnd) const
{
    mdlMarkList::splitRangeFrames(line, secondsPerFrame, rngStart, rngEnd);
}

QString frmList::getFnFn(int index) const { return pageBrowser->getFnFn(index); }

int frmList::doneToFn() const { return pageBrowser->chkDoneToFn->isChecked() ? 1 : 0; }

void frmList::showInFileBrowser(const QString& path)
{
    pageBrowser->showInFileBrowser(path);
    changeToTab(1, 1, false);
}

// ---- Window events ---------------------------------------------------------------------------

void frmList::Form_KeyDown(int KeyCode)
{
    switch (KeyCode) {
    case 112: // F1
        changeToTab(0, lastPlaylistNo, true);
        break;
    case 113: // F2 and F3 as in the player window: the marks reloaded, the open file shown
        if (frmMain* player = frmMain::instance())
            player->mnuRngEdit_Click();
        else
            changeToTab(1, 0, true);
        break;
    case 114: {
        frmMain* player = frmMain::instance();
        const QString open = player ? player->mci().FileName() : QString();
        if (open.isEmpty())
            changeToTab(1, 1, true);
        else
            showInFileBrowser(open);
        break;
    }
    default:
        break;
    }
}

void frmList::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F3) {
        Form_KeyDown(112 + (key - Qt::Key_F1));
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == body_) {
        if (event->type() == QEvent::Resize)
            layoutAreas();
        return false;
    }
    QListWidget* box = nullptr;
    for (QListWidget* l : {lstMn[0], lstMn[1], lstMn2[0]})
        if (l && watched == l->viewport())
            box = l;
    if (!box)
        return QWidget::eventFilter(watched, event);
    if (ui::takeDrop(event, true, [this](const QStringList& files, const QString& text) { lstMn_OLEDragDrop(files, text); }))
        return true;
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* e = static_cast<QHelpEvent*>(event);
        const QString tip = listToolTip(box, box->indexAt(e->pos()).row());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(e->globalPos(), tip, box);
        return true;
    }
    case QEvent::MouseButtonRelease:
        // A press selects the row; the buttons follow it.
        if (box == activeList) {
            updateMoveButtons();
            updatePlayerStepButtons();
        }
        return false;
    default:
        return false;
    }
}

void frmList::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The stop buttons follow the player, which may have been playing before this window
    // was first shown.
    if (frmMain* player = frmMain::instance())
        player->fncEbCheck();
}

void frmList::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    if (frmMain* player = frmMain::instance()) {
        if (player->mbLastItem)
            player->mbLastItem->setState(3);
        if (player->mbNextItem)
            player->mbNextItem->setState(3);
    }
    event->ignore();
    hide();
}
