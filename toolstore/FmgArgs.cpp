#include "FmgArgs.h"

#include <QRegularExpression>

namespace fmg {

namespace {

bool takesValue(const QString& opt)
{
    return opt == QLatin1String("-vcodec") || opt == QLatin1String("-acodec")
        || opt == QLatin1String("-b") || opt == QLatin1String("-ab");
}

// The codec options that the old build applied to the output wherever they stood.
bool isOutputCodecOption(const QString& opt)
{
    return takesValue(opt) || opt == QLatin1String("-vn") || opt == QLatin1String("-an");
}

// Appends one option (and its value) in today's spelling.
void appendTranslated(QStringList& out, const QString& opt, const QString* value)
{
    if (opt == QLatin1String("-b") && value) {
        out << QStringLiteral("-b:v") << kbitValue(*value);
    } else if (opt == QLatin1String("-ab") && value) {
        out << QStringLiteral("-b:a") << kbitValue(*value);
    } else {
        out << opt;
        if (value)
            out << *value;
    }
}

} // namespace

QString kbitValue(const QString& value)
{
    static const QRegularExpression bare(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    return bare.match(value).hasMatch() ? value + QLatin1Char('k') : value;
}

QStringList translateFfmpegArgs(const QStringList& oldArgs)
{
    const qsizetype firstInput = oldArgs.indexOf(QStringLiteral("-i"));
    qsizetype lastInput = oldArgs.lastIndexOf(QStringLiteral("-i"));

    // Codec options before the first input move behind the last input.
    QStringList moved;
    QStringList out{QStringLiteral("-nostdin")};
    qsizetype i = 0;
    if (firstInput > 0) {
        for (; i < firstInput; ++i) {
            const QString& a = oldArgs[i];
            if (isOutputCodecOption(a)) {
                if (takesValue(a) && i + 1 < firstInput) {
                    appendTranslated(moved, a, &oldArgs[i + 1]);
                    ++i;
                } else {
                    appendTranslated(moved, a, nullptr);
                }
            } else {
                out << a;
            }
        }
    }
    for (; i < oldArgs.size(); ++i) {
        const QString& a = oldArgs[i];
        if (takesValue(a) && i + 1 < oldArgs.size()) {
            appendTranslated(out, a, &oldArgs[i + 1]);
            ++i;
        } else {
            out << a;
        }
        if (i == lastInput + 1 && lastInput >= 0) {
            out << moved;
            moved.clear();
        }
    }
    out << moved; // no input at all: ffmpeg reports it

    // A numbered output ("~tmpSP%03d.gif") is a picture series. The old build took every
    // picture type that way; today a .gif name picks the animated GIF muxer, which would
    // write the pattern itself as the file name.
    static const QRegularExpression numbered(QStringLiteral("%0?[0-9]*d"));
    const qsizetype lastIn = out.lastIndexOf(QStringLiteral("-i"));
    const bool formatGiven = out.indexOf(QStringLiteral("-f"), lastIn < 0 ? 0 : lastIn) >= 0;
    if (out.size() > 1 && lastIn < out.size() - 2 && numbered.match(out.last()).hasMatch() && !formatGiven) {
        const QString file = out.takeLast();
        out << QStringLiteral("-f") << QStringLiteral("image2") << file;
    }
    return out;
}

} // namespace fmg
