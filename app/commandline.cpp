#include "app/commandline.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

#include "device/datapaths.h"

namespace {
// The options QGuiApplication and QApplication take for themselves, with one dash or two; the
// first group is followed by a value unless written as -option=value.
const QStringList qtOptionsWithValue{
    QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"), QStringLiteral("style"), QStringLiteral("stylesheet"),
    QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("geometry"),
    QStringLiteral("title"), QStringLiteral("name"), QStringLiteral("qmljsdebugger")};
const QStringList qtFlags{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                          QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};
} // namespace

CommandLine::Parsed CommandLine::parse(const QStringList &arguments)
{
    Parsed p;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        // Left to the application object (when parsed before it exists).
        if (a.startsWith(QLatin1Char('-')) && a != QLatin1String("-") && a != QLatin1String("--")) {
            QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
            const bool inlineValue = name.contains(QLatin1Char('='));
            name = name.section(QLatin1Char('='), 0, 0);
            if (qtOptionsWithValue.contains(name)) {
                if (!inlineValue)
                    ++i;
                continue;
            }
            if (qtFlags.contains(name))
                continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            p.action = Action::Help;
            return p;
        }
        if (a == QLatin1String("--version") || a == QLatin1String("-v")) {
            p.action = Action::Version;
            return p;
        }
        if (a == QLatin1String("--hidden")) {
            p.hidden = true;
            continue;
        }
        p.action = Action::Error;
        p.error = QStringLiteral("mousecfg: unknown option \"%1\" (see mousecfg --help)").arg(a);
        return p;
    }
    return p;
}

QString CommandLine::helpText()
{
    // Portable paths are relative to the executable's directory, which the program runs in.
    const QDir base(QCoreApplication::applicationDirPath());
    auto path = [&base](const QString &p) { return QDir::toNativeSeparators(QDir::cleanPath(base.absoluteFilePath(p))); };
    QString catalogueNote;
    if (DataPaths::configFile() != DataPaths::shippedConfigFile())
        catalogueNote = QStringLiteral(" (the user's copy; shipped: %1)").arg(path(DataPaths::shippedConfigFile()));
    else if (DataPaths::userConfigFile() != DataPaths::shippedConfigFile())
        catalogueNote = QStringLiteral(" (%1 takes its place when present)").arg(path(DataPaths::userConfigFile()));
    return QStringLiteral(
               "usage: mousecfg [--hidden]\n"
               "Sets the buttons, DPI levels, report rate, lighting and macros of a supported USB mouse.\n"
               "The window shows when a supported mouse is attached; closing it keeps the program in the\n"
               "tray. Starting mousecfg again brings the running one's window up.\n"
               "\n"
               "options:\n"
               "  --hidden    start in the tray; the window shows only when opened from the tray or by\n"
               "              starting mousecfg again (the login autostart entry uses this)\n"
               "  --help      show this text and exit\n"
               "  --version   show the version and exit\n"
               "\n"
               "files:\n"
               "  catalogue        %1%2\n"
               "  profiles         %3 (the first; the others lie beside it, named in profiles.ini)\n"
               "  macros           %4\n"
               "  language tables  %5\n"
               "  update programs  %6\n"
               "\n"
               "mousecfg-cli does the same from a terminal (mousecfg-cli --help).")
        .arg(path(DataPaths::configFile()), catalogueNote, path(DataPaths::profileFile(0)),
             path(DataPaths::macroStore()), path(DataPaths::languageDir()), path(DataPaths::updateDir()));
}

QString CommandLine::versionText()
{
    return QStringLiteral("mousecfg %1").arg(QLatin1String(MOUSECFG_VERSION));
}

int CommandLine::answer(const Parsed &parsed)
{
    switch (parsed.action) {
    case Action::Run:
        return -1;
    case Action::Help:
        std::fputs(qPrintable(helpText() + QLatin1Char('\n')), stdout);
        return 0;
    case Action::Version:
        std::fputs(qPrintable(versionText() + QLatin1Char('\n')), stdout);
        return 0;
    case Action::Error:
        std::fputs(qPrintable(parsed.error + QLatin1Char('\n')), stderr);
        return 2;
    }
    return 2;
}

QStringList CommandLine::arguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}
