#include "tools/cli/clicommand.h"

#include "device/controller.h"
#include "device/ic.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "model/profilesender.h"
#include "profiles/profilemanager.h"

#ifdef MOUSECFG_HAVE_DBUS
#include <QDBusInterface>
#include <QDBusReply>

#include "profiles/devicebus.h"
#endif

namespace {
constexpr int CheckTimeoutMs = 5000;
// Every queued write is paced by the worker (about 100 ms for the largest); this bounds the lot.
constexpr int DrainTimeoutMs = 20000;
} // namespace

int Cli::apply(const QStringList &args)
{
    if (!noArguments("apply", args))
        return Error;

#ifdef MOUSECFG_HAVE_DBUS
    // The program owns the mouse while it runs: it sends, in turn with its own commands.
    if (auto program = runningProgram(DeviceBus::Path, DeviceBus::Interface)) {
        const QDBusReply<bool> r = program->call(QStringLiteral("Apply"));
        if (r.isValid()) {
            out(QStringLiteral("the running program sends the active profile to the mouse"));
            return Ok;
        }
        return refusedByProgram("apply", r.error());
    }
#endif

    // The program's start-up order.
    MacroData *macros = MacroData::instance();
    MouseData *model = MouseData::instance();
    MouseDefaultData *factory = MouseDefaultData::instance();
    macros->load();
    ProfileManager::instance()->load();
    model->load(model->profileNumber);
    factory->load();
    model->fillMissingFromDefaults();

    Controller *controller = Controller::instance();
    int commands = 0;
    QStringList failures;
    QObject::connect(controller, &Controller::send, controller, [&commands] { ++commands; });
    QObject::connect(controller, &Controller::transferFailed, controller,
                     [&failures](const QString &text) { failures << text; });

    const int family = runDeviceCheck(CheckTimeoutMs);
    if (family == -2) {
        err(QStringLiteral("mousecfg-cli apply: the device check did not finish within %1 ms").arg(CheckTimeoutMs));
        Controller::shutdown();
        return Error;
    }
    Ic *ic = controller->currentIc();
    if (!ic) {
        out(QStringLiteral("no supported mouse is attached"));
        Controller::shutdown();
        return NoMouse;
    }
    out(QStringLiteral("family %1").arg(family));
    holdMouse();

    // Keep the level the mouse is on: the profile does not store it.
    int level = 0;
    if (readDpiLevel(FirstAnswerMs, &level))
        out(QStringLiteral("current DPI level %1 (kept)").arg(level));

    for (const ProfileSender::Line &line : ProfileSender::sendAll(ic)) {
        if (line.problem)
            err(line.text);
        else
            out(line.text);
    }

    // The answer to a read comes after every write queued before it.
    int after = 0;
    const bool drained = readDpiLevel(DrainTimeoutMs, &after);
    Controller::shutdown();

    out(QStringLiteral("%1 command(s) sent").arg(commands));
    if (!failures.isEmpty() || !drained) {
        for (const QString &f : failures)
            err(QStringLiteral("not delivered: %1").arg(f));
        if (!drained)
            err(QStringLiteral("mousecfg-cli apply: the mouse did not confirm the last command"));
        return Error;
    }
    return Ok;
}
