#pragma once
// What the workspace's lists do to their lines, without a widget: adding, removing,
// moving, sorting, shuffling and reversing, the states of the toolbar buttons, and the
// texts shown for items (tooltips, the
// merge list's total size). The window copies its list box into a ListLines, calls these
// and writes the result back.
#include <QString>
#include <QStringList>

#include <functional>

namespace mdlListOps {

// The lines of one list box and its selected row (-1: none).
struct ListLines {
    QStringList lines;
    int selected = -1;
    int count() const { return lines.size(); }
};

// Inserts a line after the selected one (isCurIdx; at 0 when nothing is selected) or at
// the end, and selects it. Returns its row; -1 (and nothing added) for an empty line.
int insertLine(ListLines& list, const QString& line, bool isCurIdx);

// Removes the selected line; the selection stays on the same row, or moves to the new
// last line when the removed one was the last. False when nothing is selected.
bool removeSelected(ListLines& list);
void removeAll(ListLines& list);

// Swaps the selected line with its neighbour above (direction 0) or below (1) and keeps
// it selected. False when there is no such neighbour or no selection.
bool moveSelected(ListLines& list, int direction);

// The list's quicksort on line texts, compared without regard to case, over rows
// low..high (ascending; descending swaps the two comparisons).
void sortLines(QStringList& lines, bool ascending, int low, int high);
void sortAll(ListLines& list);

// Swaps every line i with a line drawn by random(n) (a number 0..n-1); the selected row
// stays where it was. With no generator given, the process's random generator is used.
void shuffleLines(ListLines& list, const std::function<int(int)>& random = {});
// Line i takes the old line n - 1 - i; the selected row stays where it was.
void reverseLines(ListLines& list);

// ---- Button states (0 normal, 3 disabled) --------------------------------------------

struct MoveStates {
    int up = 3;   // mbMove(0)
    int down = 3; // mbMove(1)
};
MoveStates moveStates(int count, int selected);

struct ListButtonStates {
    int needOne = 3; // remove, remove all, save copy, save list, show in browser, play
    int needTwo = 3; // reverse, shuffle, sort, random play
};
ListButtonStates listButtonStates(int count);

// The player's previous and next buttons: usable when the play source holds more than one
// item.
int stepButtonState(int sourceCount);

// ---- Texts ----------------------------------------------------------------------------

// Kilobytes of a byte size, rounded up to whole ones.
qint64 kilobytesUp(qint64 bytes);
// A whole number with a comma between every three digits: 1234567 gives "1,234,567".
QString groupedNumber(qint64 value);

// The merge list's total: the sizes of the listed files that exist (size answers -1 for
// a missing file), in kilobytes rounded up, grouped.
QString mergeListTotalKB(const QStringList& paths, const std::function<qint64(const QString&)>& size);
inline const QString mergeTotalPrefix = QStringLiteral("合并清单目前所有项目的总档案大小是：");
QString mergeListNote(const QString& totalKB);

// The tooltip of an item: the path with its size in kilobytes when the file exists
// (size 0 or more), " ( 不存在 )" when it does not, the path alone for a stream address.
QString itemToolTip(const QString& path, qint64 size);

// The paths a drop adds, in the order the user sees them: the dropped files with doubled
// "\" made single and the drive letter upper-cased; else the lines of the dropped text,
// trimmed. Only paths that exist are kept.
QStringList droppedPaths(const QStringList& files, const QString& text,
                         const std::function<bool(const QString&)>& exists);

// The dialog filter of the add-list-file button.
QString playlistDialogFilter();

// The hint under the lists on the playlist pages.
inline const QString listHint = QStringLiteral("用滑鼠双击清单的指定项目，便可以播放该档案");
inline const QString removeAllQuestion = QStringLiteral("确定要移除这个清单的全部项目？");

} // namespace mdlListOps
