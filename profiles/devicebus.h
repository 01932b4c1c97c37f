#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

// The running program's mouse on the session bus: mousecfg-cli sends and reads through here
// while the program runs, so that only one process ever talks to the mouse.
class DeviceBus : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mousecfg.Device")
public:
    static const char *const Path;
    static const char *const Interface;

    explicit DeviceBus(QObject *parent = nullptr);
    // Publishes the object (the service name is ProfileBus's); false without a bus.
    bool publish(QDBusConnection bus);

public slots:
    // Sends the active profile in full, keeping the mouse's DPI level; the mouse gets it in the
    // program's own order of commands. False (an error reply) without a supported mouse.
    Q_SCRIPTABLE bool Apply();
    // The mouse's DPI level as the program knows it (read at attach, followed on every press).
    Q_SCRIPTABLE int DpiLevel();

private:
    bool noMouse();
};
