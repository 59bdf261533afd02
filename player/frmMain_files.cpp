// The player window's file commands: open, the previous file, drops, saving a copy, the
// snapshot, showing the file elsewhere, and the commands that bring a workspace page
// forward.
#include "player/frmMain.h"
#include "player/frmMain_p.h"
#include "player/frmCap.h"
#include "media/MpvDevice.h"

#include <QPainter>

using namespace mdlZorvoFLV;
using namespace frmMainParts;

void frmMain::mnuOpen_Click()
{
    pausePrFn();
    ui::CommDialog& dialog = ui::CommDialog::shared();
    dialog.hwndOwner = this;
    dialog.setFilter(openFilterAll);
    dialog.setFilterIndex(1);
    dialog.FileName.clear();
    const QString name = dialog.ShowOpen();
    if (!name.isEmpty())
        playSingle(name, false);
}

void frmMain::mnuPlayLast_Click()
{
    playOrigin = OriginSingle;
    newPlay(lastFile, QString());
}

void frmMain::Form_OLEDragDrop(const QStringList& files, const QString& text)
{
    pausePrFn();
    if (!files.isEmpty()) {
        QString path = files.first();
        path.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        path = upperDriveLetter(path);
        if (FileObject::instance().FileExists(path))
            playSingle(path, false);
    } else if (!text.isEmpty()) {
        playSingle(text, false);
    }
    focusPlayer(true);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    const QString text = files.isEmpty() && !event->mimeData()->hasUrls()
                             ? event->mimeData()->text().trimmed()
                             : (files.isEmpty() && event->mimeData()->hasUrls()
                                    ? event->mimeData()->urls().first().toString()
                                    : QString());
    event->acceptProposedAction();
    Form_OLEDragDrop(files, text);
}

void frmMain::saveFile(const QString& fn, bool fromList)
{
    if (fn.isEmpty())
        return;
    const QString ext = FileObject::instance().GetExtensionName(fn).toLower();
    ui::CommDialog& dialog = ui::CommDialog::shared();
    dialog.hwndOwner = fromList && list_ ? static_cast<QWidget*>(list_) : this;
    dialog.setFilter(playerLogic::saveFileFilter(ext));
    dialog.setFilterIndex(1);
    dialog.FileName.clear();
    dialog.DefaultExt = u'.' + ext;
    const QString target = dialog.ShowSave();
    if (target.isEmpty())
        return;
    if (!playerLogic::copyFileSafely(fn, target)) {
        ui::msgBox(QStringLiteral("出现错误，无法成功储存档案！"), ui::OkOnly, ui::errorTitle,
                   dialog.hwndOwner);
        return;
    }
    doneAfterSave(target, false, 0, false);
}

void frmMain::mnuSaveFile_Click()
{
    pausePrFn();
    saveFile(mci_.FileName(), false);
}

QImage frmMain::videoAreaPicture() const
{
    QImage area(std::max(1, videoAreaWidth), std::max(1, videoAreaHeight), QImage::Format_RGB32);
    area.fill(Qt::black);
    // The frame is drawn where the window shows it, at the size it is shown (the video
    // area starts one pixel in).
    const QRect shown = videoRect();
    if (shown.isEmpty())
        return area;
    const QImage frame = media::mciSnapshot(playerAlias, shown.size());
    if (frame.isNull())
        return area;
    QPainter painter(&area);
    painter.drawImage(shown.topLeft() - QPoint(1, 1), frame);
    return area;
}

frmCap* frmMain::capWindow() const { return cap_; }

void frmMain::mnuSaveCap_Click()
{
    pausePrFn();
    repaint();
    QCoreApplication::processEvents();
    if (!cap_)
        cap_ = new frmCap(this);
    cap_->showRect(0, mci_.FileName(), videoAreaPicture());
}

void frmMain::mnuExplorer_Click()
{
    mdlTools::showInFileManager(mci_.FileName(), this);
}

void frmMain::showPage(int area, int tab, bool focusSwitch)
{
    if (frmList* w = workspace(true))
        w->changeToTab(area, tab, focusSwitch);
}

void frmMain::mnuMyExplorer_Click()
{
    const QString fn = mci_.FileName();
    if (!fn.isEmpty())
        doneAfterSave(fn, true, 0, false);
    else
        showPage(1, 1, true);
}

void frmMain::showInFileList(const QString& path)
{
    if (frmList* w = workspace(true))
        w->showInFileBrowser(path);
}

QString& frmMain::saveFolderRef() { return list_ ? list_->saveFolder : loaded_.settings.saveDir; }

void frmMain::mnuSaveDir_Click() { showPage(1, 1, true); }

void frmMain::mnuList_Click()
{
    frmList* w = workspace(true);
    if (w)
        w->changeToTab(0, w->lastPlaylistNo, true);
}

void frmMain::mnuMediaJoin_Click() { showPage(2, 0, true); }
void frmMain::mnuMediaSplit_Click() { showPage(2, 1, true); }
void frmMain::mnuMediaSnap_Click() { showPage(3, 0, true); }
void frmMain::mnuMediaFix_Click() { showPage(4, 0, true); }
void frmMain::mnuFLV2Mov_Click(int Index) { showPage(6, Index, true); }
void frmMain::mnuFLV2Muc_Click(int Index) { showPage(7, Index, true); }
