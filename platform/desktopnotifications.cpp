#include "platform/desktopnotifications.h"

#ifdef MOUSECFG_HAVE_DBUS

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>

namespace {
const char service[] = "org.freedesktop.Notifications";
const char path[] = "/org/freedesktop/Notifications";

QString &connectionName()
{
    static QString name;
    return name;
}

QDBusConnection bus()
{
    return connectionName().isEmpty() ? QDBusConnection::sessionBus()
                                      : QDBusConnection(connectionName());
}
} // namespace

void DesktopNotifications::setConnectionNameForTesting(const QString &name) { connectionName() = name; }

DesktopNotifications::DesktopNotifications(QObject *parent)
    : QObject(parent)
{
    QDBusConnection connection = bus();
    if (!connection.isConnected())
        return;
    // Asked without waiting; most services are started by the bus on the first call, so an
    // activatable name counts as well as an owned one.
    const QString busName = QStringLiteral("org.freedesktop.DBus");
    auto ask = [&](const QString &method, const QVariantList &args) {
        QDBusMessage m = QDBusMessage::createMethodCall(busName, QStringLiteral("/org/freedesktop/DBus"),
                                                        busName, method);
        m.setArguments(args);
        auto *w = new QDBusPendingCallWatcher(connection.asyncCall(m), this);
        connect(w, &QDBusPendingCallWatcher::finished, this, [this, method](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                return;
            const QVariant v = reply.arguments().constFirst();
            if (method == QLatin1String("NameHasOwner") ? v.toBool()
                                                         : v.toStringList().contains(QLatin1String(service)))
                m_available = true;
        });
    };
    ask(QStringLiteral("NameHasOwner"), {QLatin1String(service)});
    ask(QStringLiteral("ListActivatableNames"), {});
    auto *watcher = new QDBusServiceWatcher(QLatin1String(service), connection,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                if (!newOwner.isEmpty())
                    m_available = true;
                // A new service knows nothing of the old one's ids.
                m_ids.clear();
            });
}

bool DesktopNotifications::show(const QString &kind, const QString &title, const QString &text,
                                bool warning, int timeoutMs)
{
    if (!m_available)
        return false;
    Pending &p = m_pending[kind];
    p.title = title;
    p.text = text;
    p.warning = warning;
    p.timeoutMs = timeoutMs;
    // Until the service names the previous message, a second one could not replace it.
    if (p.waiting) {
        p.queued = true;
        return true;
    }
    send(kind);
    return true;
}

void DesktopNotifications::send(const QString &kind)
{
    Pending &p = m_pending[kind];
    p.waiting = true;
    p.queued = false;
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(service), QLatin1String(path),
                                                       QLatin1String(service), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("mousecfg"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(p.warning ? 2 : 1));
    call << QStringLiteral("mousecfg") << m_ids.value(kind, 0u) << QStringLiteral("mousecfg")
         << p.title << p.text << QStringList() << hints << qint32(p.timeoutMs);
    auto *watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, kind](QDBusPendingCallWatcher *w) { answered(kind, w); });
}

void DesktopNotifications::answered(const QString &kind, QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    Pending &p = m_pending[kind];
    p.waiting = false;
    if (reply.isError()) {
        qWarning("DesktopNotifications: %s", qPrintable(reply.error().message()));
    } else {
        m_ids.insert(kind, reply.value());
        emit shown(kind, reply.value());
    }
    if (p.queued)
        send(kind);
}
#else
// Without D-Bus there is no notification service: the callers fall back to the tray.
void DesktopNotifications::setConnectionNameForTesting(const QString &) {}
DesktopNotifications::DesktopNotifications(QObject *parent) : QObject(parent) {}
bool DesktopNotifications::show(const QString &, const QString &, const QString &, bool, int) { return false; }
void DesktopNotifications::send(const QString &) {}
void DesktopNotifications::answered(const QString &, QDBusPendingCallWatcher *) {}
#endif
