#include "cli/Cli.h"
#include "cli/Commands.h"

namespace cli {

int splitCommand(const QStringList&) { return usage(QStringLiteral("split：尚未完成")); }

int snapCommand(const QStringList&) { return usage(QStringLiteral("snap：尚未完成")); }

} // namespace cli
