#pragma once
// The workspace window: areas of pages, each area with its own tab strip. Area 0 holds the
// two playlists, area 1 the mark list and the file browser's list, area 2 the merge list
// and the split page, the others the tool pages. Created on first use; closing it only
// hides it until the program ends.
#include <QWidget>
#include <array>
#include <memory>

#include "app/Settings.h"

class QListWidget;
class EncodePage;
class FileBrowserPage;
class FixPage;
class MarkListPage;
class JoinPage;
class SnapPage;
class SplitPage;
struct ToolHost;
class QLabel;
class QMenu;
class QAction;
class QPushButton;

namespace ui {
class ZorvoButton;
class ZorvoTab;
} // namespace ui

class frmList : public QWidget {
    Q_OBJECT
public:
    explicit frmList(QWidget* owner = nullptr);
    ~frmList() override;

    // Fills the lists from the playlist store, takes the window position, the line format
    // and the add-to-end option; collectSettings hands them back.
    void applySettings(const settings::Settings& s, const settings::ListStore& store);
    void collectSettings(settings::Settings& s, settings::ListStore& store) const;

    // Shows area Index on the given tab (a negative tab keeps the strip's tab).
    void changeToTab(int Index, int tab, bool focusSwitch);
    // The player reloads the mark list after each open.
    void loadMark();
    // Refreshes the buttons that depend on the player's marks.
    void checkCmdRng();
    // A line of the mark list as its two time texts ("00:00:00.00" for a line that does
    // not split), or as frames of the open file (-1 for a line that does not read, or
    // when no file gives a frame length).
    void getStartEnd(const QString& line, QString& rngStart, QString& rngEnd) const;
    void getStartEnd(const QString& line, float& rngStart, float& rngEnd) const;
    // The selected file of the file browser list (or file index), with its folder.
    QString getFnFn(int index = -1) const;
    // The item string of a row of a playlist (list -1: the playlist shown last; row -1:
    // its selected row); false when there is none.
    bool itemAt(int list, int row, QString& item) const;
    // itemStringAt and itemPathAt over a playlist (list -1: the one shown last; a negative
    // index: its selected row, and index is set to it).
    QString itemStringAt(int list, int& index) const;
    QString itemPathAt(int list, int& index, QString& markText, bool withMarks) const;

    // Adds an item string to the active list: after its selected line (isCurIdx) or at
    // its end; isCheck also lays the list out again and updates the buttons.
    void addToList(const QString& fn, bool isCurIdx, bool isCheck);
    // Appends an item string to playlist list, whatever page is shown.
    void addToList(int list, const QString& item);

    // Points the file browser at a file's folder, selects the file and shows the
    // browser page without taking the focus from the player.
    void showInFileBrowser(const QString& path);
    // The file browser's choice of where new files are shown (1: the browser).
    int doneToFn() const;

    // Recomposes the shown playlist in the current line format; lays the active list out.
    void reformatShownPlaylist();
    void updateHorizontalExtent();

    // ---- Toolbar and lists ----------------------------------------------------------------
    void mbMove_Click(int Index);
    void mbDel_Click(int Index);
    void mbSortItem_Click();
    void mbRndItem_Click();
    void mbRevItem_Click();
    void mbSave_Click(int Index);
    void mbToFile_Click();
    void mbAdd_Click(int Index);
    void mbPlay_Click();
    void mbRndPlay_Click();
    void mbStop_Click();
    void mbStopLoop_Click();
    void lstMn_DblClick();
    void lstMn2_DblClick();
    // Files or text dropped on a list.
    void lstMn_OLEDragDrop(const QStringList& files, const QString& text);
    // The tooltip of a row of a list (empty for no row).
    QString listToolTip(QListWidget* list, int row) const;

    // ---- Menus ---------------------------------------------------------------------------
    void mnuPlaySetting_Click(int Index);
    void mnuLineFmt_Click(int Index);
    void mnuToList_Click(int Index);
    void mnuToListEnd_Click();
    void mnuPlaySpec_Click();
    void mnuSwithItem_Click(int Index);
    bool toListEnd() const;

