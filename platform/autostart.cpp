#include "platform/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {
QString configHome()
{
    // A relative value is invalid by the base-directory rules and must be ignored.
    const QString xdg = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    return QDir::isAbsolutePath(xdg) ? QDir::cleanPath(xdg) : QDir::homePath() + QStringLiteral("/.config");
}

// Whether the entry at `path` asks to be started: false when it is hidden or switched off.
bool entryActive(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&f);
    bool inMain = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMain)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            return false;
        if (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false"))
            return false;
    }
    return true;
}

bool writeEntry(const QString &path, const QByteArray &text, QString *error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(QFileInfo(path).absolutePath());
        return false;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}
} // namespace

QString Autostart::userEntryPath()
{
    return configHome() + QStringLiteral("/autostart/") + fileName();
}

QStringList Autostart::systemEntryPaths()
{
    QString dirs = QFile::decodeName(qgetenv("XDG_CONFIG_DIRS"));
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    QStringList paths;
    for (const QString &dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            paths << QDir::cleanPath(dir) + QStringLiteral("/autostart/") + fileName();
    }
    return paths;
}

bool Autostart::isEnabled()
{
    const QString user = userEntryPath();
    if (QFileInfo::exists(user))
        return entryActive(user);
    // The first system entry found is the one the desktop uses.
    for (const QString &path : systemEntryPaths()) {
        if (QFileInfo::exists(path))
            return entryActive(path);
    }
    return false;
}

QString Autostart::execLine(const QString &program)
{
    // Desktop-entry quoting: arguments with reserved characters go in double quotes, inside
    // which ", `, $ and \ are escaped; a literal % is written %%.
    QString arg = program;
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : arg)
        quote = quote || reserved.contains(c);
    if (quote) {
        QString q;
        for (const QChar c : arg) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                q += QLatin1Char('\\');
            q += c;
        }
        arg = QLatin1Char('"') + q + QLatin1Char('"');
    }
    return arg + QStringLiteral(" --hidden");
}

bool Autostart::setEnabled(bool enabled, QString *error, const QString &command)
{
    const QString user = userEntryPath();
    bool systemEntry = false;
    for (const QString &path : systemEntryPaths())
        systemEntry = systemEntry || QFileInfo::exists(path);

    if (!enabled) {
        if (systemEntry) {
            // The user's entry shadows the package's: a hidden one switches the start off.
            return writeEntry(user,
                              "[Desktop Entry]\nType=Application\nName=mousecfg\nExec=mousecfg --hidden\n"
                              "Hidden=true\n",
                              error);
        }
        if (QFileInfo::exists(user) && !QFile::remove(user)) {
            if (error)
                *error = QStringLiteral("cannot remove %1").arg(user);
            return false;
        }
        return true;
    }
    const QString exec = command.isEmpty() ? execLine(QCoreApplication::applicationFilePath()) : command;
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=mousecfg\n"
                                        "Comment=Keeps the mouse's program buttons and DPI pop-up working\n"
                                        "Exec=%1\n"
                                        "Icon=mousecfg\n"
                                        "Terminal=false\n"
                                        "NoDisplay=true\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(exec);
    return writeEntry(user, text.toUtf8(), error);
}
