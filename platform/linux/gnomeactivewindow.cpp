#include "platform/linux/gnomeactivewindow.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <functional>

#include "device/datapaths.h"

const char *const GnomeActiveWindow::Path = "/GnomeShell";
const char *const GnomeActiveWindow::Uuid = "active-window@mousecfg.org";

namespace {
const QString shell = QStringLiteral("org.gnome.Shell");
const QString shellPath = QStringLiteral("/org/gnome/Shell");
const QString extensionsIface = QStringLiteral("org.gnome.Shell.Extensions");
// Left in the extension's folder once the program has switched it on: a user who switches it off
// afterwards is not overruled at the next start.
const QString enabledOnce = QStringLiteral(".enabled-by-mousecfg");

// The shell's ExtensionState values.
enum { Enabled = 1, Disabled = 2, Error = 3, OutOfDate = 4, Initialized = 6 };

QDBusMessage shellCall(const QString &iface, const QString &method, const QVariantList &args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(shell, shellPath, iface, method);
    m.setArguments(args);
    return m;
}

QDBusMessage shellProperty(const QString &iface, const QString &name)
{
    return shellCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {iface, name});
}

QVariant firstArgument(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    const QVariant v = reply.arguments().constFirst();
    return v.canConvert<QDBusVariant>() ? v.value<QDBusVariant>().variant() : v;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

GnomeActiveWindow::GnomeActiveWindow(QDBusConnection bus, QString shipped, QString extensions)
    : m_bus(bus), m_shipped(std::move(shipped)), m_extensions(std::move(extensions))
{
    if (m_shipped.isEmpty())
        m_shipped = DataPaths::dataDir() + QStringLiteral("/data/gnome-shell");
    if (m_extensions.isEmpty())
        m_extensions = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                       + QStringLiteral("/gnome-shell/extensions");
    if (!m_bus.isConnected() || !m_bus.registerObject(QLatin1String(Path), this, QDBusConnection::ExportScriptableSlots)) {
        m_state = State::NoShell;
        return;
    }
    m_bus.connect(shell, shellPath, extensionsIface, QStringLiteral("ExtensionStateChanged"), this,
                  SLOT(extensionStateChanged(QString, QVariantMap)));
    // A shell restarted (or started after the program) is asked again.
    auto *watcher = new QDBusServiceWatcher(shell, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this](const QString &, const QString &, const QString &owner) {
        m_shellOwner = owner;
        if (!owner.isEmpty())
            shellAppeared();
    });
    ask();
}

GnomeActiveWindow::~GnomeActiveWindow()
{
    if (m_bus.isConnected())
        m_bus.unregisterObject(QLatin1String(Path));
}

QString GnomeActiveWindow::folder() const
{
    return m_extensions + QLatin1Char('/') + QLatin1String(Uuid);
}

QString GnomeActiveWindow::variantFor(const QString &shellVersion)
{
    bool ok = false;
    const int major = shellVersion.section(QLatin1Char('.'), 0, 0).toInt(&ok);
    return ok && major >= 45 ? QStringLiteral("modules") : QStringLiteral("legacy");
}

bool GnomeActiveWindow::install(const QString &from, const QString &to, bool *changed)
{
    *changed = false;
    for (const QString &name : {QStringLiteral("metadata.json"), QStringLiteral("extension.js")}) {
        const QByteArray shipped = contents(from + QLatin1Char('/') + name);
        if (shipped.isEmpty())
            return false;
        const QString target = to + QLatin1Char('/') + name;
        if (contents(target) == shipped)
            continue;
        // The shell may read the folder at any time: never a half-written file.
        QSaveFile out(target);
        if (!QDir().mkpath(to) || !out.open(QIODevice::WriteOnly) || out.write(shipped) != shipped.size() || !out.commit())
            return false;
        *changed = true;
    }
    return true;
}

namespace {
// Every question to the shell is asynchronous: the window never waits for the shell.
void callAsync(QObject *owner, QDBusConnection &bus, const QDBusMessage &m, std::function<void(const QDBusMessage &)> done)
{
    auto *w = new QDBusPendingCallWatcher(bus.asyncCall(m, 10000), owner);
    QObject::connect(w, &QDBusPendingCallWatcher::finished, owner, [w, done = std::move(done)] {
        w->deleteLater();
        done(w->reply());
    });
}
} // namespace

