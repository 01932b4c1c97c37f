#pragma once

#include "notificationrecorder.h"

#include <QProcess>
#include <QString>

// A session bus of the test's own (its own dbus-daemon), with the notification service on it.
class SessionBus
{
public:
    ~SessionBus();
    bool start();
    QString address() const { return m_address; }
    NotificationRecorder notifications;

private:
    QProcess m_daemon;
    QString m_address;
    QString m_connection;
};
