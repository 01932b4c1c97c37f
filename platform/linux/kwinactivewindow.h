#pragma once

#include "platform/activewindow.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QString>
#include <QTemporaryFile>

#include <functional>
#include <memory>

// The active window on KDE Plasma under Wayland, where no X server knows it: a small script
// loaded into the compositor reports the process and application id of every window activated,
// over the session bus, to WindowActivated() of this object (published at /ActiveWindow beside
// /Profiles). Loaded again whenever the compositor (re)appears on the bus.
class KWinActiveWindow : public ActiveWindow
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mousecfg.ActiveWindow")
public:
    static const char *const Path;
    // How long one call may wait for the compositor; the calls never block the caller.
    static constexpr int CallTimeoutMs = 5000;

    // Starts loading the script into the compositor of `bus`; available() is true once it runs.
    explicit KWinActiveWindow(QDBusConnection bus = QDBusConnection::sessionBus());
    ~KWinActiveWindow() override;

    bool available() const override { return m_available; }
    Kind kind() const override { return Kind::KWin; }
    // The script's text, for the service name the program holds on the bus.
    static QString script();

signals:
    // The script runs in the compositor (also after a restart of the compositor).
    void scriptRunning();

public slots:
    Q_SCRIPTABLE void WindowActivated(int pid, const QString &appId);
    // What scripts of earlier versions of this program send.
    Q_SCRIPTABLE void WindowActivated(int pid);

private:
    void load();
    void run(int id, bool plasma6Path);
    void callAsync(const QDBusMessage &m, std::function<void(const QDBusMessage &)> done);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    std::unique_ptr<QTemporaryFile> m_file;
    bool m_available = false;
    bool m_loadSent = false;
    // Answers to a load begun before the compositor went away are not for the one there now.
    int m_generation = 0;
};
