#include "platform/linux/kwinactivewindow.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>

#include "profiles/profilebus.h"

const char *const KWinActiveWindow::Path = "/ActiveWindow";

namespace {
const QString kwin = QStringLiteral("org.kde.KWin");
const QString pluginName = QStringLiteral("mousecfg-active-window");

QDBusMessage scripting(const QString &method, const QVariantList &args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kwin, QStringLiteral("/Scripting"),
                                                    QStringLiteral("org.kde.kwin.Scripting"), method);
    m.setArguments(args);
    return m;
}
} // namespace

QString KWinActiveWindow::script()
{
    // Plasma 6 names the signal windowActivated and the property activeWindow, Plasma 5
    // clientActivated and activeClient; both may hand over no window at all. An X11 window of a
    // program that does not name its process has pid 0 but still a class.
    return QStringLiteral(
               "function text(v) { return v ? String(v) : ''; }\n"
               "function report(w) {\n"
               "    if (!w) return;\n"
               "    var pid = w.pid > 0 ? w.pid : 0;\n"
               "    var app = text(w.desktopFileName) || text(w.resourceClass);\n"
               "    if (pid > 0 || app)\n"
               "        callDBus('%1', '%2', 'org.mousecfg.ActiveWindow', 'WindowActivated', pid, app);\n"
               "}\n"
               "if (workspace.windowActivated) workspace.windowActivated.connect(report);\n"
               "else workspace.clientActivated.connect(report);\n"
               "report(workspace.activeWindow || workspace.activeClient);\n")
        .arg(QLatin1String(ProfileBus::Service), QLatin1String(Path));
}

KWinActiveWindow::KWinActiveWindow(QDBusConnection bus)
    : m_bus(bus), m_watcher(kwin, bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    if (!m_bus.isConnected())
        return;
    if (!m_bus.registerObject(QLatin1String(Path), this, QDBusConnection::ExportScriptableSlots))
        return;
    m_file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/mousecfg-kwin-XXXXXX.js"));
    if (!m_file->open() || m_file->write(script().toUtf8()) < 0 || !m_file->flush())
        return;
    // A compositor that starts later, or again after a crash, has no script yet.
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &owner) {
                ++m_generation;
                m_available = false;
                if (!owner.isEmpty())
                    load();
            });
    if (m_bus.interface()->isServiceRegistered(kwin))
        load();
}

KWinActiveWindow::~KWinActiveWindow()
{
    if (m_loadSent)
        m_bus.call(scripting(QStringLiteral("unloadScript"), {pluginName}), QDBus::NoBlock);
    m_bus.unregisterObject(QLatin1String(Path));
}

void KWinActiveWindow::callAsync(const QDBusMessage &m, std::function<void(const QDBusMessage &)> done)
{
    // The compositor may be busy or hung: the GUI thread never waits for it.
    auto *w = new QDBusPendingCallWatcher(m_bus.asyncCall(m, CallTimeoutMs), this);
    const int generation = m_generation;
    connect(w, &QDBusPendingCallWatcher::finished, this, [this, w, generation, done = std::move(done)] {
        w->deleteLater();
        if (generation == m_generation)
            done(w->reply());
    });
}

void KWinActiveWindow::load()
{
    // loadScript refuses a name already loaded (-1), as after an earlier run that did not end
    // cleanly: unload first, whatever that answers.
    m_loadSent = true;
    callAsync(scripting(QStringLiteral("unloadScript"), {pluginName}), [this](const QDBusMessage &) {
        callAsync(scripting(QStringLiteral("loadScript"), {m_file->fileName(), pluginName}),
                  [this](const QDBusMessage &reply) {
                      if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                          return;
                      bool ok = false;
                      const int id = reply.arguments().first().toInt(&ok);
                      if (ok && id >= 0)
                          run(id, true);
                  });
    });
}

void KWinActiveWindow::run(int id, bool plasma6Path)
{
    // Plasma 6 publishes the loaded script under /Scripting/Script<id>, Plasma 5 under /<id>.
    const QString path = plasma6Path ? QStringLiteral("/Scripting/Script%1").arg(id) : QStringLiteral("/%1").arg(id);
    callAsync(QDBusMessage::createMethodCall(kwin, path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run")),
              [this, id, plasma6Path](const QDBusMessage &reply) {
                  if (reply.type() == QDBusMessage::ReplyMessage) {
                      m_available = true;
                      emit scriptRunning();
                  } else if (plasma6Path) {
                      run(id, false);
                  }
              });
}

void KWinActiveWindow::WindowActivated(int pid, const QString &appId)
{
    report(executableOf(pid), appId);
}

void KWinActiveWindow::WindowActivated(int pid)
{
    report(executableOf(pid), QString());
}