    // F1 shows the playlists, F2 the mark list and F3 the file list.
    void Form_KeyDown(int KeyCode);

    // Lets the window close for real (at shutdown); otherwise closing only hides it.
    void setClosing(bool closing) { closing_ = closing; }

    std::array<QListWidget*, 2> lstMn{};
    std::array<QListWidget*, 1> lstMn2{};
    QListWidget* Fn1 = nullptr; // the file browser's files
    QListWidget* activeList = nullptr;
    std::array<ui::ZorvoTab*, 8> tabMn{}; // index 5 has none

    std::array<ui::ZorvoButton*, 2> mbMove{};
    std::array<ui::ZorvoButton*, 2> mbDel{};
    std::array<ui::ZorvoButton*, 2> mbSave{};
    std::array<ui::ZorvoButton*, 2> mbAdd{};
    ui::ZorvoButton* mbSortItem = nullptr;
    ui::ZorvoButton* mbRndItem = nullptr;
    ui::ZorvoButton* mbRevItem = nullptr;
    ui::ZorvoButton* mbToFile = nullptr;
    ui::ZorvoButton* mbPlay = nullptr;
    ui::ZorvoButton* mbStop = nullptr;
    ui::ZorvoButton* mbRndPlay = nullptr;
    ui::ZorvoButton* mbStopLoop = nullptr;

    QMenu* mnuSwith = nullptr;
    std::array<QAction*, 8> mnuSwithItem{};
    QMenu* mnuMnLst = nullptr;
    std::array<QAction*, 4> mnuPlaySetting{};
    std::array<QAction*, 3> mnuLineFmt{};
    QMenu* mnuAddToList = nullptr;
    std::array<QAction*, 3> mnuToList{};
    QAction* mnuToListEnd = nullptr;
    QAction* mnuPlaySpec = nullptr;
    QLabel* lblNote = nullptr;

    int lastPlaylistNo = 0;
    int viewKind = 0;

    // The pages hosted here, and the default folder the tool jobs save into.
    MarkListPage* pageMark = nullptr;
    FileBrowserPage* pageBrowser = nullptr;
    SplitPage* pageSplit = nullptr;
    JoinPage* pageJoin = nullptr;
    FixPage* pageFix = nullptr;
    SnapPage* pageSnap = nullptr;
    std::array<EncodePage*, 4> pageEncode{}; // view kinds 60, 61, 70, 71
    QString saveFolder;
    // The page shown names the file that "播放指定影片" plays.
    void setPlaySpec(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildToolbar(QWidget* bar);
    void buildMenus();
    QWidget* addPanel(QWidget* body, const QString& arrayName, int index, QWidget* content);
    QWidget* mergePage();
    // The page of area, tab (none for a tab without a page yet).
    QWidget* makePage(int area, int tab);
    // The set-up of a page that is no list, by view kind.
    void showOtherPage();
    void updateBrowserButtons();
    // False, with a message, for an item that could not be kept on one line of a list file.
    bool acceptItem(const QString& fn);
    std::unique_ptr<ToolHost> toolHost_;
    void layoutAreas();
    // changeToTab without showing the window or moving the focus.
    bool showArea(int Index, int tab);
    void tabMn_Click(int area);
    void showListPage();
    void pickActiveList();
    void updateMoveButtons();
    void updateListButtons();
    void updatePlayerStepButtons();
    void showPlayButtons(bool show);
    void parkFocus();
    void checkAreaMenu(int Index);
    bool isPlaylist(const QListWidget* list) const;
    QString selectedPath() const;
    void saveFile(const QString& fn);

    QWidget* body_ = nullptr;
    QPushButton* cmdFocus = nullptr;
    std::array<QWidget*, 2> LineFp{}; // the separators beside the play buttons
    bool closing_ = false;
};
