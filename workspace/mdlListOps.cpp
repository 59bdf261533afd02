#include "workspace/mdlListOps.h"

#include "app/mdlZorvoFLV.h"

#include <QRandomGenerator>

namespace mdlListOps {

namespace {

int drawRow(const std::function<int(int)>& random, int count)
{
    if (count <= 0)
        return -1;
    const int j = random ? random(count) : static_cast<int>(QRandomGenerator::global()->bounded(count));
    return qBound(0, j, count - 1);
}

int compareLines(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive); }

} // namespace

int insertLine(ListLines& list, const QString& line, bool isCurIdx)
{
    if (line.isEmpty())
        return -1;
    int row = list.count();
    if (isCurIdx)
        row = list.selected >= 0 && list.selected < list.count() ? list.selected + 1 : 0;
    list.lines.insert(row, line);
    list.selected = row;
    return row;
}

bool removeSelected(ListLines& list)
{
    if (list.selected < 0 || list.selected >= list.count())
        return false;
    list.lines.removeAt(list.selected);
    if (list.selected >= list.count())
        list.selected = list.count() - 1;
    return true;
}

void removeAll(ListLines& list)
{
    list.lines.clear();
    list.selected = -1;
}

bool moveSelected(ListLines& list, int direction)
{
    const int k = list.selected;
    const int other = k + 2 * direction - 1;
    if (k < 0 || k >= list.count() || other < 0 || other >= list.count())
        return false;
    list.lines.swapItemsAt(k, other);
    list.selected = other;
    return true;
}

void sortLines(QStringList& lines, bool ascending, int low, int high)
{
    if (low >= high || low < 0 || high >= lines.size())
        return;
    const QString pivot = lines[(low + high) / 2];
    int i = low;
    int j = high;
    const int sign = ascending ? 1 : -1;
    while (i < j) {
        while (sign * compareLines(lines[i], pivot) < 0)
            ++i;
        while (sign * compareLines(lines[j], pivot) > 0)
            --j;
        if (i <= j) {
            lines.swapItemsAt(i, j);
            ++i;
            --j;
        }
    }
    sortLines(lines, ascending, low, j);
    sortLines(lines, ascending, i, high);
}

void sortAll(ListLines& list) { sortLines(list.lines, true, 0, list.count() - 1); }

void shuffleLines(ListLines& list, const std::function<int(int)>& random)
{
    const int n = list.count();
    for (int i = 0; i < n; ++i)
        list.lines.swapItemsAt(i, drawRow(random, n));
}

void reverseLines(ListLines& list) { std::reverse(list.lines.begin(), list.lines.end()); }

MoveStates moveStates(int count, int selected)
{
    MoveStates s;
    s.up = selected > 0 && selected < count ? 0 : 3;
    // With nothing selected the down button stays usable, and moves nothing.
    s.down = selected < count - 1 ? 0 : 3;
    return s;
}

ListButtonStates listButtonStates(int count)
{
    ListButtonStates s;
    s.needOne = count > 0 ? 0 : 3;
    s.needTwo = count > 1 ? 0 : 3;
    return s;
}

int stepButtonState(int sourceCount) { return sourceCount > 1 ? 0 : 3; }

qint64 kilobytesUp(qint64 bytes)
{
    if (bytes <= 0)
        return 0;
    return (bytes + 1023) / 1024;
}

QString groupedNumber(qint64 value)
{
    const bool negative = value < 0;
    QString digits = QString::number(negative ? -value : value);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return negative ? u'-' + digits : digits;
}

QString mergeListTotalKB(const QStringList& paths, const std::function<qint64(const QString&)>& size)
{
    qint64 total = 0;
    for (const QString& path : paths) {
        const qint64 bytes = size(path);
        if (bytes > 0)
            total += bytes;
    }
    return groupedNumber(kilobytesUp(total));
}

QString mergeListNote(const QString& totalKB) { return mergeTotalPrefix + totalKB + QStringLiteral(" KB"); }

QString itemToolTip(const QString& path, qint64 size)
{
    if (size >= 0)
        return path + QStringLiteral(" ( ") + QString::number(kilobytesUp(size)) + QStringLiteral(" KB )");
    if (mdlZorvoFLV::isStreamAddress(path))
        return path;
    return path + QStringLiteral(" ( 不存在 )");
}

QStringList droppedPaths(const QStringList& files, const QString& text,
                         const std::function<bool(const QString&)>& exists)
{
    QStringList out;
    if (!files.isEmpty()) {
        for (QString path : files) {
            path.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
            path = mdlZorvoFLV::upperDriveLetter(path);
            if (!path.isEmpty() && exists(path))
                out << path;
        }
        return out;
    }
    // Text from other programs comes with CR LF line ends, or with bare LF on this system.
    QString all = text;
    all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList pieces = all.split(u'\n');
    for (const QString& piece : pieces) {
        const QString path = piece.trimmed();
        if (!path.isEmpty() && exists(path))
            out << path;
    }
    return out;
}

QString playlistDialogFilter()
{
    return QStringLiteral("支援的清单档 (*.plt;*.pls;*.m3u;*.asx)|")
           + mdlZorvoFLV::patternsFromList(mdlZorvoFLV::playlistList);
}

} // namespace mdlListOps
