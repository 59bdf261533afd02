#pragma once
// The workspace window: the two playlists, the file browser's list and the buttons the
// player drives. Created on first use; closing it only hides it until the program ends.
#include <QWidget>
#include <array>

#include "app/Settings.h"

class QListWidget;
class QStackedWidget;
class QLabel;

namespace ui {
class ZorvoButton;
}

class frmList : public QWidget {
    Q_OBJECT
public:
    explicit frmList(QWidget* owner = nullptr);
    ~frmList() override;

    // Fills the lists from the playlist store and takes its window position.
    void applySettings(const settings::Settings& s, const settings::ListStore& store);
    void collectSettings(settings::Settings& s, settings::ListStore& store) const;

    // Shows area Index on the given tab (a negative tab keeps the current one).
    void changeToTab(int Index, int tab, bool focusSwitch);
    // The player reloads the mark list after each open.
    void loadMark();
    // Refreshes the buttons that depend on the player's marks.
    void checkCmdRng() {}
    // The selected file of the file browser list, with its folder.
    QString getFnFn() const;
    // The item string of a row of a playlist (list -1: the playlist shown last; row -1:
    // its selected row); false when there is none.
    bool itemAt(int list, int row, QString& item) const;
    // Adds an item string to a playlist.
    void addToList(int list, const QString& item);

    // Points the file browser list at a file: its folder, the file selected.
    void showFile(const QString& file);

    void mbStopLoop_Click();
    void mbStop_Click();
    void mbPlay_Click();

    // Lets the window close for real (at shutdown); otherwise closing only hides it.
    void setClosing(bool closing) { closing_ = closing; }

    std::array<QListWidget*, 2> lstMn{};
    QListWidget* Fn1 = nullptr;
    QString fileFolder; // the folder Fn1 lists
    ui::ZorvoButton* mbStop = nullptr;
    ui::ZorvoButton* mbStopLoop = nullptr;
    std::array<ui::ZorvoButton*, 2> mbMove{};
    int lastPlaylistNo = 0;
    int viewKind = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showPage(int viewKindNow);
    void listFolder(const QString& folder);

    QStackedWidget* pages_ = nullptr;
    QLabel* lblNote = nullptr;
    bool closing_ = false;
};
