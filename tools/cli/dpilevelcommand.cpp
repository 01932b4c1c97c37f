#include "tools/cli/clicommand.h"

#include "device/controller.h"

#ifdef MOUSECFG_HAVE_DBUS
#include <QDBusInterface>
#include <QDBusReply>

#include "profiles/devicebus.h"
#endif

namespace {
constexpr int TimeoutMs = 5000;
}

int Cli::dpiLevel(const QStringList &args)
{
    if (!noArguments("dpi-level", args))
        return Error;
    const auto print = [](int level) {
        out(QStringLiteral("DPI level %1 (level %2 counted from 1)").arg(level).arg(level + 1));
    };
#ifdef MOUSECFG_HAVE_DBUS
    if (auto program = runningProgram(DeviceBus::Path, DeviceBus::Interface)) {
        const QDBusReply<int> r = program->call(QStringLiteral("DpiLevel"));
        if (r.isValid()) {
            print(r.value());
            return Ok;
        }
        return refusedByProgram("dpi-level", r.error());
    }
#endif
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
    holdMouse();
    int level = 0;
    const bool answered = readDpiLevel(FirstAnswerMs, &level);
    Controller::shutdown();
    if (!answered) {
        err(QStringLiteral("mousecfg-cli dpi-level: the mouse did not answer"));
        return Error;
    }
    print(level);
    return Ok;
}
