#include "tools/cli/clicommand.h"

#ifdef MOUSECFG_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusConnectionInterface>
#endif

#include <memory>

#include "device/controller.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#ifdef MOUSECFG_HAVE_DBUS
#include "profiles/profilebus.h"
#endif
#include "profiles/profilemanager.h"
#include "profiles/profilesync.h"

namespace {
constexpr int CheckTimeoutMs = 5000;
constexpr int DrainTimeoutMs = 20000;

const char *const Usage = "usage: mousecfg-cli profile list | use NAME | export NAME FILE [--replace] | import FILE";
const QLatin1String ReplaceOption("--replace");

// The program's start-up order, for working on the files directly.
void loadAll()
{
    MacroData::instance()->load();
    ProfileManager::instance()->load();
    MouseData *model = MouseData::instance();
    model->load(model->profileNumber);
    MouseDefaultData::instance()->load();
    model->fillMissingFromDefaults();
}

int printList(const QStringList &names, const QString &active)
{
    for (const QString &n : names)
        Cli::out((n == active ? QStringLiteral("* ") : QStringLiteral("  ")) + n);
    return Cli::Ok;
}

#ifdef MOUSECFG_HAVE_DBUS
template<typename T>
bool answered(const QDBusReply<T> &reply)
{
    if (reply.isValid())
        return true;
    Cli::err(QStringLiteral("mousecfg-cli profile: %1").arg(reply.error().message()));
    return false;
}

int viaProgram(QDBusInterface &program, const QString &verb, const QStringList &args, bool replace)
{
    if (verb == QLatin1String("list")) {
        const QDBusReply<QStringList> names = program.call(QStringLiteral("List"));
        const QDBusReply<QString> active = program.call(QStringLiteral("Active"));
        if (!answered(names) || !answered(active))
            return Cli::Error;
        return printList(names.value(), active.value());
    }
    if (verb == QLatin1String("use")) {
        const QDBusReply<bool> r = program.call(QStringLiteral("Activate"), args.at(0));
        if (!answered(r))
            return Cli::Error;
        Cli::out(QStringLiteral("profile \"%1\" active (in the running program)").arg(args.at(0)));
        return Cli::Ok;
    }
    if (verb == QLatin1String("export")) {
        const QDBusReply<bool> r = program.call(replace ? QStringLiteral("ExportReplacing") : QStringLiteral("Export"),
                                                args.at(0), Cli::userPath(args.at(1)));
        if (!answered(r))
            return Cli::Error;
        Cli::out(QStringLiteral("profile \"%1\" exported to %2").arg(args.at(0), Cli::userPath(args.at(1))));
        return Cli::Ok;
    }
    const QDBusReply<QString> r = program.call(QStringLiteral("Import"), Cli::userPath(args.at(0)));
    if (!answered(r))
        return Cli::Error;
    Cli::out(QStringLiteral("imported as profile \"%1\"").arg(r.value()));
    return Cli::Ok;
}
#endif

int direct(const QString &verb, const QStringList &args, bool replace)
{
    if (verb != QLatin1String("list") && ProfileManager::claimedElsewhere()) {
        Cli::err(QStringLiteral("mousecfg-cli profile %1: the program is running but does not answer on the session "
                                "bus; quit it first, or its next save would undo this").arg(verb));
        return Cli::Error;
    }
    loadAll();
    ProfileManager *profiles = ProfileManager::instance();
    if (!profiles->notice().isEmpty())
        Cli::err(QStringLiteral("mousecfg-cli profile: %1").arg(profiles->notice()));
    QString error;
    if (verb == QLatin1String("list"))
        return printList(profiles->names(), profiles->activeName());
    if (verb == QLatin1String("export")) {
        if (!profiles->exportProfile(args.at(0), Cli::userPath(args.at(1)), replace, &error)) {
            Cli::err(QStringLiteral("mousecfg-cli profile export: %1").arg(error));
            return Cli::Error;
        }
        Cli::out(QStringLiteral("profile \"%1\" exported to %2").arg(args.at(0), Cli::userPath(args.at(1))));
        return Cli::Ok;
    }
    if (verb == QLatin1String("import")) {
        const QString name = profiles->importProfile(Cli::userPath(args.at(0)), &error);
        if (name.isEmpty()) {
            Cli::err(QStringLiteral("mousecfg-cli profile import: %1").arg(error));
            return Cli::Error;
        }
        Cli::out(QStringLiteral("imported as profile \"%1\"").arg(name));
        return Cli::Ok;
    }

    // use: switch the files, then tell an attached mouse the whole new profile (what it holds
    // is unknown to a fresh process).
    if (profiles->index().position(args.at(0)) < 0) {
        Cli::err(QStringLiteral("mousecfg-cli profile use: there is no profile \"%1\"").arg(args.at(0)));
        return Cli::Error;
    }
    const int family = Cli::runDeviceCheck(CheckTimeoutMs);
    const bool already = profiles->activeName() == args.at(0);
    if (family >= 0) {
        Cli::holdMouse();
        // The profile does not hold the level the mouse is on: keep it, as apply does.
        int level = 0;
        Cli::readDpiLevel(Cli::FirstAnswerMs, &level);
    }
    if (!profiles->activate(args.at(0), &error)) {
        Cli::err(QStringLiteral("mousecfg-cli profile use: %1").arg(error));
        Controller::shutdown();
        return Cli::Error;
    }
    // A fresh process knows nothing of what the mouse holds: the active profile goes out whole.
    if (already)
        ProfileSync::instance()->sync();
    int rc = Cli::Ok;
    if (family >= 0) {
        int level = 0;
        if (!Cli::readDpiLevel(DrainTimeoutMs, &level)) {
            Cli::err(QStringLiteral("mousecfg-cli profile use: the mouse did not confirm the last command"));
            rc = Cli::Error;
        }
    }
    Controller::shutdown();
    Cli::out(QStringLiteral("profile \"%1\" active%2").arg(args.at(0),
             family >= 0 ? QString() : QStringLiteral(" (no supported mouse attached; it gets it when the program runs)")));
    return rc;
}
} // namespace

int Cli::profile(const QStringList &args)
{
    QStringList words = args;
    const bool replace = words.removeAll(ReplaceOption) > 0;
    const QString verb = words.value(0);
    const int want = verb == QLatin1String("list") ? 0 : verb == QLatin1String("use") ? 1
                   : verb == QLatin1String("export") ? 2 : verb == QLatin1String("import") ? 1 : -1;
    if (want < 0 || words.size() != want + 1 || (replace && verb != QLatin1String("export"))) {
        err(QLatin1String(Usage));
        return Error;
    }
    const QStringList rest = words.mid(1);
#ifdef MOUSECFG_HAVE_DBUS
    if (auto program = runningProgram(ProfileBus::Path, ProfileBus::Interface))
        return viaProgram(*program, verb, rest, replace);
#endif
    return direct(verb, rest, replace);
}
