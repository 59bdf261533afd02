#include "workspace/mdlLineFormat.h"

#include "app/FileObject.h"
#include "app/Numbers.h"
#include "app/TextFile.h"
#include "app/mdlZorvoFLV.h"

#include <algorithm>

namespace mdlLineFormat {

int lineFormat = 0;

namespace {

// A path may hold a TAB (on Linux any character but "/" and NUL), which would split its
// column in two. Inside a column a TAB is shown as "␉"; "␛" keeps a literal "␉" or "␛".
constexpr QChar tabShown = QChar(0x2409);   // "␉"
constexpr QChar escapeShown = QChar(0x241B); // "␛"

QString escapeColumn(const QString& text)
{
    if (!text.contains(columnSeparator) && !text.contains(tabShown) && !text.contains(escapeShown))
        return text;
    QString out;
    out.reserve(text.size() + 4);
    for (QChar c : text) {
        if (c == columnSeparator)
            out += tabShown;
        else if (c == tabShown || c == escapeShown) {
            out += escapeShown;
            out += c;
        } else
            out += c;
    }
    return out;
}

QString unescapeColumn(const QString& text)
{
    if (!text.contains(tabShown) && !text.contains(escapeShown))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == escapeShown && i + 1 < text.size())
            out += text[++i];
        else if (c == tabShown)
            out += columnSeparator;
        else
            out += c;
    }
    return out;
}

QString column(const QStringList& columns, int c) { return c < columns.size() ? columns[c] : QString(); }

int marksColumnIndex(int format) { return format == 1 ? 2 : 1; }

int knownFormat(int format) { return format == 1 || format == 2 ? format : 0; }

} // namespace

QString lineFormatCaption(int format)
{
    switch (format) {
    case 0: return QStringLiteral("目录 → 档名 → 标记");
    case 1: return QStringLiteral("档名 → 目录 → 标记");
    case 2: return QStringLiteral("档名 → 标记 → 目录");
    default: return QString();
    }
}

int formatOfTag(const QString& tag)
{
    return knownFormat(mdlZorvoFLV::roundToInt32(mdlZorvoFLV::valLenient(tag)));
}

QString tagOfFormat(int format) { return QString::number(format); }

// ---- Item strings ----------------------------------------------------------------------

void splitItem(const QString& item, QString& path, QString& markText)
{
    const qsizetype at = item.lastIndexOf(itemSeparator);
    if (at < 0) {
        path = item;
        markText.clear();
        return;
    }
    path = item.left(at);
    markText = item.mid(at + 1);
}

QString joinItem(const QString& path, const QString& markText)
{
    if (markText.isEmpty() && !path.contains(itemSeparator))
        return path;
    return path + itemSeparator + markText;
}

// ---- List lines ------------------------------------------------------------------------

QString marksColumn(const QString& markText) { return markText.isEmpty() ? noMarksText : marksPrefix + markText; }

QString nameColumn(const QString& path) { return FileObject::instance().GetFileName(path); }

QString folderColumn(const QString& path)
{
    using namespace mdlZorvoFLV;
    return withTrailingSeparator(upperDriveLetter(FileObject::instance().GetParentFolderName(path)));
}

QString composeLine(const QString& item, int format, QString& path, QString& markText)
{
    splitItem(item, path, markText);
    if (path.isEmpty())
        return QString();
    const QString marks = escapeColumn(marksColumn(markText));
    const QString tab(columnSeparator);
    switch (knownFormat(format)) {
    case 1: return escapeColumn(nameColumn(path)) + tab + escapeColumn(folderColumn(path)) + tab + marks;
    case 2: return escapeColumn(nameColumn(path)) + tab + marks + tab + escapeColumn(folderColumn(path));
    default: return escapeColumn(path) + tab + marks;
    }
}

QString composeLine(const QString& item, int format)
{
    QString path, markText;
    return composeLine(item, format, path, markText);
}

QString composeLine(const QString& item) { return composeLine(item, lineFormat); }

QStringList lineColumns(const QString& line)
{
    QStringList columns = line.split(columnSeparator);
    for (QString& c : columns)
        c = unescapeColumn(c);
    return columns;
}

QString itemStringOfLine(const QString& line, int format)
{
    if (line.isEmpty())
        return QString();
    format = knownFormat(format);
    const QStringList columns = lineColumns(line);
    if (format == 2 && columns.size() < 3)
        return QString();

    const QString marks = column(columns, marksColumnIndex(format));
    QString converted;
    if (marks.startsWith(marksPrefix))
        converted = QString(marks).replace(marksPrefix, QString(itemSeparator));
    // "无标记" and a column that is no marks column at all add nothing to the path.

    QString path;
    switch (format) {
    case 1: path = column(columns, 1) + column(columns, 0); break;
    case 2: path = column(columns, 2) + column(columns, 0); break;
    default: path = column(columns, 0); break;
    }
    return converted.isEmpty() ? joinItem(path, QString()) : path + converted;
}

