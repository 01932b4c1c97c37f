#pragma once

#include <QStringList>

// One sub-command of mousecfg-cli. A new command is a file with its run function and one
// line in the table of main.cpp.
struct CliCommand
{
    const char *name;
    const char *summary;  // one line for the command list
    const char *usage;    // shown by "mousecfg-cli <command> --help"
    int (*run)(const QStringList &args); // exit status: 0 done, 1 error, 2 no supported mouse
};

namespace Cli {
enum ExitStatus { Ok = 0, Error = 1, NoMouse = 2 };

void out(const QString &line);
void err(const QString &line);
// Refuses arguments a command does not take; true when args is empty.
bool noArguments(const char *command, const QStringList &args);

int devices(const QStringList &args);
int status(const QStringList &args);
} // namespace Cli
