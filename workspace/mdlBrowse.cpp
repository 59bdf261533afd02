#include "workspace/mdlBrowse.h"

#include <QSet>
#include <QStorageInfo>

namespace mdlBrowse {

namespace {

bool isPseudo(const QString& type)
{
    static const QSet<QString> pseudo = {
        QStringLiteral("proc"),       QStringLiteral("sysfs"),     QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),     QStringLiteral("tmpfs"),     QStringLiteral("ramfs"),
        QStringLiteral("cgroup"),     QStringLiteral("cgroup2"),   QStringLiteral("pstore"),
        QStringLiteral("securityfs"), QStringLiteral("debugfs"),   QStringLiteral("tracefs"),
        QStringLiteral("configfs"),   QStringLiteral("fusectl"),   QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),  QStringLiteral("bpf"),       QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"), QStringLiteral("nsfs"),
        QStringLiteral("rpc_pipefs"), QStringLiteral("squashfs"),  QStringLiteral("overlay"),
        QStringLiteral("nfsd"),       QStringLiteral("fuse.gvfsd-fuse"), QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.lxcfs"), QStringLiteral("selinuxfs"),
    };
    return pseudo.contains(type);
}

bool isSystemPlace(const QString& mp)
{
    if (mp.startsWith(QLatin1String("/run/media/")))
        return false;
    for (const char* place : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib/docker"}) {
        const QString p = QString::fromLatin1(place);
        if (mp == p || mp.startsWith(p + u'/'))
            return true;
    }
    return false;
}

} // namespace

QStringList browsableDrives(const std::vector<Mount>& mounts)
{
    QStringList drives{QStringLiteral("/")};
    for (const Mount& m : mounts) {
        if (m.mountPoint.isEmpty() || drives.contains(m.mountPoint) || isPseudo(m.fsType) || isSystemPlace(m.mountPoint))
            continue;
        drives << m.mountPoint;
    }
    return drives;
}

QStringList systemDrives()
{
    std::vector<Mount> mounts;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        if (s.isValid())
            mounts.push_back({s.rootPath(), QString::fromLatin1(s.fileSystemType())});
    return browsableDrives(mounts);
}

QString driveOf(const QString& folder, const QStringList& drives)
{
    QString best = QStringLiteral("/");
    for (const QString& d : drives) {
        const QString prefix = d.endsWith(u'/') ? d : d + u'/';
        if ((folder == d || folder.startsWith(prefix)) && d.size() > best.size())
            best = d;
    }
    return best;
}

QString driveFailedMessage(const QString& drive)
{
    QString text = drive;
    text.remove(u':');
    return QStringLiteral("无法开启指定的磁碟机：") + text;
}

QString folderGoneMessage(const QString& folder)
{
    return QStringLiteral("你想要浏览的目录已经不存在！\r\n\r\n") + folder;
}

} // namespace mdlBrowse
