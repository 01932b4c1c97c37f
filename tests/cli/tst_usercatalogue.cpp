// The programs' own options and the user's catalogue, as a user meets them on a terminal:
// --help and --version without a display, help texts naming the files in use, and a mouse
// the shipped catalogue lacks made usable through the user's catalogue.
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include "clirun.h"

namespace {
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Without any display: --help and --version must not need one.
QProcessEnvironment headless()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), QString());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QString());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
    return env;
}
} // namespace

class TestUserCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void helpAndVersionAnswerAndExit();
    void installedHelpNamesInstalledPaths();
    void setFamilyMakesAnUnknownMouseUsable();
};

void TestUserCatalogue::helpAndVersionAnswerAndExit()
{
    const QString bin = QStringLiteral(MOUSECFG_BIN_DIR);
    const CliRun help = CliRun::start(bin + "/mousecfg", {QStringLiteral("--help")}, headless(), QDir::tempPath());
    QVERIFY2(help.exitCode == 0, qPrintable(help.err));
    QVERIFY(help.out.contains(QStringLiteral("--hidden")));
    // Portable: the files beside the program, as absolute paths wherever it was started from.
    QVERIFY2(help.out.contains(bin + QStringLiteral("/data/apConfig.bin")), qPrintable(help.out));
    QVERIFY(help.out.contains(bin + QStringLiteral("/data/p0.bin")));

    const CliRun version = CliRun::start(bin + "/mousecfg", {QStringLiteral("--version")}, headless(), QDir::tempPath());
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out.trimmed(), QStringLiteral("mousecfg " MOUSECFG_VERSION));
    const CliRun cli = CliRun::start(bin + "/mousecfg-cli-vmouse", {QStringLiteral("--version")}, headless(),
                                     QDir::tempPath());
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(cli.out.trimmed(), QStringLiteral("mousecfg-cli " MOUSECFG_VERSION));
}

void TestUserCatalogue::installedHelpNamesInstalledPaths()
{
    QTemporaryDir prefix;
    const QString p = prefix.path();
    QVERIFY(QDir().mkpath(p + "/usr/bin") && QDir().mkpath(p + "/usr/share/mousecfg/data"));
    QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-cli-vmouse"), p + "/usr/bin/mousecfg-cli"));
    QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_BIN_DIR "/data/apConfig.bin"), p + "/usr/share/mousecfg/data/apConfig.bin"));
    QProcessEnvironment env = headless();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), p + "/config");
    const CliRun help = CliRun::start(p + "/usr/bin/mousecfg-cli", {QStringLiteral("--help")}, env, QDir::tempPath());
    QCOMPARE(help.exitCode, 0);
    QVERIFY2(help.out.contains(p + "/usr/share/mousecfg/data/apConfig.bin"), qPrintable(help.out));
    QVERIFY(help.out.contains(p + "/config/mousecfg/macro.bin"));
    QVERIFY(!help.out.contains(QStringLiteral(" data/")));
    const CliRun import = CliRun::start(p + "/usr/bin/mousecfg-cli", {QStringLiteral("import"), QStringLiteral("--help")},
                                        env, QDir::tempPath());
    QVERIFY2(import.out.contains(p + "/config/mousecfg/macro.bin"), qPrintable(import.out));
}

void TestUserCatalogue::setFamilyMakesAnUnknownMouseUsable()
{
    QTemporaryDir prefix;
    const QString p = prefix.path();
    QVERIFY(QDir().mkpath(p + "/usr/bin") && QDir().mkpath(p + "/usr/share/mousecfg/data"));
    const QString program = p + "/usr/bin/mousecfg-cli";
    const QString shipped = p + "/usr/share/mousecfg/data/apConfig.bin";
    const QString user = p + "/config/mousecfg/apConfig.bin";
    QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-cli-vmouse"), program));
    QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_BIN_DIR "/data/apConfig.bin"), shipped));
    const QByteArray shippedText = readFile(shipped);
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), p + "/config");
    // A mouse of another maker, with its command and event interfaces.
    env.insert(QStringLiteral("VMOUSE_DEVICES"), QStringLiteral("1234:abcd:ff00:1:ff01:1:32"));
    auto run = [&](const QStringList &args) { return CliRun::start(program, args, env, QDir::tempPath()); };

    QCOMPARE(run({QStringLiteral("status")}).exitCode, 2);

    // An interface the mouse does not have is refused, and nothing is written.
    CliRun r = run({"set-family", "3", "1234:abcd", "ff00:1", "ff02:1"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("ff00:1 ff01:1")), qPrintable(r.err));
    QVERIFY(!QFile::exists(user));
    QCOMPARE(run({"set-family", "7", "1234:abcd", "ff00:1", "ff01:1"}).exitCode, 1);
    QCOMPARE(run({"set-family", "3", "1234", "ff00:1", "ff01:1"}).exitCode, 1);

    r = run({"set-family", "3", "1234:abcd", "ff00:1", "ff01:1"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY(QFile::exists(user));
    QCOMPARE(readFile(shipped), shippedText);

    r = run({QStringLiteral("status")});
    QVERIFY2(r.exitCode == 0 && r.out.contains(QStringLiteral("family 3")), qPrintable(r.out + r.err));

    // The rule follows the catalogue in use: the new mouse instead of family 3's, the others kept.
    r = run({QStringLiteral("udev-rule")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("ATTRS{idVendor}==\"1234\", ATTRS{idProduct}==\"abcd\"")));
    QVERIFY(!r.out.contains(QStringLiteral("7a04")));
    QVERIFY(r.out.contains(QStringLiteral("7a01")) && r.out.contains(QStringLiteral("7a07")));

    // The user's catalogue replaces the shipped one whole: a key it lacks is not read from it.
    QFile f(user);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[common]\ndeviceCount=1\n[0]\nvid=1234\npid=abcd\nusagePage=ff00\nusage=1\nusagePage2=ff01\nusage2=1\n");
    f.close();
    r = run({QStringLiteral("udev-rule")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!r.out.contains(QStringLiteral("f0e1")));
    r = run({QStringLiteral("status")});
    QVERIFY2(r.out.contains(QStringLiteral("family 0")), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestUserCatalogue)
#include "tst_usercatalogue.moc"
