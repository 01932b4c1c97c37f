#pragma once

#include "platform/activewindow.h"

#include <QDBusConnection>
#include <QString>
#include <QTemporaryFile>

#include <memory>

// The active window on KDE Plasma under Wayland, where no X server knows it: a small script
// loaded into the compositor reports the process of every window activated, over the session
// bus, to WindowActivated() of this object (published at /ActiveWindow beside /Profiles).
class KWinActiveWindow : public ActiveWindow
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mousecfg.ActiveWindow")
public:
    static const char *const Path;

    // Loads the script into the compositor of `bus`; available() says whether that worked.
    explicit KWinActiveWindow(QDBusConnection bus = QDBusConnection::sessionBus());
    ~KWinActiveWindow() override;

    bool available() const override { return m_available; }
    Kind kind() const override { return Kind::KWin; }
    // The script's text, for the service name the program holds on the bus.
    static QString script();

public slots:
    Q_SCRIPTABLE void WindowActivated(int pid);

private:
    QDBusConnection m_bus;
    std::unique_ptr<QTemporaryFile> m_file;
    bool m_available = false;
};
