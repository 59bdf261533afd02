#pragma once
// The file browser page of the workspace (page 11): a drive list, a folder tree and the
// files of the chosen folder, from which a file is played, added to a list or shown
// after a tool has written it; under them the default save folder and the choice of
// where the user is taken after a tool job.
#include <QIcon>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QTreeView;

namespace ui {
class ZorvoButton;
}

// The icon of a file: the file's own when it exists, else the icon of its type.
namespace mdlIconVelmar {
QIcon fileIcon(const QString& path);
}

class FileBrowserPage : public QWidget {
    Q_OBJECT
public:
    explicit FileBrowserPage(QWidget* parent = nullptr);

    QComboBox* Drv1 = nullptr;
    QTreeView* Dir1 = nullptr;
    QListWidget* Fn1 = nullptr;
    QLineEdit* txtSaveDir = nullptr;
    ui::ZorvoButton* mbSaveDir = nullptr;
    QCheckBox* chkDoneToFn = nullptr;

    // The workspace's default save folder, which the tool pages share.
    QString* saveFolder = nullptr;
    std::function<void()> parkFocus;

    // The folder Fn1 lists (no trailing "/", but "/" for the root).
    QString folder() const { return folder_; }
    // Shows a folder in the three lists; false when it cannot be listed.
    bool setFolder(const QString& path);
    // The full path of file index of Fn1 (-1: the selected one); empty when there is none.
    QString getFnFn(int index = -1) const;
    // Points the lists at the file's folder and selects the file, whatever the case of
    // its name.
    void showInFileBrowser(const QString& path);
    // A save folder that is gone is forgotten.
    void clearGoneSaveDir();
    // The save folder box follows the shared save folder.
    void showSaveDir();

    void Drv1_Change();
    // A press on a folder of the tree.
    void Dir1_MouseDown(const QString& clicked, Qt::MouseButton button);
    void Fn1_DblClick();
    QString Fn1ToolTip(int row) const;
    // Files or text dropped on the lists: the player opens them, and a file that then
    // plays is shown here.
    void Drv1_OLEDragDrop(const QStringList& files, const QString& text);
    void mbSaveDir_Click();

signals:
    // The files of Fn1 changed (another folder, or the same read again).
    void filesChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillDrives();
    void listFiles();
    void park();

    QFileSystemModel* dirModel_ = nullptr;
    QString folder_;
};
