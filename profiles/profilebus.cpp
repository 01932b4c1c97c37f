#include "profiles/profilebus.h"

#include <QDBusConnectionInterface>

#include "profiles/profilemanager.h"

const char *const ProfileBus::Service = "org.mousecfg.Mousecfg";
const char *const ProfileBus::Path = "/Profiles";
const char *const ProfileBus::Interface = "org.mousecfg.Profiles";

ProfileBus::ProfileBus(QObject *parent) : QObject(parent)
{
    connect(ProfileManager::instance(), &ProfileManager::activeChanged, this, &ProfileBus::ActiveChanged);
}

bool ProfileBus::publish(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(QLatin1String(Path), this,
                            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals))
        return false;
    if (!bus.registerService(QLatin1String(Service))) {
        bus.unregisterObject(QLatin1String(Path));
        return false;
    }
    return true;
}

bool ProfileBus::refuse(const QString &error)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, error);
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
    return ProfileManager::instance()->exportProfile(name, file, &error) || refuse(error);
}

QString ProfileBus::Import(const QString &file)
{
    QString error;
    const QString name = ProfileManager::instance()->importProfile(file, &error);
    if (name.isEmpty())
        refuse(error);
    return name;
}
