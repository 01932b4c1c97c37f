#include "tools/cli/clicommand.h"

#ifdef MOUSECFG_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusInterface>

#include "profiles/profilebus.h"

namespace {
// Generous: the program may be busy sending a whole profile.
constexpr int BusTimeoutMs = 10000;
}

std::unique_ptr<QDBusInterface> Cli::runningProgram(const char *path, const char *interface)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(QLatin1String(ProfileBus::Service)))
        return nullptr;
    auto iface = std::make_unique<QDBusInterface>(QLatin1String(ProfileBus::Service), QLatin1String(path),
                                                  QLatin1String(interface), bus);
    iface->setTimeout(BusTimeoutMs);
    return iface->isValid() ? std::move(iface) : nullptr;
}

int Cli::refusedByProgram(const char *command, const QDBusError &error)
{
    if (error.name().endsWith(QLatin1String(".NoMouse"))) {
        out(QStringLiteral("no supported mouse is attached"));
        return NoMouse;
    }
    err(QStringLiteral("mousecfg-cli %1: %2").arg(QLatin1String(command), error.message()));
    return Error;
}
#endif
