#pragma once
// The join page of the workspace (page 20): the notes around the merge list and the run
// button. The merge list itself is the workspace's; it is placed into the page's list
// area and tells the page how many items it holds. The job is mdlJoin::cmdMediaJoin.
#include <QStringList>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QVBoxLayout;
struct ToolHost;

class JoinPage : public QWidget {
    Q_OBJECT
public:
    JoinPage(ToolHost& host, QWidget* parent = nullptr);

    // The notes: two above the list, one below it, one under the run button.
    QLabel* lblJoinNote[4] = {};
    QPushButton* cmdMediaJoin = nullptr; // "执行合并功能"

    // The merge list's items, item 0 first (the workspace's list gives them).
    std::function<QStringList()> mergeItems;
    // The workspace's default save folder; the page keeps its own while no workspace
    // gives one.
    QString* saveFolder = nullptr;
    // The window that owns the dialogs and that the progress window covers (the
    // workspace); the page's own window when not set.
    QWidget* jobWindow = nullptr;

    // Puts the merge list widget between the notes (the page does not own its items).
    void setMergeList(QWidget* list);
    // After every change of the merge list: the run button is on from two items.
    void mergeListChanged(int count);
    void cmdMediaJoin_Click();

signals:
    // The item of the merge list the join refused: the list selects it.
    void selectMergeItem(int index);

private:
    QWidget* owner();

    ToolHost& host_;
    QVBoxLayout* listArea_ = nullptr;
    QString ownSaveFolder_;
};