void GnomeActiveWindow::ask()
{
    callAsync(this, m_bus, shellProperty(shell, QStringLiteral("ShellVersion")), [this](const QDBusMessage &reply) {
        const QString version = firstArgument(reply).toString();
        if (version.isEmpty()) {
            setState(State::NoShell);
            return;
        }
        m_shellOwner = reply.service();
        bool changed = false;
        if (!install(m_shipped + QLatin1Char('/') + variantFor(version), folder(), &changed)) {
            setState(State::Refused);
            return;
        }
        callAsync(this, m_bus, shellProperty(extensionsIface, QStringLiteral("UserExtensionsEnabled")), [this](const QDBusMessage &r) {
            // A shell without the property runs user extensions.
            const QVariant on = firstArgument(r);
            const bool userExtensions = !on.isValid() || on.toBool();
            callAsync(this, m_bus, shellCall(extensionsIface, QStringLiteral("GetExtensionInfo"), {QLatin1String(Uuid)}),
                      [this, userExtensions](const QDBusMessage &info) {
                          takeInfo(qdbus_cast<QVariantMap>(firstArgument(info)), userExtensions);
                      });
        });
    });
}

void GnomeActiveWindow::takeInfo(const QVariantMap &info, bool userExtensions)
{
    if (m_reporting)
        return;
    if (info.isEmpty()) {
        // The shell reads its extension folders only when it starts.
        setState(State::NeedsLogin);
        return;
    }
    const int state = info.value(QStringLiteral("state")).toInt();
    if (state == Error || state == OutOfDate) {
        setState(State::Refused);
        return;
    }
    if (!userExtensions) {
        setState(State::SwitchedOff);
        return;
    }
    if (state == Enabled) {
        setState(State::Enabled);
        return;
    }
    if ((state == Disabled || state == Initialized) && !QFile::exists(folder() + QLatin1Char('/') + enabledOnce)) {
        callAsync(this, m_bus, shellCall(extensionsIface, QStringLiteral("EnableExtension"), {QLatin1String(Uuid)}),
                  [this](const QDBusMessage &reply) {
                      if (firstArgument(reply).toBool()) {
                          QSaveFile mark(folder() + QLatin1Char('/') + enabledOnce);
                          if (mark.open(QIODevice::WriteOnly))
                              mark.commit();
                      }
                      // The shell's word on the outcome comes as ExtensionStateChanged; ask
                      // anyway, for a shell that does not send it.
                      ask();
                  });
        return;
    }
    setState(state == Disabled || state == Initialized ? State::SwitchedOff : State::NeedsLogin);
}

void GnomeActiveWindow::extensionStateChanged(const QString &uuid, const QVariantMap &info)
{
    if (uuid != QLatin1String(Uuid))
        return;
    // Switched off by the user: no more reports until it is back.
    if (info.value(QStringLiteral("state")).toInt() != Enabled)
        m_reporting = false;
    if (!m_reporting)
        ask();
}

void GnomeActiveWindow::shellAppeared()
{
    m_reporting = false;
    ask();
}

void GnomeActiveWindow::setState(State s)
{
    if (s == m_state)
        return;
    m_state = s;
    emit stateChanged();
}

int GnomeActiveWindow::adviceText() const
{
    switch (m_state) {
    case State::NeedsLogin: return 244;
    case State::SwitchedOff: return 245;
    case State::Refused: return 246;
    case State::Asking:
    case State::NoShell:
    case State::Enabled: break;
    }
    return 0;
}

void GnomeActiveWindow::WindowFocused(int pid, const QString &appId)
{
    // Any program of the session may call; only the shell's word moves the profile.
    if (calledFromDBus() && message().service() != m_shellOwner)
        return;
    const bool first = !m_reporting || m_state != State::Enabled;
    m_reporting = true;
    m_state = State::Enabled;
    if (first)
        emit stateChanged();
    QString id = appId;
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    report(executableOf(pid), id);
}
