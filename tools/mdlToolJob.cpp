#include "tools/mdlToolJob.h"

#include "tools/mdlToolCmds.h"
#include "app/mdlZorvoFLV.h"
#include "ui/CommDialog.h"
#include "ui/Drop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mdlToolJob {

bool editableSource(const QString& source)
{
    const QString s = source.trimmed();
    return !s.isEmpty() && QFileInfo(s).isFile() && mdlZorvoFLV::isEditableFile(s);
}

bool sameFile(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

bool isAnyOf(const QString& file, const QStringList& files)
{
    for (const QString& f : files)
        if (sameFile(file, f))
            return true;
    return false;
}

void clearMatching(const QStringList& patterns, const QStringList& keep)
{
    const QDir here = QDir::current();
    const QStringList names = here.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString file = here.absoluteFilePath(name);
        if (!isAnyOf(file, keep))
            QFile::remove(file);
    }
}

void clearTemporaries(const QStringList& keep) { clearMatching(mdlToolCmds::tempPatterns(), keep); }

qint64 sizeOf(const QString& file)
{
    const QFileInfo info(file);
    return info.isFile() ? info.size() : -1;
}

float secondsSince(const QElapsedTimer& t) { return static_cast<float>(t.elapsed()) / 1000.0f; }

} // namespace mdlToolJob

namespace mdlToolJob {

bool takeFileDrop(QEvent* event, const std::function<void(const QStringList&)>& dropped)
{
    return ui::takeDrop(event, false, [&](const QStringList& files, const QString&) { dropped(files); });
}

QString droppedFile(const QStringList& files)
{
    if (files.isEmpty())
        return QString();
    QString file = files.first();
    file.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    file = mdlZorvoFLV::upperDriveLetter(file.trimmed());
    return QFileInfo(file).isFile() ? file : QString();
}

QString chooseEditable(QWidget* owner)
{
    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = owner;
    dlg.DialogTitle.clear();
    dlg.setFilter(mdlZorvoFLV::openFilterEditable);
    dlg.setFilterIndex(1);
    dlg.FileName.clear();
    return dlg.ShowOpen();
}

} // namespace mdlToolJob
