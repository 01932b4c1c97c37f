#include "sessionbus.h"

#include <QDBusConnection>
#include <QProcessEnvironment>

SessionBus::~SessionBus()
{
    if (!m_connection.isEmpty())
        QDBusConnection::disconnectFromBus(m_connection);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
}

bool SessionBus::start()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    m_daemon.setProcessEnvironment(env);
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000))
        return false;
    while (!m_daemon.canReadLine())
        if (!m_daemon.waitForReadyRead(10000))
            return false;
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    static int count = 0;
    m_connection = QStringLiteral("realhid-bus-%1").arg(++count);
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connection);
    return bus.isConnected()
           && bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                 QDBusConnection::ExportAllSlots)
           && bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}
