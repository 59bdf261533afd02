// The player window's file commands: open, the previous file, drops.
#include "player/frmMain.h"
#include "player/frmMain_p.h"

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
