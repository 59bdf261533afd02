#include "cli/Cli.h"
#include "cli/Commands.h"

namespace cli {

int cropCommand(const QStringList&) { return usage(QStringLiteral("crop：尚未完成")); }

} // namespace cli
