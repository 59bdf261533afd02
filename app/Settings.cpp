#include "app/Settings.h"

#include "app/FileObject.h"
#include "app/Numbers.h"
#include "app/TextFile.h"
#include "app/mdlZorvoFLV.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

using mdlZorvoFLV::roundToInt32;
using mdlZorvoFLV::valLenient;

namespace settings {

namespace {

QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

// "True"/"False" in any case, or a number (non-zero is true); anything else: no value.
std::optional<bool> readBool(const QString& value)
{
    if (value.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
        return false;
    double v = 0;
    if (mdlZorvoFLV::parseDecimal(value, v))
        return v != 0.0;
    return std::nullopt;
}

// An integer field that must lie in [lo, hi].
std::optional<int> readChoice(const QString& value, int lo, int hi)
{
    const int v = roundToInt32(valLenient(value));
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

void readBoolInto(const QString& value, bool& target)
{
    if (const auto b = readBool(value))
        target = *b;
}

} // namespace

ReadReport readSettingsLines(const QStringList& lines, Settings& s, const FolderTest& folderExists)
{
    ReadReport r;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq + 1).toLower();
        const QString value = line.mid(eq + 1).trimmed();
        const QStringList f = value.split(u',');

        if (key == u"mainrect=") {
            r.mainRectMet = true;
            if (f.size() >= 4) {
                for (int i = 0; i < 4; ++i)
                    s.mainRect[i] = roundToInt32(valLenient(f[i]));
                r.mainRectApplied = true;
            }
        } else if (key == u"listrect=") {
            r.listRectMet = true;
            if (f.size() >= 2) {
                s.listPos = QPoint(roundToInt32(valLenient(f[0])), roundToInt32(valLenient(f[1])));
                r.listRectApplied = true;
            }
        } else if (key == u"caprect=") {
            // Left and top are taken one by one: a lone left still counts.
            s.capPos.setX(roundToInt32(valLenient(f[0])));
            if (f.size() >= 2)
                s.capPos.setY(roundToInt32(valLenient(f[1])));
        } else if (key == u"keepwh=") {
            readBoolInto(value, s.keepWH);
        } else if (key == u"keepdef=") {
            readBoolInto(value, s.keepDef);
        } else if (key == u"listdir=") {
            if (!value.isEmpty() && folderExists(value)) {
                s.listDir = mdlZorvoFLV::upperDriveLetter(value);
                r.listDirApplied = true;
            }
        } else if (key == u"listdiridx=") {
            if (r.listDirApplied)
                s.listDirIdx = roundToInt32(valLenient(value));
        } else if (key == u"savedir=") {
            if (!value.isEmpty() && folderExists(value)) {
                s.saveDir = mdlZorvoFLV::upperDriveLetter(value);
                r.saveDirApplied = true;
            }
        } else if (key == u"stepmode=") {
            if (const auto mode = readChoice(f[0], 0, 2))
                s.stepMode = *mode;
            for (int i = 0; i < 3 && i + 1 < f.size(); ++i)
                if (const auto v = readChoice(f[i + 1], 1, 100))
                    s.stepValues[i] = *v;
        } else if (key == u"playsetting=") {
            if (const auto v = readChoice(value, 0, 3))
                s.playSetting = *v;
        } else if (key == u"tolistend=") {
            readBoolInto(value, s.toListEnd);
        } else if (key == u"startlist=") {
            readBoolInto(value, s.startList);
        } else if (key == u"autoaddmark=") {
            readBoolInto(value, s.autoAddMark);
        } else if (key == u"linefmt=") {
            if (const auto v = readChoice(value, 0, 2))
                s.lineFmt = *v;
        } else if (key == u"donetofn=") {
            if (const auto v = readChoice(value, 0, 1))
                s.doneToFn = *v;
        }
    }
    return r;
}

QStringList settingsLines(const Settings& s)
{
    auto n = [](int v) { return QString::number(v); };
    return {
        QStringLiteral("MainRect=") + n(s.mainRect[0]) + u',' + n(s.mainRect[1]) + u',' + n(s.mainRect[2]) +
            u',' + n(s.mainRect[3]),
        QStringLiteral("ListRect=") + n(s.listPos.x()) + u',' + n(s.listPos.y()),
        QStringLiteral("CapRect=") + n(s.capPos.x()) + u',' + n(s.capPos.y()),
        QStringLiteral("KeepWH=") + boolText(s.keepWH),
        QStringLiteral("KeepDef=") + boolText(s.keepDef),
        QStringLiteral("ListDir=") + s.listDir,
        QStringLiteral("SaveDir=") + s.saveDir,
        QStringLiteral("ListDirIdx=") + n(s.listDirIdx.value_or(-1)),
        QStringLiteral("StepMode=") + n(s.stepMode) + u',' + n(s.stepValues[0]) + u',' + n(s.stepValues[1]) +
            u',' + n(s.stepValues[2]),
        QStringLiteral("PlaySetting=") + n(s.playSetting),
        QStringLiteral("ToListEnd=") + boolText(s.toListEnd),
        QStringLiteral("StartList=") + boolText(s.startList),
        QStringLiteral("AutoAddMark=") + boolText(s.autoAddMark),
        QStringLiteral("LineFmt=") + n(s.lineFmt),
        QStringLiteral("DoneToFn=") + n(s.doneToFn),
    };
}

ListStore readListLines(const QStringList& lines)
{
    ListStore store;
    if (lines.isEmpty())
        return store;
    if (const auto no = readChoice(lines[0], 0, 1))
        store.lastPlaylistNo = *no;
    qsizetype i = 1;
    while (i < lines.size()) {
        const QStringList h = lines[i++].split(listSeparator);
        if (h.size() < 3)
            continue; // not a header: nothing to count the items by
        const int n = roundToInt32(valLenient(h[0]));
        const int count = std::max(0, roundToInt32(valLenient(h[2])));
        const int selected = h.size() >= 4 ? roundToInt32(valLenient(h[3])) : -1;
        Playlist* list = (n == 0 || n == 1) ? &store.lists[n] : nullptr;
        // A count larger than what follows stops at the end of the file.
        for (int k = 0; k < count && i < lines.size(); ++k, ++i)
            if (list)
                list->items.append(lines[i]);
        if (list && selected >= -1 && selected < list->items.size())
            list->selected = selected;
    }
    return store;
}

QStringList listLines(const ListStore& store)
{
    QStringList out{QString::number(store.lastPlaylistNo)};
    for (int n = 0; n < 2; ++n) {
        const Playlist& p = store.lists[n];
        out << QString::number(n) + listSeparator + QStringLiteral("清单编号") + listSeparator +
                   QString::number(p.items.size()) + listSeparator + QString::number(p.selected);
        out += p.items;
    }
    return out;
}

QString settingsFolder(const QString& programFolder)
{
    const QString folder = mdlZorvoFLV::withTrailingSeparator(programFolder);
    // An installed folder is shared by every user and owned by the package: root can
    // write there, but settings left in it would outlive the package's removal.
    const bool installed = QFileInfo::exists(folder + installedMarkerName);
    if (!folder.isEmpty() && !installed && ::access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return folder;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    const QString own = config + QStringLiteral("/Zorvo.FLV/");
    QDir().mkpath(own);
    return own;
}

bool loadSettingsFile(const QString& path, Settings& s, ReadReport& report)
{
    QStringList lines;
    if (!FileObject::instance().FileExists(path) || !mdlZorvoFLV::readTextLines(path, lines))
        return false;
    report = readSettingsLines(lines, s, [](const QString& f) { return FileObject::instance().FolderExists(f); });
    return true;
}

bool loadListFile(const QString& path, ListStore& store)
{
    QStringList lines;
    if (!FileObject::instance().FileExists(path) || !mdlZorvoFLV::readTextLines(path, lines))
        return false;
    store = readListLines(lines);
    return true;
}

Loaded loadSettings(const QString& folder)
{
    Loaded loaded;
    const QString dir = mdlZorvoFLV::withTrailingSeparator(folder);
    loadSettingsFile(dir + settingsFileName, loaded.settings, loaded.report);
    loadListFile(dir + listsFileName, loaded.lists);
    mdlZorvoFLV::buildPatterns();
    return loaded;
}

bool saveSettingsFiles(const QString& folder, const Settings& s, const ListStore& store)
{
    const QString dir = mdlZorvoFLV::withTrailingSeparator(folder);
    const bool ini = mdlZorvoFLV::writeTextLines(dir + settingsFileName, settingsLines(s));
    const bool lists = mdlZorvoFLV::writeTextLines(dir + listsFileName, listLines(store));
    return ini && lists;
}

} // namespace settings
