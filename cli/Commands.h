#pragma once
// The commands of the command-line program; each takes the arguments after its name and
// returns the exit code.
#include <QStringList>

namespace cli {

int cropCommand(const QStringList& args);
int splitCommand(const QStringList& args);
int joinCommand(const QStringList& args);
int fixCommand(const QStringList& args);
int snapCommand(const QStringList& args);
int encodeCommand(const QStringList& args);
int keyframesCommand(const QStringList& args);

// The help text (Chinese), as --help prints it.
QString helpText();

} // namespace cli
