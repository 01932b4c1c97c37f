#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of a command-line program as a user starts it.
struct CliRun
{
    int exitCode = -1; // -2 when it crashed, -1 when it did not finish in time
    QString out;
    QString err;

    // The environment is this process's without the virtual mouse's variables, plus `extra`.
    static CliRun start(const QString &program, const QStringList &args,
                        const QProcessEnvironment &extra, const QString &workingDir,
                        int timeoutMs = 20000);
};
