#include "player/Marks.h"

#include "app/mdlZorvoFLV.h"

#include <QStringList>

#include <algorithm>

namespace playerMarks {

namespace {

// A whole, non-negative number written with digits only.
bool readFrame(const QString& text, int& value)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

} // namespace

MarkTimes rsFormat(const Mark& mark, int mode, double preAdd, double lastAdd, const Timing& timing)
{
    MarkTimes t;
    if (!(timing.secondsPerFrame > 0))
        return t;
    const double spf = timing.secondsPerFrame;
    t.sSec = preAdd + mark.start * spf;
    if (!(t.sSec >= 0))
        t.sSec = 0;
    t.eSec = (static_cast<double>(mark.start) + mark.length) * spf + lastAdd;
    if (t.eSec > timing.totalSeconds)
        t.eSec = timing.totalSeconds;
    t.length = mdlZorvoFLV::formatTimeText(mark.length * spf, mode, 2);
    // The seconds handed on (to the cuts) are the ones the texts show, cut to hundredths,
    // not rounded: an end rounded up could cut a whole second more.
    t.sSec = mdlZorvoFLV::cutToHundredths(t.sSec);
    t.eSec = mdlZorvoFLV::cutToHundredths(t.eSec);
    t.sTime = mdlZorvoFLV::formatTimeText(t.sSec, mode, 2);
    t.eTime = mdlZorvoFLV::formatTimeText(t.eSec, mode, 2);
    return t;
}

QString markToolTip(int n, const Mark& mark, const Timing& timing)
{
    const MarkTimes t = rsFormat(mark, 2, 0, 0, timing);
    return QStringLiteral("标记区段 ") + QString::number(n + 1) + QStringLiteral("：从 ") + t.sTime +
           QStringLiteral(" 到 ") + t.eTime + QStringLiteral(" ＝ ") + t.length + QStringLiteral(" 秒");
}

QString totalToolTip(const std::vector<Mark>& marks, const Timing& timing)
{
    double sum = 0;
    for (const Mark& m : marks)
        sum += m.length;
    const std::size_t count = marks.empty() ? 1 : marks.size();
    return QString::number(count) + QStringLiteral(" 个标记的总时间是 ") +
           mdlZorvoFLV::formatTimeText(sum * timing.secondsPerFrame, 2, 2) + QStringLiteral(" 秒");
}

QString markText(const std::vector<Mark>& marks)
{
    QStringList pairs;
    for (const Mark& m : marks)
        pairs << QString::number(m.start) + u'-' + QString::number(m.end());
    return pairs.join(u' ');
}

ParseResult parseMarkText(const QString& text, int totalFrames, std::vector<Mark>& marks)
{
    marks.clear();
    const QStringList pieces = text.split(u' ', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return ParseResult::Empty;
    for (const QString& piece : pieces) {
        const QStringList parts = piece.split(u'-');
        int start = 0, end = 0;
        if (parts.size() != 2 || !readFrame(parts[0], start) || !readFrame(parts[1], end)) {
            marks.clear();
            return ParseResult::Malformed;
        }
        if (start > totalFrames) {
            marks.clear();
            return ParseResult::BeyondEnd;
        }
        if (end < start) {
            marks.clear();
            return ParseResult::Malformed;
        }
        marks.push_back(Mark{start, end - start, stateEnd, QString()});
    }
    return ParseResult::Valid;
}

int stretchEnd(int frame, int markStart, bool playing, int totalFrames)
{
    if (frame < 1 && markStart != 0 && playing)
        return totalFrames;
    return frame;
}

int MarkList::startMark(int frame)
{
    if (marks_.empty() || marks_.back().state != stateStart)
        marks_.push_back(Mark{});
    Mark& m = marks_.back();
    m.state = stateStart;
    m.length = 1;
    m.start = frame;
    m.tooltip.clear();
    return lastMarkIndex();
}

MarkList::Stretch MarkList::stretchLast(bool closing, int end, double hsbScale)
{
    if (marks_.empty())
        return Stretch::TooSmall;
    Mark& m = marks_.back();
    const int length = end - m.start;
    const double width = hsbScale * length;
    // How far the end lies before the start, as a share of the end position.
    double share = 0;
    if (end != 0)
        share = length * 100.0 / end;
    else if (length < 0)
        share = -100.0;
    if (share < -0.03 || (closing && width < 0.5))
        return Stretch::TooSmall;
    m.length = std::max(0, length);
    return Stretch::Kept;
}

void MarkList::closeLast()
{
    if (!marks_.empty())
        marks_.back().state = stateEnd;
}

void MarkList::remove(int n, const Timing& timing)
{
    if (!isValidIndex(n))
        return;
    marks_.erase(marks_.begin() + n);
    for (int i = n; i < count(); ++i) {
        Mark& m = marks_[static_cast<std::size_t>(i)];
        if (!m.tooltip.isEmpty())
            m.tooltip = markToolTip(i, m, timing);
    }
}

} // namespace playerMarks