QString itemPathOfLine(const QString& line, int format, QString& markText, bool withMarks)
{
    markText.clear();
    if (line.isEmpty())
        return QString();
    format = knownFormat(format);
    const QStringList columns = lineColumns(line);

    QString path;
    switch (format) {
    case 1: path = column(columns, 1) + column(columns, 0); break;
    case 2: path = column(columns, 2) + column(columns, 0); break;
    default: path = mdlZorvoFLV::upperDriveLetter(column(columns, 0)); break;
    }
    const QString marks = column(columns, marksColumnIndex(format));
    if (!marks.contains(u'-') || marks == noMarksText)
        return path;
    markText = QString(marks).remove(marksPrefix);
    return withMarks ? path + itemSeparator + markText : path;
}

bool resolveRow(const QStringList& lines, int& index, int selected)
{
    if (index < 0)
        index = selected;
    return index >= 0 && index < lines.size();
}

QString itemStringAt(const QStringList& lines, const QString& tag, int& index, int selected)
{
    if (!resolveRow(lines, index, selected))
        return QString();
    return itemStringOfLine(lines[index], formatOfTag(tag));
}

QString itemPathAt(const QStringList& lines, int& index, int selected, QString& markText, bool withMarks)
{
    markText.clear();
    if (!resolveRow(lines, index, selected))
        return QString();
    return itemPathOfLine(lines[index], lineFormat, markText, withMarks);
}

QStringList itemStrings(const QStringList& lines, const QString& tag)
{
    const int format = formatOfTag(tag);
    QStringList items;
    items.reserve(lines.size());
    for (const QString& line : lines)
        items << itemStringOfLine(line, format);
    return items;
}

QStringList composeLines(const QStringList& items, int format)
{
    QStringList lines;
    lines.reserve(items.size());
    for (const QString& item : items)
        lines << composeLine(item, format);
    return lines;
}

void reformatLines(QStringList& lines, QString& tag)
{
    lines = composeLines(itemStrings(lines, tag), lineFormat);
    tag = tagOfFormat(lineFormat);
}

// ---- Column layout -----------------------------------------------------------------------

int columnCount(int format) { return knownFormat(format) == 0 ? 2 : 3; }

int columnCount() { return columnCount(lineFormat); }

int ansiWidth(const QString& text)
{
    int width = 0;
    for (char32_t c : text.toUcs4())
        width += c < 0x80 ? 1 : 2;
    return width;
}

TabStops tabStops(const QStringList& lines, int columns)
{
    TabStops t;
    if (columns <= 0)
        return t;
    std::vector<int> widths(static_cast<size_t>(columns), 0);
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        const QStringList parts = line.split(columnSeparator);
        for (int c = 0; c < columns && c < parts.size(); ++c)
            widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], ansiWidth(parts[c]));
    }
    for (int w : widths) {
        t.total += (w + 6) * 4;
        t.stops.push_back(t.total);
    }
    return t;
}

int horizontalExtent(const QStringList& lines, int viewKind, const std::function<int(const QString&)>& textWidth)
{
    if (viewKind >= 10) {
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, textWidth ? textWidth(line) : 0);
        return widest + 10;
    }
    const int total = tabStops(lines, columnCount()).total;
    return mdlZorvoFLV::roundToInt32(total * 7.0 / 4.0 - 30.0);
}

// ---- Playlist files ------------------------------------------------------------------------

QStringList playlistFileItems(const QStringList& lines, const QString& tag, int viewKind)
{
    if (viewKind == 0 || viewKind == 1)
        return itemStrings(lines, tag);
    return lines;
}

bool writePlaylistFile(const QString& path, const QStringList& items)
{
    for (const QString& item : items)
        if (item.contains(u'\r') || item.contains(u'\n'))
            return false;
    return mdlZorvoFLV::writeTextLines(path, items);
}

QStringList playlistItemsOfLines(const QStringList& fileLines)
{
    QStringList items;
    for (const QString& line : fileLines) {
        // Blanks only: a TAB at either end may belong to the path.
        qsizetype from = 0, to = line.size();
        while (from < to && line[from] == u' ')
            ++from;
        while (to > from && line[to - 1] == u' ')
            --to;
        if (to > from)
            items << line.mid(from, to - from);
    }
    return items;
}

bool readPlaylistFile(const QString& path, QStringList& items)
{
    items.clear();
    if (!mdlZorvoFLV::isPlaylistFile(path))
        return false;
    QStringList fileLines;
    if (!mdlZorvoFLV::readTextLines(path, fileLines))
        return false;
    items = playlistItemsOfLines(fileLines);
    return true;
}

QString writeSaveListTemp(const QStringList& items)
{
    if (mdlZorvoFLV::tempFolder.isEmpty())
        return QString();
    const QString path = mdlZorvoFLV::withTrailingSeparator(mdlZorvoFLV::tempFolder) + saveListTempName;
    return writePlaylistFile(path, items) ? path : QString();
}

} // namespace mdlLineFormat
