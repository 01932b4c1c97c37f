#include "platform/mousesettings.h"

#include <QProcess>
#include <QStandardPaths>

namespace {
struct Candidate {
    const char *desktop; // upper-case token of XDG_CURRENT_DESKTOP
    QStringList command;
};

const QList<Candidate> &candidates()
{
    static const QList<Candidate> list = {
        {"GNOME", {QStringLiteral("gnome-control-center"), QStringLiteral("mouse")}},
        {"KDE", {QStringLiteral("systemsettings"), QStringLiteral("kcm_mouse")}},
        {"KDE", {QStringLiteral("systemsettings5"), QStringLiteral("kcm_mouse")}},
        {"KDE", {QStringLiteral("kcmshell5"), QStringLiteral("mouse")}},
        {"XFCE", {QStringLiteral("xfce4-mouse-settings")}},
        {"MATE", {QStringLiteral("mate-mouse-properties")}},
        {"X-CINNAMON", {QStringLiteral("cinnamon-settings"), QStringLiteral("mouse")}},
        {"CINNAMON", {QStringLiteral("cinnamon-settings"), QStringLiteral("mouse")}},
        {"LXQT", {QStringLiteral("lxqt-config-input")}},
    };
    return list;
}
} // namespace

QStringList MouseSettings::commandFor(const QString &desktop, const IsInstalled &isInstalled)
{
    if (!isInstalled)
        return {};
    const QStringList tokens = desktop.toUpper().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        for (const Candidate &c : candidates()) {
            if (token.trimmed() == QLatin1String(c.desktop) && isInstalled(c.command.first()))
                return c.command;
        }
    }
    for (const Candidate &c : candidates()) {
        if (isInstalled(c.command.first()))
            return c.command;
    }
    return {};
}

QStringList MouseSettings::systemCommand()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("cmd"), QStringLiteral("/c main.cpl")};
#else
    return commandFor(qEnvironmentVariable("XDG_CURRENT_DESKTOP"), [](const QString &program) {
        return !QStandardPaths::findExecutable(program).isEmpty();
    });
#endif
}

bool MouseSettings::open()
{
    QStringList command = systemCommand();
    if (command.isEmpty())
        return false;
    const QString program = command.takeFirst();
#ifdef Q_OS_WIN
    // Passed verbatim: QProcess would quote the argument because of its space.
    QProcess process;
    process.setProgram(program);
    process.setNativeArguments(command.join(QLatin1Char(' ')));
    return process.startDetached();
#else
    return QProcess::startDetached(program, command);
#endif
}
