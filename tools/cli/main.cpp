#include "tools/cli/clicommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "device/datapaths.h"

#include <cstdio>

namespace {
const CliCommand commands[] = {
    {"devices", "list every HID interface and mark those the catalogue knows",
     "mousecfg-cli devices\n"
     "Lists every HID interface: vendor:product, usage page, usage and path, in hex as\n"
     "data/apConfig.bin writes them. Interfaces that match a catalogue entry are marked with\n"
     "the entry (family) and whether they are its command or its event interface.",
     &Cli::devices},
    {"status", "run one device check and show the mouse found",
     "mousecfg-cli status\n"
     "Runs one device check as the program does and prints the family and catalogue entry\n"
     "found. Exit status 2 when no supported mouse is attached.",
     &Cli::status},
    {"apply", "send the saved profile (keys, DPI, rate, lighting, macros) to the mouse",
     "mousecfg-cli apply\n"
     "Loads the macro store, the active profile and the factory defaults as the program does at\n"
     "start-up, runs a device check and sends the profile to the mouse: key layout with colours and\n"
     "lighting, DPI levels (keeping the mouse's active level), report rate, and the macro of every\n"
     "button bound to one. Waits until the mouse has taken every command. Exit status 2 without a\n"
     "supported mouse, 1 when a command did not reach it.\n"
     "While the program runs, the program sends the profile (session bus); otherwise the mouse is\n"
     "locked for the whole command, so that no other program's command comes in between.",
     &Cli::apply},
    {"dpi-level", "read the mouse's active DPI level",
     "mousecfg-cli dpi-level\n"
     "Runs a device check and asks the mouse for its active DPI level (counted from 0), through\n"
     "the running program when there is one.\n"
     "Exit status 2 without a supported mouse.",
     &Cli::dpiLevel},
    {"export", "write a macro of the store to a .mc exchange file",
     "mousecfg-cli export FILE [INDEX]\n"
     "Writes macro INDEX (default 0) of data/macro.bin to FILE, replacing it.",
     &Cli::exportMacro},
    {"import", "add the macros of a .mc exchange file to the store",
     "mousecfg-cli import FILE\n"
     "Appends every macro of FILE to data/macro.bin and lists the names added.",
     &Cli::importMacro},
    {"udev-rule", "print the udev rule that lets a normal user reach the catalogue's mice",
     "mousecfg-cli udev-rule [--output FILE] [CATALOGUE]\n"
     "Prints a udev rule that gives the user logged in at the seat access to the hidraw nodes of\n"
     "every mouse of CATALOGUE (default: the catalogue in use, data/apConfig.bin), or writes it to FILE.\n"
     "Exit status 1 when the catalogue is missing or names no supported mouse.",
     &Cli::udevRule},
    {"profile", "list, switch, export or import profiles",
     "mousecfg-cli profile list | use NAME | export NAME FILE [--replace] | import FILE\n"
     "list: the profiles in their order, the active one marked with \"*\".\n"
     "use: makes NAME the active profile and sends it to the mouse, keeping the mouse's DPI level\n"
     "(through the running program: what the mouse does not hold yet).\n"
     "export: writes profile NAME and the macros it binds to FILE; an existing FILE only with\n"
     "--replace, and never a file in the program's own folder.\n"
     "import: adds the profile of FILE (and its macros) at the end of the list.\n"
     "While the program runs, the commands go through it (session bus), so that the two never\n"
     "write over each other; otherwise they work on the files directly.",
     &Cli::profile},
    {"set-family", "write an attached mouse's interfaces into a family of the user's catalogue",
     "mousecfg-cli set-family FAMILY VID:PID COMMAND_PAGE:USAGE EVENT_PAGE:USAGE [--report-length N]\n"
     "Makes catalogue family FAMILY (0..6) the mouse VID:PID, talked to through its interface\n"
     "COMMAND_PAGE:USAGE and read for events through EVENT_PAGE:USAGE, all in hex as\n"
     "\"mousecfg-cli devices\" lists them; both interfaces must be attached. The change goes to the\n"
     "user's catalogue USER_CATALOGUE, made from the shipped one when it does not exist yet;\n"
     "from then on it is used in place of the shipped one (a key it lacks takes its default and\n"
     "is not read from the shipped file). The report length stays as it was, 32 for a new entry.\n"
     "Then \"mousecfg-cli udev-rule\" prints the rule for the catalogue in use.",
     &Cli::setFamily},
};

const CliCommand *find(const QString &name)
{
    for (const CliCommand &c : commands) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The texts name data/... as a portable copy lays it out; a user reads the files in use.
QString withPathsInUse(QString text)
{
    text.replace(QStringLiteral("data/apConfig.bin"), shown(DataPaths::configFile()));
    text.replace(QStringLiteral("data/macro.bin"), shown(DataPaths::macroStore()));
    text.replace(QStringLiteral("USER_CATALOGUE"), shown(DataPaths::userConfigFile()));
    return text;
}

void usage(void (*print)(const QString &))
{
    print(QStringLiteral("usage: mousecfg-cli <command> [arguments]\n"
                         "       mousecfg-cli <command> --help\n"
                         "       mousecfg-cli --version\n\ncommands:"));
    for (const CliCommand &c : commands)
        print(QStringLiteral("  %1  %2").arg(QLatin1String(c.name), -10).arg(QLatin1String(c.summary)));
    print(withPathsInUse(QStringLiteral("\nfiles:\n"
                                        "  catalogue  data/apConfig.bin\n"
                                        "  macros     data/macro.bin\n"
                                        "  profile    %1")
                             .arg(shown(DataPaths::profileFile(0)))));
}
} // namespace

void Cli::out(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Cli::err(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

namespace {
QString &startDirectory()
{
    static QString dir;
    return dir;
}
} // namespace

QString Cli::userPath(const QString &path)
{
    return QDir(startDirectory()).absoluteFilePath(path);
}

bool Cli::noArguments(const char *command, const QStringList &args)
{
    if (args.isEmpty())
        return true;
    err(QStringLiteral("mousecfg-cli %1: unexpected argument \"%2\" (see mousecfg-cli %1 --help)")
            .arg(QLatin1String(command), args.first()));
    return false;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    startDirectory() = QDir::currentPath();
    // data/ lives beside the executable, as for the program.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage(&Cli::err);
        return Cli::Error;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        usage(&Cli::out);
        return Cli::Ok;
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
        Cli::out(QStringLiteral("mousecfg-cli %1").arg(QLatin1String(MOUSECFG_VERSION)));
        return Cli::Ok;
    }
    const CliCommand *command = find(name);
    if (!command) {
        Cli::err(QStringLiteral("mousecfg-cli: unknown command \"%1\"").arg(name));
        usage(&Cli::err);
        return Cli::Error;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        Cli::out(withPathsInUse(QLatin1String(command->usage)));
        return Cli::Ok;
    }
    return command->run(args);
}
