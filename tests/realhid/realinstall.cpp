#include "realinstall.h"

#include <QDir>
#include <QFile>

#include <fstream>
#include <sstream>

bool RealInstall::make()
{
    if (!m_dir.isValid())
        return false;
    const QString bin = QStringLiteral(MOUSECFG_BIN_DIR);
    QDir root(m_dir.path());
    for (const char *d : {"usr/bin", "usr/share/mousecfg/data", "usr/share/mousecfg/i18n", "home/.config",
                          "runtime", "tmp"})
        root.mkpath(QLatin1String(d));
    QFile::setPermissions(path(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Copies, not links: the program decides its layout from where its executable really is.
    for (const QString &p : {QStringLiteral("mousecfg"), QStringLiteral("mousecfg-cli")}) {
        if (!QFile::copy(bin + QLatin1Char('/') + p, program(p)))
            return false;
    }
    const QString share = QStringLiteral("usr/share/mousecfg/");
    for (const QString &f : {QStringLiteral("data/apConfig.bin"), QStringLiteral("data/pD.bin"),
                             QStringLiteral("i18n/English.ini"), QStringLiteral("i18n/ChineseSimplified.ini")}) {
        if (!QFile::copy(bin + QLatin1Char('/') + f, path(share + f)))
            return false;
    }
    const QDir fonts(bin + QStringLiteral("/fonts"));
    if (fonts.exists()) {
        for (const QString &sub : fonts.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            root.mkpath(share + QStringLiteral("fonts/") + sub);
            for (const QString &f : QDir(fonts.filePath(sub)).entryList(QDir::Files))
                QFile::copy(fonts.filePath(sub + QLatin1Char('/') + f), path(share + QStringLiteral("fonts/") + sub + QLatin1Char('/') + f));
        }
    }
    return true;
}

QProcessEnvironment RealInstall::environment(const umock::MockBed &bed) const
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
    env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    // The preloaded testbed library's own allocations are not the program's leaks.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:abort_on_error=0"));
    env.insert(QStringLiteral("UBSAN_OPTIONS"), QStringLiteral("print_stacktrace=1:halt_on_error=1"));
    for (const auto &e : bed.childEnvironment())
        env.insert(QString::fromStdString(e.first), QString::fromStdString(e.second));
    return env;
}

vmouse::DeviceDescription RealInstall::family(int n)
{
    std::ifstream file(MOUSECFG_BIN_DIR "/data/apConfig.bin", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    vmouse::DeviceDescription d;
    vmouse::DeviceDescription::fromCatalogue(text.str(), std::to_string(n), d);
    return d;
}

RealInstall::Run RealInstall::run(const umock::MockBed &bed, const QString &name, const QStringList &args,
                                  int timeoutMs) const
{
    return run(environment(bed), name, args, timeoutMs);
}

RealInstall::Run RealInstall::run(const QProcessEnvironment &env, const QString &name, const QStringList &args,
                                  int timeoutMs) const
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(path(QStringLiteral("home")));
    p.start(program(name), args);
    Run r;
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
