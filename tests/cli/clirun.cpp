#include "clirun.h"

#include <QProcess>

CliRun CliRun::start(const QString &program, const QStringList &args,
                     const QProcessEnvironment &extra, const QString &workingDir, int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("VMOUSE_DEVICES"));
    env.remove(QStringLiteral("VMOUSE_TRACE"));
    env.remove(QStringLiteral("VMOUSE_CONTROL"));
    env.insert(extra);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workingDir);
    p.start(program, args);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}
