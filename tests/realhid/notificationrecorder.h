#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

// The desktop's notification service on a test's own bus: keeps what the program shows.
class NotificationRecorder : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown
    {
        QString summary;
        QString body;
    };
    QList<Shown> shown;

    bool has(const QString &summary, const QString &body) const;

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout);
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    void CloseNotification(uint) {}

private:
    uint m_lastId = 0;
};
