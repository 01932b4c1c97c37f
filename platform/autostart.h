#pragma once

#include <QString>
#include <QStringList>

// Starting the program at login through the XDG autostart directories. The package installs
// a system entry (<XDG_CONFIG_DIRS>/autostart/mousecfg.desktop); the user's choice is the file
// of the same name in the user's autostart directory, which takes the system entry's place:
// a full entry turns the start on, an entry with Hidden=true turns it off.
class Autostart
{
public:
    static QString fileName() { return QStringLiteral("mousecfg.desktop"); }
    // $XDG_CONFIG_HOME/autostart/mousecfg.desktop (~/.config when unset or relative).
    static QString userEntryPath();
    // The system entries, in the order of $XDG_CONFIG_DIRS (default /etc/xdg).
    static QStringList systemEntryPaths();

    // True when the desktop will start the program at the next login.
    static bool isEnabled();
    // Writes (atomically) or removes the user's entry; false with `error` set when it fails.
    // `command` is what the entry starts, by default this executable with --hidden.
    static bool setEnabled(bool enabled, QString *error = nullptr, const QString &command = QString());

    // The Exec value starting `program` hidden in the tray, quoted as desktop entries need.
    static QString execLine(const QString &program);
};
