#pragma once
// The file browser's choices without a widget: which mounted file systems the drive list
// offers, the texts it shows and its messages.
#include <QString>
#include <QStringList>

#include <vector>

namespace mdlBrowse {

struct Mount {
    QString mountPoint; // "/", "/media/usb"
    QString fsType;     // "ext4", "proc", ...
};

// The root first, then the other mounted file systems a user would open, in their order:
// no kernel or runtime pseudo file systems, nothing under /proc, /sys, /dev or /run
// (but removable media in /run/media), no boot or snap images.
QStringList browsableDrives(const std::vector<Mount>& mounts);
// The drives of this machine.
QStringList systemDrives();
// The drive of a folder: the longest drive that holds it ("/" at least).
QString driveOf(const QString& folder, const QStringList& drives);

QString driveFailedMessage(const QString& drive);
QString folderGoneMessage(const QString& folder);
inline const QString browserNote = QStringLiteral("用滑鼠双击列表的指定项目，便可以播放该档案");
inline const QString saveDirTitle = QStringLiteral("请选取预设的存取目录\r\n或者你也可以新建资料夹！");

} // namespace mdlBrowse
