#pragma once

#include <QStringList>

#include <memory>

class QDBusError;
class QDBusInterface;

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
// A file named on the command line, relative to where the user started the program (which
// then moves to its own directory).
QString userPath(const QString &path);

int devices(const QStringList &args);
int status(const QStringList &args);
int apply(const QStringList &args);
int dpiLevel(const QStringList &args);
int exportMacro(const QStringList &args);
int importMacro(const QStringList &args);
int udevRule(const QStringList &args);
int profile(const QStringList &args);
int setFamily(const QStringList &args);

#ifdef MOUSECFG_HAVE_DBUS
// The running program's object at `path` with `interface`, or nullptr when no program answers on
// the session bus.
std::unique_ptr<QDBusInterface> runningProgram(const char *path, const char *interface);
// Prints why the program refused a device call; returns the exit status.
int refusedByProgram(const char *command, const QDBusError &error);
#endif

// One device check as the program runs it: the catalogue index found, -1 for none, -2 when it
// did not finish within timeoutMs.
int runDeviceCheck(int timeoutMs);
// Reads the mouse's current DPI level through the current chip protocol. The answer comes after
// every write queued before it. False without a chip protocol or without an answer.
bool readDpiLevel(int timeoutMs, int *level);
// Keeps the mouse's lock (see DeviceLock) from now until shutdown, so that no other process
// talks to it in between. The first answer after it may wait for another process's sequence:
// give it FirstAnswerMs.
void holdMouse();
extern const int FirstAnswerMs;
} // namespace Cli
