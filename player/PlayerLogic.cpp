#include "player/PlayerLogic.h"

#include "app/FileObject.h"
#include "app/Numbers.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

using mdlZorvoFLV::roundHalfEven;
using mdlZorvoFLV::roundToInt32;

namespace playerLogic {

void getMediaNewSize(int boxWidth, int boxHeight, int& w, int& h)
{
    if (static_cast<long long>(w) * h == 0) {
        w = 320;
        h = 10;
    }
    const float r = static_cast<float>(boxWidth) / static_cast<float>(w);
    const int fullWidthHeight = roundToInt32(static_cast<double>(r) * h);
    if (fullWidthHeight > boxHeight) {
        const float s = static_cast<float>(boxHeight) / static_cast<float>(h);
        w = roundToInt32(static_cast<double>(s) * w);
        h = boxHeight;
    } else {
        w = boxWidth;
        h = fullWidthHeight;
    }
}

StepPlan stepAmount(bool useMode, int stepMode, const std::array<int, 3>& stepValues,
                    double framesPerSecond, int totalFrames)
{
    if (!useMode || stepMode == StepFrames)
        return {stepValues[0], true};
    if (stepMode == StepSeconds)
        return {roundToInt32(stepValues[1] * framesPerSecond), false};
    return {roundToInt32(static_cast<double>(stepValues[2]) * totalFrames / 100.0), false};
}

StepTarget stepTarget(int cur, int amount, int direction, int totalFrames)
{
    StepTarget t;
    const long long target = static_cast<long long>(cur) + static_cast<long long>(amount) * (direction < 0 ? -1 : 1);
    t.frame = static_cast<int>(std::clamp<long long>(target, INT32_MIN, INT32_MAX));
    if (target >= totalFrames) {
        t.frame = totalFrames < 2 ? totalFrames : totalFrames - 1;
        t.hitEnd = true;
    }
    if (target < 1) {
        t.frame = 0;
        t.hitEnd = true;
    }
    return t;
}

namespace {
const std::array<QString, 3> stepNames{QStringLiteral("影格"), QStringLiteral("秒数"), QStringLiteral("比例")};
const std::array<QString, 3> stepUnits{QStringLiteral("格"), QStringLiteral("秒"), QStringLiteral("％")};

int modeIndex(int mode) { return std::clamp(mode, 0, 2); }
} // namespace

QString stepCaption(int mode, int value)
{
    const int m = modeIndex(mode);
    return QStringLiteral("使用") + stepNames[m] + QStringLiteral("模式 ( ") + QString::number(value) + u' ' +
           stepUnits[m] + QStringLiteral(" )");
}

QString stepValuePrompt(int mode)
{
    return QStringLiteral("请输入倒转与快转的") + stepNames[modeIndex(mode)] +
           QStringLiteral("模式数值\r\n\r\n输入条件为介于 1 到 100 之间的整数\r\n例如，目前的数值是：");
}

std::optional<int> parseStepValue(const QString& text)
{
    const int v = mdlZorvoFLV::roundToInt16(mdlZorvoFLV::valLenient(text));
    if (v <= 0 || v > 100)
        return std::nullopt;
    return v;
}

namespace {
QString stepTipTail(int stepMode, const std::array<int, 3>& v)
{
    const int m = modeIndex(stepMode);
    return QString::number(v[m]) + u' ' + stepUnits[m] + QStringLiteral("，或 ");
}
} // namespace

QString backwardToolTip(int stepMode, const std::array<int, 3>& v)
{
    return QStringLiteral("倒转 ( PgUp 键：") + stepTipTail(stepMode, v) + QStringLiteral("← 键：") +
           QString::number(v[0]) + QStringLiteral(" 格 )");
}

QString forwardToolTip(int stepMode, const std::array<int, 3>& v)
{
    return QStringLiteral("快转 ( PgDn 键：") + stepTipTail(stepMode, v) + QStringLiteral("→ 键：") +
           QString::number(v[0]) + QStringLiteral(" 格 )");
}

int speedOfItem(int index)
{
    static constexpr std::array<int, speedItemCount> speeds{100, 250, 500, 750, 1000, 1250, 1500, 1750, 2000};
    return index >= 0 && index < speedItemCount ? speeds[static_cast<size_t>(index)] : 1000;
}

QString speedCaption(int index)
{
    if (index == normalSpeedItem)
        return QStringLiteral("正常播放 (100%)");
    if (index >= 0 && index < speedItemCount)
        return QString::number(speedOfItem(index) / 10) + QStringLiteral("% 播放速度");
    if (index == customSpeedItem)
        return QStringLiteral("自订播放速度");
    return QString();
}

QString customSpeedPrompt()
{
    return QStringLiteral("请输入目前档案的自订播放速度\r\n\r\n输入条件为介于 1 到 200 之间的整数\r\n"
                          "正常播放速度的数值为 100 ( ＝100% )\r\n数值越小播放速度越慢，数值越大播放速度越快");
}

std::optional<int> parseCustomSpeed(const QString& text)
{
    const int v = roundToInt32(mdlZorvoFLV::valLenient(text));
    if (v < 1 || v > 200)
        return std::nullopt;
    return v * 10;
}

QString progressText(bool paused, double fraction, int speedPerMille)
{
    if (!(fraction >= 0))
        fraction = 0;
    // The percentage shows as a whole number, halves rounded up as the user reads them.
    const long long percent = static_cast<long long>(std::floor(fraction * 100.0 + 0.5));
    return (paused ? QStringLiteral("暂停") : QStringLiteral("正在")) + QStringLiteral("播放，进度 ") +
           QString::number(percent) + QStringLiteral(" ％，播速 ") +
           QString::number(roundHalfEven(speedPerMille / 10.0)) + QStringLiteral(" ％");
}

QString playErrorText(const QString& fn, const QString& headMsg, bool& withHelp)
{
    QString text = headMsg + QStringLiteral("\r\n") + fn +
                   QStringLiteral("\r\n\r\n可能是因为档案不存在，或者是格式不支援\r\n也有可能，这是被“授权保护”的媒体档案"
                                  "\r\n\r\n请留意，当你使用的是繁体中文的作业系统\r\n无法播放可能是该档名包含了简体、日文字"
                                  "\r\n\r\n－－－－－－－－－－－－－－－－－－－\r\n");
    withHelp = FileObject::instance().GetExtensionName(fn).compare(QStringLiteral("flv"), Qt::CaseInsensitive) == 0;
    if (withHelp)
        text += QStringLiteral("如果不是以上的问题，表示你需要安装 FLV\r\n的解码器，按下“确定”将开启说明文件！");
    else
        text += QStringLiteral("关于多媒体的播放的格式支援问题，你可以\r\n参考本软体的“说明”-->“下载附加元件”");
    return text;
}

int moveListIndex(int direction, int index, int count)
{
    if (count <= 0)
        return -1;
    if (direction == 1)
        return index + 1 >= count ? 0 : index + 1;
    return index - 1 < 0 ? count - 1 : index - 1;
}

int thumbLeftForFrame(double hsbScale, int frame, int thumbWidth, int trackLeft)
{
    return roundToInt32(hsbScale * frame - thumbWidth / 2.0 + trackLeft);
}

int frameAtTrackX(double x, double hsbScale)
{
    return hsbScale > 0 ? roundToInt32(x / hsbScale) : 0;
}

int clampToTrack(double pos, int trackLeft, int trackWidth)
{
    return std::clamp(roundToInt32(pos), trackLeft, trackLeft + trackWidth);
}

QString saveFileFilter(const QString& ext)
{
    const QString desc =
        ext == QLatin1String("plt") ? QStringLiteral("预设清单档") : ext.toUpper() + QStringLiteral(" 档案格式");
    return desc + QStringLiteral("(*.") + ext + QStringLiteral(")|*.") + ext;
}

bool copyFileSafely(const QString& source, const QString& target)
{
    const QFileInfo src(source);
    if (!src.isFile())
        return false;
    // Copying a file onto itself would lose it: it is already there.
    if (QFileInfo(target).canonicalFilePath() == src.canonicalFilePath())
        return true;
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            out.cancelWriting();
            break;
        }
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n) {
            out.cancelWriting();
            break;
        }
    }
    return out.commit();
}

} // namespace playerLogic
