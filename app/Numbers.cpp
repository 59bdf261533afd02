#include "app/Numbers.h"

#include <cmath>
#include <limits>
#include <string>

namespace mdlZorvoFLV {

std::int64_t roundHalfEven(double x)
{
    if (std::isnan(x))
        return 0;
    const double lo = static_cast<double>(std::numeric_limits<std::int64_t>::min());
    const double hi = static_cast<double>(std::numeric_limits<std::int64_t>::max());
    if (x <= lo)
        return std::numeric_limits<std::int64_t>::min();
    if (x >= hi)
        return std::numeric_limits<std::int64_t>::max();
    const double f = std::floor(x);
    const double diff = x - f;
    double r = f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0))
        r = f + 1.0;
    return static_cast<std::int64_t>(r);
}

std::int32_t roundToInt32(double x)
{
    const std::int64_t r = roundHalfEven(x);
    if (r < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (r > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}

std::int16_t roundToInt16(double x)
{
    const std::int64_t r = roundHalfEven(x);
    if (r < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    if (r > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(r);
}

double valLenient(const QString& text)
{
    // Collect the characters of the number, dropping blanks, then let strtod read the
    // longest prefix that is a number.
    std::string digits;
    bool seenDigit = false, seenPoint = false, seenExp = false, expSign = false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u' ' || u == u'\t' || u == u'\n' || u == u'\r')
            continue;
        if (u >= u'0' && u <= u'9') {
            digits += static_cast<char>(u);
            seenDigit = true;
            if (seenExp)
                expSign = true;
        } else if ((u == u'+' || u == u'-') && (digits.empty() || (seenExp && !expSign))) {
            digits += static_cast<char>(u);
            if (seenExp)
                expSign = true;
        } else if (u == u'.' && !seenPoint && !seenExp) {
            digits += '.';
            seenPoint = true;
        } else if ((u == u'e' || u == u'E' || u == u'd' || u == u'D') && seenDigit && !seenExp) {
            digits += 'e';
            seenExp = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    // A trailing exponent mark without digits ("12e") reads as 12: strtod handles that.
    const double v = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

bool parseDecimal(const QString& text, double& value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    int i = 0;
    if (t[0] == u'+' || t[0] == u'-')
        ++i;
    bool digit = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i].isDigit() && t[i].unicode() < 128)
            digit = true;
        else if (t[i] == u'.' && !point)
            point = true;
        else
            return false;
    }
    if (!digit)
        return false;
    value = t.toDouble();
    return true;
}

std::int32_t ceilingOf(float x)
{
    const double c = std::ceil(static_cast<double>(x));
    if (c <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (c >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(c);
}

} // namespace mdlZorvoFLV
