#include "profiles/profilebus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "profiles/profilemanager.h"

const char *const ProfileBus::Service = "org.mousecfg.Mousecfg";
const char *const ProfileBus::Path = "/Profiles";
const char *const ProfileBus::Interface = "org.mousecfg.Profiles";

ProfileBus::ProfileBus(QObject *parent) : QObject(parent)
{
    ProfileManager *profiles = ProfileManager::instance();
    connect(profiles, &ProfileManager::activeChanged, this, &ProfileBus::ActiveChanged);
    connect(profiles, &ProfileManager::activeChanged, this, [this] { propertiesChanged(false); });
    connect(profiles, &ProfileManager::listChanged, this, [this] { propertiesChanged(true); });
}

void ProfileBus::propertiesChanged(bool list)
{
    // A rename changes the list and the active profile's name, but switches nothing.
    QVariantMap changed{{QStringLiteral("ActiveProfile"), Active()}};
    if (list)
        changed.insert(QStringLiteral("Profiles"), List());
    QDBusMessage m = QDBusMessage::createSignal(QLatin1String(Path), QStringLiteral("org.freedesktop.DBus.Properties"),
                                                QStringLiteral("PropertiesChanged"));
    m.setArguments({QLatin1String(Interface), changed, QStringList()});
    for (const QDBusConnection &bus : std::as_const(m_buses))
        bus.send(m);
}

bool ProfileBus::publish(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(QLatin1String(Path), this,
                            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals
                                | QDBusConnection::ExportScriptableProperties))
        return false;
    if (!bus.registerService(QLatin1String(Service))) {
        bus.unregisterObject(QLatin1String(Path));
        return false;
    }
    m_buses.append(bus);
    return true;
}

bool ProfileBus::refuse(const QString &error)
{
    // The manager shortens what it quotes; this bounds whatever else a message carries.
    constexpr int maxLength = 600;
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, error.size() <= maxLength ? error : error.left(maxLength - 1) + QChar(0x2026));
    return false;
}

QStringList ProfileBus::List()
{
    return ProfileManager::instance()->names();
}

QString ProfileBus::Active()
{
    return ProfileManager::instance()->activeName();
}

bool ProfileBus::Activate(const QString &name)
{
    QString error;
    return ProfileManager::instance()->activate(name, &error) || refuse(error);
}

bool ProfileBus::Export(const QString &name, const QString &file)
{
    QString error;
    return ProfileManager::instance()->exportProfile(name, file, false, &error) || refuse(error);
}

bool ProfileBus::ExportReplacing(const QString &name, const QString &file)
{
    QString error;
    return ProfileManager::instance()->exportProfile(name, file, true, &error) || refuse(error);
}

QString ProfileBus::Import(const QString &file)
{
    QString error;
    const QString name = ProfileManager::instance()->importProfile(file, &error);
    if (name.isEmpty())
        refuse(error);
    return name;
}
