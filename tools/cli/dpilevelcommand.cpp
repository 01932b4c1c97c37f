#include "tools/cli/clicommand.h"

#include "device/controller.h"

namespace {
constexpr int TimeoutMs = 5000;
}

int Cli::dpiLevel(const QStringList &args)
{
    if (!noArguments("dpi-level", args))
        return Error;
    const int family = runDeviceCheck(TimeoutMs);
    if (family == -2) {
        Controller::shutdown();
        err(QStringLiteral("mousecfg-cli dpi-level: the device check did not finish within %1 ms").arg(TimeoutMs));
        return Error;
    }
    if (!Controller::instance()->currentIc()) {
        Controller::shutdown();
        out(QStringLiteral("no supported mouse is attached"));
        return NoMouse;
    }
    int level = 0;
    const bool answered = readDpiLevel(TimeoutMs, &level);
    Controller::shutdown();
    if (!answered) {
        err(QStringLiteral("mousecfg-cli dpi-level: the mouse did not answer"));
        return Error;
    }
    out(QStringLiteral("DPI level %1 (level %2 counted from 1)").arg(level).arg(level + 1));
    return Ok;
}
