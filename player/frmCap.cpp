#include "player/frmCap.h"

#include "app/FileObject.h"
#include "app/mdlZorvoFLV.h"
#include "player/frmMain.h"
#include "ui/CommDialog.h"
#include "ui/MsgBox.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSaveFile>
#include <QScreen>

namespace {
constexpr int twipsPerPixel = 15;
}

QPoint frmCap::capRect{0, 0};

frmCap::frmCap(QWidget* owner) : QMainWindow(owner, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral(" Zorvo.FLV 撷取到的画面"));
    mnuSaveCap = menuBar()->addAction(QStringLiteral("另存画面"), this, &frmCap::mnuSaveCap_Click);
    picShow = new QLabel(this);
    picShow->setObjectName(QStringLiteral("picShow"));
    picShow->setFrameStyle(QFrame::Box | QFrame::Plain);
    picShow->setLineWidth(1);
    picShow->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCentralWidget(picShow);
    // A place remembered on another screen layout comes back onto this one.
    QPoint at = capRect / twipsPerPixel;
    if (const QScreen* s = QGuiApplication::screenAt(at); !s && QGuiApplication::primaryScreen())
        at = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
    move(at);
}

void frmCap::showRect(int first, const QString& file, const QImage& picture)
{
    Q_UNUSED(first);
    picture_ = picture;
    // The picture inside a one-pixel edge; the window's inner area fits it exactly.
    picShow->setFixedSize(picture.width() + 2, picture.height() + 2);
    picShow->setPixmap(QPixmap::fromImage(picture));
    adjustSize();
    show();
    raise();
    saveName_ = FileObject::instance().GetBaseName(file) + QStringLiteral("_pic.bmp");
}

void frmCap::mnuSaveCap_Click()
{
    frmMain* player = frmMain::instance();
    QString source = player ? player->mci().FileName() : QString();
    ui::CommDialog& dialog = ui::CommDialog::shared();
    dialog.hwndOwner = this;
    dialog.setFilter(QStringLiteral("BMP 图档格式 (*.bmp)|*.bmp"));
    dialog.setFilterIndex(1);
    dialog.DefaultExt = QStringLiteral(".bmp");
    dialog.FileName = saveName_;
    if (player)
        dialog.InitDir = mdlZorvoFLV::getOutputFolder(source, player->saveFolderRef());
    const QString target = dialog.ShowSave();
    if (target.isEmpty())
        return;
    // Written beside the target and renamed over it when complete: a failed write leaves
    // neither a half picture nor a lost older file.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || !picture_.save(&out, "BMP") || !out.commit()) {
        ui::msgBox(QStringLiteral("出现错误，无法成功储存档案！"), ui::OkOnly, ui::errorTitle, this);
        return;
    }
    if (player)
        player->doneAfterSave(target, false, 0, false);
}

void frmCap::closeEvent(QCloseEvent* event)
{
    capRect = pos() * twipsPerPixel;
    QMainWindow::closeEvent(event);
}
