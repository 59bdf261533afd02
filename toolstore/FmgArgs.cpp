#include "FmgArgs.h"

#include <QFileInfo>
#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>

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

// A numbered picture name ("~tmpSP%03d.jpg"): the snapshot line's series. A "%d" in any
// other output ("50%done.mpg") is part of an ordinary file name.
bool isPictureSeries(const QStringList& out)
{
    static const QRegularExpression numbered(QStringLiteral("%0?[0-9]*d"));
    static const QStringList pictures{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                      QStringLiteral("gif"), QStringLiteral("bmp")};
    const qsizetype lastIn = out.lastIndexOf(QStringLiteral("-i"));
    if (out.size() < 2 || lastIn < 0 || lastIn >= out.size() - 2)
        return false;
    const QString& file = out.last();
    return numbered.match(file).hasMatch() && pictures.contains(QFileInfo(file).suffix().toLower());
}

qsizetype optionAfter(const QStringList& out, const QString& opt, qsizetype from)
{
    const qsizetype at = out.indexOf(opt, from);
    return at >= 0 && at + 1 < out.size() - 1 ? at : -1;
}

// The old build wrote the picture at -ss even when -t was shorter than a frame; today
// such a window between two frames holds none, and a moment of 1.5 s in a 25 fps video
// gives no picture. One picture is asked for instead, from a seek on the input (which
// also spares decoding the whole video up to the moment, picture after picture).
// Today's image2 muxer names no codec for .gif and would write JPEG data there.
void takeOnePicture(QStringList& out)
{
    const qsizetype firstIn = out.indexOf(QStringLiteral("-i"));
    const qsizetype lastIn = out.lastIndexOf(QStringLiteral("-i"));
    const qsizetype t = optionAfter(out, QStringLiteral("-t"), lastIn + 2);
    if (t >= 0 && out[t + 1].toDouble() < 0.1) {
        out[t] = QStringLiteral("-frames:v");
        out[t + 1] = QStringLiteral("1");
        const qsizetype ss = optionAfter(out, QStringLiteral("-ss"), lastIn + 2);
        if (ss >= 0 && firstIn == lastIn) {
            const QString at = out[ss + 1];
            out.remove(ss, 2);
            out.insert(firstIn, at);
            out.insert(firstIn, QStringLiteral("-ss"));
        }
    }
    const qsizetype in = out.lastIndexOf(QStringLiteral("-i"));
    const QString file = out.takeLast();
    const bool codecGiven = out.indexOf(QStringLiteral("-vcodec"), in + 2) >= 0
        || out.indexOf(QStringLiteral("-c:v"), in + 2) >= 0;
    if (QFileInfo(file).suffix().toLower() == QLatin1String("gif") && !codecGiven)
        out << QStringLiteral("-vcodec") << QStringLiteral("gif");
    if (out.indexOf(QStringLiteral("-f"), in + 2) < 0)
        out << QStringLiteral("-f") << QStringLiteral("image2");
    out << file;
}

// The value of an option of the output (after the last input), or -1.
qsizetype outputOption(const QStringList& out, const QString& opt)
{
    return optionAfter(out, opt, out.lastIndexOf(QStringLiteral("-i")) + 2);
}

int nearest(int value, const QList<int>& allowed)
{
    int best = allowed.first();
    for (int a : allowed)
        if (std::abs(a - value) < std::abs(best - value))
            best = a;
    return best;
}

// The encode pages offer sampling and bit rates that the audio codec a container gets
// by default cannot take, and ffmpeg then writes nothing: MPEG-PS gets MP2 (no 11025 Hz,
// a fixed table of bit rates per rate), ASF gets WMA v2 (24 kbit/s at least). Such a
// value becomes the nearest one the codec takes; everything else is left to ffmpeg.
void fitToContainer(QStringList& out)
{
    const QString ext = QFileInfo(out.last()).suffix().toLower();
    if (outputOption(out, QStringLiteral("-acodec")) >= 0 || outputOption(out, QStringLiteral("-c:a")) >= 0)
        return;
    const qsizetype ar = outputOption(out, QStringLiteral("-ar"));
    const qsizetype ab = outputOption(out, QStringLiteral("-b:a"));
    bool rateOk = false, bitsOk = false;
    int rate = ar >= 0 ? out[ar + 1].toInt(&rateOk) : 0;
    QString bitsText = ab >= 0 ? out[ab + 1] : QString();
    if (bitsText.endsWith(QLatin1Char('k')))
        bitsText.chop(1);
    const int kbits = bitsText.toInt(&bitsOk);

    if (ext == QLatin1String("mpg") || ext == QLatin1String("mpeg")) {
        if (rateOk) {
            rate = nearest(rate, {16000, 22050, 24000, 32000, 44100, 48000});
            out[ar + 1] = QString::number(rate);
        }
        if (rateOk && bitsOk) {
            const QList<int> table = rate < 32000
                ? QList<int>{8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}
                : QList<int>{32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
            out[ab + 1] = QString::number(nearest(kbits, table)) + QLatin1Char('k');
        }
    } else if ((ext == QLatin1String("wmv") || ext == QLatin1String("asf")) && bitsOk && kbits < 24) {
        out[ab + 1] = QStringLiteral("24k");
    }
}

} // namespace

QString firstPictureName(const QString& pattern)
{
    static const QRegularExpression numbered(QStringLiteral("%(0?)([0-9]*)d"));
    const QRegularExpressionMatch m = numbered.match(pattern);
    if (!m.hasMatch())
        return pattern;
    const int width = m.captured(2).toInt();
    const QString one = QStringLiteral("1").rightJustified(width, m.captured(1).isEmpty() ? QLatin1Char(' ') : QLatin1Char('0'));
    return QString(pattern).replace(m.capturedStart(), m.capturedLength(), one);
}

QStringList lastPictureArgs(const QStringList& translated)
{
    // Only the shape takeOnePicture gives: -ss X -i SRC … -frames:v 1 … NAME.
    const qsizetype in = translated.indexOf(QStringLiteral("-i"));
    const qsizetype frames = translated.indexOf(QStringLiteral("-frames:v"));
    if (in < 2 || translated[in - 2] != QLatin1String("-ss") || frames < 0 || in != translated.lastIndexOf(QStringLiteral("-i"))
        || !isPictureSeries(translated))
        return {};
    bool ok = false;
    const double at = translated[in - 1].toDouble(&ok);
    if (!ok)
        return {};
    // The frames of the last second before the moment, each written over the one before.
    const double from = std::max(0.0, at - 1.0);
    QStringList out = translated.mid(0, in - 2);
    out << QStringLiteral("-ss") << QString::number(from, 'f', 3) << translated.mid(in, frames - in)
        << QStringLiteral("-t") << QString::number(at - from, 'f', 3) << translated.mid(frames + 2, translated.size() - frames - 3)
        << QStringLiteral("-update") << QStringLiteral("1") << firstPictureName(translated.last());
    return out;
}

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

    if (isPictureSeries(out))
        takeOnePicture(out);
    else
        fitToContainer(out);
    return out;
}

} // namespace fmg
