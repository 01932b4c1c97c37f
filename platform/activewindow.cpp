#include "platform/activewindow.h"

#include <QFile>

#if defined(Q_OS_LINUX)
#include "platform/linux/x11activewindow.h"
#ifdef MOUSECFG_HAVE_DBUS
#include "platform/linux/gnomeactivewindow.h"
#include "platform/linux/kwinactivewindow.h"
#endif
#ifdef MOUSECFG_HAVE_WAYLAND
#include "platform/linux/wlrootsactivewindow.h"
#endif
#endif

QString ActiveWindow::executableOf(qint64 pid)
{
#if defined(Q_OS_LINUX)
    if (pid <= 0)
        return QString();
    QString program = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    // The kernel marks a file that was replaced or removed since the process started.
    const QLatin1String deleted(" (deleted)");
    if (program.endsWith(deleted) && !QFile::exists(program))
        program.chop(deleted.size());
    return program;
#else
    Q_UNUSED(pid);
    return QString();
#endif
}

void ActiveWindow::report(const QString &program, const QString &appId)
{
    const Seen now{program, appId};
    if (now == m_last)
        return;
    m_last = now;
    if (!program.isEmpty() || !appId.isEmpty()) {
        m_seen.removeAll(now);
        m_seen.prepend(now);
        // Enough to choose from, bounded however long the session runs.
        while (m_seen.size() > 30)
            m_seen.removeLast();
    }
    emit programChanged(program, appId);
}

#if defined(Q_OS_LINUX)
std::unique_ptr<ActiveWindow> ActiveWindow::create()
{
    // Under Wayland an X server knows only its own clients' windows: each desktop is asked in
    // its own way, and one that tells nothing gets a source that says so.
    if (qgetenv("XDG_SESSION_TYPE") == "wayland") {
        const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP").toUpper();
#ifdef MOUSECFG_HAVE_DBUS
        if (desktop.contains("KDE"))
            return std::make_unique<KWinActiveWindow>();
        if (desktop.contains("GNOME"))
            return std::make_unique<GnomeActiveWindow>();
#endif
#ifdef MOUSECFG_HAVE_WAYLAND
        // Any compositor that offers the toplevel list (sway, and others built on wlroots).
        if (auto wlroots = std::make_unique<WlrootsActiveWindow>(); wlroots->available())
            return wlroots;
#endif
        Q_UNUSED(desktop);
    }
    return std::make_unique<X11ActiveWindow>();
}
#else
namespace {
class NoActiveWindow : public ActiveWindow
{
public:
    bool available() const override { return false; }
    Kind kind() const override { return Kind::None; }
};
} // namespace

std::unique_ptr<ActiveWindow> ActiveWindow::create()
{
    return std::make_unique<NoActiveWindow>();
}
#endif
