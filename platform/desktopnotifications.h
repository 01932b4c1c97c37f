#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Messages through the desktop's notification service (org.freedesktop.Notifications on the
// session bus). Each message has a kind; a new message of a kind replaces the one shown
// before instead of stacking up. Calls never wait for the service.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifications(QObject *parent = nullptr);

    // True when a notification service is on the session bus (asked once, then kept up to
    // date from the bus's name-owner changes).
    bool isAvailable() const { return m_available; }

    // Sends the message; false when there is no service to send it to.
    bool show(const QString &kind, const QString &title, const QString &text, bool warning, int timeoutMs);

    // Test seam: the bus connection to use (default: the session bus).
    static void setConnectionNameForTesting(const QString &name);

signals:
    // The id the service gave the message of `kind`, once it answers.
    void shown(const QString &kind, uint id);

private:
    struct Pending
    {
        bool waiting = false;      // a call of this kind is on its way
        bool queued = false;       // a newer message waits for that call's id
        QString title, text;
        bool warning = false;
        int timeoutMs = 0;
    };
    void send(const QString &kind);
    void answered(const QString &kind, QDBusPendingCallWatcher *watcher);

    bool m_available = false;
    QHash<QString, uint> m_ids;      // last id per kind, the one the next message replaces
    QHash<QString, Pending> m_pending;
};
