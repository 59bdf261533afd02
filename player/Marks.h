#pragma once
// The marked ranges of the file open in the player, apart from the boxes that show
// them: the list with its rules for starting, stretching, closing and deleting a mark,
// the mark text that carries them in playlist items, and the texts that describe them.
#include <QString>
#include <vector>

namespace playerMarks {

inline const QString stateStart = QStringLiteral("start"); // the mark is open
inline const QString stateEnd = QStringLiteral("end");     // the mark is closed

// A range of frames of the open file.
struct Mark {
    int start = 0;   // first frame
    int length = 0;  // frames; the end frame is start + length
    QString state;   // stateStart, stateEnd, or empty: never made
    QString tooltip; // empty while the mark is open
    int end() const { return start + length; }
};

// What the times of a mark are computed from: seconds per frame of the open file (0 or
// less when unknown) and its total length in seconds.
struct Timing {
    float secondsPerFrame = 0.0f;
    double totalSeconds = 0.0;
};

// The times of a mark: start and end texts, their seconds, and the length text.
struct MarkTimes {
    QString sTime, eTime, length;
    double sSec = 0.0, eSec = 0.0;
};

// preAdd is added to the start (which does not go below 0), lastAdd to the end (which
// does not go beyond the file). All texts are empty when the seconds per frame are unknown.
MarkTimes rsFormat(const Mark& mark, int mode, double preAdd, double lastAdd, const Timing& timing);

// "标记区段 1：从 00:10.00 到 00:16.00 ＝ 00:06.00 秒" for mark n (0-based).
QString markToolTip(int n, const Mark& mark, const Timing& timing);

// The range bar's tooltip: "2 个标记的总时间是 00:12.00 秒".
QString totalToolTip(const std::vector<Mark>& marks, const Timing& timing);

// "250-400 1000-1250": start and end frame of each mark, in order, one blank between.
QString markText(const std::vector<Mark>& marks);

enum class ParseResult {
    Empty,     // no text: the file plays whole
    Valid,     // marks holds the marks, all closed
    BeyondEnd, // a mark starts after the file's last frame: the text is refused whole
    Malformed, // a piece is not "start-end" in whole numbers with end >= start: refused whole
};

// Reads a mark text. Extra blanks between the pieces are allowed.
ParseResult parseMarkText(const QString& text, int totalFrames, std::vector<Mark>& marks);

// Where a stretch of the open mark ends, given the frame the device reports: at the end of
// the media the device reports frame 0 while it still counts as playing.
int stretchEnd(int frame, int markStart, bool playing, int totalFrames);

class MarkList {
public:
    const std::vector<Mark>& marks() const { return marks_; }
    bool isEmpty() const { return marks_.empty(); }
    int count() const { return static_cast<int>(marks_.size()); }
    // Index of the last mark (0 when there is none).
    int lastMarkIndex() const { return marks_.empty() ? 0 : count() - 1; }
    bool lastIsOpen() const { return !marks_.empty() && marks_.back().state == stateStart; }
    const Mark& at(int n) const { return marks_.at(static_cast<std::size_t>(n)); }
    bool isValidIndex(int n) const { return n >= 0 && n < count(); }

    // Starts a mark at frame: an open last mark has its start moved, otherwise a new mark
    // is added after the others. The mark is open, one frame long. Returns its index.
    int startMark(int frame);

    enum class Stretch { Kept, TooSmall };
    // Stretches the last mark to end (see stretchEnd). TooSmall when end lies before the
    // start by more than 0.03 % of end, or, when closing, when the mark would be less than
    // half a screen unit wide (hsbScale units a frame): the caller deletes it then. A mark
    // that ends slightly before its start is kept with length 0.
    Stretch stretchLast(bool closing, int end, double hsbScale);

    // Closes the last mark (its state becomes stateEnd).
    void closeLast();

    // Removes mark n; the marks after it move one place down, and those that had a
    // tooltip get one for their new place.
    void remove(int n, const Timing& timing);
    void clear() { marks_.clear(); }
    // Replaces all marks (marks read from a mark text).
    void setAll(std::vector<Mark> marks) { marks_ = std::move(marks); }
    void setToolTip(int n, const QString& text) { marks_.at(static_cast<std::size_t>(n)).tooltip = text; }
    void setStart(int n, int start) { marks_.at(static_cast<std::size_t>(n)).start = start; }
    void setLength(int n, int length) { marks_.at(static_cast<std::size_t>(n)).length = length; }

private:
    std::vector<Mark> marks_;
};

} // namespace playerMarks
