#pragma once

#include <QStringList>

#include <functional>

// Opens the desktop's own mouse settings (the DPI page's system button).
class MouseSettings
{
public:
    using IsInstalled = std::function<bool(const QString &program)>;

    // Program and arguments to start on a Linux desktop: the settings of the desktop named in
    // `desktop` (XDG_CURRENT_DESKTOP, a colon-separated list) first, then those of the other
    // common desktops, the first whose program is installed. Empty when none is.
    static QStringList commandFor(const QString &desktop, const IsInstalled &isInstalled);

    // The command for this system: on Windows the mouse control panel; elsewhere as above,
    // with the programs looked up in PATH.
    static QStringList systemCommand();

    // Starts systemCommand() detached; false when there is none or it could not be started.
    static bool open();
};
