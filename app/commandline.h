#pragma once

#include <QString>
#include <QStringList>

// The options of the mousecfg program. Read before the GUI exists, so that --help and
// --version answer on a terminal without a display.
class CommandLine
{
public:
    enum class Action { Run, Help, Version, Error };

    struct Parsed
    {
        Action action = Action::Run;
        bool hidden = false;   // --hidden: start in the tray, the window waits for the user
        QString error;         // what was wrong, for Action::Error
    };

    // Arguments without the program name; Qt's own options (-platform, -style ...) are passed
    // over, so that the arguments can be parsed before the application object takes them.
    static Parsed parse(const QStringList &arguments);
    static QStringList arguments(int argc, char **argv);

    // Prints what --help, --version or a wrong option asks for and returns the exit status;
    // -1 for Action::Run. Needs the application object (the paths depend on the executable).
    static int answer(const Parsed &parsed);

    // Texts printed for --help (with the file paths in use) and --version.
    static QString helpText();
    static QString versionText();
};
