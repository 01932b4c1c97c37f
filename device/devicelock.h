#pragma once

#include <QString>

#include <functional>

// One mouse's lock between processes: a file in the user's runtime directory, locked with
// flock(), so that a process that dies lets go with it. Whoever talks to the mouse holds it for
// a whole command sequence (the program per burst of commands, mousecfg-cli per command), so
// that no other writer's command lands between a command and its data, or inside a sequence.
class DeviceLock
{
public:
    // The lock file of the mouse whose command interface is at commandPath.
    static QString fileFor(const QString &commandPath);

    explicit DeviceLock(const QString &commandPath);
    ~DeviceLock();
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

    // Waits up to timeoutMs for another holder; giveUp (may be empty) ends the wait early.
    // False when another holder kept it; true when held, or when no lock file can be made (no
    // runtime directory: then no other process can hold one either).
    bool acquire(int timeoutMs, const std::function<bool()> &giveUp = {});
    bool held() const { return m_held; }
    const QString &commandPath() const { return m_commandPath; }

private:
    QString m_commandPath;
    int m_fd = -1;
    bool m_held = false;
};
