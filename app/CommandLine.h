#pragma once
// Command lines and command strings share one way of splitting into words, the one the
// tools' lines were written for: blanks separate, double quotes group (and are dropped),
// a backslash before a quote makes it literal (2n backslashes + quote: n backslashes and
// a grouping quote; 2n+1: n and a literal quote); other backslashes are plain characters.
#include <QString>
#include <QStringList>

namespace cmdline {

QStringList splitCommandLine(const QString& line);

// Puts a path in double quotes, escaping what splitCommandLine would otherwise read as
// grouping, so that it comes back as one word exactly as it was.
QString quoteArgument(const QString& path);

} // namespace cmdline
