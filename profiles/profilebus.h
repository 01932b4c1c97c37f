#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

// The running program's profiles on the session bus, for scripts and for mousecfg-cli (which
// goes through here while the program runs, so that the two never write over each other).
class ProfileBus : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mousecfg.Profiles")
    Q_PROPERTY(QString ActiveProfile READ Active)
    Q_PROPERTY(QStringList Profiles READ List)
public:
    static const char *const Service;
    static const char *const Path;
    static const char *const Interface;

    explicit ProfileBus(QObject *parent = nullptr);
    // Takes the service name and publishes the object; false without a bus or when another
    // process holds the name.
    bool publish(QDBusConnection bus);

public slots:
    Q_SCRIPTABLE QStringList List();
    Q_SCRIPTABLE QString Active();
    Q_SCRIPTABLE bool Activate(const QString &name);
    // `file`: an absolute path outside the program's folders. Export never replaces an existing
    // file; ExportReplacing does.
    Q_SCRIPTABLE bool Export(const QString &name, const QString &file);
    Q_SCRIPTABLE bool ExportReplacing(const QString &name, const QString &file);
    Q_SCRIPTABLE QString Import(const QString &file);

signals:
    Q_SCRIPTABLE void ActiveChanged(const QString &name);

private:
    bool refuse(const QString &error);
    void propertiesChanged(bool list);

    QList<QDBusConnection> m_buses;   // where the object is published
};
