#pragma once

#include "platform/activewindow.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QString>
#include <QVariantMap>

// The active window on GNOME under Wayland, where only the shell knows it: an extension of this
// program (shipped in <data>/data/gnome-shell, copied into the user's extensions) reports the
// focused window's process and application id to WindowFocused() of this object, published at
// /GnomeShell beside /Profiles. The shell loads a newly copied extension only at the next login.
class GnomeActiveWindow : public ActiveWindow, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mousecfg.GnomeShell")
public:
    static const char *const Path;
    static const char *const Uuid;

    // What stands between the user and switching, for the rules dialog.
    enum class State {
        Asking,         // the shell has not answered yet
        NoShell,        // no GNOME Shell on the bus
        NeedsLogin,     // copied, or updated, after the shell started: log out and in
        SwitchedOff,    // the extension, or all extensions, switched off in Extensions
        Refused,        // the shell could not run it (error, or a GNOME it was not made for)
        Enabled,        // running; reports come with the next focus change
    };

    // shipped: the folder holding legacy/ and modules/; extensions: the user's extension folder
    // (the extension goes into <extensions>/<Uuid>). Empty: the usual places.
    explicit GnomeActiveWindow(QDBusConnection bus = QDBusConnection::sessionBus(), QString shipped = QString(),
                               QString extensions = QString());
    ~GnomeActiveWindow() override;

    bool available() const override { return m_reporting; }
    Kind kind() const override { return Kind::GnomeShell; }
    State state() const { return m_state; }
    // The language text that tells the user what to do; 0 when there is nothing to do.
    int adviceText() const;

    // The variant of the extension for a shell version: "modules" from GNOME 45, else "legacy".
    static QString variantFor(const QString &shellVersion);
    // Copies the variant into the extension folder where it is missing or differs; false when
    // a file could not be written.
    static bool install(const QString &from, const QString &to, bool *changed);

signals:
    void stateChanged();

public slots:
    Q_SCRIPTABLE void WindowFocused(int pid, const QString &appId);

private slots:
    void extensionStateChanged(const QString &uuid, const QVariantMap &info);
    void shellAppeared();

private:
    void ask();
    void takeInfo(const QVariantMap &info, bool userExtensions);
    void setState(State s);
    QString folder() const;

    QDBusConnection m_bus;
    QString m_shipped;
    QString m_extensions;
    State m_state = State::Asking;
    bool m_reporting = false;
    QString m_shellOwner;   // the shell's unique name: reports from anyone else are ignored
};
