#include "app/CommandLine.h"

namespace cmdline {

QStringList splitCommandLine(const QString& line)
{
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('\\')) {
            qsizetype slashes = 0;
            while (i < n && line[i] == QLatin1Char('\\')) {
                ++slashes;
                ++i;
            }
            if (i < n && line[i] == QLatin1Char('"')) {
                current += QString(slashes / 2, QLatin1Char('\\'));
                if (slashes % 2 == 1)
                    current += QLatin1Char('"');
                else
                    quoted = !quoted;
            } else {
                current += QString(slashes, QLatin1Char('\\'));
                --i;
            }
            inArg = true;
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inArg = true;
            continue;
        }
        if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inArg) {
                args << current;
                current.clear();
                inArg = false;
            }
            continue;
        }
        current += c;
        inArg = true;
    }
    if (inArg)
        args << current;
    return args;
}

QString quoteArgument(const QString& path)
{
    QString out(QLatin1Char('"'));
    qsizetype slashes = 0;
    for (const QChar c : path) {
        if (c == QLatin1Char('\\')) {
            ++slashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            out += QString(slashes * 2 + 1, QLatin1Char('\\'));
            out += c;
        } else {
            out += QString(slashes, QLatin1Char('\\'));
            out += c;
        }
        slashes = 0;
    }
    // Backslashes before the closing quote would escape it.
    out += QString(slashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

} // namespace cmdline
