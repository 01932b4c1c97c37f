#include "platform/linux/kwinactivewindow.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
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
    // Plasma 6 names the signal windowActivated, Plasma 5 clientActivated.
    return QStringLiteral(
               "function report(w) {\n"
               "    if (w && w.pid > 0)\n"
               "        callDBus('%1', '%2', 'org.mousecfg.ActiveWindow', 'WindowActivated', w.pid);\n"
               "}\n"
               "if (workspace.windowActivated) workspace.windowActivated.connect(report);\n"
               "else workspace.clientActivated.connect(report);\n"
               "report(workspace.activeWindow || workspace.activeClient);\n")
        .arg(QLatin1String(ProfileBus::Service), QLatin1String(Path));
}

KWinActiveWindow::KWinActiveWindow(QDBusConnection bus) : m_bus(bus)
{
    if (!m_bus.isConnected() || !m_bus.interface()->isServiceRegistered(kwin))
        return;
    if (!m_bus.registerObject(QLatin1String(Path), this, QDBusConnection::ExportScriptableSlots))
        return;
    m_file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/mousecfg-kwin-XXXXXX.js"));
    if (!m_file->open() || m_file->write(script().toUtf8()) < 0 || !m_file->flush())
        return;
    // A script left by an earlier run of the program would report twice.
    m_bus.call(scripting(QStringLiteral("unloadScript"), {pluginName}));
    const QDBusReply<int> id = m_bus.call(scripting(QStringLiteral("loadScript"), {m_file->fileName(), pluginName}));
    if (!id.isValid() || id.value() < 0)
        return;
    // Plasma 6 publishes the loaded script under /Scripting/Script<id>, Plasma 5 under /<id>.
    for (const QString &path : {QStringLiteral("/Scripting/Script%1").arg(id.value()), QStringLiteral("/%1").arg(id.value())}) {
        const QDBusMessage run = m_bus.call(QDBusMessage::createMethodCall(kwin, path, QStringLiteral("org.kde.kwin.Script"),
                                                                           QStringLiteral("run")));
        if (run.type() == QDBusMessage::ReplyMessage) {
            m_available = true;
            return;
        }
    }
}

KWinActiveWindow::~KWinActiveWindow()
{
    if (m_available)
        m_bus.call(scripting(QStringLiteral("unloadScript"), {pluginName}), QDBus::NoBlock);
    m_bus.unregisterObject(QLatin1String(Path));
}

void KWinActiveWindow::WindowActivated(int pid)
{
    report(executableOf(pid), QString());
}
