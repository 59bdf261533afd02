#include "workspace/mdlMarkList.h"

#include "app/mdlZorvoFLV.h"

#include <QRegularExpression>

namespace mdlMarkList {

namespace {
const QString rangeSeparator = QStringLiteral(" 到 ");
const QString linePrefix = QStringLiteral("　从 ");
} // namespace

bool matchesTimePattern(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{2}:[0-5][0-9]:[0-5][0-9]\\.[0-9]{2}$"));
    return pattern.match(text).hasMatch();
}

QString rangeLine(const QString& startTime, const QString& endTime)
{
    return linePrefix + startTime + rangeSeparator + endTime;
}

void splitRangeLine(const QString& line, QString& rngStart, QString& rngEnd)
{
    const qsizetype at = line.indexOf(rangeSeparator);
    if (line.isEmpty() || at < 0) {
        rngStart = zeroTime;
        rngEnd = zeroTime;
        return;
    }
    // The start begins at the fourth character, after the prefix.
    rngStart = line.mid(3, at - 3);
    rngEnd = line.mid(at + rangeSeparator.size());
}

void splitRangeFrames(const QString& line, float secondsPerFrame, float& rngStart, float& rngEnd)
{
    rngStart = -1;
    rngEnd = -1;
    if (line.isEmpty() || !line.contains(rangeSeparator) || !(secondsPerFrame > 0))
        return;
    QString s, e;
    splitRangeLine(line, s, e);
    const std::optional<float> start = mdlZorvoFLV::parseTimeText(s);
    const std::optional<float> end = mdlZorvoFLV::parseTimeText(e);
    if (!start || !end)
        return;
    rngStart = *start / secondsPerFrame;
    rngEnd = *end / secondsPerFrame;
}

QString rangeRefusal(const QString& startTime, const QString& endTime, const QString& totalTime)
{
    if (!matchesTimePattern(startTime) || !matchesTimePattern(endTime))
        return badFormatMessage;
    if (startTime > totalTime || endTime > totalTime)
        return pastLengthMessage;
    if (!(startTime < endTime))
        return endBeforeStartMessage;
    return QString();
}

} // namespace mdlMarkList
