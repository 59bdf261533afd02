#pragma once
// The mark list page of the workspace (page 10): the marks of the player's open file as
// lines of a start and an end time, edited by typing times, written back onto the player
// or reloaded from it. A double click plays one range.
#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class MarkListPage : public QWidget {
    Q_OBJECT
public:
    explicit MarkListPage(QWidget* parent = nullptr);

    QListWidget* lstRng = nullptr;
    QLineEdit* txtRngStart = nullptr;
    QLineEdit* txtRngEnd = nullptr;
    std::array<QPushButton*, 5> cmdSSt{}; // add, modify, remove, up, down
    QLabel* lblTtTime = nullptr;          // the open file's length, "hh:mm:ss.ss"
    QPushButton* cmdLoad = nullptr;
    QPushButton* cmdApply = nullptr;

    // Moves the keyboard focus off the page's controls (the workspace's cmdFocus).
    std::function<void()> parkFocus;

    // Fills the list from the player's marks.
    void loadMark();
    // Each line's tooltip says where its lossless piece really starts ("实际起点 …"), once
    // the player knows the key frames; the line's own text stays what it reads back.
    void showRealStarts();
    // Index -1 only brings the selection and the buttons up to date.
    void cmdSSt_Click(int Index);
    void checkCmdRng();
    void lstRng_MouseDown();
    void lstRng_DblClick();
    void cmdApply_Click();
    void cmdLoad_Click();

    // The frames of every line, as the player's marks take them (-1 for a line that does
    // not read).
    std::vector<std::pair<int, int>> frameRanges() const;

private:
    // The text boxes and the arrows follow the selected line.
    void showSelected();
};
